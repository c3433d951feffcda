#pragma once
// Finding another process's windows and controls and reading their state,
// through public Win32 calls only.
#include <string>
#include <vector>

#include "platform/win32/WinHeader.h"

namespace drive {

// "@Class" (any caption), "@Class=Caption", or "Caption" (any class).
HWND FindTopLevel(const std::string& query);
// A control below top: a control name from the dialogs' table (matched by
// its identifier), or a caption.
HWND FindControl(HWND top, const std::string& query);

std::string ClassOf(HWND h);
// The window's text (WM_GETTEXT for edit boxes); carriage returns and line feeds written
// as \r and \n so that a value fits on one line.
std::string TextOf(HWND h);
std::string Escaped(const std::string& s);
// Values of a property: text, visible, enabled, checked, pos, range, page,
// class, and of a list box its items (joined by "|") and selected index.
// Throws std::runtime_error for an unknown property.
std::string Property(HWND control, const std::string& prop);
// Every visible top-level window, one line each, with its children.
std::vector<std::string> Describe();

}  // namespace drive
