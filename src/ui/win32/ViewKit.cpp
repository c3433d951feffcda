#include "ui/win32/ViewKit.h"

#include "platform/win32/Wide.h"
#include "ui/Controls.h"

namespace view {

int ScreenDpi() {
  static int dpi = [] {
    HDC dc = GetDC(nullptr);
    int d = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
  }();
  return dpi;
}

int Scale(int v) { return MulDiv(v, ScreenDpi(), 96); }

HFONT DialogFont() {
  // The system's dialog font, whose font linking shows Chinese, Japanese
  // and Korean text on any Windows; at the size the layout was made for.
  static HFONT font = CreateFontW(-Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg 2");
  return font;
}

namespace {
LRESULT CALLBACK PanelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_VKEYTOITEM:
    case WM_NEXTDLGCTL:
      return SendMessageW(GetParent(h), msg, wp, lp);
    case WM_CLOSE:  // a rich edit's Escape in dialog mode: the dialog's Cancel
      return SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    default:
      return DefWindowProcW(h, msg, wp, lp);
  }
}
}  // namespace

const char* PanelClass() {
  static const char* name = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BwPanel";
    RegisterClassW(&wc);
    return "BwPanel";
  }();
  return name;
}

HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, DWORD exStyle, int x,
                 int y, int w, int h, int id) {
  HWND c = CreateWindowExW(exStyle, Wide(cls).c_str(), Wide(text).c_str(), style | WS_CHILD,
                           Scale(x), Scale(y), Scale(w), Scale(h), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (c) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  return c;
}

std::string WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  TWide s(static_cast<size_t>(n > 0 ? n : 0));
  n = GetWindowTextW(h, s.data(), n + 1);
  return Narrow(s.c_str(), static_cast<size_t>(n > 0 ? n : 0));
}

void SetWindowTextIfChanged(HWND h, const std::string& text) {
  if (WindowText(h) != text) SetWindowTextW(h, Wide(text).c_str());
}

void ShowIfChanged(HWND h, bool visible) {
  bool now = (GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0;
  if (now != visible) ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
}

void EnableIfChanged(HWND h, bool enabled) {
  if ((IsWindowEnabled(h) != FALSE) != enabled) EnableWindow(h, enabled);
}

void MirrorCommon(const TControl& c, HWND h) {
  SetWindowTextIfChanged(h, c.Caption());
  EnableIfChanged(h, c.Enabled());
  ShowIfChanged(h, c.Visible());
}

SIZE WindowSizeForClient(int clientW, int clientH, DWORD style, DWORD exStyle) {
  RECT r{0, 0, Scale(clientW), Scale(clientH)};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

POINT CentreOver(HWND over, SIZE size) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT r = work;
  if (over && IsWindowVisible(over) && !IsIconic(over)) GetWindowRect(over, &r);
  LONG x = r.left + (r.right - r.left - size.cx) / 2;
  LONG y = r.top + (r.bottom - r.top - size.cy) / 2;
  // Keep the caption bar reachable.
  if (x + size.cx > work.right) x = work.right - size.cx;
  if (y + size.cy > work.bottom) y = work.bottom - size.cy;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  return POINT{x, y};
}

void ReportException(const std::exception& e) {
  MessageBoxW(GetActiveWindow(), Wide(e.what()).c_str(), L"Error",
              MB_OK | MB_ICONERROR | MB_TOPMOST);
}

void RegisterViewClass(const char* name, WNDPROC proc, UINT classStyle, bool icon) {
  WNDCLASSW wc{};
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const TWide wideName = Wide(name);
  if (GetClassInfoW(instance, wideName.c_str(), &wc)) return;
  wc.style = classStyle;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  if (icon) wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = wideName.c_str();
  RegisterClassW(&wc);
}

void KeepMoveAndCloseOnly(HWND h) {
  HMENU sys = GetSystemMenu(h, FALSE);
  for (UINT cmd : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
    DeleteMenu(sys, cmd, MF_BYCOMMAND);
}

void MoveDialogFocus(HWND dialog, WPARAM wp, LPARAM lp) {
  HWND next =
      LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(dialog, GetFocus(), wp != 0);
  if (next) SetFocus(next);
}

}  // namespace view
