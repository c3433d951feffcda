#pragma once
// The one way Win32 code includes <windows.h>: lean, ANSI, and without the
// old macros whose names clash with the system's own routines.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef GetFreeSpace
#undef MessageBox
#undef DeleteFile
#undef CreateDirectory
#undef WinExec
#undef RegDeleteTree
