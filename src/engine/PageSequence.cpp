// The wizard's page sequence: which page follows, and the buttons of each.
#include "common/RunLog.h"
#include "engine/MainFormUnit.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "script/infreader.h"
#include "shell/ShellInstallLib.h"
#include "ui/WizardFormUnit.h"

namespace {
// The licence page, or false when the script has none.
bool ShowLicense(TWizardForm& w) {
  if (!ScriptHas("license")) return false;
  w.btnNext.SetCaption("&Yes");
  w.btnPrevious.SetCaption("&No");
  w.btnPrint.Show();
  w.WizardPages.SetActivePageIndex(1);
  return true;
}
}  // namespace

void TMainForm::NextPage() {
  if (!wizard_) return;
  TWizardForm& w = *wizard_;
  switch (PageIndex) {
    case 0:
      if (!DowngradeConfirmed()) {
        downgradeRefused_ = true;
        CloseConfirmed = true;
        Close();
        return;
      }
      PageIndex = 1;
      w.btnPrevious.Show();
      if (!ShowLicense(w)) {
        PageIndex = 2;
        w.WizardPages.SetActivePageIndex(2);
      }
      break;
    case 1:
      w.WizardPages.SetActivePageIndex(2);
      PageIndex = 2;
      w.btnPrint.Hide();
      w.btnNext.SetCaption("&Next >>");
      w.btnPrevious.SetCaption("<< &Previous");
      w.SpaceTimer.SetEnabled(true);
      break;
    case 2: {
      // Nothing is checked or written without the rights the scope needs.
      if (InstallScope == AllUsers && !Platform().IsElevated()) {
        ElevateFromWizard();
        return;
      }
      w.SpaceTimer.SetEnabled(false);
      w.btnNext.Hide();
      if (InstallSize > FreeSpace) {
        ShowMessage(
            Concat({"There is insufficient disk space free on the selected drive to install ",
                    ProductTitle,
                    ".\r\rPlease select a different drive, or cancel the installation, free up "
                    "disk space, and restart this installation program."}),
            "Insufficient Disk Space", mb::OK | mb::IconInformation);
        w.btnNext.Show();
        return;
      }
      std::string folder = w.edtLocation.Text();
      std::string why = TargetUnusableBecause(folder);
      if (!why.empty()) {
        ShowMessage(Concat({"The installation directory \"", folder, "\" cannot be used: ", why,
                            ".\r\rPlease choose another location."}),
                    "Error", mb::OK | mb::IconExclamation);
        w.btnNext.Show();
        w.SpaceTimer.SetEnabled(true);
        return;
      }
      w.edtLocation.SetText(folder);
      RunLogLine(Concat({"Installing into: ", w.edtLocation.Text()}));
      InstallFirstStage();
      break;
    }
    case 3:
    case 4:
      // Next stays visible while a stage works, but the stages advance by
      // themselves: a click in the middle of one must not start the next.
      if (stageRunning_) return;
      if (PageIndex == 3) {
        InstallSecondStage();
      } else {
        w.WizardPages.SetActivePageIndex(5);
        w.btnFinish.Show();
        w.btnNext.Hide();
        w.btnPrevious.Hide();
        w.btnCancel.Hide();
        if (restartNeeded_) OfferRestart();
        PageIndex = 5;
      }
      break;
    case 5:
      FinalStep();
      break;
    default:
      break;
  }
}

void TMainForm::PreviousPage() {
  if (!wizard_) return;
  TWizardForm& w = *wizard_;
  switch (PageIndex) {
    case 1: {
      int answer = Platform().MessageBox(
          Concat({"If you do not agree to the license and disclaimer, you may not install ",
                  ProductTitle, ".\r\rAre you sure you wish to cancel installing ", ProductTitle,
                  "?"}),
          "Cancel Installation", mb::YesNo | mb::IconQuestion);
      if (answer == mb::IdYes) {
        CloseConfirmed = true;
        Close();
      }
      break;
    }
    case 2:
      PageIndex = 1;
      w.SpaceTimer.SetEnabled(false);
      if (!ShowLicense(w)) {
        w.btnPrevious.Hide();
        PageIndex = 0;
        w.WizardPages.SetActivePageIndex(0);
      }
      break;
    default:
      break;
  }
}
