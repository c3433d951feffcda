#include "platform/win32/HostFiles.h"
#include "platform/PathRules.h"
#include "platform/win32/WinHeader.h"

namespace hostfiles {

namespace {
DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
}  // namespace

bool FileExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  std::string trimmed = path;
  while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/'))
    trimmed.pop_back();
  size_t cut = trimmed.find_last_of("\\/:");
  if (cut != std::string::npos && cut > 0) {
    std::string parent = trimmed.substr(0, trimmed[cut] == ':' ? cut + 1 : cut);
    if (parent != trimmed) ForceDirectories(parent);
  }
  CreateDirectoryA(trimmed.c_str(), nullptr);
  return DirectoryExists(path);
}

bool DeleteFileAt(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool RemoveDir(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool MoveFileTo(const std::string& from, const std::string& to) {
  // No MOVEFILE_COPY_ALLOWED: a move that would copy fails instead.
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FileReadOnly(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

std::string CurrentDir() {
  char buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string LongPathName(const std::string& path) {
  // Only what exists can have short names; the rest is kept as given.
  std::string head = path, tail;
  while (Attributes(head) == INVALID_FILE_ATTRIBUTES) {
    size_t cut = head.find_last_of('\\');
    if (cut == std::string::npos || cut + 1 <= RootLength(head)) return path;
    tail.insert(0, head, cut, std::string::npos);
    head.resize(cut);
  }
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetLongPathNameA(head.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return path;
    if (n < buf.size()) return buf.substr(0, n) + tail;
    buf.resize(n);
  }
}

std::string ExeName() {
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

bool IsReparsePoint(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace hostfiles
