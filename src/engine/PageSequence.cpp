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
  w.btnNext.SetCaption(Tr(TText::YesButton));
  w.btnPrevious.SetCaption(Tr(TText::NoButton));
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
      w.btnNext.SetCaption(Tr(TText::NextButton));
      w.btnPrevious.SetCaption(Tr(TText::PreviousButton));
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
        ShowMessage(TText::InsufficientSpaceMessage, {ProductTitle},
                    TText::InsufficientSpaceCaption, mb::OK | mb::IconInformation);
        w.btnNext.Show();
        return;
      }
      std::string folder = w.edtLocation.Text();
      std::string why = TargetUnusableBecause(folder);
      if (!why.empty()) {
        ShowText(Tr(TText::FolderUnusableMessage, {folder, ShownReason(why)}),
                 TrEnglish(TText::FolderUnusableMessage, {folder, why}), TText::ErrorCaption,
                 mb::OK | mb::IconExclamation);
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
      int answer =
          Platform().MessageBox(Tr(TText::LicenseCancelQuestion, {ProductTitle}),
                                Tr(TText::CancelInstallationCaption), mb::YesNo | mb::IconQuestion);
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
