// The installer program: the command line, the package check and the silent
// run are RunSetup's; here the background and the wizard are shown and the
// message loop runs until the installation ends.
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "engine/MainFormUnit.h"
#include "engine/SetupProgram.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"
#include "setup/SetupPlatform_win32.h"
#include "ui/WizardFormUnit.h"
#include "ui/win32/CommonControls.h"
#include "ui/win32/MainView.h"
#include "ui/win32/WizardView.h"

namespace {

// DLLs come from the system folder only, never from the folder the installer
// was started from (a downloads folder may hold planted DLLs). Looked up at
// run time: systems without the call still drop the current directory.
void HardenDllSearch() {
  using TSetDefault = BOOL(WINAPI*)(DWORD);
  FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (proc)
    reinterpret_cast<TSetDefault>(reinterpret_cast<void*>(proc))(LOAD_LIBRARY_SEARCH_SYSTEM32);
  else
    SetDllDirectoryW(L"");
}

void RunMessageLoop(TPlatform& platform) {
  MSG msg;
  while (!platform.Terminated() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (TWin32Platform::HandleDialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

// The library's default terminate handler demangles the exception's type for
// its report; the installer has no console to report to and no use for the
// demangler it would link.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  HardenDllSearch();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  TComInit com;
  TSetupPlatform platform;
  SetPlatform(&platform);

  // The raw line: /D= takes the rest of it exactly as typed, in any language.
  const std::string commandLine = Narrow(GetCommandLineW());
  int code = RunSetup(commandLine, [&platform](TMainForm& mainForm) {
    TMainView mainView(mainForm);
    mainForm.Form.Show();
    TWizardView wizardView(mainForm.Wizard(), mainView.Handle());
    platform.SetWizardWindow(wizardView.Handle());
    TWin32Platform::AddDialogWindow(wizardView.Handle());
    mainForm.Wizard().Form.Show();

    RunMessageLoop(platform);

    TWin32Platform::RemoveDialogWindow(wizardView.Handle());
    platform.SetWizardWindow(nullptr);
    return mainForm.ExitCode();
  });
  SetPlatform(nullptr);
  return code;
}
