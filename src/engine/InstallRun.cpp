// The installation run: directories, log and files (first stage); program
// group, shortcuts, registration and programs to run (second stage); desktop
// icons and launch (final step).
#include <algorithm>
#include <exception>

#include "common/CompressionManager.h"
#include "common/Errors.h"
#include "common/RunLog.h"
#include "engine/MainFormUnit.h"
#include "engine/PackageOrder.h"
#include "platform/Concat.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"
#include "script/infreader.h"
#include "shell/RunAndWaitUnit.h"
#include "shell/ShellInstallLib.h"
#include "shell/ShortcutsLib.h"
#include "ui/WizardFormUnit.h"
#include "uninstall_log/UninstallLog.h"

namespace {

// Up to and including the last "\" or ":".
std::string DirectoryPart(const std::string& path) {
  size_t p = path.find_last_of("\\:");
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

// The tail of InstallDir that does not exist yet, without a leading or
// trailing "\".
std::string MissingPart(const std::string& installDir) {
  std::string p = installDir, created;
  while (!p.empty() && !Platform().DirectoryExists(p)) {
    p = ParentPath(p);
    created = installDir.substr(p.size());
    if (!created.empty() && created.front() == '\\') created.erase(0, 1);
    if (!created.empty() && created.back() == '\\') created.pop_back();
  }
  return created;
}

// The error when a record cannot reach the log: the run cannot go on, since
// what it made next could not be undone.

// The target of a "entry;target" line.
std::string TargetOf(const std::string& line) {
  std::string entry, target;
  TINFReader::SplitValue(line, entry, target);
  return target;
}

}  // namespace

std::string UninstallCommand(const std::string& installDir) {
  // Unquoted, Windows would try to run a program from a prefix of the path.
  const char* quote = installDir.find(' ') != std::string::npos ? "\"" : "";
  return Concat({quote, installDir, "\\uninstall.exe", quote});
}

std::string RunAndWaitCommand(const std::string& installDir, const std::string& line) {
  std::string base = AddTrailingBackslash(installDir);
  // The program is the longest prefix of the line, ending at a blank, that
  // names a file inside the installation directory; else the first word.
  size_t split = std::string::npos;
  for (size_t k = line.size(); k > 0; --k) {
    bool atBlank = k == line.size() || line[k] == ' ';
    if (!atBlank || line[k - 1] == ' ') continue;
    if (Platform().FileExists(Concat({base, std::string_view(line).substr(0, k)}))) {
      split = k;
      break;
    }
  }
  if (split == std::string::npos) {
    size_t start = line.find_first_not_of(' ');
    split = start == std::string::npos ? line.size() : line.find(' ', start);
    if (split == std::string::npos) split = line.size();
  }
  std::string_view rest(line);
  return Concat({"\"", base, rest.substr(0, split), "\"", rest.substr(split)});
}

void TMainForm::StopRunLogFailed(const EInOutError& e) {
  StopRun(Tr(TText::LogUnwritableMessage, {e.what()}),
          TrEnglish(TText::LogUnwritableMessage, {e.what()}));
}

bool TMainForm::Halted() const { return Aborting || RunStopped(); }

void TMainForm::InstallFirstStage() {
  TWizardForm& w = *wizard_;
  stageRunning_ = true;
  InstallDir = w.edtLocation.Text();
  knownDirs_.clear();

  std::string created = WithChooserLevels(MissingPart(InstallDir));
  DropUnusedChooserFolders();
  Platform().ForceDirectories(InstallDir);  // a failure shows when the log is made

  // The run writes its journal; the log of an earlier installation stays as
  // it is until the run has succeeded, and its records live on in the new one.
  std::string logName = InstallPath("uninstall.log");
  std::vector<std::string> files = InPackageOrder(*PackageReader, ScriptLines("files"));
  std::vector<std::string> carried, superseded;
  try {
    ProtectNewFolders(InstallDir, created);
    if (Platform().FileExists(logName)) {
      std::vector<std::string> newFiles(1, logName);
      for (const std::string& line : files) newFiles.push_back(InstallPath(TargetOf(line)));
      try {
        carried = CarriedRecords(OldLogLines(logName), newFiles, &superseded);
      } catch (const std::exception&) {
        // Unreadable: nothing to carry over; it is replaced all the same.
      }
    }
    LogFile = std::make_unique<TLogFile>(JournalName(logName), true);
  } catch (const std::exception& e) {
    // Nothing may stay behind: take away what was made for the log, and let
    // the user choose another place.
    LogFile.reset();
    Platform().DeleteFileAt(JournalName(logName));
    if (!created.empty()) UndoLogRecord("Directory", Concat({created, ";", InstallDir}));
    ShowMessage(TText::FolderFailedMessage, {InstallDir, e.what()}, TText::ErrorCaption,
                mb::OK | mb::IconExclamation);
    InstallDir.clear();
    w.btnNext.Show();
    stageRunning_ = false;
    return;
  }
  for (const std::string& pending : superseded) {
    Platform().CancelMoveAtRestart(pending);
    Platform().DeleteFileAt(pending);
  }
  committed_ = false;
  try {
    // What was carried stands before the title: the records after it are
    // this run's own, the ones a run cut short has to undo.
    LogFile->CarryRecords(carried);
    LogFile->AddTitle(ProductTitle);
    if (ProductId != ProductTitle) LogFile->AddProduct(ProductId);
    // Machine-wide logs stay as they always were; the uninstaller reads
    // a missing record as all users.
    if (InstallScope == CurrentUser) LogFile->AddRecord("Scope: user");
    if (!EnglishChosen()) LogFile->AddLanguage(CurrentLanguage());
    if (!created.empty()) LogFile->AddDirectory(InstallDir, created);
    LogFile->AddFile(logName);

    for (const std::string& line : ScriptLines("directories")) {
      std::string base, sub;
      ScriptReader->SplitValue(line, base, sub);
      std::string dir = Concat({AddTrailingBackslash(InstallPath(base)), sub});
      LogFile->AddDirectory(dir, sub);
      Platform().ForceDirectories(dir);
    }
  } catch (const EInOutError& e) {
    StopRunLogFailed(e);
    return;
  }

  w.btnPrevious.Hide();
  w.btnNext.Show();
  w.WizardPages.SetActivePageIndex(3);
  PageIndex = 3;

  PackageReader->OnProgress = [this](TCompressionManager* sender, int32_t position, int32_t total) {
    FileProgress(sender, position, total);
  };

  w.prgTotal.SetMin(0);
  // An empty list installs nothing; the bar keeps a valid range.
  w.prgTotal.SetMax(files.empty() ? 0 : static_cast<int>(files.size()) - 1);
  w.prgTotal.SetPosition(0);
  Pump();
  if (Halted()) return;
  CloseAppsUsing(files);
  if (Halted()) return;

  for (size_t i = 0; i < files.size(); ++i) {
    std::string entry, target;
    ScriptReader->SplitValue(files[i], entry, target);
    w.lblInstallingFile.SetCaption(Tr(TText::ExtractingFile, {target}));
    PumpFrame();
    if (Halted()) return;

    std::string file = InstallPath(target);
    TText why = TText::Count;
    std::string pending;
    try {
      CreateDirectoryChain(DirectoryPart(RemoveDoubleBackslashes(file)));
      // A file a program holds is replaced at the next start where that can
      // be done; any other that cannot be replaced is an error, never passed over.
      if (!BackUpExisting(file, why)) {
        pending = ReplacementAtRestart(file, why);
        if (pending.empty()) {
          StopRunFileFailed(file, why);
          return;
        }
      } else {
        LogFile->AddFile(file);  // before the file exists, so a cut-short file is removed too
      }
      MadeByRun(file);
    } catch (const EInOutError& e) {
      StopRunLogFailed(e);
      return;
    }

    bool failed = false;
    try {
      Extracting = true;
      PackageReader->ExtractToFile(entry, pending.empty() ? file : pending);
    } catch (const std::exception&) {
      failed = true;
    }
    Extracting = false;
    // A cancel (or a confirmed close) while the file was being unpacked:
    // the reader has stopped, now roll back.
    if (Aborting) {
      CancelInstallation();
      return;
    }
    if (RunStopped()) return;
    if (!failed && !pending.empty()) {
      failed = !Platform().MoveAtRestart(pending, file);
      restartNeeded_ = restartNeeded_ || !failed;
      if (!failed) RunLogLine(Concat({"Replaced at the next start: ", file}));
    }
    if (failed) {
      StopRunFileFailed(file, why);
      return;
    }
    w.prgTotal.SetPosition(static_cast<int>(i) + 1);
    PumpFrame();
    if (Halted()) return;
  }

  try {
    LogFile->Flush();
  } catch (const EInOutError& e) {
    StopRunLogFailed(e);
    return;
  }
  stageRunning_ = false;
  NextPage();
}

void TMainForm::StopRunFileFailed(const std::string& file, TText why) {
  if (why == TText::Count)
    StopRun(Tr(TText::FileFailedPlainMessage, {file}),
            TrEnglish(TText::FileFailedPlainMessage, {file}));
  else
    StopRun(Tr(TText::FileFailedMessage, {file, Tr(why, {heldBy_})}),
            TrEnglish(TText::FileFailedMessage, {file, TrEnglish(why, {heldBy_})}));
}

void TMainForm::FileProgress(TCompressionManager* sender, int32_t position, int32_t total) {
  wizard_->prgFile.SetMax(total);
  wizard_->prgFile.SetPosition(position);
  PumpFrame();
  // The main window closed meanwhile: stop this file after its current step.
  if (RunStopped() && sender) sender->SetCancel(true);
}

void TMainForm::CreateDirectoryChain(const std::string& path) {
  std::string rest = RemoveDoubleBackslashes(path);
  // From the root on: a drive, or a share as a whole.
  std::string built = rest.substr(0, RootLength(rest));
  rest.erase(0, built.size());
  while (!rest.empty()) {
    size_t p = rest.find('\\');
    std::string part = p == std::string::npos ? rest : rest.substr(0, p + 1);
    rest.erase(0, part.size());
    built += part;
    // Each folder is looked at once per run: most files share theirs.
    if (std::binary_search(knownDirs_.begin(), knownDirs_.end(), built)) continue;
    if (!Platform().DirectoryExists(built)) {
      if (LogFile) LogFile->AddDirectory(built, part);
      Platform().ForceDirectories(built);
    }
    InsertSorted(knownDirs_, built);
  }
}

void TMainForm::MakeShortcuts(const char* section, const std::string& folder) {
  const std::string none;
  for (const std::string& line : ScriptLines(section)) {
    std::string name, target, createdFile;
    ScriptReader->SplitValue(line, name, target);
    std::string linkBase = Concat({AddTrailingBackslash(folder), name});
    bool url = IsURL(target);
    // Logged before it exists; raises when the record cannot be written.
    if (LogFile) LogFile->AddFile(Concat({linkBase, url ? ".URL" : ".LNK"}));
    try {
      if (url)
        CreateShortcut(linkBase, target, none, none, 1, createdFile);
      else
        CreateShortcut(linkBase, InstallPath(target), AddTrailingBackslash(InstallDir), none, 1,
                       createdFile);
    } catch (const std::exception&) {
      // A shortcut that cannot be made is passed over, like one that cannot be saved.
      createdFile.clear();
    }
  }
}

void TMainForm::InstallSecondStage() {
  TWizardForm& w = *wizard_;
  if (RunStopped()) return;
  stageRunning_ = true;
  w.WizardPages.SetActivePageIndex(4);
  PageIndex = 4;

  std::string group = ScriptValue("program group");
  try {
    std::string groupDir = Concat({GetProgramsFolder(InstallScope), "\\", group});
    LogFile->AddDirectory(groupDir, group);
    CreateProgramGroup(group, InstallScope);
    MakeShortcuts("group icons", groupDir);
    LogFile->Flush();
  } catch (const EInOutError& e) {
    StopRunLogFailed(e);
    return;
  }
  // Everything of the new installation is in place and logged: its log takes
  // the old one's place, and the old files are no longer needed. The
  // registration follows, and no rollback after it.
  if (!CommitLog()) return;
  DiscardBackups();

  Register();
  RestartClosedApps();

  if (ScriptHas("run and wait")) {
    for (const std::string& line : ScriptLines("run and wait")) {
      w.lblCompleting.SetCaption(Tr(TText::RunningProgram, {line}));
      Pump();
      if (RunStopped()) return;
      RunAndWait(RunAndWaitCommand(InstallDir, line));
    }
    Platform().BringToFront();
  }

  stageRunning_ = false;
  NextPage();
}

void TMainForm::FinalStep() {
  TWizardForm& w = *wizard_;
  bool icons = w.chkDesktopIcon.Checked();
  RunLogLine(icons ? "Desktop icons: yes" : "Desktop icons: no");
  if (icons) {
    try {
      MakeShortcuts("desktop icons", GetDesktopFolder(InstallScope));
      if (LogFile) LogFile->Flush();
    } catch (const EInOutError& e) {
      // The installation is complete and registered; only the icons are missing.
      ShowMessage(TText::LogUnwritableMessage, {e.what()}, TText::ErrorCaption,
                  mb::OK | mb::IconExclamation);
    }
  }
  CloseConfirmed = true;
  if (w.chkLaunchNow.Checked()) {
    std::string file = InstallPath(ScriptValue("launch"));
    RunLogLine(Concat({"Program started: ", file}));
    // As the signed-in user where the desktop shell takes it, not elevated.
    const std::string none;
    if (!Platform().ShellOpenAsUser(file, none, InstallDir, 1))
      Platform().ShellOpen(file, none, InstallDir, 1);
  }
  RestartIfChosen();
  Close();
}
