#pragma once
// The installer's command line:
//   /S          install without windows or questions
//   /LOG=FILE   write a log of the run to FILE
//   /ALLUSERS   install for all users of the computer
//   /CURRENTUSER install just for the current user
//   /ALLOWDOWNGRADE  install over a newer version
//   /NOCLOSEAPPLICATIONS, /FORCECLOSEAPPLICATIONS, /NORESTARTAPPLICATIONS
//               what to do with programs that use the files to be replaced
//   /FORCERESTART  restart the computer when the installation needs it
//   /D=FOLDER   the installation folder; last, and takes the rest of the line
//   /LANG=xx    the language of the windows (a carried tag such as de, pt-BR)
//   /?          the usage
// Switch names ignore letter case. Quotes group blanks into one argument, as
// cmd.exe and PowerShell pass them; a path can never hold a quote, so a quote
// is never part of a value. /S and /? may be repeated; a value given twice is
// an error, since nobody can tell which one was meant.
#include <string>

// What an upgrade may do without asking.
struct TUpgradeOptions {
  bool AllowDowngrade = false;
  bool NoCloseApps = false;
  bool ForceCloseApps = false;
  bool NoRestartApps = false;
  bool ForceRestart = false;
};

struct TSetupOptions {
  bool Silent = false;
  bool Help = false;
  std::string TargetDir;  // empty: the wizard's default folder
  std::string LogFile;    // empty: no log
  bool AllUsers = false;
  bool CurrentUser = false;
  TUpgradeOptions Upgrade;
  std::string Language;  // a carried tag as the programs spell it; empty: chosen
};

// Reads the raw command line (as GetCommandLineA gives it: the program's own
// name first). False, with the first reason in error, when the line holds
// anything else than the switches above; options keeps whatever was read, so
// that /S and /LOG= still count for reporting the error.
bool ParseSetupCommandLine(const std::string& commandLine, TSetupOptions& options,
                           std::string& error);

// /S and /LOG= as an elevated copy of the run is given them: the scope and
// the folder are added by the caller.
std::string RelaunchSwitches(const TSetupOptions& options);

// A message of ParseSetupCommandLine's (English, as the log keeps it) in the
// language chosen.
std::string ShownCommandLineError(const std::string& error);

// The text that /? shows, lines separated by CR LF: in the language chosen,
// or in English for a log.
std::string SetupUsage(bool english = false);
