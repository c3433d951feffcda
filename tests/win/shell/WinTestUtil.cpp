#include "WinTestUtil.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win32/WinHeader.h"

TTempDir::TTempDir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static int counter = 0;
  FPath = std::string(base) + "bw-win-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(counter++);
  std::filesystem::create_directories(FPath);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

std::string ExeDir() {
  char name[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, name, MAX_PATH);
  std::string path(name, n);
  return path.substr(0, path.find_last_of('\\'));
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}
