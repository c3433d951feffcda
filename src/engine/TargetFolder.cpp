// The installation folder: its one canonical form, and whether this product
// may be installed there, checked before anything is written; and the
// folders the directory chooser makes.
#include <exception>

#include "common/Errors.h"
#include "engine/MainFormUnit.h"
#include "lang/Texts.h"
#include "platform/Concat.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"
#include "shell/ShellInstallLib.h"
#include "ui/WizardFormUnit.h"
#include "uninstall_log/UninstallLog.h"

namespace {

bool InsideProgramFiles(const std::string& dir) {
  for (const char* value : {"ProgramFilesDir", "ProgramFilesDir (x86)"}) {
    std::string programFiles;
    try {
      programFiles = ReadRegistryString(TRegRoot::LocalMachine,
                                        "Software\\Microsoft\\Windows\\CurrentVersion", value);
    } catch (const ERegistryException&) {
      continue;  // no folder we can tell: protect as anywhere else
    }
    if (!programFiles.empty() && PathIsInside(dir, programFiles)) return true;
  }
  return false;
}

// The log that owns the folder: its title and identity; false when there is
// none that can be read.
bool FolderOwner(const std::string& folder, std::string& title, std::string& identity) {
  std::string log = Concat({folder, "\\uninstall.log"});
  for (const std::string& name : {log, JournalName(log)}) {
    if (!Platform().FileExists(name)) continue;
    try {
      TLogFile owner(name, false);
      title = owner.Title();
      identity = owner.Identity();
      if (!identity.empty()) return true;
    } catch (const std::exception&) {
      // Unreadable: it cannot tell whose it is.
    }
  }
  return false;
}

}  // namespace

// Folders this run created outside Program Files get its protection, top
// level first, before anything goes into them: otherwise they inherit what
// their parent allows (on a drive's root, "Authenticated Users: modify"), and
// the elevated uninstaller would later act on what others could change.
void ProtectNewFolders(const std::string& installDir, const std::string& created) {
  // The user's own folders keep what they inherit: the user owns them.
  if (created.empty() || InstallScope == CurrentUser || InsideProgramFiles(installDir)) return;
  std::vector<std::string> levels = {installDir};
  for (size_t i = created.find('\\'); i != std::string::npos; i = created.find('\\', i + 1))
    levels.push_back(ParentPath(levels.back()));
  for (auto level = levels.rbegin(); level != levels.rend(); ++level)
    if (!Platform().ProtectFolder(*level))
      throw Exception("Its permissions cannot be limited to administrators.");
}

std::string ShownReason(const std::string& why) {
  return Translated(
      why, {TText::ReasonShareUnreachable, TText::ReasonNoDrive, TText::ReasonOtherProduct,
            TText::ReasonOthersCanWrite, TText::ReasonDevicePath, TText::ReasonNetworkNeedsShare,
            TText::ReasonNotFullPath, TText::ReasonAboveRoot, TText::ReasonBadChar,
            TText::ReasonDotsOnly, TText::ReasonDeviceName, TText::ReasonRoot});
}

std::string TMainForm::TargetUnusableBecause(std::string& folder) {
  TPlatform& p = Platform();
  std::string canonical;
  std::string why = CanonicalFolder(folder, canonical);
  if (!why.empty()) return why;
  canonical = p.LongPathName(canonical);
  folder = canonical;
  std::string root = canonical.substr(0, RootLength(canonical));
  if (!p.DirectoryExists(root))
    return root.starts_with("\\\\")
               ? Concat({"the network share ", ParentPath(root), " cannot be reached"})
               : Concat({"the drive ", root.substr(0, 2), " does not exist"});
  if (!p.DirectoryExists(canonical)) return {};  // made, and protected, by the run

  std::string title, identity;
  if (FolderOwner(canonical, title, identity) && !SameName(identity, ProductId))
    return Concat(
        {"it holds the installation of another product, ", title.empty() ? identity : title});
  // The elevated run would write into, and start programs from, a folder
  // that others could change under it. A run for the user alone crosses no
  // such boundary: the folder is the user's own.
  if (InstallScope == AllUsers && p.OthersCanWrite(canonical))
    return "users who are not administrators can change what is in it, so the programs "
           "installed there could be replaced";
  RollBackInterruptedRun(canonical);
  return {};
}

void TMainForm::RecoverInterruptedRuns() {
  std::string registered;
  try {
    registered = ReadRegistryString(RegistryRootOf(InstallScope), Concat({UninstallKey, ProductId}),
                                    "InstallLocation");
  } catch (const ERegistryException&) {
  }
  // Checking a folder undoes a run cut short there, when it is ours.
  for (std::string folder : {registered, std::string(wizard_->edtLocation.Text())})
    if (!folder.empty()) TargetUnusableBecause(folder);
}

void TMainForm::AdoptChooserFolders(const std::vector<std::string>& made) {
  // The same protection as the run's own new folders, at once: the chosen
  // folder must not be open to others between now and the installation.
  for (size_t i = 0; i < made.size(); ++i) {
    try {
      if (InstallScope == AllUsers && !InsideProgramFiles(made[i]) &&
          !Platform().ProtectFolder(made[i]))
        throw Exception("not protected");
    } catch (const std::exception&) {
      // Unprotected, they are of no use: they go again, deepest first.
      for (size_t k = made.size(); k > i; --k) Platform().RemoveDir(made[k - 1]);
      return;
    }
    chooserDirs_.push_back(made[i]);
  }
}

std::string TMainForm::WithChooserLevels(const std::string& created) const {
  // The levels above what is missing that the chooser made count as made by
  // the run: they are recorded, and go again with the installation.
  std::string result = created;
  std::string dir = InstallDir.substr(0, InstallDir.size() - created.size());
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  for (;;) {
    bool made = false;
    for (const std::string& c : chooserDirs_) made = made || SameName(c, dir);
    if (!made) return result;
    std::string parent = ParentPath(dir);
    std::string level = dir.substr(parent.size() + 1);
    result = result.empty() ? level : Concat({level, "\\", result});
    dir = parent;
  }
}

void TMainForm::DropUnusedChooserFolders() {
  // Deepest first; a folder that is used, or not empty, stays.
  for (auto it = chooserDirs_.rbegin(); it != chooserDirs_.rend(); ++it)
    if (!PathIsInside(InstallDir, *it)) Platform().RemoveDir(*it);
  chooserDirs_.clear();
}
