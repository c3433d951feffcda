#pragma once
// The wizard dialog: six pages, a bar of buttons, the disk-space display, the
// close and abort questions, Browse and licence printing. It holds no
// installation logic; Next, Finish and Previous hand over to the engine.
#include <vector>

#include "ui/Controls.h"

class TWizardForm {
 public:
  TWizardForm() noexcept;  // only short captions are set: out of memory here ends the program
  ~TWizardForm();          // out of line: it destroys every control
  TWizardForm(const TWizardForm&) = delete;
  TWizardForm& operator=(const TWizardForm&) = delete;

  // The dialog itself; its caption is the product title.
  TControl Form{"WizardForm"};
  TPanel pnlMain{"pnlMain"};
  TPanel pnlButton{"pnlButton"};
  TPageControl WizardPages{"WizardPages", 6};

  // Page 0: welcome.
  TPanel tabInfo{"tabInfo"};
  TPanel pnlImgInfo{"pnlImgInfo"};
  TImage imgInfo{"imgInfo"};
  TPanel pnlInfoMain{"pnlInfoMain"};
  TLabel lblInfo{"lblInfo"};

  // Page 1: licence.
  TPanel tabLicense{"tabLicense"};
  TPanel Panel1{"Panel1"};
  TRichEdit rchLicense{"rchLicense"};
  TLabel lblLicenseAgree{"lblLicenseAgree"};

  // Page 2: location.
  TPanel tabLocation{"tabLocation"};
  TPanel pnlImgLocation{"pnlImgLocation"};
  TImage imgLocation{"imgLocation"};
  TPanel Panel4{"Panel4"};
  TLabel lblWhereToInstall{"lblWhereToInstall"};
  // Shown only when the script lets the person choose the scope.
  TRadioButton rdoAllUsers{"rdoAllUsers"};
  TRadioButton rdoJustMe{"rdoJustMe"};
  TEdit edtLocation{"edtLocation"};
  TButton btnBrowse{"btnBrowse"};
  TLabel Label1{"Label1"};
  TLabel lblSpaceRequired{"lblSpaceRequired"};
  TLabel Label2{"Label2"};
  TLabel lblSpaceAvailable{"lblSpaceAvailable"};
  TLabel lblInsufficientDiskSpace{"lblInsufficientDiskSpace"};

  // Page 3: installing.
  TPanel tabInstalling{"tabInstalling"};
  TPanel pnlImgInstalling{"pnlImgInstalling"};
  TImage imgInstalling{"imgInstalling"};
  TPanel pnlMainInstalling{"pnlMainInstalling"};
  TLabel lblTotalProgress{"lblTotalProgress"};
  TProgressBar prgTotal{"prgTotal"};
  TLabel lblInstallingFile{"lblInstallingFile"};
  TProgressBar prgFile{"prgFile"};

  // Page 4: completing.
  TPanel tabCompleting{"tabCompleting"};
  TPanel pnlImgCompleting{"pnlImgCompleting"};
  TImage imgCompleting{"imgCompleting"};
  TPanel pnlMainCompleting{"pnlMainCompleting"};
  TLabel lblCompleting{"lblCompleting"};

  // Page 5: complete.
  TPanel tabComplete{"tabComplete"};
  TPanel pnlImgComplete{"pnlImgComplete"};
  TImage imgComplete{"imgComplete"};
  TPanel pnlMainComplete{"pnlMainComplete"};
  TLabel lblComplete{"lblComplete"};
  TCheckBox chkDesktopIcon{"chkDesktopIcon"};
  TCheckBox chkLaunchNow{"chkLaunchNow"};
  // Shown only when files wait for the next start of the computer.
  TRadioButton rdoRestartNow{"rdoRestartNow"};
  TRadioButton rdoRestartLater{"rdoRestartLater"};
  TButton btnReadme{"btnReadme"};

  // Button bar.
  TControl Bevel1{"Bevel1"};
  TButton btnPrint{"btnPrint"};
  TButton btnPrevious{"btnPrevious"};
  TButton btnNext{"btnNext"};
  TButton btnFinish{"btnFinish"};
  TButton btnCancel{"btnCancel"};

  TTimer SpaceTimer{"SpaceTimer", 1000};

  // Event handlers.
  void btnNextClick();
  void btnFinishClick();
  void btnPreviousClick();
  void btnCancelClick();
  void FormCloseQuery(bool& canClose);
  void FormClose();
  void btnBrowseClick();
  void btnPrintClick();
  void SpaceTimerTimer();

  // Operations the engine calls.
  void ApplyTexts();  // the captions of the layout, in the language chosen
  void UpdateDiskSpace();
  bool PrinterAvailable();

  // A request to close the dialog (close box, Alt+F4, Cancel outside the
  // extraction): asks FormCloseQuery and, when allowed, runs FormClose.
  // Returns true when the dialog closed.
  bool Close();
  bool Closed() const { return closed_; }

  // Every control, for a view to attach itself to.
  std::vector<TControl*> Controls();

 private:
  bool closed_ = false;
};
