// A run that was cut short (the process ended, the power failed) leaves its
// journal beside the log. The installer started again undoes that run's own
// records, newest first, puts every backup back in place and removes the
// journal, so that the earlier installation and its log are as they were.
#include <exception>

#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"
#include "shell/ShellInstallLib.h"
#include "uninstall_log/UninstallLog.h"
#include "uninstaller/RemovalGuard.h"

namespace {

std::string FolderOrNone(std::string (*folder)(int scope), int scope) {
  try {
    return folder(scope);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

bool RollBackInterruptedRun(const std::string& folder) {
  TPlatform& p = Platform();
  std::string logName = Concat({folder, "\\uninstall.log"});
  std::string journal = JournalName(logName);
  if (!p.FileExists(journal)) return false;
  // The run's own records follow its title; what stands before it was
  // carried over from the earlier installation.
  std::vector<std::pair<std::string, std::string>> own;
  int scope = AllUsers;
  try {
    TLogFile log(journal, false);
    if (log.PerUser()) scope = CurrentUser;
    std::string key, value;
    while (log.ReadPrevious(key, value) && key != "Title") own.emplace_back(key, value);
  } catch (const std::exception&) {
    return false;  // unreadable: left for the uninstaller
  }
  // The journal only names things; what may go is decided as the
  // uninstaller decides it.
  TRemovalGuard guard(folder, own, FolderOrNone(GetProgramsFolder, scope),
                      FolderOrNone(GetDesktopFolder, scope));
  auto mayRemove = [&](const std::string& path, bool directory) {
    return !SameName(path, logName) && guard.MayRemove(path, directory);
  };
  for (const auto& [key, value] : own) {
    std::string file, backup;
    if (key == "Backup") {
      if (SplitBackup(value, file, backup) && mayRemove(file, false) && mayRemove(backup, false) &&
          p.FileExists(backup))
        p.MoveFileTo(backup, file);
    } else {
      UndoLogRecord(key, value, nullptr, mayRemove);
    }
  }
  p.DeleteFileAt(journal);
  // A folder the run made is empty only now that the journal has gone.
  for (const auto& [key, value] : own)
    if (key == "Directory") UndoLogRecord(key, value, nullptr, mayRemove);
  return true;
}
