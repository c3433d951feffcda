#pragma once
// The wizard's layout at 96 dots per inch: every control, its parent panel,
// its kind, its rectangle inside the parent, its style and its anchors.
#include "platform/win32/WinHeader.h"
#include "ui/win32/CommonControls.h"

namespace view {

// AutoLabel: one line, at least as wide as its text. RightLabel: one line, right
// aligned, widened to the left when its text does not fit.
enum class TKind {
  Panel,
  Page,
  TextPanel,
  ImagePanel,
  Label,
  AutoLabel,
  RightLabel,
  Button,
  Check,
  Edit,
  Rich,
  Progress,
  Image,
  Bevel
};

// Edges a control keeps its distance to when its panel widens.
enum : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8, akAll = 15 };

struct TLayoutItem {
  const char* Name;
  const char* Parent;  // nullptr: the dialog's client area
  TKind Kind;
  int X, Y, W, H;
  DWORD Style;
  unsigned Anchors;
};

inline constexpr DWORD kLabel = SS_NOPREFIX | SS_LEFT;
// SS_CENTERIMAGE keeps the text on one line.
inline constexpr DWORD kRightLabel = SS_NOPREFIX | SS_RIGHT | SS_CENTERIMAGE;
inline constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;

// Creation order is the tab order: the pages' controls first, then the
// button bar in its own order.
inline constexpr TLayoutItem kWizardLayout[] = {
    {"pnlMain", nullptr, TKind::Panel, 0, 0, 484, 316, 0, akAll},
    {"WizardPages", "pnlMain", TKind::Panel, 0, 0, 484, 316, 0, akAll},

    {"tabInfo", "WizardPages", TKind::Page, 4, 4, 476, 285, 0, akAll},
    {"pnlImgInfo", "tabInfo", TKind::ImagePanel, 0, 0, 161, 285, 0, akLeft | akTop | akBottom},
    {"imgInfo", "pnlImgInfo", TKind::Image, 8, 8, 150, 260, SS_BITMAP, akLeft | akTop},
    {"pnlInfoMain", "tabInfo", TKind::TextPanel, 161, 0, 315, 285, 0, akAll},
    {"lblInfo", "pnlInfoMain", TKind::Label, 11, 8, 294, 257, kLabel, akAll},

    {"tabLicense", "WizardPages", TKind::Page, 4, 4, 476, 285, 0, akAll},
    {"Panel1", "tabLicense", TKind::Panel, 0, 0, 476, 285, 0, akAll},
    {"rchLicense", "Panel1", TKind::Rich, 8, 8, 457, 233,
     ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP, akAll},
    {"lblLicenseAgree", "Panel1", TKind::Label, 16, 248, 440, 33, kLabel,
     akLeft | akRight | akBottom},

    {"tabLocation", "WizardPages", TKind::Page, 4, 4, 476, 285, 0, akAll},
    {"pnlImgLocation", "tabLocation", TKind::ImagePanel, 0, 0, 161, 285, 0,
     akLeft | akTop | akBottom},
    {"imgLocation", "pnlImgLocation", TKind::Image, 8, 8, 150, 260, SS_BITMAP, akLeft | akTop},
    {"Panel4", "tabLocation", TKind::TextPanel, 161, 0, 315, 285, 0, akAll},
    {"lblWhereToInstall", "Panel4", TKind::Label, 11, 16, 294, 161, kLabel, akAll},
    {"edtLocation", "Panel4", TKind::Edit, 58, 184, 241, 21, ES_AUTOHSCROLL | WS_TABSTOP,
     akLeft | akTop | akRight},
    {"btnBrowse", "Panel4", TKind::Button, 224, 208, 75, 25, kButton, akTop | akRight},
    {"Label1", "Panel4", TKind::RightLabel, 118, 240, 75, 13, kRightLabel, akTop | akRight},
    {"lblSpaceRequired", "Panel4", TKind::Label, 199, 240, 84, 13, kLabel, akTop | akRight},
    {"Label2", "Panel4", TKind::RightLabel, 115, 256, 79, 13, kRightLabel, akTop | akRight},
    {"lblSpaceAvailable", "Panel4", TKind::Label, 199, 256, 84, 13, kLabel, akTop | akRight},
    {"lblInsufficientDiskSpace", "Panel4", TKind::AutoLabel, 96, 272, 208, 13,
     SS_NOPREFIX | SS_LEFTNOWORDWRAP, akRight | akBottom},

    {"tabInstalling", "WizardPages", TKind::Page, 4, 4, 476, 285, 0, akAll},
    {"pnlImgInstalling", "tabInstalling", TKind::ImagePanel, 0, 0, 161, 285, 0,
     akLeft | akTop | akBottom},
    {"imgInstalling", "pnlImgInstalling", TKind::Image, 8, 8, 150, 260, SS_BITMAP, akLeft | akTop},
    {"pnlMainInstalling", "tabInstalling", TKind::TextPanel, 161, 0, 315, 285, 0, akAll},
    {"lblTotalProgress", "pnlMainInstalling", TKind::AutoLabel, 8, 80, 0, 13,
     SS_NOPREFIX | SS_LEFTNOWORDWRAP, akLeft | akTop},
    {"prgTotal", "pnlMainInstalling", TKind::Progress, 8, 96, 297, 16, PBS_SMOOTH, akLeft | akTop},
    {"lblInstallingFile", "pnlMainInstalling", TKind::AutoLabel, 8, 144, 0, 13,
     SS_NOPREFIX | SS_LEFTNOWORDWRAP, akLeft | akTop},
    {"prgFile", "pnlMainInstalling", TKind::Progress, 8, 160, 299, 16, PBS_SMOOTH,
     akLeft | akTop | akRight},

    {"tabCompleting", "WizardPages", TKind::Page, 4, 4, 476, 285, 0, akAll},
    {"pnlImgCompleting", "tabCompleting", TKind::ImagePanel, 0, 0, 161, 285, 0,
     akLeft | akTop | akBottom},
    {"imgCompleting", "pnlImgCompleting", TKind::Image, 8, 8, 150, 260, SS_BITMAP, akLeft | akTop},
    {"pnlMainCompleting", "tabCompleting", TKind::TextPanel, 161, 0, 315, 285, 0, akAll},
    {"lblCompleting", "pnlMainCompleting", TKind::Label, 8, 88, 299, 165, SS_NOPREFIX | SS_CENTER,
     akAll},

    {"tabComplete", "WizardPages", TKind::Page, 4, 4, 476, 285, 0, akAll},
    {"pnlImgComplete", "tabComplete", TKind::ImagePanel, 0, 0, 161, 285, 0,
     akLeft | akTop | akBottom},
    {"imgComplete", "pnlImgComplete", TKind::Image, 8, 8, 150, 260, SS_BITMAP, akLeft | akTop},
    {"pnlMainComplete", "tabComplete", TKind::TextPanel, 161, 0, 315, 285, 0, akAll},
    {"lblComplete", "pnlMainComplete", TKind::Label, 6, 24, 301, 105, kLabel, akAll},
    {"chkDesktopIcon", "pnlMainComplete", TKind::Check, 26, 128, 267, 17,
     BS_AUTOCHECKBOX | WS_TABSTOP, akTop | akRight},
    {"chkLaunchNow", "pnlMainComplete", TKind::Check, 26, 152, 267, 17,
     BS_AUTOCHECKBOX | WS_TABSTOP, akTop | akRight},
    {"btnReadme", "pnlMainComplete", TKind::Button, 24, 184, 105, 25, kButton, akLeft | akTop},

    {"pnlButton", nullptr, TKind::Panel, 0, 316, 484, 55, 0, akLeft | akRight | akBottom},
    {"Bevel1", "pnlButton", TKind::Bevel, 8, 4, 465, 2, SS_ETCHEDHORZ, akLeft | akTop | akRight},
    {"btnPrint", "pnlButton", TKind::Button, 24, 16, 75, 25, kButton, akLeft | akTop},
    {"btnPrevious", "pnlButton", TKind::Button, 131, 16, 75, 25, kButton, akRight | akBottom},
    {"btnNext", "pnlButton", TKind::Button, 219, 16, 75, 25, kButton, akRight | akBottom},
    {"btnFinish", "pnlButton", TKind::Button, 307, 16, 75, 25, kButton, akRight | akBottom},
    {"btnCancel", "pnlButton", TKind::Button, 395, 16, 75, 25, kButton, akRight | akBottom},
};

// Width an image panel gives up to its page's text panel when it is hidden.
inline constexpr int kImagePanelWidth = 161;

}  // namespace view
