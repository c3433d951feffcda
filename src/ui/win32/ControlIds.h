#pragma once
// Window identifiers of the dialogs' controls. The views give each control
// its identifier; the end-to-end driver finds a control by its name through
// the same table, from another process.
#include <cstring>

struct TControlId {
  const char* Name;
  int Id;
};

// btnCancel is IDCANCEL in both dialogs and btnOK is IDOK, so that the
// dialog manager's Escape and Enter reach them. Nothing else uses 1 or 2.
inline constexpr TControlId kControlIds[] = {
    {"btnCancel", 2},
    {"btnOK", 1},
    // Wizard.
    {"pnlMain", 100},
    {"pnlButton", 101},
    {"WizardPages", 102},
    {"tabInfo", 110},
    {"pnlImgInfo", 111},
    {"imgInfo", 112},
    {"pnlInfoMain", 113},
    {"lblInfo", 114},
    {"tabLicense", 120},
    {"Panel1", 121},
    {"rchLicense", 122},
    {"lblLicenseAgree", 123},
    {"tabLocation", 130},
    {"pnlImgLocation", 131},
    {"imgLocation", 132},
    {"Panel4", 133},
    {"lblWhereToInstall", 134},
    {"edtLocation", 135},
    {"btnBrowse", 136},
    {"Label1", 137},
    {"lblSpaceRequired", 138},
    {"Label2", 139},
    {"lblSpaceAvailable", 140},
    {"lblInsufficientDiskSpace", 141},
    {"rdoAllUsers", 142},
    {"rdoJustMe", 143},
    {"tabInstalling", 150},
    {"pnlImgInstalling", 151},
    {"imgInstalling", 152},
    {"pnlMainInstalling", 153},
    {"lblTotalProgress", 154},
    {"prgTotal", 155},
    {"lblInstallingFile", 156},
    {"prgFile", 157},
    {"tabCompleting", 160},
    {"pnlImgCompleting", 161},
    {"imgCompleting", 162},
    {"pnlMainCompleting", 163},
    {"lblCompleting", 164},
    {"tabComplete", 170},
    {"pnlImgComplete", 171},
    {"imgComplete", 172},
    {"pnlMainComplete", 173},
    {"lblComplete", 174},
    {"chkDesktopIcon", 175},
    {"chkLaunchNow", 176},
    {"btnReadme", 177},
    {"rdoRestartNow", 178},
    {"rdoRestartLater", 179},
    {"Bevel1", 180},
    {"btnPrint", 181},
    {"btnPrevious", 182},
    {"btnNext", 183},
    {"btnFinish", 184},
    // Directory chooser.
    {"edtPath", 200},
    {"DriveComboBox", 201},
    {"DirectoryListBox", 202},
};

// The identifier of the control with that name, or 0.
inline int ControlIdOf(const char* name) {
  for (const auto& c : kControlIds)
    if (std::strcmp(c.Name, name) == 0) return c.Id;
  return 0;
}

// Window classes of the three top-level windows.
inline constexpr const char* kMainFormClass = "TMainForm";
inline constexpr const char* kWizardFormClass = "TWizardForm";
inline constexpr const char* kDirectorySelectClass = "TDirectorySelect";
