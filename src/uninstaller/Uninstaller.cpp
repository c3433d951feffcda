#include "uninstaller/Uninstaller.h"

#include <memory>
#include <set>

#include "common/Errors.h"
#include "lang/LanguageChoice.h"
#include "lang/Texts.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "shell/ProductLock.h"
#include "shell/ShellInstallLib.h"
#include "uninstall_log/UninstallLog.h"
#include "uninstaller/RemovalGuard.h"

namespace {

// A long list would make a message box taller than the screen.
const size_t MaxListed = 20;

// Letter case folded as Windows compares names, in any language.
std::string NormalPath(const std::string& path) {
  std::string s = FoldCase(path);
  for (char& c : s)
    if (c == '/') c = '\\';
  s = RemoveDoubleBackslashes(s);
  if (s.size() > 1 && s.back() == '\\') s.pop_back();
  return s;
}

bool IsBlank(const std::string& s) {
  for (unsigned char c : s)
    if (c > 0x20) return false;
  return true;
}

std::string DisplayName(const std::string& title) { return title.empty() ? "product" : title; }

// The file an uninstall command starts: the quoted part, or the whole text.
std::string CommandFile(const std::string& command) {
  if (!command.empty() && command[0] == '"') {
    size_t close = command.find('"', 1);
    return command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return command;
}

// A shell folder that cannot be read allows nothing in it.
std::string ShellFolderOrNone(std::string (*folder)(int scope), int scope) {
  try {
    return folder(scope);
  } catch (const ERegistryException&) {
    return {};
  }
}

bool Exists(TPlatform& p, const std::string& path) {
  return p.FileExists(path) || p.DirectoryExists(path);
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) { return NormalPath(a) == NormalPath(b); }

void SplitSelfHeld(const std::vector<std::string>& leftOver, const std::string& self,
                   std::vector<std::string>& stays, std::vector<std::string>& selfHeld) {
  stays.clear();
  selfHeld.clear();
  bool selfStays = false;
  for (const std::string& item : leftOver)
    if (SamePath(item, self)) selfStays = true;
  std::string normalSelf = NormalPath(self);
  for (const std::string& item : leftOver) {
    std::string folder = NormalPath(item) + "\\";
    bool above = normalSelf.compare(0, folder.size(), folder) == 0;
    if (selfStays && (SamePath(item, self) || above))
      selfHeld.push_back(item);
    else
      stays.push_back(item);
  }
}

TUninstaller::TUninstaller(const std::string& logFileName) {
  TPlatform& p = Platform();
  FInstallDir = ParentPath(logFileName);
  if (p.FileExists(JournalName(logFileName))) FJournal = JournalName(logFileName);
  // Without either, the log's reader raises "Uninstall log file not found.".
  bool haveLog = FJournal.empty() || p.FileExists(logFileName);
  std::string key, value;
  for (const std::string& name : {FJournal, haveLog ? logFileName : std::string()}) {
    if (name.empty()) continue;
    TLogFile log(name, false);
    // The installed product's title, when there is a log: the journal's run
    // never finished.
    FTitle = log.Title();
    FIdentity = log.Identity();
    FPerUser = log.PerUser();
    FLanguage = log.Language();
    while (log.ReadPrevious(key, value)) FRecords.emplace_back(key, value);
  }
}

std::string TUninstaller::RegistrationKey() const {
  // A blank title, or one with an empty component, would name the Uninstall
  // key itself or a stranger's sibling: no key at all is the safe answer.
  if (IsBlank(FIdentity)) return {};
  size_t start = 0;
  for (;;) {
    size_t sep = FIdentity.find('\\', start);
    std::string part =
        FIdentity.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
    if (IsBlank(part)) return {};
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
  return UninstallKey + FIdentity;
}

// Another installation of a product with the same title may have taken the
// key over since; its registration names an uninstaller that this log does
// not know, and is left alone.
bool TUninstaller::RegistrationIsOurs(const std::string& key) const {
  std::string command;
  try {
    command = Platform().RegReadString(RegistryRootOf(Scope()), key, "UninstallString");
  } catch (const ERegistryException&) {
    return false;  // not a string: not written by our installer
  }
  std::string file = CommandFile(command);
  if (IsBlank(file)) return true;  // a registration cut short after its first value
  if (!SelfPath.empty() && SamePath(file, SelfPath)) return true;
  for (const auto& [k, v] : FRecords)
    if (k == "File" && SamePath(file, v)) return true;
  return false;
}

bool TUninstaller::RemoveRegistration() {
  std::string key = RegistrationKey();
  if (key.empty() || !RegistrationIsOurs(key)) return true;
  TPlatform& p = Platform();
  TRegRoot root = RegistryRootOf(Scope());
  p.RegDeleteTree(root, key);
  bool stays;
  try {
    stays = !p.RegReadString(root, key, "DisplayName").empty() ||
            !p.RegReadString(root, key, "UninstallString").empty();
  } catch (const ERegistryException&) {
    stays = true;
  }
  return !stays;
}

void TUninstaller::Run() {
  TPlatform& p = Platform();
  FLeftOver.clear();
  // The installation's own scope names the Start menu and desktop it used.
  TRemovalGuard guard(FInstallDir, FRecords, ShellFolderOrNone(GetProgramsFolder, Scope()),
                      ShellFolderOrNone(GetDesktopFolder, Scope()));
  auto mayRemove = [&guard](const std::string& path, bool directory) {
    return guard.MayRemove(path, directory);
  };
  CloseAppsUsingFiles(guard);
  std::vector<std::string> candidates;
  const int total = static_cast<int>(FRecords.size()) + 1;
  int done = 0;
  for (const auto& [key, value] : FRecords) {
    if (OnProgress) {
      size_t semicolon = value.find(';');
      bool directory = key == "Directory" && semicolon != std::string::npos;
      OnProgress(done, total, directory ? value.substr(semicolon + 1) : value);
    }
    if (key == "File" && OnRemoveSelf && !SelfPath.empty() && SamePath(value, SelfPath)) {
      if (!guard.MayRemove(value, false) || !OnRemoveSelf(value)) candidates.push_back(value);
    } else {
      UndoLogRecord(key, value, &candidates, mayRemove);
      // The file a replacement was waiting for goes as well.
      std::string file, pending;
      if (key == "Replace" && SplitReplace(value, file, pending))
        UndoLogRecord("File", file, &candidates, mayRemove);
    }
    ++done;
  }

  if (!FJournal.empty() && guard.MayRemove(FJournal, false)) p.DeleteFileAt(FJournal);
  std::string key = RegistrationKey();
  if (OnProgress && !key.empty()) OnProgress(done, total, RegistryRootName(Scope()) + key);
  bool unregistered = RemoveRegistration();

  // The installation folder itself goes when nothing is left in it, even if
  // it existed before (the directory chooser creates the folder it returns).
  if (!FInstallDir.empty() && p.DirectoryExists(FInstallDir) && guard.MayRemove(FInstallDir, true))
    p.RemoveDir(FInstallDir);

  // Something removed later can free a folder reported earlier, so what stays
  // is judged at the end.
  std::set<std::string> seen;  // one look-up per item, however many stay
  for (size_t i = 0; i < candidates.size(); ++i) {
    const std::string& item = candidates[i];
    // The progress window keeps answering while a long list is judged.
    if (OnProgress && i % 256 == 255) OnProgress(total - 1, total, std::string());
    if (Exists(p, item) && seen.insert(NormalPath(item)).second) FLeftOver.push_back(item);
  }
  DeleteAtRestart(guard);
  if (!unregistered) FLeftOver.push_back(RegistryRootName(Scope()) + key);
  if (OnProgress) OnProgress(total, total, std::string());
}

// Programs that use the installation's files end first, so that the files
// can go now. Only what the guard lets go is named: a log cannot make the
// uninstaller close whatever uses some other file.
void TUninstaller::CloseAppsUsingFiles(const TRemovalGuard& guard) {
  TPlatform& p = Platform();
  std::vector<std::string> files;
  for (const auto& [key, value] : FRecords) {
    std::string file = value, pending;
    if (key == "Replace" ? !SplitReplace(value, file, pending) : key != "File") continue;
    // The running uninstaller is no program to close, nor is the desktop
    // shell that shows the shortcuts.
    if (!SamePath(file, SelfPath) && PathIsInside(file, FInstallDir) &&
        guard.MayRemove(file, false) && p.FileExists(file))
      files.push_back(file);
  }
  std::vector<TAppInUse> apps;
  if (!files.empty() && p.ListAppsUsing(files, apps) && !apps.empty()) p.CloseAppsInUse(false);
  p.EndAppsSession();
}

// What still stays because a program holds it is deleted at the next start:
// files, then the folders they keep. A folder that stays for another reason
// (files of the user's own) is left as it is.
void TUninstaller::DeleteAtRestart(const TRemovalGuard& guard) {
  TPlatform& p = Platform();
  FAtRestart.clear();
  std::vector<std::string> items = FLeftOver, stays;
  // The installation folder is no left-over of its own, but it goes too.
  bool listed = false;
  for (const std::string& item : items) listed = listed || SamePath(item, FInstallDir);
  if (!listed && !FInstallDir.empty() && p.DirectoryExists(FInstallDir))
    items.push_back(FInstallDir);
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    bool directory = p.DirectoryExists(item);
    bool held = !directory;
    for (const std::string& gone : FAtRestart) held = held || PathIsInside(gone, item);
    if (held && !SamePath(item, SelfPath) && guard.MayRemove(item, directory) &&
        p.MoveAtRestart(item, {}))
      FAtRestart.push_back(item);
    else if (i < FLeftOver.size())
      stays.push_back(item);
  }
  FLeftOver = stays;
}

std::string UninstallCaption(const std::string& title) {
  return Tr(TText::UninstallCaption, {DisplayName(title)});
}

std::string UninstallQuestion(const std::string& title) {
  return Tr(TText::UninstallQuestion, {DisplayName(title)});
}

std::string UninstallReport(const std::string& title, const std::vector<std::string>& leftOver,
                            bool atRestart) {
  std::string name = DisplayName(title);
  if (leftOver.empty())
    return Tr(atRestart ? TText::RemovedAtRestart : TText::UninstallDone, {name});
  std::string text = Tr(TText::UninstallPartly, {name});
  for (size_t i = 0; i < leftOver.size() && i < MaxListed; ++i) text += "\r" + leftOver[i];
  if (leftOver.size() > MaxListed)
    text += Tr(TText::UninstallMore, {std::to_string(leftOver.size() - MaxListed)});
  return text + Tr(TText::UninstallPartlyEnd);
}

std::string MissingLogMessage(const std::string& logFileName, const std::string& reason) {
  return reason + "\r\r" + logFileName + Tr(TText::MissingLogEnd);
}

std::string ElevationDeclinedMessage(const std::string& title) {
  return Tr(TText::UninstallElevationDeclined, {DisplayName(title)});
}

std::string UnsafeLogMessage(const std::string& path) {
  return Tr(TText::UnsafeLogMessage, {path});
}

void ChooseUninstallLanguage(const std::string& recorded) {
  // An installation made in English has no record, and stays English.
  if (recorded.empty()) {
    SetLanguage("en");
    return;
  }
  SetLanguage(ChooseLanguage(OfferedLanguages({recorded}), Platform().UserLanguages()));
}

TUninstallResult RunUninstaller(const std::string& exeName, bool silent,
                                const TUninstallHooks& hooks) {
  TPlatform& p = Platform();
  TUninstallResult result;
  std::string logFileName = AddTrailingBackslash(ParentPath(exeName)) + "uninstall.log";

  // Until the log tells the installation's language: the user's.
  SetLanguage(ChooseLanguage({}, p.UserLanguages()));
  std::unique_ptr<TUninstaller> uninstaller;
  try {
    uninstaller = std::make_unique<TUninstaller>(logFileName);
  } catch (const Exception& e) {
    if (!silent)
      p.MessageBox(MissingLogMessage(logFileName, e.what()), Tr(TText::UninstallTitle),
                   mb::OK | mb::IconExclamation);
    result.ExitCode = ExitNoLog;
    return result;
  }

  ChooseUninstallLanguage(uninstaller->Language());
  // A machine-wide installation is removed with an administrator's rights:
  // an elevated copy does it, and this one only passes its exit code on. A
  // user's own installation is removed as that user, never elevated.
  if (!uninstaller->PerUser() && !p.IsElevated()) {
    if (hooks.BeforeElevation) hooks.BeforeElevation();
    bool declined = false;
    int code = p.RunElevated(silent ? "/S" : "", declined);
    if (declined && !silent)
      p.MessageBox(ElevationDeclinedMessage(uninstaller->Title()), Tr(TText::UninstallTitle),
                   mb::OK | mb::IconInformation);
    result.ExitCode = declined ? ExitIncomplete : code;
    return result;
  }

  // The program runs elevated: a log that others could have edited, or a
  // folder where they could have swapped things, is not acted upon. For a
  // user's own installation there is no such boundary to keep: the user
  // could change all of it anyway.
  for (const std::string& path : {logFileName, uninstaller->Journal(), uninstaller->InstallDir()}) {
    if (uninstaller->PerUser()) break;
    if (path.empty() || !Exists(p, path) || !p.OthersCanWrite(path)) continue;
    if (!silent)
      p.MessageBox(UnsafeLogMessage(path), Tr(TText::UninstallTitle), mb::OK | mb::IconExclamation);
    result.ExitCode = ExitUnsafe;
    return result;
  }

  const std::string& title = uninstaller->Title();
  std::string caption = UninstallCaption(title);
  // An installer of the same product may be writing this very log.
  if (!LockProduct(uninstaller->Identity())) {
    if (!silent) p.MessageBox(AlreadyRunningMessage(title), caption, mb::OK | mb::IconInformation);
    result.ExitCode = ExitIncomplete;
    return result;
  }
  if (!silent &&
      p.MessageBox(UninstallQuestion(title), caption, mb::YesNo | mb::IconQuestion) != mb::IdYes) {
    result.ExitCode = ExitIncomplete;
    return result;
  }

  uninstaller->SelfPath = exeName;
  uninstaller->OnRemoveSelf = hooks.RemoveSelf;
  if (!silent) uninstaller->OnProgress = hooks.Progress;
  if (!silent && hooks.ShowProgress) hooks.ShowProgress(caption);
  uninstaller->Run();
  if (!silent && hooks.HideProgress) hooks.HideProgress();

  SplitSelfHeld(uninstaller->LeftOver(), exeName, result.LeftOver, result.SelfHeld);
  result.AtRestart = uninstaller->AtRestart();
  bool atRestart = !result.AtRestart.empty();
  result.ExitCode = !result.LeftOver.empty() ? ExitIncomplete
                    : atRestart              ? ExitRemovedAtRestart
                                             : ExitRemoved;
  if (!silent)
    p.MessageBox(UninstallReport(title, result.LeftOver, atRestart), caption,
                 mb::OK | (result.LeftOver.empty() ? mb::IconInformation : mb::IconExclamation));
  return result;
}
