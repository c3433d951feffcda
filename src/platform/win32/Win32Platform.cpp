#include "platform/win32/Win32Platform.h"

#include <algorithm>
#include <cwchar>

#include "common/Errors.h"
#include "platform/Concat.h"
#include "platform/Raise.h"
#include "platform/win32/HostFiles.h"
#include "platform/win32/Security.h"
#include "platform/win32/Shortcut.h"
#include "platform/win32/Wide.h"
// After WinHeader.h (through Win32Platform.h), so that its clean-up applies first.
#include <commdlg.h>
#include <objbase.h>
#include <richedit.h>
#include <shellapi.h>

std::vector<HWND> TWin32Platform::FDialogs;

TPlatform& DefaultPlatform() {
  static TWin32Platform platform;
  return platform;
}

namespace {

[[noreturn]] void InvalidDataType(TTextArg name) {
  throw ERegistryException(Concat({"Invalid data type for '", name, "'"}));
}

HKEY RootKey(TRegRoot root) {
  return root == TRegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

class TRegKey {
 public:
  explicit TRegKey(HKEY key = nullptr) : h(key) {}
  ~TRegKey() {
    if (h) RegCloseKey(h);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  HKEY h;
};

}  // namespace

std::unique_ptr<TFileStream> TWin32Platform::OpenFile(const std::string& path, TFileMode mode) {
  return OpenHostFile(path, mode);
}

bool TWin32Platform::FileExists(const std::string& path) { return hostfiles::FileExists(path); }

bool TWin32Platform::DirectoryExists(const std::string& path) {
  return hostfiles::DirectoryExists(path);
}

bool TWin32Platform::CreateDir(const std::string& path) { return hostfiles::CreateDir(path); }

bool TWin32Platform::ForceDirectories(const std::string& path) {
  return hostfiles::ForceDirectories(path);
}

bool TWin32Platform::DeleteFileAt(const std::string& path) { return hostfiles::DeleteFileAt(path); }

bool TWin32Platform::RemoveDir(const std::string& path) { return hostfiles::RemoveDir(path); }

bool TWin32Platform::MoveFileTo(const std::string& from, const std::string& to) {
  return hostfiles::MoveFileTo(from, to);
}

bool TWin32Platform::FileReadOnly(const std::string& path) { return hostfiles::FileReadOnly(path); }

std::string TWin32Platform::CurrentDir() { return hostfiles::CurrentDir(); }

std::string TWin32Platform::LongPathName(const std::string& path) {
  return hostfiles::LongPathName(path);
}

std::string TWin32Platform::ExeName() { return hostfiles::ExeName(); }

bool TWin32Platform::IsReparsePoint(const std::string& path) {
  return hostfiles::IsReparsePoint(path);
}

TWin32Platform::~TWin32Platform() {
  EndAppsSession();
  if (FDevMode) GlobalFree(FDevMode);
  if (FDevNames) GlobalFree(FDevNames);
}

int64_t TWin32Platform::DiskFree(int drive) {
  if (drive < 0 || drive > 26) return -1;
  wchar_t root[] = L"?:\\";
  root[0] = static_cast<wchar_t>(L'A' + drive - 1);
  ULARGE_INTEGER available, total, free;
  // An empty removable drive answers with an error, not a system dialog.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode);
  BOOL ok = GetDiskFreeSpaceExW(drive == 0 ? nullptr : root, &available, &total, &free);
  SetThreadErrorMode(oldMode, nullptr);
  return ok ? static_cast<int64_t>(available.QuadPart) : -1;
}

std::string TWin32Platform::RegReadString(TRegRoot root, TTextArg key, TTextArg name) {
  TRegKey k;
  // A key that cannot be opened simply holds nothing.
  if (RegOpenKeyExW(RootKey(root), Wide(key).c_str(), 0, KEY_READ, &k.h) != ERROR_SUCCESS) {
    k.h = nullptr;
    return {};
  }
  const TWide wideName = Wide(name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(k.h, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {};
  // A value of zero length is empty text, whatever its type.
  if (size == 0) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidDataType(name);
  TWide data;
  LONG rc;
  do {
    if (size == 0) return {};
    data = TWide(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(k.h, wideName.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &size);
  } while (rc == ERROR_MORE_DATA);
  if (rc != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidDataType(name);
  // As stored, up to the first NUL; environment references stay unexpanded.
  const size_t stored = std::min<size_t>(size / sizeof(wchar_t), data.size());
  return Narrow(data.c_str(), wcsnlen(data.c_str(), stored));
}

namespace {
// Creates the key with its parents and sets one value in it.
bool WriteValue(TRegRoot root, TTextArg key, TTextArg name, DWORD type, const void* data,
                DWORD size) {
  TRegKey k;
  if (RegCreateKeyExW(RootKey(root), Wide(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &k.h, nullptr) != ERROR_SUCCESS) {
    k.h = nullptr;
    return false;
  }
  return RegSetValueExW(k.h, Wide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
         ERROR_SUCCESS;
}
}  // namespace

bool TWin32Platform::RegWriteString(TRegRoot root, TTextArg key, TTextArg name,
                                    const std::string& value) {
  // A Unicode string, stored with its terminating NUL.
  const TWide wide = Wide(value);
  return WriteValue(root, key, name, REG_SZ, wide.c_str(),
                    static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

bool TWin32Platform::RegWriteDWord(TRegRoot root, TTextArg key, TTextArg name, uint32_t value) {
  DWORD data = value;
  return WriteValue(root, key, name, REG_DWORD, &data, sizeof data);
}

bool TWin32Platform::RegDeleteTree(TRegRoot root, TTextArg key) {
  if (!*key.c_str()) return false;  // never the whole root
  return RegDeleteTreeW(RootKey(root), Wide(key).c_str()) == ERROR_SUCCESS;
}

bool TWin32Platform::SaveShellLink(const std::string& file, const std::string& target,
                                   const std::string& workingDirectory,
                                   const std::string& description, int showCmd) {
  TShortcut link;  // raises when the object cannot be made
  link.SetPath(target);
  link.SetWorkingDirectory(workingDirectory);
  link.SetDescription(description);
  link.SetShowCmd(showCmd);
  try {
    return link.Save(file);
  } catch (...) {
    return false;  // an unsaved link is no error to the installation
  }
}

namespace {

// Waits for the handle while the windows keep painting: paint and timer
// messages are handled, sent messages go through (PeekMessage delivers them),
// and the user's keys and clicks are dropped, so the wizard stays as deaf as
// it always was during the wait but never looks hung. False when the wait
// fails.
bool WaitPainting(HANDLE handle) {
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE,
                                        QS_PAINT | QS_TIMER | QS_INPUT | QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE)) {
    }
    while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageW(&msg);
    while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

}  // namespace

int TWin32Platform::RunAndWait(const std::string& commandLine) {
  DWORD result = STILL_ACTIVE;  // 259: could not be started or waited for
  // The child starts the way the installer was started (placement, show state).
  STARTUPINFOW startup;
  GetStartupInfoW(&startup);
  PROCESS_INFORMATION process{};
  // CreateProcessW may write into the command line.
  TWide line = Wide(commandLine);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process))
    return static_cast<int>(result);
  if (WaitPainting(process.hProcess)) {
    DWORD code;
    if (GetExitCodeProcess(process.hProcess, &code)) result = code;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(result);
}

void TWin32Platform::ShellOpen(const std::string& file, const std::string& parameters,
                               const std::string& directory, int showCmd) {
  const TWide wideFile = Wide(file), wideParameters = Wide(parameters),
              wideDirectory = Wide(directory);
  ShellExecuteW(nullptr, L"open", wideFile.c_str(),
                parameters.empty() ? nullptr : wideParameters.c_str(),
                directory.empty() ? nullptr : wideDirectory.c_str(), showCmd);
}

void TWin32Platform::StartSystemProgram(const std::string& program, const std::string& parameters,
                                        int showCmd) {
  wchar_t system[MAX_PATH + 1];
  UINT n = GetSystemDirectoryW(system, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return;
  // A bare name would be looked up beside the installer first (a downloads
  // folder); the full path and the system folder as the current one leave
  // nothing to look up.
  std::string file = Concat({Narrow(system, n), "\\", program});
  TWide commandLine = Wide(Concat({"\"", file, "\"", parameters.empty() ? "" : " ", parameters}));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCmd);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(Wide(file).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      system, &startup, &process))
    return;  // as before: a wizard that cannot start is not worth a message
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

bool TWin32Platform::OthersCanWrite(const std::string& path) { return OthersCanWriteFile(path); }

bool TWin32Platform::ProtectFolder(const std::string& path) {
  return ApplySddl(path, ProgramFilesSddl);
}

int TWin32Platform::MessageBox(const std::string& text, const std::string& caption,
                               unsigned flags) {
  // A task-modal box wants no owner: it disables every window of the thread.
  HWND owner = (flags & MB_TASKMODAL) ? nullptr : GetActiveWindow();
  return MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

void TWin32Platform::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The request is kept in the flag; the outer loop ends on it.
      terminated_ = true;
      break;
    }
    if (HandleDialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TWin32Platform::ProcessMessagesAtFrameRate() {
  const DWORD now = GetTickCount();
  if (now - FLastPump < 30) return;
  FLastPump = now;
  ProcessMessages();
}

void TWin32Platform::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

bool TWin32Platform::Terminated() { return terminated_; }

bool TWin32Platform::HoldNamedLock(const std::string& name) {
  // The handle stays open until the process ends; the system then drops the
  // mutex, also after a crash.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, Wide(name).c_str());
  DWORD error = GetLastError();
  if (mutex && error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  if (mutex) FLocks.emplace_back(name, mutex);
  // Access denied: it exists, made by a process of higher rights. Any other
  // failure leaves nothing to hold, and the program goes on as it did
  // before there was a lock.
  return mutex || error != ERROR_ACCESS_DENIED;
}

void TWin32Platform::ReleaseNamedLock(const std::string& name) {
  for (auto it = FLocks.begin(); it != FLocks.end(); ++it) {
    if (it->first != name) continue;
    CloseHandle(it->second);
    FLocks.erase(it);
    return;
  }
}

void TWin32Platform::BringToFront() {
  std::vector<HWND> windows;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM param) -> BOOL {
        if (IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  // The main window (the one without an owner) brings its last active popup,
  // so the wizard comes back in front of the backdrop.
  for (HWND h : windows) {
    if (!GetWindow(h, GW_OWNER)) {
      SetForegroundWindow(GetLastActivePopup(h));
      return;
    }
  }
  if (!windows.empty()) SetForegroundWindow(windows.front());
}

bool TWin32Platform::ShowDirectorySelect(TDirectorySelect&) { return false; }

void TWin32Platform::AddDialogWindow(HWND dialog) {
  RemoveDialogWindow(dialog);
  FDialogs.push_back(dialog);
}

void TWin32Platform::RemoveDialogWindow(HWND dialog) { std::erase(FDialogs, dialog); }

bool TWin32Platform::HandleDialogMessage(MSG& msg) {
  for (HWND dialog : FDialogs)
    if (IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) return true;
  return false;
}

namespace {

// winspool.drv is no known system DLL: imported at load time it would be
// looked up beside the program first (a planted copy in a downloads folder
// would run), before any search-order hardening in main could act. So it is
// loaded on demand, from the system folder only.

BOOL DefaultPrinterName(wchar_t* buffer, DWORD* size) {
  using TGetDefaultPrinterW = BOOL(WINAPI*)(wchar_t*, DWORD*);
  static TGetDefaultPrinterW get = [] {
    HMODULE spool = LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return spool ? reinterpret_cast<TGetDefaultPrinterW>(
                       reinterpret_cast<void*>(GetProcAddress(spool, "GetDefaultPrinterW")))
                 : nullptr;
  }();
  if (!get) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  return get(buffer, size);
}

}  // namespace

bool TWin32Platform::HasDefaultPrinter() {
  DWORD size = 0;
  if (DefaultPrinterName(nullptr, &size)) return size > 0;
  return GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > 0;
}

bool TWin32Platform::PrinterSetupDialog() {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetActiveWindow();
  dialog.hDevMode = FDevMode;
  dialog.hDevNames = FDevNames;
  dialog.Flags = PD_PRINTSETUP;
  BOOL ok = PrintDlgW(&dialog);
  // The dialog may have replaced the blocks even when cancelled.
  FDevMode = dialog.hDevMode;
  FDevNames = dialog.hDevNames;
  return ok != FALSE;
}

HDC TWin32Platform::CreatePrinterDC() {
  if (FDevNames) {
    auto* names = static_cast<DEVNAMES*>(GlobalLock(FDevNames));
    auto* mode = FDevMode ? static_cast<DEVMODEW*>(GlobalLock(FDevMode)) : nullptr;
    HDC dc = nullptr;
    if (names) {
      // The offsets count characters.
      const wchar_t* base = reinterpret_cast<const wchar_t*>(names);
      dc = CreateDCW(base + names->wDriverOffset, base + names->wDeviceOffset, nullptr, mode);
      GlobalUnlock(FDevNames);
    }
    if (mode) GlobalUnlock(FDevMode);
    if (dc) return dc;
  }
  DWORD size = 0;
  DefaultPrinterName(nullptr, &size);
  if (size == 0) return nullptr;
  TWide name(size);
  if (!DefaultPrinterName(name.data(), &size)) return nullptr;
  return CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr);
}

void TWin32Platform::PrintRichText(const std::string& documentName, const std::string& richText) {
  HDC dc = CreatePrinterDC();
  if (!dc) RaiseError("There is no default printer currently selected.");
  static HMODULE richEdit = LoadLibraryW(L"riched20.dll");
  // A hidden control lays the text out, page by page, onto the printer.
  HWND edit = richEdit
                  ? CreateWindowExW(0, RICHEDIT_CLASSW, L"", ES_MULTILINE | WS_POPUP, 0, 0, 100,
                                    100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)
                  : nullptr;
  if (!edit) {
    DeleteDC(dc);
    RaiseError("Cannot create the rich-text control.");
  }
  SendMessageW(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  // Rich text goes in as its bytes (it names its own code page); plain text
  // is UTF-8, handed over as UTF-16.
  const bool rtf = richText.starts_with("{\\rtf");
  const TWide plain = rtf ? TWide() : Wide(richText);
  SETTEXTEX how{ST_DEFAULT, rtf ? UINT{CP_ACP} : UINT{1200}};
  SendMessageW(
      edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
      rtf ? reinterpret_cast<LPARAM>(richText.c_str()) : reinterpret_cast<LPARAM>(plain.c_str()));
  LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);

  int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  if (dpiX <= 0) dpiX = 72;
  if (dpiY <= 0) dpiY = 72;
  FORMATRANGE range{};
  range.hdc = range.hdcTarget = dc;
  range.rcPage = {0, 0, MulDiv(GetDeviceCaps(dc, PHYSICALWIDTH), 1440, dpiX),
                  MulDiv(GetDeviceCaps(dc, PHYSICALHEIGHT), 1440, dpiY)};
  // The whole printable area, in twips from its own top left corner.
  const RECT area = {0, 0, MulDiv(GetDeviceCaps(dc, HORZRES), 1440, dpiX),
                     MulDiv(GetDeviceCaps(dc, VERTRES), 1440, dpiY)};
  range.chrg.cpMin = 0;
  range.chrg.cpMax = -1;

  const TWide docName = Wide(documentName);
  DOCINFOW doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = docName.c_str();
  bool ok = StartDocW(dc, &doc) > 0;
  bool started = ok;
  while (ok) {
    if (StartPage(dc) <= 0) {
      ok = false;
      break;
    }
    range.rc = area;
    LRESULT next = SendMessageW(edit, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    if (EndPage(dc) <= 0) {
      ok = false;
      break;
    }
    // A page that takes nothing (an object larger than a page) would repeat for ever.
    if (next <= range.chrg.cpMin || next >= length) break;
    range.chrg.cpMin = static_cast<LONG>(next);
  }
  SendMessageW(edit, EM_FORMATRANGE, FALSE, 0);  // frees the control's cached layout
  if (ok)
    ok = EndDoc(dc) > 0;
  else if (started)
    AbortDoc(dc);
  DeleteDC(dc);
  DestroyWindow(edit);
  if (!ok) RaiseError("Printing failed.");
}

TComInit::TComInit() : FSucceeded(SUCCEEDED(CoInitialize(nullptr))) {}

TComInit::~TComInit() {
  if (FSucceeded) CoUninitialize();
}
