#pragma once
// Host files and folders on Windows, through the system's own wide calls
// (std::filesystem would pull the C++ locale machinery into the installer and
// read narrow paths in another code page). The host platform and the Win32
// platform both answer with these, so that the installer carries them without
// the host platform's neutral answers for everything else.
#include <string>

namespace hostfiles {
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool CreateDir(const std::string& path);
bool ForceDirectories(const std::string& path);
bool DeleteFileAt(const std::string& path);
bool RemoveDir(const std::string& path);
bool MoveFileTo(const std::string& from, const std::string& to);
bool FileReadOnly(const std::string& path);
std::string CurrentDir();
std::string LongPathName(const std::string& path);
std::string ExeName();
bool IsReparsePoint(const std::string& path);
}  // namespace hostfiles
