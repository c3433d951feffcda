#pragma once
// The installer's platform: the Win32 platform with the real directory
// chooser, and message boxes that show in front of the always-on-top wizard.
#include "platform/win32/Win32Platform.h"

class TSetupPlatform : public TWin32Platform {
 public:
  // The window that owns the directory chooser.
  void SetWizardWindow(HWND wizard) { wizard_ = wizard; }

  bool ShowDirectorySelect(TDirectorySelect& dialog) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;

 private:
  HWND wizard_ = nullptr;
};
