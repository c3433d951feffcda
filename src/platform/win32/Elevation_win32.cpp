// Administrator's rights: whether this process has them, whether its user
// could have them, and this program started again with them (the elevation
// prompt); and the user's own program folder.
#include "platform/win32/Win32Platform.h"
// After WinHeader.h (through Win32Platform.h), so that its clean-up applies first.
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/Wide.h"

namespace {

// FOLDERID_UserProgramFiles, spelled out rather than taken from libuuid.
const GUID kUserProgramFiles = {
    0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};

// One DWORD-sized fact about this process's token; false when unknown.
bool TokenFact(TOKEN_INFORMATION_CLASS what, DWORD& value) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  bool ok = GetTokenInformation(token, what, &value, sizeof value, &size) != FALSE;
  CloseHandle(token);
  return ok;
}

}  // namespace

bool TWin32Platform::IsElevated() {
  DWORD elevated = 0;
  return TokenFact(TokenElevation, elevated) && elevated != 0;
}

bool TWin32Platform::IsAdministrator() {
  if (IsElevated()) return true;
  // An administrator's everyday token is the limited half of a split one.
  DWORD type = 0;
  return TokenFact(TokenElevationType, type) && type == TokenElevationTypeLimited;
}

int TWin32Platform::RunElevated(const std::string& parameters, bool& declined) {
  declined = true;
  TWide exe(32768);
  DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
  if (n == 0 || n >= exe.size()) return -1;
  TWide params = Wide(parameters);
  // The elevated copy would otherwise start in the system folder, and a
  // relative /LOG= would land there.
  TWide cwd(32768);
  DWORD c = GetCurrentDirectoryW(static_cast<DWORD>(cwd.size()), cwd.data());
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"runas";
  info.lpFile = exe.c_str();
  info.lpParameters = params.c_str();
  info.lpDirectory = c > 0 && c < cwd.size() ? cwd.c_str() : nullptr;
  info.nShow = SW_SHOWNORMAL;
  // A refusal at the prompt fails with ERROR_CANCELLED; any other failure
  // started nothing either.
  if (!ShellExecuteExW(&info) || !info.hProcess) return -1;
  declined = false;
  // Messages keep flowing meanwhile, so that this process's hidden windows
  // never count as hung.
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        WaitForSingleObject(info.hProcess, INFINITE);
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DWORD code = 1;
  if (!GetExitCodeProcess(info.hProcess, &code)) code = 1;
  CloseHandle(info.hProcess);
  return static_cast<int>(code);
}

std::string TWin32Platform::UserProgramFilesDir() {
  std::string dir;
  PWSTR path = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(kUserProgramFiles, KF_FLAG_DONT_VERIFY, nullptr, &path)))
    dir = Narrow(path);
  CoTaskMemFree(path);
  if (!dir.empty()) return dir;
  // Systems that do not know the folder: where it lies everywhere else.
  wchar_t local[MAX_PATH];
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
    dir = Narrow(local);
  return dir.empty() ? dir : dir + "\\Programs";
}
