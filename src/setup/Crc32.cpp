// zlib's inflate refers to crc32() for gzip streams, which the installer
// never reads (package entries are zlib streams, checked with Adler-32).
// zlib's own crc32 brings 12 KiB of tables into the stub; this one is the
// same function computed bit by bit.
#include <zlib.h>

extern "C" uLong crc32(uLong crc, const Bytef* buf, uInt len) {
  if (!buf) return 0;
  crc = ~crc & 0xFFFFFFFFul;
  while (len--) {
    crc ^= *buf++;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1)));
  }
  return ~crc & 0xFFFFFFFFul;
}
