// Test program that holds a file open without sharing it, as a running
// application holds its own files: "holder FILE READY" opens FILE, then
// creates READY and waits until it is ended.
#include "platform/win32/WinHeader.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE held = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 1;
  HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(ready);
  Sleep(INFINITE);
  return 0;
}
