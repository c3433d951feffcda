#include "ui/win32/BitmapBytes.h"

#include <cstring>

namespace view {

HBITMAP BitmapFromBmpBytes(const std::string& bytes) {
  BITMAPFILEHEADER fh;
  if (bytes.size() < sizeof fh + sizeof(BITMAPINFOHEADER)) return nullptr;
  std::memcpy(&fh, bytes.data(), sizeof fh);
  if (fh.bfType != 0x4D42) return nullptr;  // "BM"
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof fh);
  DWORD headerSize = info->bmiHeader.biSize;
  if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > bytes.size() - sizeof fh)
    return nullptr;
  // Header and pixels must lie inside the bytes; the header's own size
  // field is not trusted for the pixels.
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return nullptr;
  if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return nullptr;
  unsigned long long stride =
      ((static_cast<unsigned long long>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
  long long rows = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  unsigned long long need = stride * static_cast<unsigned long long>(rows);
  if (fh.bfOffBits >= bytes.size() || bytes.size() - fh.bfOffBits < need) return nullptr;
  size_t colours = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount)) : 0;
  if (h.biCompression == BI_BITFIELDS) colours = headerSize == sizeof(BITMAPINFOHEADER) ? 3 : 0;
  if (sizeof fh + headerSize + colours * sizeof(RGBQUAD) > fh.bfOffBits) return nullptr;

  HDC dc = GetDC(nullptr);
  HBITMAP bmp = CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, bytes.data() + fh.bfOffBits, info,
                               DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return bmp;
}

}  // namespace view
