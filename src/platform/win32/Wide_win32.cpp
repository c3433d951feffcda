#include <climits>
#include <cstring>
#include <cwchar>

#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"

// Plain operator new: an array new would link the runtime's handling of
// impossible array sizes into the installer.
TWide::TWide(size_t n)
    : p_(static_cast<wchar_t*>(::operator new((n + 1) * sizeof(wchar_t)))), n_(n) {
  std::memset(p_, 0, (n + 1) * sizeof(wchar_t));
}

TWide::~TWide() { ::operator delete(p_); }

TWide& TWide::operator=(TWide&& other) noexcept {
  if (this != &other) {
    ::operator delete(p_);
    p_ = other.p_;
    n_ = other.n_;
    other.p_ = nullptr;
    other.n_ = 0;
  }
  return *this;
}

void TWide::Truncate(size_t n) {
  if (n >= n_) return;
  n_ = n;
  p_[n] = L'\0';
}

TWide Wide(std::string_view utf8) {
  // Even empty text is a writable buffer: some calls write into theirs.
  if (utf8.empty() || utf8.size() > INT_MAX) return TWide(0);
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (n <= 0) return TWide(0);
  TWide out(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* utf16, size_t count) {
  if (!utf16 || count == 0 || count > INT_MAX) return {};
  const int size = static_cast<int>(count);
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16, size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, utf16, size, out.data(), n, nullptr, nullptr);
  return out;
}

std::string Narrow(const wchar_t* utf16) { return utf16 ? Narrow(utf16, wcslen(utf16)) : ""; }

TWide WidePath(std::string_view path) {
  TWide wide = Wide(path);
  // Below this a path, and a file name of up to 12 characters in a folder
  // of it, is within the classic limits.
  if (wide.size() < MAX_PATH - 12 || std::wcsncmp(wide.c_str(), L"\\\\?\\", 4) == 0) return wide;
  // The "\\?\" form is taken literally: resolve "..", "." and "/" first.
  const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) return wide;
  // Room for "\\?\UNC\" in front of the full path.
  TWide out(need + 8);
  wchar_t* full = out.data() + 8;
  const DWORD n = GetFullPathNameW(wide.c_str(), need, full, nullptr);
  if (n == 0 || n >= need) return wide;
  // "\\server\share\x" becomes "\\?\UNC\server\share\x" (the prefix takes the
  // place of the first backslash); "C:\x" becomes "\\?\C:\x".
  wchar_t* begin;
  if (full[0] == L'\\' && full[1] == L'\\') {
    begin = full - 6;
    std::memcpy(begin, L"\\\\?\\UNC", 7 * sizeof(wchar_t));
  } else if (n >= 3 && full[1] == L':' && full[2] == L'\\') {
    begin = full - 4;
    std::memcpy(begin, L"\\\\?\\", 4 * sizeof(wchar_t));
  } else {
    return wide;
  }
  const size_t length = static_cast<size_t>(full + n - begin);
  std::memmove(out.data(), begin, length * sizeof(wchar_t));
  out.Truncate(length);
  return out;
}
