#pragma once
// Loads a rich-edit control: rich text when the text starts with "{\rtf",
// plain text otherwise.
#include <string>

#include "platform/win32/WinHeader.h"

namespace view {
// The rich-edit window class, loading its library from the system folder.
const char* RichEditClass();
void LoadRichText(HWND richEdit, const std::string& text);
}  // namespace view
