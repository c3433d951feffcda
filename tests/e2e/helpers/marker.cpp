// Test program for [run and wait] and [launch]: appends its arguments as one
// line to marker.txt beside itself, then waits a moment when asked
// ("--sleep=MS"), so that the page shown meanwhile can be photographed.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/WinHeader.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
  char exe[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, n);
  path = path.substr(0, path.find_last_of('\\') + 1) + "marker.txt";
  HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  std::string line = std::string(args) + "\r\n";
  DWORD written;
  WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(f);
  if (const char* s = std::strstr(args, "--sleep=")) Sleep(static_cast<DWORD>(std::atoi(s + 8)));
  return 0;
}
