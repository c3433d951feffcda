// The installer program: checks its package, then shows the background and
// the wizard and runs the message loop until the installation ends.
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "engine/MainFormUnit.h"
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
  FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  if (proc)
    reinterpret_cast<TSetDefault>(reinterpret_cast<void*>(proc))(LOAD_LIBRARY_SEARCH_SYSTEM32);
  else
    SetDllDirectoryA("");
}

void ShowStartupError(const std::string& message) {
  MessageBoxA(nullptr, message.c_str(), "Setup Error", MB_OK | MB_ICONERROR | MB_TOPMOST);
}

void RunMessageLoop(TPlatform& platform) {
  MSG msg;
  while (!platform.Terminated() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (TWin32Platform::HandleDialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

// The library's default terminate handler demangles the exception's type for
// its report; the installer has no console to report to and no use for the
// demangler it would link.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HardenDllSearch();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  TComInit com;
  TSetupPlatform platform;
  SetPlatform(&platform);

  auto mainForm = std::make_unique<TMainForm>();
  // Nothing is shown and nothing is written before the package has proved
  // usable; a damaged one gets one message and a non-zero exit code.
  try {
    mainForm->FormCreate();
  } catch (const ESetupDamaged& e) {
    ShowStartupError(e.what());
    return 2;
  } catch (const std::exception& e) {
    ShowStartupError(std::string("The installer is damaged or incomplete.\r\r") + e.what());
    return 2;
  }

  {
    TMainView mainView(*mainForm);
    mainForm->Form.Show();
    TWizardView wizardView(mainForm->Wizard(), mainView.Handle());
    platform.SetWizardWindow(wizardView.Handle());
    TWin32Platform::AddDialogWindow(wizardView.Handle());
    mainForm->Wizard().Form.Show();

    RunMessageLoop(platform);

    TWin32Platform::RemoveDialogWindow(wizardView.Handle());
  }
  SetPlatform(nullptr);
  // A failed installation must not look like a successful one to whoever
  // started the installer.
  return mainForm->InstallFailed() ? 1 : 0;
}
