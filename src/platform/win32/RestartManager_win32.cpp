// The Restart Manager (rstrtmgr.dll, loaded when first needed, so that the
// programs still start where it is missing) and the moves the system makes
// at its next start.
// clang-format off
#include "platform/win32/WinHeader.h"
#include <restartmanager.h>  // its types only: the calls are looked up
// clang-format on

#include <memory>

#include "platform/Concat.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32Platform.h"

namespace {

struct TRm {
  decltype(&RmStartSession) Start;
  decltype(&RmRegisterResources) Register;
  decltype(&RmGetList) GetList;
  decltype(&RmShutdown) Shutdown;
  decltype(&RmRestart) Restart;
  decltype(&RmEndSession) End;
};

template <class F>
void Bind(HMODULE module, const char* name, F& f) {
  f = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// Null when the library or one of its calls is missing.
const TRm* Rm() {
  static TRm rm{};
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    // From the system folder only: never a planted copy beside the installer.
    HMODULE m = LoadLibraryExW(L"rstrtmgr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    Bind(m, "RmStartSession", rm.Start);
    Bind(m, "RmRegisterResources", rm.Register);
    Bind(m, "RmGetList", rm.GetList);
    Bind(m, "RmShutdown", rm.Shutdown);
    Bind(m, "RmRestart", rm.Restart);
    Bind(m, "RmEndSession", rm.End);
  }
  bool all = rm.Start && rm.Register && rm.GetList && rm.Shutdown && rm.Restart && rm.End;
  return all ? &rm : nullptr;
}

// The program file of a process the Restart Manager named; empty when the
// process has gone, or its number now belongs to another one.
std::string ProgramOf(const RM_UNIQUE_PROCESS& p) {
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, p.dwProcessId);
  if (!h) return {};
  std::string program;
  FILETIME created, unused;
  wchar_t name[MAX_PATH];
  DWORD size = MAX_PATH;
  if (GetProcessTimes(h, &created, &unused, &unused, &unused) &&
      CompareFileTime(&created, &p.ProcessStartTime) == 0 &&
      QueryFullProcessImageNameW(h, 0, name, &size))
    program = Narrow(name, size);
  CloseHandle(h);
  return program;
}

}  // namespace

bool TWin32Platform::ListAppsUsing(const std::vector<std::string>& files,
                                   std::vector<TAppInUse>& apps) {
  EndAppsSession();
  apps.clear();
  const TRm* rm = Rm();
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (!rm || rm->Start(&FRmSession, 0, key) != ERROR_SUCCESS) return false;
  FRmOpen = true;
  size_t n = files.size();
  std::unique_ptr<TWide[]> wide(new TWide[n]);
  std::unique_ptr<LPCWSTR[]> names(new LPCWSTR[n]);
  for (size_t i = 0; i < n; ++i) {
    wide[i] = Wide(files[i]);
    names[i] = wide[i].c_str();
  }
  DWORD r = rm->Register(FRmSession, static_cast<UINT>(n), names.get(), 0, nullptr, 0, nullptr);
  std::unique_ptr<RM_PROCESS_INFO[]> info;
  UINT needed = 0, count = 0;
  DWORD reasons = 0;
  // The list may grow between the two calls.
  while (r == ERROR_SUCCESS || r == ERROR_MORE_DATA) {
    count = needed;
    info.reset(new RM_PROCESS_INFO[count + 1]);
    r = rm->GetList(FRmSession, &needed, &count, info.get(), &reasons);
    if (r == ERROR_SUCCESS) break;
  }
  if (r != ERROR_SUCCESS) {
    EndAppsSession();
    return false;
  }
  apps.resize(count);
  for (UINT i = 0; i < count; ++i)
    apps[i] = {Narrow(info[i].strAppName), ProgramOf(info[i].Process),
               info[i].bRestartable != FALSE};
  return true;
}

bool TWin32Platform::CloseAppsInUse(bool force) {
  return FRmOpen &&
         Rm()->Shutdown(FRmSession, force ? RmForceShutdown : 0, nullptr) == ERROR_SUCCESS;
}

bool TWin32Platform::RestartClosedApps() {
  bool ok = FRmOpen && Rm()->Restart(FRmSession, 0, nullptr) == ERROR_SUCCESS;
  EndAppsSession();
  return ok;
}

void TWin32Platform::EndAppsSession() {
  if (FRmOpen) Rm()->End(FRmSession);
  FRmOpen = false;
}

bool TWin32Platform::MoveAtRestart(const std::string& from, const std::string& to) {
  TWide target = Wide(to);
  return MoveFileExW(Wide(from).c_str(), to.empty() ? nullptr : target.c_str(),
                     MOVEFILE_DELAY_UNTIL_REBOOT | (to.empty() ? 0 : MOVEFILE_REPLACE_EXISTING));
}

// The system keeps the moves as pairs of NT paths in one multi-string value;
// a deletion's target is empty, so the pairs are read two by two, and those
// kept close up in place.
void TWin32Platform::CancelMoveAtRestart(const std::string& from) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  const wchar_t* name = L"PendingFileRenameOperations";
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      type == REG_MULTI_SZ) {
    DWORD length = size / sizeof(wchar_t);
    TWide data(length + 2);  // zeroed: the value may lack its last NULs
    TWide source = Wide(Concat({"\\??\\", from}));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
        ERROR_SUCCESS) {
      wchar_t* d = data.data();
      DWORD read = 0, kept = 0;
      while (read < length && d[read]) {
        DWORD pair = static_cast<DWORD>(lstrlenW(d + read)) + 1;
        pair += static_cast<DWORD>(lstrlenW(d + read + pair)) + 1;
        if (lstrcmpiW(d + read, source.c_str()) != 0) {
          MoveMemory(d + kept, d + read, pair * sizeof(wchar_t));
          kept += pair;
        }
        read += pair;
      }
      d[kept] = L'\0';
      if (kept == 0)
        RegDeleteValueW(key, name);
      else if (kept < read)
        RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(d),
                       (kept + 1) * sizeof(wchar_t));
    }
  }
  RegCloseKey(key);
}
