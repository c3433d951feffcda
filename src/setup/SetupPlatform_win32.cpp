#include "setup/SetupPlatform_win32.h"

#include "ui/DirectorySelectForm.h"
#include "ui/win32/DirectorySelectView.h"

bool TSetupPlatform::ShowDirectorySelect(TDirectorySelect& dialog) {
  return view::ShowDirectorySelectModal(dialog, wizard_) == mb::IdOk;
}

int TSetupPlatform::MessageBox(const std::string& text, const std::string& caption,
                               unsigned flags) {
  // A box without an owner would open behind the wizard, which stays on top.
  return TWin32Platform::MessageBox(text, caption, flags | MB_TOPMOST);
}
