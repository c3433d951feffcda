#pragma once
// The directory chooser's window, shown modally.
#include "platform/win32/WinHeader.h"

class TDirectorySelect;

namespace view {
// Shows the chooser in front of owner, with every other window of the thread
// disabled, until the model's ModalResult is set (or the application quits,
// which counts as Cancel). Returns the ModalResult.
int ShowDirectorySelectModal(TDirectorySelect& dialog, HWND owner);
}  // namespace view
