// The installation run: directories, log and files (first stage); program
// group, shortcuts, registration and programs to run (second stage); desktop
// icons and launch (final step).
#include <algorithm>
#include <exception>

#include "common/CompressionManager.h"
#include "common/Errors.h"
#include "common/RunLog.h"
#include "engine/MainFormUnit.h"
#include "platform/Platform.h"
#include "script/infreader.h"
#include "shell/RunAndWaitUnit.h"
#include "shell/ShellInstallLib.h"
#include "shell/ShortcutsLib.h"
#include "ui/WizardFormUnit.h"
#include "uninstall_log/UninstallLog.h"

namespace {

// A section's lines; a section that is missing is an empty list.
std::vector<std::string> SectionLines(const char* name) {
  if (!ScriptReader) return {};
  std::unique_ptr<std::vector<std::string>> lines = ScriptReader->GetSection(name);
  return lines ? std::move(*lines) : std::vector<std::string>();
}

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

// Folders this run created outside Program Files get its protection, top
// level first, before anything goes into them: otherwise they inherit what
// their parent allows (on a drive's root, "Authenticated Users: modify"), and
// the elevated uninstaller would later act on what others could change.
void ProtectNewFolders(const std::string& installDir, const std::string& created) {
  if (created.empty()) return;
  for (const char* value : {"ProgramFilesDir", "ProgramFilesDir (x86)"}) {
    std::string programFiles;
    try {
      programFiles = ReadRegistryString(TRegRoot::LocalMachine,
                                        "Software\\Microsoft\\Windows\\CurrentVersion", value);
    } catch (const ERegistryException&) {
      continue;  // no folder we can tell: protect as anywhere else
    }
    if (!programFiles.empty() && PathIsInside(installDir, programFiles)) return;
  }
  std::vector<std::string> levels = {installDir};
  for (size_t i = created.find('\\'); i != std::string::npos; i = created.find('\\', i + 1))
    levels.push_back(ParentPath(levels.back()));
  for (auto level = levels.rbegin(); level != levels.rend(); ++level)
    if (!Platform().ProtectFolder(*level))
      throw Exception("Its permissions cannot be limited to administrators.");
}

// The error when a record cannot reach the log: the run cannot go on, since
// what it made next could not be undone.
std::string LogErrorMessage(const EInOutError& e) {
  return "The uninstall log cannot be written: " + std::string(e.what()) +
         ".\r\rThe installation cannot proceed.";
}

}  // namespace

std::string UninstallCommand(const std::string& installDir) {
  std::string command = installDir + "\\uninstall.exe";
  // Unquoted, Windows would try to run a program from a prefix of the path.
  if (command.find(' ') != std::string::npos) command = "\"" + command + "\"";
  return command;
}

std::string RunAndWaitCommand(const std::string& installDir, const std::string& line) {
  std::string base = AddTrailingBackslash(installDir);
  // The program is the longest prefix of the line, ending at a blank, that
  // names a file inside the installation directory; else the first word.
  size_t split = std::string::npos;
  for (size_t k = line.size(); k > 0; --k) {
    bool atBlank = k == line.size() || line[k] == ' ';
    if (!atBlank || line[k - 1] == ' ') continue;
    if (Platform().FileExists(base + line.substr(0, k))) {
      split = k;
      break;
    }
  }
  if (split == std::string::npos) {
    size_t start = line.find_first_not_of(' ');
    split = start == std::string::npos ? line.size() : line.find(' ', start);
    if (split == std::string::npos) split = line.size();
  }
  return "\"" + base + line.substr(0, split) + "\"" + line.substr(split);
}

void TMainForm::InstallFirstStage() {
  TWizardForm& w = *wizard_;
  stageRunning_ = true;
  InstallDir = w.edtLocation.Text();
  knownDirs_.clear();

  std::string created = MissingPart(InstallDir);
  Platform().ForceDirectories(InstallDir);  // a failure shows when the log is made

  std::string logName = AddTrailingBackslash(InstallDir) + "uninstall.log";
  bool logExisted = Platform().FileExists(logName);
  std::vector<std::string> files = SectionLines("files");
  std::vector<std::string> carried;
  try {
    ProtectNewFolders(InstallDir, created);
    if (logExisted) {
      // A reinstallation: the old log stays as it is until the run has
      // succeeded, and its records live on in the new one.
      std::vector<std::string> newFiles = {logName};
      for (const std::string& line : files) {
        std::string entry, target;
        ScriptReader->SplitValue(line, entry, target);
        newFiles.push_back(AddTrailingBackslash(InstallDir) + target);
      }
      try {
        TLogFile old(logName, false);
        std::vector<std::string> lines;
        std::string key, value;
        while (old.ReadPrevious(key, value)) lines.insert(lines.begin(), key + ": " + value);
        carried = CarriedRecords(lines, newFiles);
      } catch (const std::exception&) {
        // Unreadable: nothing to carry over; it is kept all the same.
      }
      std::string why;
      if (!BackUpExisting(logName, why)) throw Exception("\"" + logName + "\": " + why);
    }
    LogFile = std::make_unique<TLogFile>(logName, true);
  } catch (const std::exception& e) {
    // Nothing may stay behind: take away what was made for the log, and let
    // the user choose another place.
    LogFile.reset();
    if (!logExisted) Platform().DeleteFileAt(logName);
    RestoreBackups();
    if (!created.empty()) UndoLogRecord("Directory", created + ";" + InstallDir);
    ShowMessage("The installation directory \"" + InstallDir + "\" cannot be used:\r\r" + e.what() +
                    "\r\rPlease choose another location.",
                "Error", mb::OK | mb::IconExclamation);
    InstallDir.clear();
    w.btnNext.Show();
    stageRunning_ = false;
    return;
  }
  MadeByRun(logName);
  try {
    LogFile->AddTitle(ProductTitle);
    LogFile->CarryRecords(carried);
    if (!created.empty()) LogFile->AddDirectory(InstallDir, created);
    LogFile->AddFile(logName);

    if (ScriptReader->SectionExists("directories")) {
      for (const std::string& line : SectionLines("directories")) {
        std::string base, sub;
        ScriptReader->SplitValue(line, base, sub);
        std::string dir = AddTrailingBackslash(AddTrailingBackslash(InstallDir) + base) + sub;
        LogFile->AddDirectory(dir, sub);
        Platform().ForceDirectories(dir);
      }
    }
  } catch (const EInOutError& e) {
    StopRun(LogErrorMessage(e));
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
  if (Aborting || RunStopped()) return;

  for (size_t i = 0; i < files.size(); ++i) {
    std::string entry, target;
    ScriptReader->SplitValue(files[i], entry, target);
    w.lblInstallingFile.SetCaption("Extracting " + target + "...");
    PumpFrame();
    if (Aborting || RunStopped()) return;

    std::string file = AddTrailingBackslash(InstallDir) + target;
    std::string why;
    try {
      CreateDirectoryChain(DirectoryPart(RemoveDoubleBackslashes(file)));
      // A file that cannot be replaced is an error, never passed over.
      if (!BackUpExisting(file, why)) {
        StopRun("An error occurred while installing the file: \"" + file + "\".\r\r" + why +
                "\r\rThe installation cannot proceed.");
        return;
      }
      LogFile->AddFile(file);  // before the file exists, so a cut-short file is removed too
      MadeByRun(file);
    } catch (const EInOutError& e) {
      StopRun(LogErrorMessage(e));
      return;
    }

    bool failed = false;
    try {
      Extracting = true;
      PackageReader->ExtractToFile(entry, file);
      Extracting = false;
    } catch (const std::exception&) {
      Extracting = false;
      failed = true;
    }
    // A cancel (or a confirmed close) while the file was being unpacked:
    // the reader has stopped, now roll back.
    if (Aborting) {
      CancelInstallation();
      return;
    }
    if (RunStopped()) return;
    if (failed) {
      StopRun("An error occurred while installing the file: \"" + file +
              "\".\r\rThe installation cannot proceed.");
      return;
    }
    w.prgTotal.SetPosition(static_cast<int>(i) + 1);
    PumpFrame();
    if (Aborting || RunStopped()) return;
  }

  try {
    LogFile->Flush();
  } catch (const EInOutError& e) {
    StopRun(LogErrorMessage(e));
    return;
  }
  stageRunning_ = false;
  NextPage();
}

void TMainForm::FileProgress(TCompressionManager* sender, int32_t position, int32_t total) {
  wizard_->prgFile.SetMax(total);
  wizard_->prgFile.SetPosition(position);
  PumpFrame();
  // The main window closed meanwhile: stop this file after its current step.
  if (RunStopped() && sender) sender->SetCancel(true);
}

void TMainForm::CreateDirectoryChain(const std::string& path) {
  std::string rest = RemoveDoubleBackslashes(path), built;
  while (!rest.empty()) {
    size_t p = rest.find('\\');
    std::string part = p == std::string::npos ? rest : rest.substr(0, p + 1);
    rest.erase(0, part.size());
    built += part;
    // Each folder is looked at once per run: most files share theirs.
    auto known = std::lower_bound(knownDirs_.begin(), knownDirs_.end(), built);
    if (known != knownDirs_.end() && *known == built) continue;
    if (!Platform().DirectoryExists(built)) {
      if (LogFile) LogFile->AddDirectory(built, part);
      Platform().ForceDirectories(built);
    }
    knownDirs_.insert(known, built);
  }
}

void TMainForm::MakeShortcuts(const std::string& section, const std::string& folder) {
  for (const std::string& line : SectionLines(section.c_str())) {
    std::string name, target, createdFile;
    ScriptReader->SplitValue(line, name, target);
    std::string linkBase = AddTrailingBackslash(folder) + name;
    // Logged before it exists; raises when the record cannot be written.
    if (LogFile) LogFile->AddFile(linkBase + (IsURL(target) ? ".URL" : ".LNK"));
    try {
      if (IsURL(target))
        CreateShortcut(linkBase, target, "", "", 1, createdFile);
      else
        CreateShortcut(linkBase, AddTrailingBackslash(InstallDir) + target,
                       AddTrailingBackslash(InstallDir), "", 1, createdFile);
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

  std::string group;
  ScriptReader->GetValue("program group", group);
  try {
    std::string groupDir = GetProgramsFolder(AllUsers) + "\\" + group;
    LogFile->AddDirectory(groupDir, group);
    CreateProgramGroup(group, AllUsers);
    MakeShortcuts("group icons", groupDir);
    LogFile->Flush();
  } catch (const EInOutError& e) {
    StopRun(LogErrorMessage(e));
    return;
  }
  // Everything of the new installation is in place and logged: the old files
  // are no longer needed. The registration follows, and no rollback after it.
  DiscardBackups();

  Register();

  if (ScriptReader->SectionExists("run and wait")) {
    for (const std::string& line : SectionLines("run and wait")) {
      w.lblCompleting.SetCaption("Running external program " + line + "...");
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
  RunLogLine(std::string("Desktop icons: ") + (w.chkDesktopIcon.Checked() ? "yes" : "no"));
  if (w.chkDesktopIcon.Checked()) {
    try {
      MakeShortcuts("desktop icons", GetDesktopFolder(AllUsers));
      if (LogFile) LogFile->Flush();
    } catch (const EInOutError& e) {
      // The installation is complete and registered; only the icons are missing.
      ShowMessage(LogErrorMessage(e), "Error", mb::OK | mb::IconExclamation);
    }
  }
  CloseConfirmed = true;
  if (w.chkLaunchNow.Checked()) {
    std::string program;
    ScriptReader->GetValue("launch", program);
    std::string file = AddTrailingBackslash(InstallDir) + program;
    RunLogLine("Program started: " + file);
    // As the signed-in user where the desktop shell takes it, not elevated.
    if (!Platform().ShellOpenAsUser(file, "", InstallDir, 1))
      Platform().ShellOpen(file, "", InstallDir, 1);
  }
  Close();
}
