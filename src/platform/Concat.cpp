#include "platform/Concat.h"

std::string Concat(std::initializer_list<std::string_view> pieces) {
  size_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  std::string text;
  text.reserve(size);
  for (std::string_view piece : pieces) text.append(piece);
  return text;
}

std::string DecimalText(long long value) {
  char digits[24];
  char* const end = digits + sizeof digits;
  char* p = end;
  unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                   : static_cast<unsigned long long>(value);
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (value < 0) *--p = '-';
  return std::string(p, end);
}
