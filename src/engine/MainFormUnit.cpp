#include "engine/MainFormUnit.h"

#include "common/CompressionManager.h"
#include "platform/Concat.h"
#include "platform/Platform.h"
#include "script/infreader.h"
#include "ui/WizardFormUnit.h"
#include "uninstall_log/UninstallLog.h"

TMainForm::TMainForm() {
  Form.SetCaption("MainForm");
  Form.SetVisible(false);  // the program entry shows it, maximised, after FormCreate
  MainForm = this;
}

TMainForm::~TMainForm() {
  if (WizardForm == wizard_.get()) WizardForm = nullptr;
  if (MainForm == this) MainForm = nullptr;
}

// Beside the destructor, so that the wizard's (long, inline) destructor is
// expanded once.
TWizardForm& TMainForm::CreateWizard() {
  wizard_.reset(new TWizardForm);
  WizardForm = wizard_.get();
  return *wizard_;
}

void TMainForm::FormCloseQuery(bool& canClose) {
  if (CloseConfirmed) {
    canClose = true;
    return;
  }
  int answer = Platform().MessageBox(Tr(TText::CloseQuestion, {ProductTitle}),
                                     Tr(TText::CancelInstallationCaption),
                                     mb::YesNo | mb::IconQuestion | mb::TaskModal);
  canClose = answer == mb::IdYes;
}

void TMainForm::FormClose() {
  StopRunOnClose();
  if (!stageRunning_) DropUnusedChooserFolders();
  // Every record is on disk already. A rollback still waiting for the file
  // being unpacked keeps the log; it releases it when done.
  if (!(Aborting && Extracting)) LogFile.reset();
}

// The close questions say that closing cancels the installation, so a
// confirmed close does: files being unpacked are rolled back as after Cancel,
// and a later stage stops at the next point where it looks.
void TMainForm::StopRunOnClose() {
  if (!stageRunning_) return;
  stopRequested_ = true;
  if (PageIndex == 3 && !Aborting) CancelInstallation();
}

bool TMainForm::Close() {
  if (closed_) return true;
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) return false;
  closed_ = true;
  Form.Hide();
  FormClose();
  // The main window is the application's: its closing ends the program.
  Platform().Terminate();
  return true;
}

bool TMainForm::RunStopped() const { return closed_ || stopRequested_ || !LogFile; }

void TMainForm::Pump() { Platform().ProcessMessages(); }
void TMainForm::PumpFrame() { Platform().ProcessMessagesAtFrameRate(); }
