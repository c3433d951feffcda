#pragma once
// The main window: the painted backdrop behind the wizard, and the engine's
// routines (start-up, page sequence, installation run, rollback).
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/Errors.h"
#include "engine/EngineState.h"
#include "engine/SetupCommandLine.h"
#include "lang/Texts.h"
#include "platform/Platform.h"
#include "ui/Controls.h"

class TWizardForm;
class TCompressionManager;

// Raised by start-up when the package cannot serve an installation (it cannot
// be opened, holds no install.inf, or its script has no [files]). The program
// entry shows the message once and exits with a non-zero code.
class ESetupDamaged : public Exception {
 public:
  using Exception::Exception;
};

// Raised by start-up when another installer or uninstaller of the same
// product is running; the message says so, and the program exits.
class ESetupAlreadyRunning : public Exception {
 public:
  using Exception::Exception;
};

// Raised by start-up when the command line asks for a scope that the script
// does not allow; the program exits as for any bad command line.
class ESetupBadCommandLine : public Exception {
 public:
  using Exception::Exception;
};

// What FormPaint draws on: a window's surface, or a recorder in tests.
class TCanvas {
 public:
  virtual ~TCanvas() = default;
  // Solid rectangle, right and bottom edges excluded; colour 0x00BBGGRR.
  virtual void FillRect(int left, int top, int right, int bottom, uint32_t color) = 0;
  // Text in "Arial" 32 pt bold italic, no background, top left at (x, y).
  virtual void TextOut(int x, int y, const std::string& text, uint32_t color) = 0;
};

// A reason TargetUnusableBecause gives (in English, as logs keep it) in the
// language the wizard speaks.
std::string ShownReason(const std::string& why);

class TMainForm {
 public:
  TMainForm();
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  TControl Form{"MainForm"};  // its caption becomes the product title

  // Event handlers.
  void FormCreate();
  void FormPaint(TCanvas& canvas, int clientWidth, int clientHeight);
  void FormCloseQuery(bool& canClose);
  void FormClose();

  int64_t GetTotlaInstallSize();
  void NextPage();
  void PreviousPage();
  void CreateDirectoryChain(const std::string& path);
  void FileProgress(TCompressionManager* sender, int32_t position, int32_t total);
  void RollbackInstallation();
  void CancelInstallation();
  void RemoveLoggedItem(const std::string& key, const std::string& value);

  // A request to close the main window: FormCloseQuery, then FormClose and
  // the end of the application. Returns true when it closed.
  bool Close();
  bool Closed() const { return closed_; }
  // Either window is closing after the user confirmed it: a run in progress
  // is cancelled (see MainFormUnit.cpp).
  void StopRunOnClose();
  // A file could not be unpacked and the installation was rolled back; the
  // program's exit code says so.
  bool InstallFailed() const { return installFailed_; }
  // The process's exit code once the wizard has ended (see ExitCodes.h).
  int ExitCode() const;
  // Installs without views or questions into targetDir (empty: the default
  // folder) and returns the exit code. Runs after FormCreate.
  int RunSilent(const std::string& targetDir);
  bool Silent() const { return silent_; }

  TWizardForm& Wizard() { return *wizard_; }

  // Set before FormCreate: the scope the command line asks for (AllUsers,
  // CurrentUser, or -1 for none), whether the run is silent, and the
  // switches an elevated copy of this run is started with besides the scope
  // and the folder.
  int RequestedScope = -1;
  bool SilentRequested = false;
  std::string RelaunchSwitches;
  std::string RunLogFileName;  // the /LOG= file, handed to the elevated copy meanwhile
  TUpgradeOptions Upgrade;     // what an upgrade may do without asking
  // This installer's version is lower than the installed one.
  bool IsDowngrade() const;
  // Files in use are replaced, or deleted, when the computer starts again.
  bool RestartNeeded() const { return restartNeeded_; }
  // FormCreate stopped before anything was locked or written: this run is
  // machine-wide and has no administrator's rights yet. RunElevated then
  // starts the elevated copy.
  bool NeedsElevation() const { return needsElevation_; }
  // Starts this program again elevated for all users (into folder, when
  // given), waits and returns its exit code; declined when the person
  // refused (the run log goes on then).
  int RunElevated(const std::string& folder, bool& declined);
  // The person picked a scope on the location page (the choice's radio
  // buttons): the proposed folder and the space figures follow.
  void ChooseScope(int scope);

  // Why this product cannot be installed into folder (typed or chosen); empty
  // when it can, and folder then holds its canonical form. A run of this
  // product cut short there is undone on the way.
  std::string TargetUnusableBecause(std::string& folder);
  // Folders the directory chooser has just made, top level first: protected
  // now, and recorded by the run when the installation goes into them.
  void AdoptChooserFolders(const std::vector<std::string>& made);

 private:
  TWizardForm& CreateWizard();  // the wizard's form, made once by FormCreate
  void InstallFirstStage();
  void InstallSecondStage();
  void FinalStep();
  // Shortcuts for every "name;target" line of a section, into folder; each
  // file made is logged.
  void MakeShortcuts(const char* section, const std::string& folder);
  // True once the main window has closed under a running stage: the log is
  // released, so the run must not go on.
  bool RunStopped() const;
  void Pump();       // lets pending messages through
  void PumpFrame();  // the same, at most once per frame, for per-step calls
  // A message box; in a silent run it is logged instead and answered with
  // its default (OK, or No to a question).
  // The log gets the English text.
  int ShowMessage(TText text, std::initializer_list<std::string_view> args, TText caption,
                  unsigned flags);
  int ShowText(const std::string& shown, const std::string& logged, TText caption, unsigned flags);
  // The uninstall registration with every value the installed-programs list shows.
  void Register();
  // A file this run is about to replace moves aside (same folder, so same
  // volume) until the run has succeeded; false with the reason when it
  // cannot be replaced. Files this run made itself are not kept.
  bool BackUpExisting(const std::string& file, TText& why);
  void MadeByRun(const std::string& file);  // never backed up again
  void RestoreBackups();                    // after the rollback: the earlier files come back
  void DiscardBackups();                    // the run has succeeded
  // A record could not be written, or a file cannot be replaced: the error,
  // then the rollback, and the program ends.
  void StopRun(const std::string& shown, const std::string& logged);
  void StopRunLogFailed(const EInOutError& e);                 // a record could not be written
  void StopRunFileFailed(const std::string& file, TText why);  // TText::Count: no reason
  bool Halted() const;                                         // cancelled, or the run stopped
  // Undoes runs cut short in the registered folder and the proposed one.
  void RecoverInterruptedRuns();
  // created (the missing tail of InstallDir) extended by the levels above it
  // that the chooser made.
  std::string WithChooserLevels(const std::string& created) const;
  void DropUnusedChooserFolders();  // chooser folders the installation does not use
  // The run's journal becomes the log: no rollback after this.
  bool CommitLog();

  // Upgrade.cpp. The installed version and folder, from the registration
  // in the scope of this run; the welcome page names both versions.
  void DetectInstalled();
  // The wizard's question about a downgrade; false when the person said No.
  bool DowngradeConfirmed();
  // The programs that use the files the run will replace are closed, when
  // the person (or the command line) agrees.
  void CloseAppsUsing(const std::vector<std::string>& files);
  void RestartClosedApps();  // after a successful run
  // file is held by a program: the name its new content is written to, and
  // logged, to replace it at the next start; empty, with the reason, where
  // that cannot be done (a per-user installation).
  std::string ReplacementAtRestart(const std::string& file, TText& why);
  void OfferRestart();  // the last page's choice
  void RestartIfChosen();

  // Which scope this run installs for, from the script, the command line
  // and an earlier installation; raises ESetupBadCommandLine.
  void ResolveScope();
  // The location page's Next for all users without the rights: the elevated
  // copy installs, and this process ends with its exit code; when the
  // person declines, the page stays, so that another scope can be chosen.
  void ElevateFromWizard();

  std::unique_ptr<TWizardForm> wizard_;
  bool closed_ = false;
  bool needsElevation_ = false;
  int elevatedExitCode_ = -1;      // the elevated copy's, once it has run
  bool stageRunning_ = false;      // a stage of the run is working
  bool stopRequested_ = false;     // a confirmed close asked the run to stop
  bool installFailed_ = false;     // a file could not be unpacked
  bool silent_ = false;            // /S: no views, no questions
  bool committed_ = false;         // the run's log has replaced the earlier one
  bool fileInUse_ = false;         // the last backup failed: a program holds the file
  bool restartNeeded_ = false;     // replacements wait for the next start
  bool downgradeRefused_ = false;  // the person kept the newer version
  std::string installedVersion_;   // empty: not installed, or no version registered
  std::string installedLocation_;
  int installedScope_ = -1;               // the scope it is registered in; -1: not installed
  std::vector<TAppInUse> closedApps_;     // closed by this run, for their restart
  std::string heldBy_;                    // who holds the file a per-user run stopped at
  std::vector<std::string> knownDirs_;    // folders that exist (or were made) in this run, sorted
  std::vector<std::string> chooserDirs_;  // made by the directory chooser, top level first
  // (file, its backup) in the order made, and the files this run created.
  std::vector<std::pair<std::string, std::string>> backups_;
  // Their keys (PathKey). A set: one insert per file must stay cheap for
  // tens of thousands of files, in any order.
  std::set<std::string> madeByRun_;
};

// Adds key to a sorted list unless it is there already; true when added.
// A sorted vector serves short lists in less code than a set.
bool InsertSorted(std::vector<std::string>& list, const std::string& key);

// A script's integer: optional leading blanks and sign, then decimal digits,
// or hexadecimal after "$" or "0x". False when the text is no such number.
bool ParseScriptInteger(const std::string& text, int32_t& value);

// The records of an earlier installation's log (its lines) that a new log
// over the same folder takes over: every record but titles, products and
// backups, those naming the new log or a file the new run will write (letter
// case ignored), and repeats.
// The records of the log at logName, oldest first, as "key: value" lines; a
// backup that still exists is named by a File record too. Raises as TLogFile.
std::vector<std::string> OldLogLines(const std::string& logName);
// A replacement still waiting for the next start (a Replace record) of a
// file the new run writes is not carried: its new content goes to superseded.
std::vector<std::string> CarriedRecords(const std::vector<std::string>& oldLines,
                                        const std::vector<std::string>& newFiles,
                                        std::vector<std::string>* superseded = nullptr);

// Compares dotted versions part by part: numbers as numbers ("1.10" above
// "1.9", a missing part is 0), then any text after a part's digits as
// text. Negative, zero or positive, as a is lower, the same or higher.
int CompareVersions(const std::string& a, const std::string& b);

// Gives the levels of created (the tail of installDir that the run made) the
// protection of Program Files, unless they lie inside it or the installation
// is the current user's own; raises on failure.
void ProtectNewFolders(const std::string& installDir, const std::string& created);
// Undoes a run cut short in folder (see Recovery.cpp); false when there was none.
bool RollBackInterruptedRun(const std::string& folder);

// The uninstall command for an installation directory; quoted when it holds
// a blank, so that Windows never runs a program from a prefix of the path.
std::string UninstallCommand(const std::string& installDir);
// The command line for a [run and wait] line: the program, resolved inside
// installDir and quoted, then the rest of the line as its arguments.
std::string RunAndWaitCommand(const std::string& installDir, const std::string& line);

// Weighted mix of two 0x00BBGGRR colours, channel by channel, in extended
// precision: trunc(t*a) + trunc((1-t)*b).
uint32_t BlendColors(uint32_t a, uint32_t b, double t);
// Rows [top, bottom) of band i of n for a client area h pixels high.
void GradientBandRows(int h, int i, int n, int& top, int& bottom);
