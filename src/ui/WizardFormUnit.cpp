#include "ui/WizardFormUnit.h"

#include <exception>

#include "engine/EngineState.h"
#include "engine/MainFormUnit.h"
#include "lang/Texts.h"
#include "platform/Platform.h"
#include "shell/ShellInstallLib.h"
#include "ui/DirectorySelectForm.h"

namespace {
constexpr unsigned kQuestionFlags = mb::YesNo | mb::IconQuestion | mb::TaskModal;  // 8228
}  // namespace

TWizardForm::TWizardForm() noexcept {
  // The layout's own texts and states; start-up fills the rest.
  Form.SetVisible(false);
  ApplyTexts();
  lblInsufficientDiskSpace.SetVisible(false);
  // No script section names a readme and the button has no action: hide it
  // rather than offer a button that does nothing.
  btnReadme.SetVisible(false);
  edtLocation.SetEnabled(false);  // the location changes only through Browse
  rdoAllUsers.SetVisible(false);
  rdoJustMe.SetVisible(false);
  rdoRestartNow.SetVisible(false);
  rdoRestartLater.SetVisible(false);

  btnNext.OnClick = [this] { btnNextClick(); };
  btnFinish.OnClick = [this] { btnFinishClick(); };
  btnPrevious.OnClick = [this] { btnPreviousClick(); };
  btnCancel.OnClick = [this] { btnCancelClick(); };
  btnBrowse.OnClick = [this] { btnBrowseClick(); };
  btnPrint.OnClick = [this] { btnPrintClick(); };
  SpaceTimer.OnTimer = [this] { SpaceTimerTimer(); };
  rdoAllUsers.OnClick = [] {
    if (MainForm) MainForm->ChooseScope(AllUsers);
  };
  rdoJustMe.OnClick = [] {
    if (MainForm) MainForm->ChooseScope(CurrentUser);
  };
  rdoRestartNow.OnClick = [this] { rdoRestartLater.SetChecked(false); };
  rdoRestartLater.OnClick = [this] { rdoRestartNow.SetChecked(false); };
}

TWizardForm::~TWizardForm() = default;

void TWizardForm::ApplyTexts() {
  btnBrowse.SetCaption(Tr(TText::BrowseButton));
  Label1.SetCaption(Tr(TText::SpaceRequired));
  Label2.SetCaption(Tr(TText::SpaceAvailable));
  lblInsufficientDiskSpace.SetCaption(Tr(TText::InsufficientSpaceLabel));
  chkDesktopIcon.SetCaption(Tr(TText::DesktopIconCheck));
  chkLaunchNow.SetCaption(Tr(TText::LaunchNowCheck));
  btnReadme.SetCaption(Tr(TText::ReadmeButton));
  btnPrint.SetCaption(Tr(TText::PrintButton));
  btnPrevious.SetCaption(Tr(TText::PreviousButtonFirst));
  btnNext.SetCaption(Tr(TText::NextButton));
  btnFinish.SetCaption(Tr(TText::FinishButton));
  btnCancel.SetCaption(Tr(TText::CancelButton));
  rdoAllUsers.SetCaption(Tr(TText::InstallForAllUsers));
  rdoJustMe.SetCaption(Tr(TText::InstallJustForMe));
  rdoRestartNow.SetCaption(Tr(TText::RestartNowRadio));
  rdoRestartLater.SetCaption(Tr(TText::RestartLaterRadio));
}

void TWizardForm::btnNextClick() {
  if (MainForm) MainForm->NextPage();
}

void TWizardForm::btnFinishClick() { btnNextClick(); }

void TWizardForm::btnPreviousClick() {
  if (MainForm) MainForm->PreviousPage();
}

void TWizardForm::btnCancelClick() {
  if (Extracting) {
    int answer = Platform().MessageBox(Tr(TText::AbortQuestion, {ProductTitle}),
                                       Tr(TText::CancelInstallationCaption), kQuestionFlags);
    if (answer == mb::IdYes && MainForm) MainForm->CancelInstallation();
    return;
  }
  Close();
}

void TWizardForm::FormCloseQuery(bool& canClose) {
  if (Aborting || CloseConfirmed) {
    canClose = true;
    return;
  }
  int answer = Platform().MessageBox(Tr(TText::CloseQuestion, {ProductTitle}),
                                     Tr(TText::CancelInstallationCaption), kQuestionFlags);
  canClose = answer == mb::IdYes;
}

void TWizardForm::FormClose() {
  if (MainForm) MainForm->StopRunOnClose();
  Platform().Terminate();
}

bool TWizardForm::Close() {
  if (closed_) return true;
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) return false;
  closed_ = true;
  Form.Hide();
  FormClose();
  return true;
}

void TWizardForm::btnBrowseClick() {
  TDirectorySelect chooser;
  chooser.SetStartPath(edtLocation.Text());
  bool chosen = Platform().ShowDirectorySelect(chooser);
  // Folders it made stay either way, protected, until the run uses or drops them.
  if (MainForm && !chooser.MadeDirs.empty()) MainForm->AdoptChooserFolders(chooser.MadeDirs);
  if (chosen) edtLocation.SetText(chooser.ChosenPath);
  UpdateDiskSpace();
}

void TWizardForm::SpaceTimerTimer() { UpdateDiskSpace(); }

void TWizardForm::UpdateDiskSpace() {
  FreeSpace = GetFreeSpace(edtLocation.Text());
  lblSpaceAvailable.SetCaption(KiBTextShown(FreeSpace));
  lblInsufficientDiskSpace.SetVisible(InstallSize > FreeSpace);
}

bool TWizardForm::PrinterAvailable() {
  if (Platform().HasDefaultPrinter()) return true;
  int answer = Platform().MessageBox(Tr(TText::NoPrinterQuestion), Tr(TText::NoPrinterCaption),
                                     mb::YesNo | mb::IconQuestion);
  if (answer == mb::IdYes)
    Platform().StartSystemProgram("rundll32.exe", "shell32.dll,SHHelpShortcuts_RunDLL AddPrinter",
                                  5);
  return false;
}

void TWizardForm::btnPrintClick() {
  if (!PrinterAvailable()) return;
  try {
    if (!Platform().PrinterSetupDialog()) return;
    Platform().PrintRichText(Tr(TText::LicensePrintName, {ProductTitle}), rchLicense.Lines());
  } catch (const std::exception&) {
    // A printing failure is not worth a message; the dialog stays as it was.
  }
}

std::vector<TControl*> TWizardForm::Controls() {
  return {&Form,
          &pnlMain,
          &pnlButton,
          &WizardPages,
          &tabInfo,
          &pnlImgInfo,
          &imgInfo,
          &pnlInfoMain,
          &lblInfo,
          &tabLicense,
          &Panel1,
          &rchLicense,
          &lblLicenseAgree,
          &tabLocation,
          &pnlImgLocation,
          &imgLocation,
          &Panel4,
          &lblWhereToInstall,
          &rdoAllUsers,
          &rdoJustMe,
          &edtLocation,
          &btnBrowse,
          &Label1,
          &lblSpaceRequired,
          &Label2,
          &lblSpaceAvailable,
          &lblInsufficientDiskSpace,
          &tabInstalling,
          &pnlImgInstalling,
          &imgInstalling,
          &pnlMainInstalling,
          &lblTotalProgress,
          &prgTotal,
          &lblInstallingFile,
          &prgFile,
          &tabCompleting,
          &pnlImgCompleting,
          &imgCompleting,
          &pnlMainCompleting,
          &lblCompleting,
          &tabComplete,
          &pnlImgComplete,
          &imgComplete,
          &pnlMainComplete,
          &lblComplete,
          &chkDesktopIcon,
          &chkLaunchNow,
          &rdoRestartNow,
          &rdoRestartLater,
          &btnReadme,
          &Bevel1,
          &btnPrint,
          &btnPrevious,
          &btnNext,
          &btnFinish,
          &btnCancel,
          &SpaceTimer};
}
