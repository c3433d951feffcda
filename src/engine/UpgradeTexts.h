#pragma once
// What upgrades tell the person: every text in one place, for the language
// tables. "%1", "%2", ... stand for the values FillIn (platform/Concat.h) puts in.

namespace upgrade_text {
// Welcome page: the product (%1), the installed version (%2), this one's (%3).
inline constexpr const char* Installed =
    "%1 %2 is installed on this computer. This setup installs version %3 in its place.";
inline constexpr const char* InstalledNoVersion =
    "%1 is installed on this computer already. This setup replaces it.";
inline constexpr const char* DowngradeCaption = "Newer Version Installed";
inline constexpr const char* DowngradeQuestion =
    "A newer version of %1 (%2) is installed on this computer than the one this setup brings "
    "(%3).\r\rDo you want to replace it with the older version?";
// The applications (%1, one a line) that use files to be replaced.
inline constexpr const char* AppsCaption = "Applications in Use";
inline constexpr const char* AppsQuestion =
    "These applications are using files that setup needs to replace:\r\r%1\r\r"
    "Yes: Close the applications automatically\r"
    "No: Do not close them (a restart may be needed)";
// A file (per-user installation) that cannot be replaced; %1: who holds it.
inline constexpr const char* HeldBy = "It is in use by %1. Close it, then run setup again.";
inline constexpr const char* RestartNeeded =
    "Some files were in use: a restart of the computer is needed to finish the installation.";
inline constexpr const char* RestartNow = "&Restart now";
inline constexpr const char* RestartLater = "Restart la&ter";  // &L is Launch, on the same page
// Uninstaller: the product (%1).
inline constexpr const char* RemovedAtRestart =
    "%1 was removed. Some files were in use: a restart of the computer will finish the "
    "removal.";
}  // namespace upgrade_text
