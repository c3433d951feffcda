#include "platform/win32/HostFiles.h"
#include "platform/PathRules.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"

namespace hostfiles {

namespace {
DWORD Attributes(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }
}  // namespace

bool FileExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& path) {
  return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0;
}

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
  CreateDirectoryW(WidePath(trimmed).c_str(), nullptr);
  return DirectoryExists(path);
}

bool DeleteFileAt(const std::string& path) { return DeleteFileW(WidePath(path).c_str()) != 0; }

bool RemoveDir(const std::string& path) { return RemoveDirectoryW(WidePath(path).c_str()) != 0; }

bool MoveFileTo(const std::string& from, const std::string& to) {
  // No MOVEFILE_COPY_ALLOWED: a move that would copy fails instead.
  return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FileReadOnly(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

std::string CurrentDir() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  TWide buf(n);
  const DWORD got = GetCurrentDirectoryW(n + 1, buf.data());
  return got > 0 && got <= n ? Narrow(buf.c_str(), got) : std::string();
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
  TWide wide = WidePath(head);
  for (size_t size = MAX_PATH;;) {
    TWide buf(size);
    DWORD n = GetLongPathNameW(wide.c_str(), buf.data(), static_cast<DWORD>(size));
    if (n == 0) return path;
    if (n < size) {
      std::string full = Narrow(buf.c_str(), n);
      // The long form of a "\\?\" path keeps that prefix; the run uses plain paths.
      if (full.starts_with("\\\\?\\UNC\\")) full.replace(0, 8, "\\\\");
      else if (full.starts_with("\\\\?\\")) full.erase(0, 4);
      return full + tail;
    }
    size = n;
  }
}

std::string ExeName() {
  for (size_t size = MAX_PATH;; size *= 2) {
    TWide buf(size);
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(size));
    if (n == 0) return {};
    if (n < size) return Narrow(buf.c_str(), n);
  }
}

bool IsReparsePoint(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace hostfiles
