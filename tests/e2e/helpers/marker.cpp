// Test program for [run and wait] and [launch]: appends its arguments as one
// line (UTF-8) to marker.txt beside itself, then waits a moment when asked
// ("--sleep=MS"), so that the page shown meanwhile can be photographed.
#include <cwchar>
#include <string>

#include "platform/win32/WinHeader.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR args, int) {
  wchar_t exe[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe, n);
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"marker.txt";
  HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  int size = WideCharToMultiByte(CP_UTF8, 0, args, -1, nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, args, -1, line.data(), size, nullptr, nullptr);
  line.resize(line.size() - 1);  // the NUL
  line += "\r\n";
  DWORD written;
  WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(f);
  if (const wchar_t* s = std::wcsstr(args, L"--sleep=")) Sleep(static_cast<DWORD>(_wtoi(s + 8)));
  return 0;
}
