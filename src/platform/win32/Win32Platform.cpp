#include "platform/win32/Win32Platform.h"

#include <algorithm>
#include <cstring>

#include "common/Errors.h"
#include "platform/Concat.h"
#include "platform/Raise.h"
#include "platform/win32/HostFiles.h"
#include "platform/win32/Security.h"
#include "platform/win32/Shortcut.h"
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
  if (FDevMode) GlobalFree(FDevMode);
  if (FDevNames) GlobalFree(FDevNames);
}

int64_t TWin32Platform::DiskFree(int drive) {
  if (drive < 0 || drive > 26) return -1;
  char root[] = "?:\\";
  root[0] = static_cast<char>('A' + drive - 1);
  ULARGE_INTEGER available, total, free;
  // An empty removable drive answers with an error, not a system dialog.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode);
  BOOL ok = GetDiskFreeSpaceExA(drive == 0 ? nullptr : root, &available, &total, &free);
  SetThreadErrorMode(oldMode, nullptr);
  return ok ? static_cast<int64_t>(available.QuadPart) : -1;
}

std::string TWin32Platform::RegReadString(TRegRoot root, TTextArg key, TTextArg name) {
  TRegKey k;
  // A key that cannot be opened simply holds nothing.
  if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &k.h) != ERROR_SUCCESS) {
    k.h = nullptr;
    return {};
  }
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(k.h, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {};
  // A value of zero length is empty text, whatever its type.
  if (size == 0) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidDataType(name);
  std::string data;
  LONG rc;
  do {
    if (size == 0) return {};
    data.assign(size, '\0');
    rc = RegQueryValueExA(k.h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &size);
  } while (rc == ERROR_MORE_DATA);
  if (rc != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidDataType(name);
  data.resize(std::min<size_t>(size, data.size()));
  // As stored, up to the first NUL; environment references stay unexpanded.
  size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  return data;
}

namespace {
// Creates the key with its parents and sets one value in it.
bool WriteValue(TRegRoot root, TTextArg key, TTextArg name, DWORD type, const void* data,
                DWORD size) {
  TRegKey k;
  if (RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &k.h, nullptr) != ERROR_SUCCESS) {
    k.h = nullptr;
    return false;
  }
  return RegSetValueExA(k.h, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
         ERROR_SUCCESS;
}
}  // namespace

bool TWin32Platform::RegWriteString(TRegRoot root, TTextArg key, TTextArg name,
                                    const std::string& value) {
  // Stored with its terminating NUL.
  return WriteValue(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool TWin32Platform::RegWriteDWord(TRegRoot root, TTextArg key, TTextArg name, uint32_t value) {
  DWORD data = value;
  return WriteValue(root, key, name, REG_DWORD, &data, sizeof data);
}

bool TWin32Platform::RegDeleteTree(TRegRoot root, TTextArg key) {
  if (!*key.c_str()) return false;  // never the whole root
  return RegDeleteTreeA(RootKey(root), key.c_str()) == ERROR_SUCCESS;
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
    while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (PeekMessageA(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE)) {
    }
    while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&msg);
    while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

}  // namespace

int TWin32Platform::RunAndWait(const std::string& commandLine) {
  DWORD result = STILL_ACTIVE;  // 259: could not be started or waited for
  // The child starts the way the installer was started (placement, show state).
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  PROCESS_INFORMATION process{};
  // CreateProcessA may write into the command line.
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
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
  ShellExecuteA(nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                directory.empty() ? nullptr : directory.c_str(), showCmd);
}

void TWin32Platform::StartSystemProgram(const std::string& program, const std::string& parameters,
                                        int showCmd) {
  char system[MAX_PATH + 1];
  UINT n = GetSystemDirectoryA(system, sizeof system);
  if (n == 0 || n > MAX_PATH) return;
  // A bare name would be looked up beside the installer first (a downloads
  // folder); the full path and the system folder as the current one leave
  // nothing to look up.
  std::string file = Concat({std::string_view(system, n), "\\", program});
  std::string commandLine = Concat({"\"", file, "\"", parameters.empty() ? "" : " ", parameters});
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCmd);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, system,
                      &startup, &process))
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
  return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TWin32Platform::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The request is kept in the flag; the outer loop ends on it.
      terminated_ = true;
      break;
    }
    if (HandleDialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
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
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
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
    if (IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) return true;
  return false;
}

namespace {

// winspool.drv is no known system DLL: imported at load time it would be
// looked up beside the program first (a planted copy in a downloads folder
// would run), before any search-order hardening in main could act. So it is
// loaded on demand, from the system folder only.

BOOL DefaultPrinterName(char* buffer, DWORD* size) {
  using TGetDefaultPrinterA = BOOL(WINAPI*)(char*, DWORD*);
  static TGetDefaultPrinterA get = [] {
    HMODULE spool = LoadLibraryExA("winspool.drv", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return spool ? reinterpret_cast<TGetDefaultPrinterA>(
                       reinterpret_cast<void*>(GetProcAddress(spool, "GetDefaultPrinterA")))
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
  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetActiveWindow();
  dialog.hDevMode = FDevMode;
  dialog.hDevNames = FDevNames;
  dialog.Flags = PD_PRINTSETUP;
  BOOL ok = PrintDlgA(&dialog);
  // The dialog may have replaced the blocks even when cancelled.
  FDevMode = dialog.hDevMode;
  FDevNames = dialog.hDevNames;
  return ok != FALSE;
}

HDC TWin32Platform::CreatePrinterDC() {
  if (FDevNames) {
    auto* names = static_cast<DEVNAMES*>(GlobalLock(FDevNames));
    auto* mode = FDevMode ? static_cast<DEVMODEA*>(GlobalLock(FDevMode)) : nullptr;
    HDC dc = nullptr;
    if (names) {
      const char* base = reinterpret_cast<const char*>(names);
      dc = CreateDCA(base + names->wDriverOffset, base + names->wDeviceOffset, nullptr, mode);
      GlobalUnlock(FDevNames);
    }
    if (mode) GlobalUnlock(FDevMode);
    if (dc) return dc;
  }
  DWORD size = 0;
  DefaultPrinterName(nullptr, &size);
  if (size == 0) return nullptr;
  std::string name(size, '\0');
  if (!DefaultPrinterName(name.data(), &size)) return nullptr;
  name.resize(std::strlen(name.c_str()));
  return CreateDCA("WINSPOOL", name.c_str(), nullptr, nullptr);
}

void TWin32Platform::PrintRichText(const std::string& documentName, const std::string& richText) {
  HDC dc = CreatePrinterDC();
  if (!dc) RaiseError("There is no default printer currently selected.");
  static HMODULE richEdit = LoadLibraryA("riched20.dll");
  // A hidden control lays the text out, page by page, onto the printer.
  HWND edit = richEdit ? CreateWindowExA(0, RICHEDIT_CLASSA, "", ES_MULTILINE | WS_POPUP, 0, 0, 100,
                                         100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)
                       : nullptr;
  if (!edit) {
    DeleteDC(dc);
    RaiseError("Cannot create the rich-text control.");
  }
  SendMessageA(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  SETTEXTEX how{ST_DEFAULT, CP_ACP};  // "{\rtf" text is read as RTF, other text as plain
  SendMessageA(edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
               reinterpret_cast<LPARAM>(richText.c_str()));
  LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);

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

  DOCINFOA doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = documentName.c_str();
  bool ok = StartDocA(dc, &doc) > 0;
  bool started = ok;
  while (ok) {
    if (StartPage(dc) <= 0) {
      ok = false;
      break;
    }
    range.rc = area;
    LRESULT next = SendMessageA(edit, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    if (EndPage(dc) <= 0) {
      ok = false;
      break;
    }
    // A page that takes nothing (an object larger than a page) would repeat for ever.
    if (next <= range.chrg.cpMin || next >= length) break;
    range.chrg.cpMin = static_cast<LONG>(next);
  }
  SendMessageA(edit, EM_FORMATRANGE, FALSE, 0);  // frees the control's cached layout
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
