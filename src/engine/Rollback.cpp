// Cancellation and rollback: undo every logged item, newest first.
#include <exception>

#include "common/CompressionManager.h"
#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"
#include "ui/WizardFormUnit.h"
#include "uninstall_log/UninstallLog.h"

void TMainForm::CancelInstallation() {
  TWizardForm& w = *wizard_;
  w.btnCancel.SetEnabled(false);
  w.btnNext.SetEnabled(false);
  w.btnFinish.SetEnabled(false);
  w.btnPrevious.SetEnabled(false);
  Aborting = true;
  if (Extracting) {
    // The reader stops after its current step; the run then comes back here.
    if (PackageReader) PackageReader->SetCancel(true);
    return;
  }
  try {
    RollbackInstallation();
  } catch (const std::exception&) {
    // The program ends all the same.
  }
  Platform().Terminate();
}

void TMainForm::RollbackInstallation() {
  // The rollback holds the log itself while it works, so that the main
  // window closing during one of its pumps cannot take the records away
  // half-way; the window gets it back afterwards to release.
  std::unique_ptr<TLogFile> log = std::move(LogFile);
  if (!log) {
    RestoreBackups();
    return;
  }
  try {
    log->CloseFile();  // the log itself is among what goes
  } catch (const std::exception&) {
    // Its records are in memory; the file is removed all the same.
  }
  const std::string journal = log->FileName();
  TWizardForm& w = *wizard_;
  w.prgTotal.SetMin(0);
  w.prgTotal.SetMax(log->LineCount());
  w.prgTotal.SetPosition(log->LineCount());
  w.prgFile.SetMax(1);
  w.prgFile.SetPosition(1);
  Pump();
  std::string key, value;
  std::vector<std::string> directories;
  while (log->ReadPrevious(key, value)) {
    w.lblTotalProgress.SetCaption(Tr(TText::CancellingInstallation));
    w.lblInstallingFile.SetCaption(Tr(TText::RemovingFile, {value}));
    w.prgFile.SetPosition(1);
    PumpFrame();
    RemoveLoggedItem(key, value);
    if (key == "Directory") directories.push_back(value);
    w.prgFile.SetPosition(0);
    w.prgTotal.SetPosition(w.prgTotal.Position() - 1);
    PumpFrame();
  }
  RestoreBackups();
  if (!committed_ && Platform().DeleteFileAt(journal))
    for (const std::string& d : directories) UndoLogRecord("Directory", d);  // empty only now
  if (!closed_) LogFile = std::move(log);
}

void TMainForm::RemoveLoggedItem(const std::string& key, const std::string& value) {
  // Backups come back afterwards, all together; the log itself is the
  // earlier installation's until the run has succeeded.
  if (key == "Backup") return;
  // Only the new file goes: the one it was to replace stays the installed one.
  if (key == "Replace") {
    std::string file, pending;
    if (SplitReplace(value, file, pending)) {
      Platform().CancelMoveAtRestart(pending);
      Platform().DeleteFileAt(pending);
    }
    return;
  }
  if (key == "File" && !committed_ && SameName(value, InstallPath("uninstall.log"))) return;
  UndoLogRecord(key, value);
}
