// rand_s, the system's cryptographic generator, is declared only on request.
#define _CRT_RAND_S
#include <stdlib.h>

#include "platform/win32/Security.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"
#include "uninstaller/SelfRemoval.h"

namespace {

// The root of the volume that holds path ("C:\"), in upper case.
std::string VolumeOf(const std::string& path) {
  wchar_t buf[MAX_PATH + 1];
  if (!GetVolumePathNameW(WidePath(path).c_str(), buf, MAX_PATH + 1)) return {};
  std::string v = Narrow(buf);
  if (v.starts_with("\\\\?\\")) v.erase(0, 4);
  for (char& c : v)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (!v.empty() && v.back() != '\\') v += '\\';
  return v;
}

// Where the folder for the moved file goes: the system's temporary folder
// when it shares the volume, else that volume's root. Neither lets other
// users rename what an administrator made in it.
std::string AsideParent(const std::string& self) {
  std::string volume = VolumeOf(self);
  if (volume.empty()) return {};
  wchar_t windows[MAX_PATH + 1];
  UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) {
    std::string temp = Narrow(windows, n) + "\\Temp\\";
    DWORD a = GetFileAttributesW(Wide(temp).c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
        !(a & FILE_ATTRIBUTE_REPARSE_POINT) && VolumeOf(temp) == volume)
      return temp;
  }
  return volume;
}

std::string RandomName() {
  static const char digits[] = "0123456789abcdef";
  std::string name = "bwu-";
  for (int i = 0; i < 4; ++i) {
    unsigned int r = 0;
    if (rand_s(&r) != 0) return {};
    for (int k = 0; k < 8; ++k) name += digits[(r >> (4 * k)) & 15];
  }
  return name;
}

std::string SystemFolder() {
  wchar_t buf[MAX_PATH + 1];
  UINT n = GetSystemDirectoryW(buf, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return {};
  return Narrow(buf, n);
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Text that cmd would expand or misread even inside quotes.
bool SafeForCommandLine(const std::string& path) {
  return !path.empty() && path.find_first_of("%!\"\r\n") == std::string::npos;
}

}  // namespace

void HardenProcess() {
  // Not every Windows 7 has the call, hence the look-up.
  using SetDirsFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto setDirs = reinterpret_cast<SetDirsFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDirs) setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  std::string system = SystemFolder();
  if (!system.empty()) SetCurrentDirectoryW(Wide(system).c_str());
}

bool MoveSelfAside(const std::string& self, std::string& movedTo, std::string& folder) {
  movedTo.clear();
  folder.clear();
  std::string parent = AsideParent(self);
  if (parent.empty()) return false;
  // Made here, with its protection from the first moment: a name that
  // exists already (anyone's) is never used.
  std::string made;
  for (int attempt = 0; attempt < 8 && made.empty(); ++attempt) {
    std::string name = RandomName();
    if (name.empty()) return false;
    if (CreateFolderWithSddl(parent + name, AdminOnlySddl)) made = parent + name;
  }
  if (made.empty()) return false;
  SetFileAttributesW(Wide(made).c_str(), FILE_ATTRIBUTE_HIDDEN);
  std::string target = made + "\\" + self.substr(self.find_last_of('\\') + 1);
  // Renaming works on a running program's file as long as it stays on its
  // volume; a copy would leave the original behind, so none is allowed.
  if (!MoveFileExW(WidePath(self).c_str(), WidePath(target).c_str(), 0)) {
    RemoveDirectoryW(Wide(made).c_str());
    return false;
  }
  movedTo = target;
  folder = made;
  return !Exists(self);
}

namespace {

// Starts the hidden command processor that deletes the files and folders once
// this process has ended; false when it cannot be started.
bool StartRemover(const std::vector<std::string>& files, const std::vector<std::string>& folders) {
  // Up to ten tries a second apart: the file is free once this process ends.
  std::string script;
  for (const std::string& f : files) {
    if (!SafeForCommandLine(f)) return false;
    script += "(for /l %i in (1,1,10) do @if exist \"" + f +
              "\" (ping -n 2 127.0.0.1 >nul & del /f /q \"" + f + "\" >nul 2>&1)) & ";
  }
  for (const std::string& d : folders) {
    if (!SafeForCommandLine(d)) return false;
    script += "rmdir \"" + d + "\" >nul 2>&1 & ";
  }
  script += "exit 0";
  std::string system = SystemFolder();
  if (system.empty()) return false;
  std::string cmd = system + "\\cmd.exe";
  std::string commandLine = "\"" + cmd + "\" /d /v:off /s /c \"" + script + "\"";
  // The system folder: always there, and never among what is removed.
  std::string workDir = system;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  TWide wideLine = Wide(commandLine);
  if (!CreateProcessW(Wide(cmd).c_str(), wideLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW | DETACHED_PROCESS, nullptr, Wide(workDir).c_str(), &si,
                      &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

}  // namespace

void RemoveAfterExit(const std::vector<std::string>& files,
                     const std::vector<std::string>& folders) {
  if (files.empty() && folders.empty()) return;
  if (StartRemover(files, folders)) return;
  // Only when the remover cannot run: the boot-time list acts on names, so it
  // would also delete what a later installation puts in the same place
  // before the next restart. Needs administrator rights.
  for (const std::string& f : files)
    MoveFileExW(WidePath(f).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  for (const std::string& d : folders)
    MoveFileExW(WidePath(d).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
