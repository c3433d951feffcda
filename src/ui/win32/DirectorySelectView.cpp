#include "ui/win32/DirectorySelectView.h"

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/Wide.h"
#include "ui/DirectorySelectForm.h"
#include "ui/win32/ControlIds.h"
#include "ui/win32/DirectoryListing.h"
#include "ui/win32/ViewKit.h"

using namespace view;

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

class TDirectorySelectView : public TControlObserver {
 public:
  TDirectorySelectView(TDirectorySelect& d, HWND owner);
  ~TDirectorySelectView() override;
  HWND Handle() const { return hwnd_; }
  void ControlChanged(TControl& c) override;

 private:
  friend LRESULT CALLBACK view::ViewProc<TDirectorySelectView>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void FillDrives();
  void FillList();
  void SelectDrive();
  void OpenSelected();
  std::vector<TControl*> Models() {
    return {&d_.Form,  &d_.edtPath,  &d_.DriveComboBox, &d_.DirectoryListBox,
            &d_.btnOK, &d_.btnCancel};
  }

  TDirectorySelect& d_;
  HWND hwnd_ = nullptr, edit_ = nullptr, drives_ = nullptr, list_ = nullptr, ok_ = nullptr,
       cancel_ = nullptr;
  std::vector<char> driveLetters_;
  std::vector<TDirEntry> entries_;
  std::string listed_;
};

TDirectorySelectView::TDirectorySelectView(TDirectorySelect& d, HWND owner) : d_(d) {
  view::RegisterViewClass(kDirectorySelectClass, &view::ViewProc<TDirectorySelectView>);
  SIZE size = WindowSizeForClient(253, 331, kStyle, kExStyle);
  // Centred over the main window, which owns the wizard that owns this.
  HWND main = owner ? GetWindow(owner, GW_OWNER) : nullptr;
  POINT at = CentreOver(main ? main : owner, size);
  CreateWindowExW(kExStyle, Wide(kDirectorySelectClass).c_str(), Wide(d_.Form.Caption()).c_str(),
                  kStyle, at.x, at.y, size.cx, size.cy, owner, nullptr, GetModuleHandleW(nullptr),
                  this);
  view::KeepMoveAndCloseOnly(hwnd_);

  // Created in tab order: the list comes before the drive box.
  const DWORD v = WS_VISIBLE | WS_TABSTOP;
  edit_ = CreateChild(hwnd_, "Edit", "", v | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 8, 8, 237, 21,
                      ControlIdOf("edtPath"));
  list_ = CreateChild(hwnd_, "ListBox", "",
                      v | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                      WS_EX_CLIENTEDGE, 8, 64, 237, 229, ControlIdOf("DirectoryListBox"));
  SendMessageW(list_, LB_SETITEMHEIGHT, 0, Scale(16));
  drives_ = CreateChild(hwnd_, "ComboBox", "", v | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 8, 40, 237,
                        200, ControlIdOf("DriveComboBox"));
  ok_ = CreateChild(hwnd_, "Button", "", v | BS_DEFPUSHBUTTON, 0, 84, 300, 75, 25, IDOK);
  cancel_ = CreateChild(hwnd_, "Button", "", v | BS_PUSHBUTTON, 0, 172, 300, 75, 25, IDCANCEL);

  FillDrives();
  for (TControl* c : Models()) {
    c->Observer = this;
    ControlChanged(*c);
  }
}

TDirectorySelectView::~TDirectorySelectView() {
  for (TControl* c : Models())
    if (c->Observer == this) c->Observer = nullptr;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
}

void TDirectorySelectView::FillDrives() {
  driveLetters_ = LogicalDrives();
  SendMessageW(drives_, CB_RESETCONTENT, 0, 0);
  for (char d : driveLetters_)
    SendMessageW(drives_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(DriveCaption(d)).c_str()));
}

void TDirectorySelectView::SelectDrive() {
  char want = d_.DriveComboBox.Drive();
  const std::string& dir = d_.DirectoryListBox.Directory();
  if (!want && dir.size() >= 2 && dir[1] == ':') want = static_cast<char>(toupper(dir[0]));
  int index = -1;
  for (size_t i = 0; i < driveLetters_.size(); ++i)
    if (driveLetters_[i] == want) index = static_cast<int>(i);
  if (SendMessageW(drives_, CB_GETCURSEL, 0, 0) != index)
    SendMessageW(drives_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TDirectorySelectView::FillList() {
  listed_ = d_.DirectoryListBox.Directory();
  entries_ = DirectoryItems(listed_);
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  int current = -1;
  for (const TDirEntry& e : entries_) {
    LRESULT i =
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(e.Shown).c_str()));
    if (e.Path == listed_ || e.Path + "\\" == listed_) current = static_cast<int>(i);
  }
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void TDirectorySelectView::OpenSelected() {
  LRESULT i = SendMessageW(list_, LB_GETCURSEL, 0, 0);
  if (i < 0 || static_cast<size_t>(i) >= entries_.size()) return;
  std::string path = entries_[static_cast<size_t>(i)].Path;
  // The list's directory has no trailing "\" except at a drive root.
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  d_.DirectoryListBox.SetDirectory(path);
}

void TDirectorySelectView::ControlChanged(TControl& c) {
  if (&c == &d_.Form) {
    SetWindowTextIfChanged(hwnd_, c.Caption());
  } else if (&c == &d_.edtPath) {
    MirrorCommon(c, edit_);
  } else if (&c == &d_.DirectoryListBox) {
    if (d_.DirectoryListBox.Directory() != listed_ || entries_.empty()) FillList();
    SelectDrive();
  } else if (&c == &d_.DriveComboBox) {
    SelectDrive();
  } else if (&c == &d_.btnOK) {
    MirrorCommon(c, ok_);
  } else if (&c == &d_.btnCancel) {
    MirrorCommon(c, cancel_);
  }
}

LRESULT TDirectorySelectView::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      int id = LOWORD(wp), code = HIWORD(wp);
      if (id == IDOK && code == BN_CLICKED) {
        // Enter in the list opens the item; anywhere else it is OK.
        if (GetFocus() == list_)
          OpenSelected();
        else
          d_.btnOK.Click();
      } else if (id == IDCANCEL && code == BN_CLICKED) {
        d_.btnCancel.Click();
      } else if (reinterpret_cast<HWND>(lp) == edit_ && code == EN_CHANGE) {
        d_.edtPath.SetText(WindowText(edit_));
      } else if (reinterpret_cast<HWND>(lp) == list_ && code == LBN_DBLCLK) {
        OpenSelected();
      } else if (reinterpret_cast<HWND>(lp) == drives_ && code == CBN_SELCHANGE) {
        LRESULT i = SendMessageW(drives_, CB_GETCURSEL, 0, 0);
        if (i >= 0 && static_cast<size_t>(i) < driveLetters_.size())
          d_.DriveComboBoxChange(driveLetters_[static_cast<size_t>(i)]);
        SelectDrive();  // a drive that cannot be read leaves the list where it was
      }
      return 0;
    }
    case DM_GETDEFID:
      return MAKELONG(IDOK, DC_HASDEFID);
    case WM_CLOSE:
      d_.btnCancelClick();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !GetFocus()) SetFocus(edit_);
      return 0;
    case WM_SETFOCUS:
      SetFocus(edit_);
      return 0;
    case WM_NEXTDLGCTL:
      view::MoveDialogFocus(hwnd_, wp, lp);
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

BOOL CALLBACK CollectEnabled(HWND h, LPARAM lp) {
  if (IsWindowVisible(h) && IsWindowEnabled(h))
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
  return TRUE;
}
}  // namespace

namespace view {

int ShowDirectorySelectModal(TDirectorySelect& dialog, HWND owner) {
  dialog.ModalResult = 0;
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  TDirectorySelectView view(dialog, owner);
  for (HWND h : disabled) EnableWindow(h, FALSE);
  ShowWindow(view.Handle(), SW_SHOW);
  SetFocus(GetDlgItem(view.Handle(), ControlIdOf("edtPath")));

  MSG msg;
  while (dialog.ModalResult == 0) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The application is ending: hand the quit on to the outer loop.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      dialog.ModalResult = mb::IdCancel;
      break;
    }
    if (!IsDialogMessageW(view.Handle(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Enable the others before this window goes, so that activation returns
  // to the owner rather than to another application.
  for (HWND h : disabled) EnableWindow(h, TRUE);
  if (owner) SetActiveWindow(owner);
  return dialog.ModalResult;
}

}  // namespace view
