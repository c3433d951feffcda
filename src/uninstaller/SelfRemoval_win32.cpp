#include "platform/win32/WinHeader.h"
#include "uninstaller/SelfRemoval.h"

namespace {

std::string TempFolder() {
  char buf[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof buf, buf);
  if (n == 0 || n > MAX_PATH) return {};
  return std::string(buf, n);
}

std::string SystemFolder() {
  char buf[MAX_PATH + 1];
  UINT n = GetSystemDirectoryA(buf, sizeof buf);
  if (n == 0 || n > MAX_PATH) return {};
  return std::string(buf, n);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Text that cmd would expand or misread even inside quotes.
bool SafeForCommandLine(const std::string& path) {
  return !path.empty() && path.find_first_of("%!\"\r\n") == std::string::npos;
}

}  // namespace

void HardenProcess() {
  // Not every Windows 7 has the call, hence the look-up.
  using SetDirsFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto setDirs = reinterpret_cast<SetDirsFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDirs) setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
  std::string system = SystemFolder();
  if (!system.empty()) SetCurrentDirectoryA(system.c_str());
}

bool MoveSelfAside(const std::string& self, std::string& movedTo) {
  movedTo.clear();
  std::string temp = TempFolder();
  if (temp.empty()) return false;
  char name[MAX_PATH + 1];
  if (!GetTempFileNameA(temp.c_str(), "bwu", 0, name)) return false;
  // Renaming works on a running program's file as long as it stays on its
  // volume; a copy would leave the original behind, so none is allowed.
  if (!MoveFileExA(self.c_str(), name, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(name);
    return false;
  }
  movedTo = name;
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
  // Not the temporary folder: the move aside fails when it is unusable.
  std::string workDir = system;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(cmd.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW | DETACHED_PROCESS, nullptr, workDir.c_str(), &si, &pi))
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
  for (const std::string& f : files) MoveFileExA(f.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  for (const std::string& d : folders) MoveFileExA(d.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
