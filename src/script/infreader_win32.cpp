// Header matching the way Windows compares text for the user's locale.
#include <climits>

#include "platform/win32/WinHeader.h"
#include "script/infreader.h"

bool SameHeaderText(const std::string& line, const std::string& header) {
  if (line.size() > INT_MAX || header.size() > INT_MAX) return false;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, line.data(),
                        static_cast<int>(line.size()), header.data(),
                        static_cast<int>(header.size())) == CSTR_EQUAL;
}
