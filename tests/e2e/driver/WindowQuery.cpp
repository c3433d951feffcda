#include "WindowQuery.h"

#include <stdexcept>

#include "platform/win32/Wide.h"
#include "ui/win32/CommonControls.h"
#include "ui/win32/ControlIds.h"

namespace drive {

namespace {
constexpr UINT kSendTimeout = 5000;

LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeout, &result))
    throw std::runtime_error("window does not answer (message " + std::to_string(msg) + ")");
  return static_cast<LRESULT>(result);
}

LRESULT SendW(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeout, &result))
    throw std::runtime_error("window does not answer (message " + std::to_string(msg) + ")");
  return static_cast<LRESULT>(result);
}

std::vector<HWND> TopLevels() {
  std::vector<HWND> all;
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        if (IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> Descendants(HWND top) {
  std::vector<HWND> all;
  EnumChildWindows(
      top,
      [](HWND h, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

// Page panels of the wizard, by index.
constexpr const char* kPages[] = {"tabInfo",       "tabLicense",    "tabLocation",
                                  "tabInstalling", "tabCompleting", "tabComplete"};
}  // namespace

std::string ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return Narrow(buf);
}

std::string TextOf(HWND h) {
  // Buttons and labels keep their text with the window, where it can be read
  // without a message even while their program is busy (waiting for a
  // [run and wait] program, say). Edit and combo boxes keep theirs to
  // themselves.
  std::string cls = ClassOf(h);
  if (cls != "Edit" && cls != "ComboBox" && cls.compare(0, 8, "RichEdit") != 0) {
    wchar_t buf[4096];
    int len = GetWindowTextW(h, buf, 4096);
    return Narrow(buf, static_cast<size_t>(len > 0 ? len : 0));
  }
  LRESULT n = SendW(h, WM_GETTEXTLENGTH, 0, 0);
  TWide s(static_cast<size_t>(n));
  n = SendW(h, WM_GETTEXT, s.size() + 1, reinterpret_cast<LPARAM>(s.data()));
  return Narrow(s.c_str(), static_cast<size_t>(n > 0 ? n : 0));
}

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

HWND FindTopLevel(const std::string& query) {
  std::string cls, caption;
  bool anyCaption = false;
  if (!query.empty() && query[0] == '@') {
    size_t eq = query.find('=');
    cls = query.substr(1, eq == std::string::npos ? std::string::npos : eq - 1);
    if (eq == std::string::npos)
      anyCaption = true;
    else
      caption = query.substr(eq + 1);
  } else {
    caption = query;
  }
  for (HWND h : TopLevels()) {
    if (!cls.empty() && ClassOf(h) != cls) continue;
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    if (anyCaption || caption == Narrow(buf)) return h;
  }
  return nullptr;
}

HWND FindControl(HWND top, const std::string& query) {
  int id = ControlIdOf(query.c_str());
  for (HWND h : Descendants(top))
    if (id ? GetDlgCtrlID(h) == id : TextOf(h) == query) return h;
  return nullptr;
}

std::string Property(HWND c, const std::string& prop) {
  if (prop == "text") return Escaped(TextOf(c));
  if (prop == "visible") return IsWindowVisible(c) ? "1" : "0";
  if (prop == "enabled") return IsWindowEnabled(c) ? "1" : "0";
  if (prop == "checked") return Send(c, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
  if (prop == "pos") return std::to_string(Send(c, PBM_GETPOS, 0, 0));
  if (prop == "range")
    return std::to_string(Send(c, PBM_GETRANGE, TRUE, 0)) + ".." +
           std::to_string(Send(c, PBM_GETRANGE, FALSE, 0));
  if (prop == "page") {  // the wizard's page container: index of the page shown
    for (int i = 0; i < 6; ++i) {
      HWND page = GetDlgItem(c, ControlIdOf(kPages[i]));
      if (page && IsWindowVisible(page)) return std::to_string(i);
    }
    return "-1";
  }
  if (prop == "class") return ClassOf(c);
  if (prop == "items" || prop == "selected") {  // a list box: its items joined by "|"
    if (prop == "selected") return std::to_string(Send(c, LB_GETCURSEL, 0, 0));
    // Asked in UTF-16: Wine hands list text across processes as such.
    std::string all;
    LRESULT n = Send(c, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      std::wstring item(static_cast<size_t>(SendW(c, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
      item.resize(
          static_cast<size_t>(SendW(c, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
      all += (i ? "|" : "") + Narrow(item.c_str());
    }
    return all;
  }
  throw std::runtime_error("unknown property " + prop);
}

std::vector<std::string> Describe() {
  std::vector<std::string> lines;
  for (HWND h : TopLevels()) {
    lines.push_back("[" + ClassOf(h) + "] \"" + Escaped(TextOf(h)) + "\"");
    for (HWND c : Descendants(h))
      lines.push_back("    " + std::to_string(GetDlgCtrlID(c)) + " [" + ClassOf(c) + "] \"" +
                      Escaped(TextOf(c)) + "\"" + (IsWindowVisible(c) ? "" : " hidden") +
                      (IsWindowEnabled(c) ? "" : " disabled"));
  }
  return lines;
}

}  // namespace drive
