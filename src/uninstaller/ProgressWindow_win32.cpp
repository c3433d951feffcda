#include "lang/Texts.h"
#include "platform/Platform.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"
#include "uninstaller/ProgressWindow.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace {

const wchar_t* const WindowClass = L"BwUninstallProgress";
const int ClientWidth = 440;
const int ClientHeight = 96;

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Alt+F4 must not end the removal half-way.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClassOnce() {
  static bool registered = false;
  if (registered) return;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ProgressProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_WAIT);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = WindowClass;
  registered = RegisterClassW(&wc) != 0;
}

}  // namespace

TProgressWindow::~TProgressWindow() { Hide(); }

void TProgressWindow::Show(const std::string& caption) {
  if (FWindow) return;
  RegisterClassOnce();
  DWORD style = WS_OVERLAPPED | WS_CAPTION;
  RECT r = {0, 0, ClientWidth, ClientHeight};
  AdjustWindowRect(&r, style, FALSE);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, WindowClass, Wide(caption).c_str(), style, x,
                                y, w, h, nullptr, nullptr, instance, nullptr);
  if (!window) return;
  // The system's message font: its font linking shows paths in any language.
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    HFONT f = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
                  ? CreateFontIndirectW(&metrics.lfMessageFont)
                  : nullptr;
    return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }();
  HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_PATHELLIPSIS,
                               16, 18, ClientWidth - 32, 18, window, nullptr, instance, nullptr);
  HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 16, 48,
                             ClientWidth - 32, 20, window, nullptr, instance, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  FWindow = window;
  FLabel = label;
  FBar = bar;
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  UpdateWindow(window);
  Platform().ProcessMessages();
}

void TProgressWindow::Update(int done, int total, const std::string& what) {
  if (!FWindow) return;
  std::string text = what.empty() ? std::string() : Tr(TText::RemovingFile, {what});
  SetWindowTextW(static_cast<HWND>(FLabel), Wide(text).c_str());
  SendMessageW(static_cast<HWND>(FBar), PBM_SETRANGE32, 0, total > 0 ? total : 1);
  SendMessageW(static_cast<HWND>(FBar), PBM_SETPOS, done, 0);
  Platform().ProcessMessages();
}

void TProgressWindow::Hide() {
  if (!FWindow) return;
  DestroyWindow(static_cast<HWND>(FWindow));
  FWindow = FLabel = FBar = nullptr;
  Platform().ProcessMessages();
}
