#pragma once
// Where the shell keeps its folders, three operations on path text, and the
// entry in the Windows list of installed programs. Every system access goes
// through Platform(), so the engine's tests run natively.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

// Whose folders: all users (HKEY_LOCAL_MACHINE) or the current user
// (HKEY_CURRENT_USER). Any other value names no folder.
enum FolderScope { AllUsers = 0, CurrentUser = 1 };

// A string or expandable-string value up to its first NUL, unexpanded; empty
// when the key or value is missing. Raises ERegistryException for a value of
// another type.
std::string ReadRegistryString(TRegRoot root, TTextArg key, TTextArg name);

std::string GetDesktopFolder(int scope);
std::string GetProgramsFolder(int scope);
// The programs folder, "\" and the name; the one folder is attempted and the
// path returned whether or not that worked.
std::string CreateProgramGroup(const std::string& name, int scope);
std::string GetProgramFilesDir();
// Where an installation of that scope goes by default: Program Files for all
// users, the user's own program folder (%LOCALAPPDATA%\Programs) for one.
std::string GetDefaultInstallRoot(int scope);
// The registry root of that scope's installed-programs list, and its name.
TRegRoot RegistryRootOf(int scope);
const char* RegistryRootName(int scope);

// Appends "\" unless the text is empty or already ends in one.
std::string AddTrailingBackslash(const std::string& path);
// Shrinks every run of "\" to a single one, but for the "\\" that starts a
// network path.
std::string RemoveDoubleBackslashes(const std::string& path);
// The path without its last component (one trailing "\" ignored) and the "\"
// before it; empty when no "\" is left.
std::string ParentPath(const std::string& path);

// The components of an absolute path: "C:" (or "\\server" for a network
// path), then each folder and the name. False for a relative path and for one
// with a component that Windows could read as another place: ".", "..",
// dots and blanks only, or one holding ":", "?" or "*".
bool SplitAbsolutePath(const std::string& path, std::vector<std::string>& parts);
// True when path is folder or lies below it, comparing components without
// regard to ASCII letter case; false when either cannot be split.
bool PathIsInside(const std::string& path, const std::string& folder);

// Writes DisplayName and UninstallString under the Uninstall key + keyName of
// the scope's root (HKEY_LOCAL_MACHINE for all users, HKEY_CURRENT_USER for
// one). Failures are absorbed: without the rights to register, the
// installation goes on unregistered. True when both were written.
bool RegisterUninstaller(const std::string& keyName, const std::string& displayName,
                         const std::string& command, int scope = AllUsers);

// What else the list of installed programs shows, and what package managers
// and inventory tools match on.
struct TUninstallDetails {
  std::string QuietUninstallString;
  std::string InstallLocation;
  std::string DisplayIcon;
  std::string DisplayVersion;  // not written when empty
  std::string Publisher;       // not written when empty
  uint32_t EstimatedSizeKiB = 0;
};
// Writes the details beside RegisterUninstaller's values, with NoModify and
// NoRepair set to 1 (the installer can neither change nor repair an
// installation). Failures are absorbed as there.
void RegisterUninstallDetails(const std::string& keyName, const TUninstallDetails& details,
                              int scope = AllUsers);

// Where RegisterUninstaller writes; keyName follows directly.
inline constexpr const char* UninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
