#include "shell/ShellInstallLib.h"

#include "common/RunLog.h"
#include "platform/Concat.h"

namespace {
const char* const ShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// No fallback between the scopes: a missing all-users value stays empty.
std::string ShellFolder(int scope, const char* allUsersValue, const char* currentUserValue) {
  if (scope != AllUsers && scope != CurrentUser) return {};
  const bool allUsers = scope == AllUsers;
  return ReadRegistryString(allUsers ? TRegRoot::LocalMachine : TRegRoot::CurrentUser,
                            ShellFoldersKey, allUsers ? allUsersValue : currentUserValue);
}
}  // namespace

std::string ReadRegistryString(TRegRoot root, TTextArg key, TTextArg name) {
  return Platform().RegReadString(root, key, name);
}

std::string GetDesktopFolder(int scope) { return ShellFolder(scope, "Common Desktop", "Desktop"); }

std::string GetProgramsFolder(int scope) {
  return ShellFolder(scope, "Common Programs", "Programs");
}

std::string CreateProgramGroup(const std::string& name, int scope) {
  std::string path = Concat({GetProgramsFolder(scope), "\\", name});
  // An existing group, or one that cannot be made, still gives the path.
  Platform().CreateDir(path);
  return path;
}

std::string GetProgramFilesDir() {
  return ReadRegistryString(TRegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                            "ProgramFilesDir");
}

std::string GetDefaultInstallRoot(int scope) {
  return scope == CurrentUser ? Platform().UserProgramFilesDir() : GetProgramFilesDir();
}

TRegRoot RegistryRootOf(int scope) {
  return scope == CurrentUser ? TRegRoot::CurrentUser : TRegRoot::LocalMachine;
}

const char* RegistryRootName(int scope) {
  return scope == CurrentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
}

std::string AddTrailingBackslash(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  return path + "\\";
}

std::string RemoveDoubleBackslashes(const std::string& path) {
  std::string result = path;
  // A network path keeps the "\\\\" that starts it.
  size_t kept = path.starts_with("\\\\") ? 2 : 0;
  for (char c : std::string_view(path).substr(kept)) {
    if (c == '\\' && kept > 0 && result[kept - 1] == '\\') continue;
    result[kept++] = c;
  }
  result.resize(kept);
  return result;
}

std::string ParentPath(const std::string& path) {
  size_t n = path.size();
  if (n > 0 && path[n - 1] == '\\') --n;
  while (n > 0 && path[n - 1] != '\\') --n;
  if (n == 0) return {};
  return path.substr(0, n - 1);
}

bool SplitAbsolutePath(const std::string& path, std::vector<std::string>& parts) {
  parts.clear();
  std::string p = path;
  for (char& c : p)
    if (c == '/') c = '\\';
  size_t start;
  if (p.size() >= 2 && p[1] == ':' &&
      ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    if (p.size() > 2 && p[2] != '\\') return false;  // "C:x" is relative to C:'s current folder
    parts.push_back(p.substr(0, 2));
    start = 2;
  } else if (p.starts_with("\\\\")) {
    size_t end = p.find('\\', 2);
    parts.push_back(p.substr(0, end));
    if (parts[0].size() < 3) return false;
    start = end == std::string::npos ? p.size() : end;
  } else {
    return false;
  }
  while (start < p.size()) {
    size_t end = p.find('\\', start + 1);
    std::string part = p.substr(start + 1, end == std::string::npos ? end : end - start - 1);
    start = end == std::string::npos ? p.size() : end;
    if (part.empty()) continue;
    if (part.find_first_of(":?*") != std::string::npos) return false;
    if (part.find_first_not_of(". ") == std::string::npos) return false;
    parts.push_back(part);
  }
  // Device paths ("\\?\", "\\.\") bypass the system's own path checks.
  return parts[0] != "\\\\?" && parts[0] != "\\\\.";
}

namespace {
// Equal once A-Z are read as a-z.
bool SameAsciiLetterCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}
}  // namespace

bool PathIsInside(const std::string& path, const std::string& folder) {
  std::vector<std::string> p, f;
  if (!SplitAbsolutePath(path, p) || !SplitAbsolutePath(folder, f) || p.size() < f.size())
    return false;
  for (size_t i = 0; i < f.size(); ++i)
    if (!SameAsciiLetterCase(p[i], f[i])) return false;
  return true;
}

namespace {
// One value of the Uninstall key: where it lives, for the log.
struct TUninstallValues {
  int Scope;
  std::string Key;

  std::string ValuePath(const char* name) const {
    return Concat({RegistryRootName(Scope), Key, "\\", name});
  }

  // One value, told to the run's log either way: the text when there is
  // one, else the number as a REG_DWORD.
  bool Write(const char* name, const std::string* text, uint32_t number) const {
    bool ok = false;
    try {
      TPlatform& p = Platform();
      TRegRoot root = RegistryRootOf(Scope);
      ok = text ? p.RegWriteString(root, Key, name, *text)
                : p.RegWriteDWord(root, Key, name, number);
    } catch (...) {
    }
    if (!ok) {
      RunLogError(Concat({"Cannot write the registry value ", ValuePath(name)}));
      return false;
    }
    std::string decimal;
    if (!text) decimal = DecimalText(number);
    RunLogLine(Concat({"Registry value: ", ValuePath(name), " = ", text ? *text : decimal,
                       text ? "" : " (REG_DWORD)"}));
    return true;
  }
  bool String(const char* name, const std::string& value) const { return Write(name, &value, 0); }
  bool DWord(const char* name, uint32_t value) const { return Write(name, nullptr, value); }
};
}  // namespace

bool RegisterUninstaller(const std::string& keyName, const std::string& displayName,
                         const std::string& command, int scope) {
  TUninstallValues values{scope, Concat({UninstallKey, keyName})};
  // Without administrator rights nothing is registered, and the user is not told.
  if (!values.String("DisplayName", displayName)) return false;
  return values.String("UninstallString", command);
}

void RegisterUninstallDetails(const std::string& keyName, const TUninstallDetails& details,
                              int scope) {
  TUninstallValues values{scope, Concat({UninstallKey, keyName})};
  values.String("QuietUninstallString", details.QuietUninstallString);
  values.String("InstallLocation", details.InstallLocation);
  values.String("DisplayIcon", details.DisplayIcon);
  if (!details.DisplayVersion.empty()) values.String("DisplayVersion", details.DisplayVersion);
  if (!details.Publisher.empty()) values.String("Publisher", details.Publisher);
  values.DWord("EstimatedSize", details.EstimatedSizeKiB);
  values.DWord("NoModify", 1);
  values.DWord("NoRepair", 1);
}
