// bwdrive: works a running installer from outside, the way a user would,
// through public Win32 calls. Steps come from the command line (one step) or
// from standard input (one per line; "#" starts a comment). Tokens are
// separated by blanks; "double" or 'single' quotes keep blanks and the other
// kind of quote, with no escapes inside.
// The first failing step ends the run with exit code 1 and a message.
//
//   wait-window WIN [MS]            a visible top-level window appears
//   wait-gone WIN [MS]              no such window any more
//   click WIN CTL                   presses a visible, enabled button and
//                                   waits up to 0.5 s for its handler
//   answer CAPTION BUTTON [MS]      waits for a message box, prints its
//                                   text, presses BUTTON, waits until it goes
//   get WIN CTL PROP                prints text|visible|enabled|checked|pos|
//                                   range|page|class
//   expect WIN CTL PROP VALUE       fails unless the property equals VALUE
//   expect-has WIN CTL PROP VALUE   fails unless it contains VALUE
//   wait-for WIN CTL PROP VALUE [MS]
//   set-text WIN CTL TEXT           WM_SETTEXT, as typing would
//   item-click WIN CTL N [double]   mouse click (or double click) on item N
//                                   of a list box
//   close WIN                       WM_CLOSE, as the close box does
//   key WIN escape|return|tab|space posted to the window's focused control
//   rect WIN                        prints "x y width height"
//   fits WIN                        fails, naming them, unless every shown
//                                   button, check box and label shows its
//                                   whole text (measured in its own font)
//                                   and no two shown buttons overlap
//   sleep MS
//   clock                           prints the milliseconds since the driver
//                                   started (for timing a run by hand)
//   list                            prints every window, for debugging
//   run CMDLINE [MS]                starts CMDLINE exactly as written (as the
//                                   list of installed programs does), waits,
//                                   prints its exit code
//   lnk FILE                        prints a shell link's "target|start-in"
//
// WIN is "@Class", "@Class=Caption" or "Caption"; CTL is a control name of
// the dialogs (btnNext, edtPath, ...), a caption ("&Yes"), or "." for the
// window itself.
#include <fcntl.h>
#include <io.h>
// clang-format off
#include "platform/win32/WinHeader.h"
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "WindowQuery.h"
#include "platform/win32/Wide.h"

using namespace drive;

namespace {

using TArgs = std::vector<std::string>;
constexpr int kDefaultWait = 15000;

// CreateProcess with the command line as given, no program name apart.
void Run(const std::string& commandLine, int millis) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  TWide line = Wide(commandLine);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    throw std::runtime_error("cannot start, error " + std::to_string(GetLastError()));
  DWORD code = STILL_ACTIVE;
  bool ended = WaitForSingleObject(process.hProcess, static_cast<DWORD>(millis)) == WAIT_OBJECT_0;
  if (ended) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!ended) throw std::runtime_error("still running");
  std::printf("%lu\n", static_cast<unsigned long>(code));
}

std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::string t;
    if (line[i] == '"' || line[i] == '\'') {
      size_t end = line.find(line[i], i + 1);
      if (end == std::string::npos) throw std::runtime_error("unclosed quote");
      t = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        t += line[i++];
    }
    out.push_back(t);
  }
  return out;
}

int Millis(const TArgs& a, size_t i) { return a.size() > i ? std::stoi(a[i]) : kDefaultWait; }

// Polls until ready() holds, or fails with what after ms milliseconds.
void WaitUntil(const std::function<bool()>& ready, int ms, const std::string& what) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (ready()) return;
    if (std::chrono::steady_clock::now() > end) throw std::runtime_error("timed out: " + what);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

HWND Window(const std::string& query) {
  HWND h = FindTopLevel(query);
  if (!h) throw std::runtime_error("no window " + query);
  return h;
}

HWND Control(const std::string& win, const std::string& ctl) {
  if (ctl == ".") return Window(win);
  HWND h = FindControl(Window(win), ctl);
  if (!h) throw std::runtime_error("no control " + ctl + " in " + win);
  return h;
}

void Need(const TArgs& a, size_t n) {
  if (a.size() < n) throw std::runtime_error("too few arguments");
}

// A button a user could press: shown and enabled, in an enabled window.
void Press(HWND button, const std::string& name) {
  if (!IsWindowVisible(button) || !IsWindowEnabled(button))
    throw std::runtime_error(name + " is not visible and enabled");
  // Sent, so that a quick handler (a check box, a page change) has run when
  // the step ends; one that opens a modal box or works long is left running
  // after half a second.
  DWORD_PTR result;
  SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 500, &result);
}

std::string MessageText(HWND box) {
  std::string text;
  EnumChildWindows(
      box,
      [](HWND h, LPARAM lp) -> BOOL {
        if (ClassOf(h) == "Static") {
          std::string t = TextOf(h);
          auto* out = reinterpret_cast<std::string*>(lp);
          if (!t.empty()) *out += (out->empty() ? "" : " ") + Escaped(t);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

void Answer(const TArgs& a) {
  Need(a, 3);
  std::string query = "@#32770=" + a[1];
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindTopLevel(query)) != nullptr; }, Millis(a, 3),
            "message box " + a[1]);
  HWND button = FindControl(box, a[2]);
  if (!button) throw std::runtime_error("no button " + a[2] + " in " + a[1]);
  std::printf("%s\n", MessageText(box).c_str());
  Press(button, a[2]);
  WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, Millis(a, 3),
            "message box " + a[1] + " to close");
}

void Key(const TArgs& a) {
  Need(a, 3);
  HWND top = Window(a[1]);
  WPARAM vk = a[2] == "escape"   ? VK_ESCAPE
              : a[2] == "return" ? VK_RETURN
              : a[2] == "tab"    ? VK_TAB
              : a[2] == "space"  ? VK_SPACE
                                 : 0;
  if (!vk) throw std::runtime_error("unknown key " + a[2]);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = top;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) && info.hwndFocus)
    target = info.hwndFocus;
  PostMessageA(target, WM_KEYDOWN, vk, 1);
  if (vk == VK_SPACE) PostMessageA(target, WM_CHAR, ' ', 1);
  PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

void ShowLink(const std::string& file) {
  CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    throw std::runtime_error("no shell-link object");
  IPersistFile* persist = nullptr;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
  wchar_t target[MAX_PATH] = {}, dir[MAX_PATH] = {};
  bool loaded = persist && SUCCEEDED(persist->Load(Wide(file).c_str(), STGM_READ));
  if (loaded) {
    // The item the link points at, as the shell finds it: Wine keeps the
    // path beside it only in the ANSI code page.
    PIDLIST_ABSOLUTE item = nullptr;
    if (FAILED(link->GetIDList(&item)) || !item || !SHGetPathFromIDListW(item, target))
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    CoTaskMemFree(item);
    link->GetWorkingDirectory(dir, MAX_PATH);
  }
  if (persist) persist->Release();
  link->Release();
  if (!loaded) throw std::runtime_error("cannot load " + file);
  std::printf("%s|%s\n", Narrow(target).c_str(), Narrow(dir).c_str());
}

// Clicks on a list item where the mouse would: the list selects it, takes
// the focus and, for a double click, tells its parent.
void ItemClick(const TArgs& a) {
  Need(a, 4);
  HWND list = Control(a[1], a[2]);
  DWORD_PTR height = 0, top = 0;
  SendMessageTimeoutA(list, LB_GETITEMHEIGHT, 0, 0, SMTO_NORMAL, 5000, &height);
  SendMessageTimeoutA(list, LB_GETTOPINDEX, 0, 0, SMTO_NORMAL, 5000, &top);
  int y = (std::stoi(a[3]) - static_cast<int>(top)) * static_cast<int>(height) +
          static_cast<int>(height) / 2;
  LPARAM at = MAKELPARAM(8, y);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  if (a.size() > 4 && a[4] == "double") {
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
  }
}

// The size text needs in the programs' dialog font (a font handle of another
// process cannot be used here, so the same font is made again): one line, or
// wrapped at width.
SIZE TextExtent(const std::wstring& text, UINT format, int width) {
  HDC dc = GetDC(nullptr);
  static HFONT font =
      CreateFontW(-MulDiv(11, GetDeviceCaps(dc, LOGPIXELSY), 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                  FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg 2");
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// What of h's text does not fit, or "" when it all does.
std::string Misfit(HWND h) {
  wchar_t buffer[2048];
  int n = GetWindowTextW(h, buffer, 2048);
  if (n == 0) return "";
  std::wstring text(buffer, static_cast<size_t>(n));
  RECT c;
  GetClientRect(h, &c);
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  const std::string cls = ClassOf(h);
  SIZE need{}, has{c.right, c.bottom};
  bool wrapped = false;
  if (cls == "Button") {
    const LONG type = style & BS_TYPEMASK;
    if (type == BS_GROUPBOX) return "";
    const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                     type == BS_AUTORADIOBUTTON;
    // The check mark and its gap, or a push button's frame and focus ring.
    has.cx -= box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 6;
    // A multi-line button wraps its text as a label does.
    if (style & BS_MULTILINE)
      need = TextExtent(text, DT_WORDBREAK, has.cx), wrapped = true;
    else
      need = TextExtent(text, DT_SINGLELINE, 0);
  } else if (cls == "Static") {
    if ((style & SS_TYPEMASK) > SS_RIGHT && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP) return "";
    const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    if (style & SS_CENTERIMAGE)
      need = TextExtent(text, DT_SINGLELINE | prefix, 0);
    else
      need = TextExtent(text, DT_WORDBREAK | prefix, has.cx), wrapped = true;
  } else {
    return "";
  }
  // One line is as high as its font; wrapped text must fit in both ways.
  if (need.cx <= has.cx && (need.cy <= has.cy || !wrapped)) return "";
  return Escaped(Narrow(text.c_str(), text.size())) + ": needs " + std::to_string(need.cx) + "x" +
         std::to_string(need.cy) + ", has " + std::to_string(has.cx) + "x" + std::to_string(has.cy);
}

void Fits(const std::string& win) {
  std::vector<HWND> shown;
  EnumChildWindows(
      Window(win),
      [](HWND h, LPARAM lp) -> BOOL {
        if (IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&shown));
  std::string problems;
  for (HWND h : shown) {
    std::string misfit = Misfit(h);
    if (!misfit.empty()) problems += "\n  " + misfit;
  }
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j) {
      if (ClassOf(shown[i]) != "Button" || ClassOf(shown[j]) != "Button" ||
          GetParent(shown[i]) != GetParent(shown[j]))
        continue;
      RECT a, b, both;
      GetWindowRect(shown[i], &a);
      GetWindowRect(shown[j], &b);
      if (IntersectRect(&both, &a, &b))
        problems += "\n  " + TextOf(shown[i]) + " overlaps " + TextOf(shown[j]);
    }
  if (!problems.empty()) throw std::runtime_error("text does not fit:" + problems);
}

void Step(const TArgs& a) {
  const std::string& cmd = a[0];
  if (cmd == "wait-window") {
    Need(a, 2);
    WaitUntil([&] { return FindTopLevel(a[1]) != nullptr; }, Millis(a, 2), "window " + a[1]);
  } else if (cmd == "wait-gone") {
    Need(a, 2);
    WaitUntil([&] { return FindTopLevel(a[1]) == nullptr; }, Millis(a, 2),
              "window " + a[1] + " to go");
  } else if (cmd == "click") {
    Need(a, 3);
    Press(Control(a[1], a[2]), a[2]);
  } else if (cmd == "answer") {
    Answer(a);
  } else if (cmd == "get") {
    Need(a, 4);
    std::printf("%s\n", Property(Control(a[1], a[2]), a[3]).c_str());
  } else if (cmd == "expect" || cmd == "expect-has") {
    Need(a, 5);
    std::string got = Property(Control(a[1], a[2]), a[3]);
    bool ok = cmd == "expect" ? got == a[4] : got.find(a[4]) != std::string::npos;
    if (!ok)
      throw std::runtime_error(a[2] + " " + a[3] + ": expected \"" + a[4] + "\", got \"" + got +
                               "\"");
  } else if (cmd == "wait-for") {
    Need(a, 5);
    std::string got;
    WaitUntil(
        [&] {
          HWND top = FindTopLevel(a[1]);
          HWND c = !top ? nullptr : a[2] == "." ? top : FindControl(top, a[2]);
          return c && (got = Property(c, a[3])) == a[4];
        },
        Millis(a, 5), a[2] + " " + a[3] + " = \"" + a[4] + "\" (last \"" + got + "\")");
  } else if (cmd == "set-text") {
    Need(a, 4);
    HWND c = Control(a[1], a[2]);
    DWORD_PTR r;
    SendMessageTimeoutW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(a[3]).c_str()),
                        SMTO_ABORTIFHUNG, 5000, &r);
  } else if (cmd == "item-click") {
    ItemClick(a);
  } else if (cmd == "close") {
    Need(a, 2);
    PostMessageA(Window(a[1]), WM_CLOSE, 0, 0);
  } else if (cmd == "key") {
    Key(a);
  } else if (cmd == "rect") {
    Need(a, 2);
    RECT r;
    GetWindowRect(Window(a[1]), &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else if (cmd == "fits") {
    Need(a, 2);
    Fits(a[1]);
  } else if (cmd == "sleep") {
    Need(a, 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(a[1])));
  } else if (cmd == "clock") {
    static const auto start = std::chrono::steady_clock::now();
    std::printf("%lld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count()));
  } else if (cmd == "lnk") {
    Need(a, 2);
    ShowLink(a[1]);
  } else if (cmd == "run") {
    Need(a, 2);
    Run(a[1], Millis(a, 2));
  } else if (cmd == "list") {
    for (const std::string& line : Describe()) std::printf("%s\n", line.c_str());
  } else {
    throw std::runtime_error("unknown step " + cmd);
  }
  std::fflush(stdout);
}

}  // namespace

// Arguments in any language (linked with -municode); steps from standard
// input and everything printed are UTF-8.
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell
  std::vector<TArgs> steps;
  if (argc > 1) {
    TArgs args;
    for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
    steps.push_back(args);
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      TArgs t = Tokens(line);
      if (!t.empty()) steps.push_back(t);
    }
  }
  for (const TArgs& s : steps) {
    try {
      Step(s);
    } catch (const std::exception& e) {
      std::string text;
      for (const std::string& t : s) text += (text.empty() ? "" : " ") + t;
      std::fprintf(stderr, "bwdrive: %s: %s\n", text.c_str(), e.what());
      return 1;
    }
  }
  return 0;
}
