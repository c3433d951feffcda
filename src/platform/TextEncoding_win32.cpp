// The system's own code page and case mapping.
#include <climits>

#include "platform/TextEncoding.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"

std::string AnsiToUtf8(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return {};
  TWide wide(static_cast<size_t>(n));
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), n);
  return Narrow(wide);
}

std::string FoldCase(std::string_view utf8) {
  TWide wide = Wide(utf8);
  if (wide.empty() || wide.size() > INT_MAX) return std::string(utf8);
  // The invariant upper case: what ordinal comparisons ignoring case use.
  const int n = static_cast<int>(wide.size());
  TWide upper(wide.size());
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), n, upper.data(), n,
                    nullptr, nullptr, 0) != n)
    return std::string(utf8);
  return Narrow(upper);
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  if (const int ascii = CompareAsciiIgnoreCase(a, b)) return ascii > 0;
  const TWide wa = Wide(a), wb = Wide(b);
  if (wa.size() > INT_MAX || wb.size() > INT_MAX) return false;
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}
