// Feeds arbitrary bytes to the LZMA decoder and the x86 filter: the first
// byte is the properties, the next two the capacity in KiB, the rest the
// stream, read in pieces whose size the input also chooses. Nothing may
// crash, read or write out of bounds, or hang.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/Lzma.h"

namespace {

struct TSource : TLzmaStreams {
  TSource(const uint8_t* data, size_t size, size_t piece) : Data(data), Size(size), Piece(piece) {}
  size_t Read(uint8_t* buffer, size_t size) override {
    size_t n = Size - Pos < size ? Size - Pos : size;
    if (n > Piece) n = Piece;
    for (size_t i = 0; i < n; ++i) buffer[i] = Data[Pos + i];
    Pos += n;
    return n;
  }
  bool Progress(size_t decoded) override {
    if (decoded < Last) std::abort();
    Last = decoded;
    return true;
  }
  const uint8_t* Data;
  size_t Size, Piece, Pos = 0, Last = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t props = data[0];
  // Up to 4 MiB, in KiB, plus up to 15 bytes.
  const size_t capacity = (data[1] | static_cast<size_t>(data[2] & 0x0F) << 8) << 10 | data[2] >> 4;
  TSource source(data + 3, size - 3, 1 + static_cast<size_t>(data[1] ^ data[2]) % 5000);
  std::vector<uint8_t> out(capacity);
  size_t decoded = 0;
  const TLzmaResult r = DecodeLzma(source, props, out.data(), capacity, decoded);
  if (decoded > capacity) std::abort();
  if (r == TLzmaResult::Ended) {
    TBcjX86 bcj;
    size_t done = 0;
    while (decoded - done >= 5) {
      const size_t n = bcj.Convert(out.data() + done, decoded - done, static_cast<uint32_t>(done));
      if (n == 0 || n > decoded - done) std::abort();
      done += n;
    }
    (void)Crc32(0, out.data(), decoded);
  }
  return 0;
}
