#include "shell/ShellInstallLib.h"

namespace {
const char* const ShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// No fallback between the scopes: a missing all-users value stays empty.
std::string ShellFolder(int scope, const char* allUsersValue, const char* currentUserValue) {
  switch (scope) {
    case AllUsers:
      return ReadRegistryString(TRegRoot::LocalMachine, ShellFoldersKey, allUsersValue);
    case CurrentUser:
      return ReadRegistryString(TRegRoot::CurrentUser, ShellFoldersKey, currentUserValue);
    default:
      return {};
  }
}
}  // namespace

std::string ReadRegistryString(TRegRoot root, const std::string& key, const std::string& name) {
  return Platform().RegReadString(root, key, name);
}

std::string GetDesktopFolder(int scope) { return ShellFolder(scope, "Common Desktop", "Desktop"); }

std::string GetProgramsFolder(int scope) {
  return ShellFolder(scope, "Common Programs", "Programs");
}

std::string CreateProgramGroup(const std::string& name, int scope) {
  std::string path = GetProgramsFolder(scope) + "\\" + name;
  // An existing group, or one that cannot be made, still gives the path.
  Platform().CreateDir(path);
  return path;
}

std::string GetProgramFilesDir() {
  return ReadRegistryString(TRegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                            "ProgramFilesDir");
}

std::string AddTrailingBackslash(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  return path + "\\";
}

std::string RemoveDoubleBackslashes(const std::string& path) {
  std::string result;
  result.reserve(path.size());
  for (char c : path) {
    if (c == '\\' && !result.empty() && result.back() == '\\') continue;
    result += c;
  }
  return result;
}

std::string ParentPath(const std::string& path) {
  size_t n = path.size();
  if (n > 0 && path[n - 1] == '\\') --n;
  while (n > 0 && path[n - 1] != '\\') --n;
  if (n == 0) return {};
  return path.substr(0, n - 1);
}

void RegisterUninstaller(const std::string& keyName, const std::string& displayName,
                         const std::string& command) {
  std::string key = std::string(UninstallKey) + keyName;
  // Without administrator rights nothing is registered, and nobody is told.
  try {
    if (!Platform().RegWriteString(TRegRoot::LocalMachine, key, "DisplayName", displayName)) return;
    Platform().RegWriteString(TRegRoot::LocalMachine, key, "UninstallString", command);
  } catch (...) {
  }
}
