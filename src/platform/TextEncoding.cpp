#include "platform/TextEncoding.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  size_t n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  static const unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (size_t i = n - 1; i > 0; --i, c >>= 6) bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
  bytes[0] = static_cast<char>(kLead[n] | c);
  out.append(bytes, n);
}

// Length of the well-formed sequence at s[i] and its code point; 0 when the
// bytes there are no UTF-8.
size_t DecodeOne(std::string_view s, size_t i, char32_t& c) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char lead = b(0);
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  size_t n;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2, min = 0x80, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3, min = 0x800, c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4, min = 0x10000, c = lead & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16LeMark[] = "\xFF\xFE";

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  char32_t c;
  for (size_t i = 0; i < bytes.size();) {
    // ASCII runs are the common case.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t n = DecodeOne(bytes, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const auto unit = [&](size_t i) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const char16_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // unpaired
    AppendUtf8(out, c);
  }
  if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

std::string TextToUtf8(std::string_view bytes, bool utf16) {
  if (StartsWith(bytes, kUtf8Mark)) return std::string(bytes.substr(3));
  if (utf16 && StartsWith(bytes, kUtf16LeMark)) return Utf16LeToUtf8(bytes.substr(2));
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return AnsiToUtf8(bytes);
}

std::string LicenceTextToUtf8(std::string_view bytes) {
  std::string_view rest = bytes;
  if (StartsWith(rest, kUtf8Mark)) rest.remove_prefix(3);
  if (StartsWith(rest, "{\\rtf")) return std::string(rest);
  if (StartsWith(bytes, kUtf16LeMark)) return Utf16LeToUtf8(bytes.substr(2));
  return TextToUtf8(bytes, true);
}

int CompareAsciiIgnoreCase(std::string_view a, std::string_view b) {
  const auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if ((x | y) & 0x80) return 0;
    // Case folding goes character by character and never drops one: the
    // first ASCII difference after an equal start is final.
    if (upper(x) != upper(y)) return -1;
  }
  if (a.size() == b.size()) return 1;
  const std::string_view rest = a.size() > n ? a.substr(n) : b.substr(n);
  for (char c : rest)
    if (static_cast<unsigned char>(c) & 0x80) return 0;
  return -1;
}

#ifndef _WIN32
namespace {

// Code page 1252's characters 0x80 to 0x9F; the five it leaves undefined
// map to the control characters of the same number, as Windows does.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The simple upper-case mapping for the scripts a test meets: Latin,
// Greek, Cyrillic and full-width Latin.
char32_t Upper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 1) != oddUpper ? c - 1 : c;
  }
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3B1 && c <= 0x3CB) return c - 32;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 37;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 63;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
  return c;
}

}  // namespace

std::string AnsiToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
  }
  return out;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char32_t c;
  for (size_t i = 0; i < utf8.size();) {
    const size_t n = DecodeOne(utf8, i, c);
    if (n == 0) {
      out += utf8[i++];
      continue;
    }
    AppendUtf8(out, Upper(c));
    i += n;
  }
  return out;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  if (const int ascii = CompareAsciiIgnoreCase(a, b)) return ascii > 0;
  return FoldCase(a) == FoldCase(b);
}
#endif
