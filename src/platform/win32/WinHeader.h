#pragma once
// The one way Win32 code includes <windows.h>: lean, wide (the programs' UTF-8
// text is converted at each call, see Wide.h), and without the old macros
// whose names clash with the system's own routines.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
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
