// uninstall.exe: removes what uninstall.log beside it names. "/S" removes
// without questions or windows; the exit code tells whether all went.
#include <cstring>
#include <string>

#include "lang/LanguageChoice.h"
#include "lang/Texts.h"
#include "platform/Platform.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"
#include "uninstaller/ProgressWindow.h"
#include "uninstaller/SelfRemoval.h"
#include "uninstaller/Uninstaller.h"

namespace {

bool IsSilentSwitch(const wchar_t* arg) {
  return (arg[0] == L'/' || arg[0] == L'-') && (arg[1] == L'S' || arg[1] == L's') &&
         arg[2] == L'\0';
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HardenProcess();
  bool silent = false;
  for (int i = 1; i < argc; ++i) silent = silent || IsSilentSwitch(argv[i]);

  std::string self = Platform().ExeName();
  // A second copy started meanwhile would race the first over the same files.
  std::string mutexName = "Local\\BundlewrighterUninstall:" + self;
  for (size_t i = 6; i < mutexName.size(); ++i)
    if (mutexName[i] == '\\') mutexName[i] = '/';
  HANDLE running = CreateMutexW(nullptr, FALSE, Wide(mutexName).c_str());
  if (running && GetLastError() == ERROR_ALREADY_EXISTS) {
    SetLanguage(ChooseLanguage({}, Platform().UserLanguages()));
    if (!silent)
      Platform().MessageBox(Tr(TText::UninstallerRunning), Tr(TText::UninstallTitle),
                            mb::OK | mb::IconInformation);
    return ExitIncomplete;
  }
  TProgressWindow progress;
  std::string movedTo, movedFolder;
  TUninstallHooks hooks;
  hooks.ShowProgress = [&](const std::string& caption) { progress.Show(caption); };
  hooks.Progress = [&](int done, int total, const std::string& what) {
    progress.Update(done, total, what);
  };
  hooks.HideProgress = [&] { progress.Hide(); };
  hooks.RemoveSelf = [&](const std::string& path) {
    return MoveSelfAside(path, movedTo, movedFolder);
  };
  // The elevated copy must not find this one "already running".
  hooks.BeforeElevation = [&running] {
    if (running) CloseHandle(running);
    running = nullptr;
  };

  TUninstallResult result = RunUninstaller(self, silent, hooks);

  if (!movedTo.empty()) {
    RemoveAfterExit({movedTo}, {movedFolder});
  } else if (!result.SelfHeld.empty()) {
    // The move failed (another volume): the file and the folders it keeps go
    // after this process, deepest folder first as they were met.
    std::vector<std::string> folders;
    for (const std::string& item : result.SelfHeld)
      if (!SamePath(item, self)) folders.push_back(item);
    RemoveAfterExit({self}, folders);
  }
  return result.ExitCode;
}
