#pragma once
// The uninstaller's logic, apart from its windows: read uninstall.log beside
// the program, ask once, undo the records newest first with the rollback's
// rule, drop the uninstall registration and tell what stayed. Everything goes
// through Platform(), so it runs natively against the test double; the Win32
// program adds the progress window and gets its own file out of the way.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "shell/ShellInstallLib.h"

class TRemovalGuard;

// Exit codes of uninstall.exe.
constexpr int ExitRemoved = 0;              // everything the log names is gone
constexpr int ExitIncomplete = 1;           // something stayed, or the user said No
constexpr int ExitNoLog = 2;                // no readable uninstall.log beside the program
constexpr int ExitUnsafe = 3;               // the log or the folder is open to non-administrators
constexpr int ExitRemovedAtRestart = 3010;  // what programs held goes at the next start

class TUninstaller {
 public:
  // Loads the log as a reader, and the journal of a run that was cut short
  // when one lies beside it (its records come first: they are newer); raises
  // as TLogFile does ("Uninstall log file not found." when there is neither).
  explicit TUninstaller(const std::string& logFileName);

  const std::string& Title() const { return FTitle; }
  const std::string& Language() const { return FLanguage; }  // the installation's; empty: English
  // The product: the log's Product record, else its title.
  const std::string& Identity() const { return FIdentity; }
  // The journal that was read, or empty.
  const std::string& Journal() const { return FJournal; }
  // The folder that holds the log, without a trailing "\".
  const std::string& InstallDir() const { return FInstallDir; }
  // Key and value of every record, newest first: the order of undoing.
  const std::vector<std::pair<std::string, std::string>>& Records() const { return FRecords; }
  // The installation was for the current user alone (its log says so).
  bool PerUser() const { return FPerUser; }
  // Its scope: AllUsers or CurrentUser (FolderScope values).
  int Scope() const { return FPerUser ? CurrentUser : AllUsers; }
  // The registry key (below the scope's root) this installation registered;
  // empty when the title cannot name one safely.
  std::string RegistrationKey() const;

  // The running program's own file. A record naming it is handed to
  // OnRemoveSelf (a running program cannot delete itself), which answers
  // whether the file is gone from that place.
  std::string SelfPath;
  std::function<bool(const std::string& path)> OnRemoveSelf;
  // Before each step: steps done so far, steps in all, what is being removed.
  std::function<void(int done, int total, const std::string& what)> OnProgress;

  // Undoes every record, removes the registration, then the installation
  // folder if it is empty. Never raises for a single item that stays.
  void Run();
  // What still exists afterwards, in the order met, each once. Registry keys
  // are written "HKEY_LOCAL_MACHINE\<key>" (or HKEY_CURRENT_USER).
  const std::vector<std::string>& LeftOver() const { return FLeftOver; }
  // What programs held, deleted when the computer starts again.
  const std::vector<std::string>& AtRestart() const { return FAtRestart; }

 private:
  bool RegistrationIsOurs(const std::string& key) const;
  bool RemoveRegistration();  // false when our key stays
  void CloseAppsUsingFiles(const TRemovalGuard& guard);
  void DeleteAtRestart(const TRemovalGuard& guard);

  std::string FTitle;
  std::string FLanguage;
  std::string FIdentity;
  std::string FJournal;
  std::string FInstallDir;
  bool FPerUser = false;
  std::vector<std::pair<std::string, std::string>> FRecords;
  std::vector<std::string> FLeftOver;
  std::vector<std::string> FAtRestart;
};

// Windows paths name the same file regardless of letter case and of doubled
// or trailing separators.
bool SamePath(const std::string& a, const std::string& b);

// Splits leftOver into what stays for good and what only stays because the
// running program's own file is still inside it: the file itself and the
// folders above it, which the program removes after it has ended.
void SplitSelfHeld(const std::vector<std::string>& leftOver, const std::string& self,
                   std::vector<std::string>& stays, std::vector<std::string>& selfHeld);

// The windows and the self-removal of the Win32 program; empty ones are
// skipped, as in the tests.
struct TUninstallHooks {
  std::function<void(const std::string& caption)> ShowProgress;
  std::function<void(int done, int total, const std::string& what)> Progress;
  std::function<void()> HideProgress;
  std::function<bool(const std::string& path)> RemoveSelf;
  // Before an elevated copy starts: what would keep it from running goes.
  std::function<void()> BeforeElevation;
};

struct TUninstallResult {
  int ExitCode = ExitIncomplete;
  std::vector<std::string> LeftOver;   // what stays for good, as reported
  std::vector<std::string> AtRestart;  // what goes at the next start
  // The program's own file and the folders that only it keeps: to be removed
  // once the program has ended.
  std::vector<std::string> SelfHeld;
};

// The whole program for the uninstall.exe at exeName: finds uninstall.log
// beside it, asks (unless silent), removes, and reports (unless silent).
TUninstallResult RunUninstaller(const std::string& exeName, bool silent,
                                const TUninstallHooks& hooks);

// The texts the user sees.
std::string UninstallCaption(const std::string& title);
std::string UninstallQuestion(const std::string& title);
std::string UninstallReport(const std::string& title, const std::vector<std::string>& leftOver,
                            bool atRestart = false);
std::string MissingLogMessage(const std::string& logFileName, const std::string& reason);
std::string UnsafeLogMessage(const std::string& path);
std::string ElevationDeclinedMessage(const std::string& title);
// The language of the uninstaller's windows: the installation's (recorded in
// its log), by the same rules as the installer's choice.
void ChooseUninstallLanguage(const std::string& recorded);
