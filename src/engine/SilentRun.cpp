// The unattended installation (/S): the wizard's own page sequence, driven
// without views, with the answers the wizard would default to; and the exit
// code of a run.
#include "common/RunLog.h"
#include "engine/ExitCodes.h"
#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "ui/WizardFormUnit.h"

int TMainForm::ExitCode() const {
  if (elevatedExitCode_ >= 0) return elevatedExitCode_;  // the elevated copy installed
  if (installFailed_) return ExitFailed;
  if (downgradeRefused_) return ExitDowngrade;
  // On the last page everything is installed and registered; closing it
  // only forgoes the desktop icons and the launch.
  if (PageIndex == 5) return restartNeeded_ ? ExitRestartNeeded : ExitInstalled;
  return ExitCancelled;
}

int TMainForm::ShowMessage(TText text, std::initializer_list<std::string_view> args, TText caption,
                           unsigned flags) {
  return ShowText(Tr(text, args), TrEnglish(text, args), caption, flags);
}

int TMainForm::ShowText(const std::string& shown, const std::string& logged, TText caption,
                        unsigned flags) {
  // Each box the engine shows reports something that went wrong.
  RunLogError(logged);
  if (!silent_) return Platform().MessageBox(shown, Tr(caption), flags);
  return (flags & 0xF) == mb::YesNo ? mb::IdNo : mb::IdOk;
}

int TMainForm::RunSilent(const std::string& targetDir) {
  silent_ = true;
  TWizardForm& w = *wizard_;
  // Nothing newer is replaced by an older version unless asked for.
  if (IsDowngrade() && !Upgrade.AllowDowngrade) {
    RunLogError(Concat({"A newer version is installed: ", installedVersion_}),
                "/ALLOWDOWNGRADE installs this one all the same");
    return ExitDowngrade;
  }
  if (!targetDir.empty()) w.edtLocation.SetText(targetDir);
  // Whoever starts /S has accepted the licence and chosen the defaults; only
  // the program to launch stays unstarted, since nobody is there to use it.
  w.chkLaunchNow.SetChecked(false);
  std::string target = w.edtLocation.Text();
  std::string why = TargetUnusableBecause(target);
  if (!why.empty()) {
    RunLogError(Concat({"The folder \"", target, "\" cannot be used"}), why);
    return ExitTargetUnusable;
  }
  w.edtLocation.SetText(target);  // canonical now; the run does not change it
  w.UpdateDiskSpace();
  if (InstallSize > FreeSpace) {
    bool known = FreeSpace >= 0;
    RunLogError(
        Concat({"Too little disk space for \"", target, "\""}),
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
