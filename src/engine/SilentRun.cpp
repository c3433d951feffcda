// The unattended installation (/S): the wizard's own page sequence, driven
// without views, with the answers the wizard would default to; and the exit
// code of a run.
#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "ui/WizardFormUnit.h"

namespace {

// Why a path is no full path the system can create ("X:\\..." or
// "\\\\server\\share\\...", without the characters no file name may hold);
// empty when it is one.
std::string UnusableBecause(const std::string& path) {
  bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  bool unc = path.size() > 2 && path[0] == '\\' && path[1] == '\\';
  if (!drive && !unc) return "it is not a full path (such as C:\\Programs\\Product)";
  for (size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if ((c == ':' && i != 1) || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' ||
        c == '*' || static_cast<unsigned char>(c) < 32)
      return Concat({"it holds the character '", std::string_view(&c, 1),
                     "', which no folder name may hold"});
  }
  return {};
}

}  // namespace

int TMainForm::ExitCode() const {
  if (installFailed_) return ExitFailed;
  // On the last page everything is installed and registered; closing it
  // only forgoes the desktop icons and the launch.
  if (PageIndex == 5) return ExitInstalled;
  return ExitCancelled;
}

int TMainForm::ShowMessage(const std::string& text, const char* caption, unsigned flags) {
  // Each box the engine shows reports something that went wrong.
  RunLogError(text);
  if (!silent_) return Platform().MessageBox(text, caption, flags);
  return (flags & 0xF) == mb::YesNo ? mb::IdNo : mb::IdOk;
}

int TMainForm::RunSilent(const std::string& targetDir) {
  silent_ = true;
  TWizardForm& w = *wizard_;
  if (!targetDir.empty()) w.edtLocation.SetText(targetDir);
  // Whoever starts /S has accepted the licence and chosen the defaults; only
  // the program to launch stays unstarted, since nobody is there to use it.
  w.chkLaunchNow.SetChecked(false);
  const std::string& target = w.edtLocation.Text();  // the run does not change it

  std::string why = UnusableBecause(target);
  if (!why.empty()) {
    RunLogError(Concat({"The folder \"", target, "\" cannot be used"}), why);
    return ExitTargetUnusable;
  }
  w.UpdateDiskSpace();
  if (InstallSize > FreeSpace) {
    bool known = FreeSpace >= 0;
    RunLogError(Concat({"Too little disk space for \"", target, "\""}),
                Concat({KiBText(InstallSize), " needed, ",
                        known ? KiBText(FreeSpace) : "free space unknown", known ? " available" : ""}));
    return ExitTargetUnusable;
  }

  while (PageIndex < 2) NextPage();
  NextPage();  // both stages; they end on the last page
  if (installFailed_) return ExitFailed;
  // Still on the location page: the folder could not hold the uninstall log.
  if (PageIndex == 2) return ExitTargetUnusable;
  if (PageIndex != 5) return ExitFailed;
  NextPage();  // Finish
  return ExitCode();
}
