// A reinstallation replaces the files of the one before it. Until the run has
// succeeded the old files wait beside the new ones, so that a rollback puts
// back exactly what was there; the old log's records are carried into the
// new log, so that the uninstaller still removes what only the old one had.
#include <algorithm>
#include <exception>
#include <set>

#include "common/RunLog.h"
#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "uninstall_log/UninstallLog.h"

namespace {

// Windows paths name one file whatever the letter case.
std::string PathKey(const std::string& path) {
  std::string s = path;
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool IsRecord(const std::string& line) {
  if (line.empty() || line[0] == '#') return false;
  for (unsigned char c : line)
    if (c > 0x20) return true;
  return false;
}

}  // namespace

bool InsertSorted(std::vector<std::string>& list, const std::string& key) {
  auto at = std::lower_bound(list.begin(), list.end(), key);
  if (at != list.end() && *at == key) return false;
  list.insert(at, key);
  return true;
}

std::vector<std::string> CarriedRecords(const std::vector<std::string>& oldLines,
                                        const std::vector<std::string>& newFiles,
                                        std::vector<std::string>* superseded) {
  std::set<std::string> seen;     // as many as the two logs have records
  std::set<std::string> written;  // filled alike: a copy would link a second set's code
  for (const std::string& f : newFiles) {
    seen.insert(Concat({"file:", PathKey(f)}));
    written.insert(Concat({"file:", PathKey(f)}));
  }
  std::vector<std::string> carried;
  for (const std::string& line : oldLines) {
    if (!IsRecord(line)) continue;
    std::string key, value;
    SplitRecord(line, key, value);
    // The new log names its own product, scope and language; backups it has put away for good.
    if (key == "Title" || key == "Product" || key == "Scope" || key == "Language" ||
        key == "Backup")
      continue;
    // Otherwise the older content would replace the new file at the restart.
    std::string file, pending;
    if (key == "Replace" && SplitReplace(value, file, pending) &&
        written.count(Concat({"file:", PathKey(file)}))) {
      if (superseded) superseded->push_back(pending);
      continue;
    }
    // Kept in its first place: the oldest copy is undone last, after
    // everything that may lie inside what it names.
    if (!seen.insert(PathKey(Concat({key, ":", value}))).second) continue;
    carried.push_back(line);
  }
  return carried;
}

std::vector<std::string> OldLogLines(const std::string& logName) {
  TLogFile old(logName, false);
  std::vector<std::string> lines;
  std::string key, value, file, backup;
  while (old.ReadPrevious(key, value)) {
    // A backup that a run could not take away after it had succeeded is an
    // ordinary leftover file now.
    if (key == "Backup" && SplitBackup(value, file, backup) && Platform().FileExists(backup))
      lines.push_back(Concat({"File: ", backup}));
    lines.push_back(Concat({key, ": ", value}));
  }
  std::reverse(lines.begin(), lines.end());
  return lines;
}

bool TMainForm::BackUpExisting(const std::string& file, TText& why) {
  TPlatform& p = Platform();
  fileInUse_ = false;
  if (!p.FileExists(file) || madeByRun_.count(PathKey(file)) != 0) return true;
  if (p.FileReadOnly(file)) {
    why = TText::FileReadOnly;
    return false;
  }
  std::string backup = Concat({file, ".bwbackup"});
  for (int n = 1; p.FileExists(backup) || p.DirectoryExists(backup); ++n)
    backup = Concat({file, ".bwbackup", DecimalText(n)});
  // On the disk before the rename: a run cut short in between still knows
  // where the old file went.
  if (LogFile) LogFile->AddBackup(file, backup);
  if (!p.MoveFileTo(file, backup)) {
    fileInUse_ = true;
    why = TText::FileInUse;
    return false;
  }
  backups_.emplace_back(file, backup);
  RunLogLine(Concat({"Kept for a rollback: ", file, " as ", backup}));
  return true;
}

void TMainForm::MadeByRun(const std::string& file) { madeByRun_.insert(PathKey(file)); }

void TMainForm::RestoreBackups() {
  TPlatform& p = Platform();
  for (auto it = backups_.rbegin(); it != backups_.rend(); ++it) {
    // What the run left in its place was removed by the rollback; a move
    // replaces whatever could not be.
    if (!p.MoveFileTo(it->second, it->first))
      RunLogError(Concat({"Cannot put back ", it->first}), Concat({"it stays as ", it->second}));
  }
  backups_.clear();
  madeByRun_.clear();
}

bool TMainForm::CommitLog() {
  try {
    LogFile->MoveTo(InstallPath("uninstall.log"));
  } catch (const EInOutError& e) {
    StopRunLogFailed(e);
    return false;
  }
  committed_ = true;
  try {
    LogFile->Reopen();
  } catch (const EInOutError&) {
    // The log is complete; only later records (desktop icons) cannot follow.
  }
  return true;
}

void TMainForm::DiscardBackups() {
  TPlatform& p = Platform();
  for (const auto& [file, backup] : backups_) {
    if (p.DeleteFileAt(backup)) continue;
    // A program that was running from the old file keeps it; the
    // uninstaller removes it later.
    try {
      if (LogFile) LogFile->AddFile(backup);
    } catch (const std::exception&) {
      // The installation itself is complete; only this leftover goes unlogged.
    }
  }
  backups_.clear();
  madeByRun_.clear();
}

void TMainForm::StopRun(const std::string& shown, const std::string& logged) {
  installFailed_ = true;
  ShowText(shown, logged, TText::ErrorCaption, mb::OK | mb::IconExclamation);
  try {
    RollbackInstallation();
  } catch (const std::exception&) {
    // The program ends either way; what is left stays in the log on disk.
  }
  Aborting = true;
  Platform().Terminate();
}
