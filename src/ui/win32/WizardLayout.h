#pragma once
// The wizard's layout at 96 dots per inch: every control, its parent panel,
// its kind, its rectangle inside the parent, its style and its anchors.
#include <cstdint>

#include "platform/win32/WinHeader.h"
#include "ui/win32/CommonControls.h"

namespace view {

// AutoLabel: one line, at least as wide as its text. RightLabel: one line, right
// aligned, widened to the left when its text does not fit.
enum class TKind : uint8_t {
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
  uint8_t Anchors;
  int16_t X, Y, W, H;  // narrow fields keep the table small (a size budget)
  DWORD Style;
};

inline constexpr DWORD kLabel = SS_NOPREFIX | SS_LEFT;
// SS_CENTERIMAGE keeps the text on one line.
inline constexpr DWORD kRightLabel = SS_NOPREFIX | SS_RIGHT | SS_CENTERIMAGE;
inline constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;

// Creation order is the tab order: the pages' controls first, then the
// button bar in its own order.
inline constexpr TLayoutItem kWizardLayout[] = {
    {"pnlMain", nullptr, TKind::Panel, akAll, 0, 0, 484, 316, 0},
    {"WizardPages", "pnlMain", TKind::Panel, akAll, 0, 0, 484, 316, 0},

    {"tabInfo", "WizardPages", TKind::Page, akAll, 4, 4, 476, 285, 0},
    {"pnlImgInfo", "tabInfo", TKind::ImagePanel, akLeft | akTop | akBottom, 0, 0, 161, 285, 0},
    {"imgInfo", "pnlImgInfo", TKind::Image, akLeft | akTop, 8, 8, 150, 260, SS_BITMAP},
    {"pnlInfoMain", "tabInfo", TKind::TextPanel, akAll, 161, 0, 315, 285, 0},
    {"lblInfo", "pnlInfoMain", TKind::Label, akAll, 11, 8, 294, 257, kLabel},

    {"tabLicense", "WizardPages", TKind::Page, akAll, 4, 4, 476, 285, 0},
    {"Panel1", "tabLicense", TKind::Panel, akAll, 0, 0, 476, 285, 0},
    {"rchLicense", "Panel1", TKind::Rich, akAll, 8, 8, 457, 233,
     ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP},
    {"lblLicenseAgree", "Panel1", TKind::Label, akLeft | akRight | akBottom, 16, 248, 440, 33,
     kLabel},

    {"tabLocation", "WizardPages", TKind::Page, akAll, 4, 4, 476, 285, 0},
    {"pnlImgLocation", "tabLocation", TKind::ImagePanel, akLeft | akTop | akBottom, 0, 0, 161, 285,
     0},
    {"imgLocation", "pnlImgLocation", TKind::Image, akLeft | akTop, 8, 8, 150, 260, SS_BITMAP},
    {"Panel4", "tabLocation", TKind::TextPanel, akAll, 161, 0, 315, 285, 0},
    {"lblWhereToInstall", "Panel4", TKind::Label, akAll, 11, 16, 294, 105, kLabel},
    // The scope's choice; non-automatic, so that the model decides which is checked.
    {"rdoAllUsers", "Panel4", TKind::Check, akLeft | akTop | akRight, 11, 126, 294, 28,
     BS_RADIOBUTTON | BS_MULTILINE | WS_GROUP | WS_TABSTOP},
    {"rdoJustMe", "Panel4", TKind::Check, akLeft | akTop | akRight, 11, 156, 294, 17,
     BS_RADIOBUTTON},
    {"edtLocation", "Panel4", TKind::Edit, akLeft | akTop | akRight, 58, 184, 241, 21,
     ES_AUTOHSCROLL | WS_TABSTOP},
    {"btnBrowse", "Panel4", TKind::Button, akTop | akRight, 224, 208, 75, 25, kButton},
    {"Label1", "Panel4", TKind::RightLabel, akTop | akRight, 118, 240, 75, 13, kRightLabel},
    {"lblSpaceRequired", "Panel4", TKind::Label, akTop | akRight, 199, 240, 84, 13, kLabel},
    {"Label2", "Panel4", TKind::RightLabel, akTop | akRight, 115, 256, 79, 13, kRightLabel},
    {"lblSpaceAvailable", "Panel4", TKind::Label, akTop | akRight, 199, 256, 84, 13, kLabel},
    {"lblInsufficientDiskSpace", "Panel4", TKind::AutoLabel, akRight | akBottom, 96, 272, 208, 13,
     SS_NOPREFIX | SS_LEFTNOWORDWRAP},

    {"tabInstalling", "WizardPages", TKind::Page, akAll, 4, 4, 476, 285, 0},
    {"pnlImgInstalling", "tabInstalling", TKind::ImagePanel, akLeft | akTop | akBottom, 0, 0, 161,
     285, 0},
    {"imgInstalling", "pnlImgInstalling", TKind::Image, akLeft | akTop, 8, 8, 150, 260, SS_BITMAP},
    {"pnlMainInstalling", "tabInstalling", TKind::TextPanel, akAll, 161, 0, 315, 285, 0},
    {"lblTotalProgress", "pnlMainInstalling", TKind::AutoLabel, akLeft | akTop, 8, 80, 0, 13,
     SS_NOPREFIX | SS_LEFTNOWORDWRAP},
    {"prgTotal", "pnlMainInstalling", TKind::Progress, akLeft | akTop, 8, 96, 297, 16, PBS_SMOOTH},
    {"lblInstallingFile", "pnlMainInstalling", TKind::AutoLabel, akLeft | akTop, 8, 144, 0, 13,
     SS_NOPREFIX | SS_LEFTNOWORDWRAP},
    {"prgFile", "pnlMainInstalling", TKind::Progress, akLeft | akTop | akRight, 8, 160, 299, 16,
     PBS_SMOOTH},

    {"tabCompleting", "WizardPages", TKind::Page, akAll, 4, 4, 476, 285, 0},
    {"pnlImgCompleting", "tabCompleting", TKind::ImagePanel, akLeft | akTop | akBottom, 0, 0, 161,
     285, 0},
    {"imgCompleting", "pnlImgCompleting", TKind::Image, akLeft | akTop, 8, 8, 150, 260, SS_BITMAP},
    {"pnlMainCompleting", "tabCompleting", TKind::TextPanel, akAll, 161, 0, 315, 285, 0},
    {"lblCompleting", "pnlMainCompleting", TKind::Label, akAll, 8, 88, 299, 165,
     SS_NOPREFIX | SS_CENTER},

    {"tabComplete", "WizardPages", TKind::Page, akAll, 4, 4, 476, 285, 0},
    {"pnlImgComplete", "tabComplete", TKind::ImagePanel, akLeft | akTop | akBottom, 0, 0, 161, 285,
     0},
    {"imgComplete", "pnlImgComplete", TKind::Image, akLeft | akTop, 8, 8, 150, 260, SS_BITMAP},
    {"pnlMainComplete", "tabComplete", TKind::TextPanel, akAll, 161, 0, 315, 285, 0},
    {"lblComplete", "pnlMainComplete", TKind::Label, akAll, 6, 24, 301, 105, kLabel},
    {"chkDesktopIcon", "pnlMainComplete", TKind::Check, akTop | akRight, 26, 128, 267, 17,
     BS_AUTOCHECKBOX | WS_TABSTOP},
    {"chkLaunchNow", "pnlMainComplete", TKind::Check, akTop | akRight, 26, 152, 267, 17,
     BS_AUTOCHECKBOX | WS_TABSTOP},
    {"rdoRestartNow", "pnlMainComplete", TKind::Check, akTop | akRight, 26, 180, 267, 17,
     BS_RADIOBUTTON | WS_GROUP | WS_TABSTOP},
    {"rdoRestartLater", "pnlMainComplete", TKind::Check, akTop | akRight, 26, 200, 267, 17,
     BS_RADIOBUTTON},
    {"btnReadme", "pnlMainComplete", TKind::Button, akLeft | akTop, 24, 184, 105, 25, kButton},

    {"pnlButton", nullptr, TKind::Panel, akLeft | akRight | akBottom, 0, 316, 484, 55, 0},
    {"Bevel1", "pnlButton", TKind::Bevel, akLeft | akTop | akRight, 8, 4, 465, 2, SS_ETCHEDHORZ},
    {"btnPrint", "pnlButton", TKind::Button, akLeft | akTop, 24, 16, 75, 25, kButton},
    {"btnPrevious", "pnlButton", TKind::Button, akRight | akBottom, 131, 16, 75, 25, kButton},
    {"btnNext", "pnlButton", TKind::Button, akRight | akBottom, 219, 16, 75, 25, kButton},
    {"btnFinish", "pnlButton", TKind::Button, akRight | akBottom, 307, 16, 75, 25, kButton},
    {"btnCancel", "pnlButton", TKind::Button, akRight | akBottom, 395, 16, 75, 25, kButton},
};

// Width an image panel gives up to its page's text panel when it is hidden.
inline constexpr int kImagePanelWidth = 161;

}  // namespace view
