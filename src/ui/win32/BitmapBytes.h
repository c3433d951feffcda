#pragma once
// A device-dependent bitmap made from the bytes of a BMP file.
#include <string>

#include "platform/win32/WinHeader.h"

namespace view {
// nullptr when the bytes are not a BMP file this can read.
HBITMAP BitmapFromBmpBytes(const std::string& bytes);
}  // namespace view
