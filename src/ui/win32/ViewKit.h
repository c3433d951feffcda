#pragma once
// Small helpers shared by the Win32 views: DPI scaling, the dialogs' font,
// the container panel class, child creation and text access.
#include <exception>
#include <string>

#include "platform/win32/WinHeader.h"

class TControl;

namespace view {

// Pixels at 96 dots per inch scaled to the screen's dots per inch.
int Scale(int v);
int ScreenDpi();

// "MS Shell Dlg 2" 8 pt (height -11 at 96 dpi), shared by every control.
HFONT DialogFont();

// A plain button-face container. It hands the notifications of its children
// (commands, colours, scrolling) on to its parent, so that the top-level
// window handles them all.
const char* PanelClass();

// Creates a child window at a 96-dpi rectangle, with the dialog font.
HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, DWORD exStyle, int x,
                 int y, int w, int h, int id);

std::string WindowText(HWND h);
void SetWindowTextIfChanged(HWND h, const std::string& text);
void ShowIfChanged(HWND h, bool visible);
void EnableIfChanged(HWND h, bool enabled);
// Caption, visibility and enabled state of a control model onto its window.
void MirrorCommon(const TControl& c, HWND h);

// Client size scaled, adjusted to a window size for the given styles.
SIZE WindowSizeForClient(int clientW, int clientH, DWORD style, DWORD exStyle);
// Top left corner that centres a window of that size over another window.
POINT CentreOver(HWND over, SIZE size);

// Registers a top-level view's window class (button-face background, arrow
// cursor, the program's icon when asked); a second call does nothing.
void RegisterViewClass(const char* name, WNDPROC proc, UINT classStyle = 0, bool icon = false);
// A fixed dialog: its window menu offers Move and Close only.
void KeepMoveAndCloseOnly(HWND h);
// WM_NEXTDLGCTL for a view that routes its keys through IsDialogMessage:
// focus the given control, or the next or previous one in tab order.
void MoveDialogFocus(HWND dialog, WPARAM wp, LPARAM lp);

// An error that escaped a handler: reported once, the program goes on (a
// C++ exception must not unwind through the system's window procedures).
void ReportException(const std::exception& e);

// The window procedure of a view class: binds the window to the view passed
// at creation, hands every message to TView::Handle, and keeps C++
// exceptions out of the system's code. A view befriends its instance.
template <class TView>
LRESULT CALLBACK ViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = reinterpret_cast<TView*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    created->hwnd_ = h;
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<TView*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!self) return DefWindowProcW(h, msg, wp, lp);
  try {
    return self->Handle(msg, wp, lp);
  } catch (const std::exception& e) {
    ReportException(e);
    return 0;
  }
}

}  // namespace view
