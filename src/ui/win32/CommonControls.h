#pragma once
// The common controls' and rich edit's headers, which need <windows.h>
// before them (kept in this order whatever the include sorting).
// clang-format off
#include "platform/win32/WinHeader.h"
#include <commctrl.h>
#include <richedit.h>
// clang-format on
