// hello.exe: the example application that examples/hello installs. It shows
// one window with a greeting read from data\greeting.txt and the time it was
// set up; "hello.exe /setup" (the installer's run-and-wait step) writes that
// time into hello.ini beside the program and ends without a window.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32/WinHeader.h"

namespace {

const char* const WindowClass = "BwHelloWindow";

std::string ProgramFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".\\";
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

std::string ReadText(const std::string& file) {
  std::string text;
  if (FILE* f = std::fopen(file.c_str(), "rb")) {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < 4096) text.append(buf, n);
    std::fclose(f);
  }
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

std::string IniValue(const char* key) {
  char buf[256] = "";
  std::string ini = ProgramFolder() + "hello.ini";
  GetPrivateProfileStringA("Hello", key, "", buf, sizeof buf, ini.c_str());
  return buf;
}

// The installer's one-off step: records when and where the program was set
// up. hello.ini is one of the installed files, so the uninstaller removes it.
int FirstRunSetup() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char when[64];
  std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute);
  std::string ini = ProgramFolder() + "hello.ini";
  bool ok = WritePrivateProfileStringA("Hello", "SetUp", when, ini.c_str()) &&
            WritePrivateProfileStringA("Hello", "Folder", ProgramFolder().c_str(), ini.c_str());
  return ok ? 0 : 1;
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  HBRUSH back = CreateSolidBrush(RGB(245, 248, 252));
  FillRect(dc, &r, back);
  DeleteObject(back);
  SetBkMode(dc, TRANSPARENT);

  HFONT big = CreateFontA(-28, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY,
                          0, "Arial");
  HGDIOBJ old = SelectObject(dc, big);
  SetTextColor(dc, RGB(27, 42, 74));
  RECT line = {r.left, 30, r.right, 80};
  DrawTextA(dc, "Hello!", -1, &line, DT_CENTER | DT_SINGLELINE);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DeleteObject(big);

  SetTextColor(dc, RGB(40, 40, 40));
  std::string greeting = ReadText(ProgramFolder() + "data\\greeting.txt");
  if (greeting.empty()) greeting = "(data\\greeting.txt is missing)";
  RECT body = {r.left + 20, 90, r.right - 20, 150};
  DrawTextA(dc, greeting.c_str(), -1, &body, DT_CENTER | DT_WORDBREAK);

  std::string setUp = IniValue("SetUp");
  std::string note = setUp.empty() ? "Not set up yet." : "Set up on " + setUp + ".";
  SetTextColor(dc, RGB(90, 90, 90));
  RECT foot = {r.left, r.bottom - 36, r.right, r.bottom - 12};
  DrawTextA(dc, note.c_str(), -1, &foot, DT_CENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  EndPaint(window, &ps);
}

LRESULT CALLBACK HelloProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  if (std::strstr(commandLine, "/setup")) return FirstRunSetup();

  WNDCLASSA wc = {};
  wc.lpfnWndProc = HelloProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = WindowClass;
  RegisterClassA(&wc);
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r = {0, 0, 420, 220};
  AdjustWindowRect(&r, style, FALSE);
  HWND window =
      CreateWindowExA(0, WindowClass, "Hello", style, CW_USEDEFAULT, CW_USEDEFAULT,
                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
