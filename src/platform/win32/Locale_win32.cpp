// The user's interface languages and numbers in a language's locale.
#include "platform/Concat.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinHeader.h"

std::vector<std::string> TWin32Platform::UserLanguages() {
  ULONG count = 0, size = 0;
  std::vector<std::string> tags;
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0)
    return tags;
  std::vector<wchar_t> buffer(size + 1, L'\0');
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, buffer.data(), &size)) return tags;
  // A list of NUL-ended names, ended by an empty one.
  for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1)
    tags.push_back(Narrow(p, wcslen(p)));
  return tags;
}

std::string TWin32Platform::FormatNumber(int64_t value, const std::string& tag) {
  std::string digits = DecimalText(value);
  TWide locale = Wide(tag);
  // Grouped as the locale groups, without the decimals it would add.
  NUMBERFMTW format{};
  wchar_t decimal[8] = L".", thousand[8] = L",", grouping[16] = L"3;0";
  GetLocaleInfoEx(locale.c_str(), LOCALE_SDECIMAL, decimal, 8);
  if (!GetLocaleInfoEx(locale.c_str(), LOCALE_STHOUSAND, thousand, 8)) return digits;
  GetLocaleInfoEx(locale.c_str(), LOCALE_SGROUPING, grouping, 16);
  format.NumDigits = 0;
  format.LeadingZero = 0;
  format.Grouping = grouping[0] >= L'0' && grouping[0] <= L'9' ? grouping[0] - L'0' : 3;
  format.lpDecimalSep = decimal;
  format.lpThousandSep = thousand;
  format.NegativeOrder = 1;
  TWide number = Wide(digits);
  wchar_t out[64];
  int n = GetNumberFormatEx(locale.c_str(), 0, number.c_str(), &format, out, 64);
  return n > 1 ? Narrow(out, static_cast<size_t>(n - 1)) : digits;
}
