#pragma once
// The installer's own LZMA decoder, for the solid blocks of a package: a raw
// LZMA stream (no header; the properties travel in the package's index)
// ending in its end marker. The whole content of a block is decoded into one
// buffer, which is at the same time the dictionary, so memory is that buffer
// plus the decoder's few KiB of state. Input is pulled through TLzmaStreams.
// Also here: the decoding side of the x86 branch-call-jump filter, and the
// CRC-32 that the index gives each file.
#include <cstddef>
#include <cstdint>

class TLzmaStreams {
 public:
  virtual ~TLzmaStreams() = default;
  // Up to Size bytes of the stream into Buffer; 0 at its end (or on a
  // failure, which the implementation remembers for itself).
  virtual size_t Read(uint8_t* Buffer, size_t Size) = 0;
  // Called whenever at least kLzmaProgressStep further bytes are decoded, and
  // once at the end: Out[0, Decoded) is final. False stops the decoding.
  virtual bool Progress(size_t Decoded) = 0;
};

inline constexpr size_t kLzmaReadSize = 0x10000;
inline constexpr size_t kLzmaProgressStep = 0x40000;

enum class TLzmaResult { Ended, Stopped, Damaged };

// lc, lp and pb in the classic one-byte form (pb * 5 + lp) * 9 + lc. The
// decoder takes lc + lp up to 4, as the common encoders make them.
bool LzmaPropsValid(uint8_t Props);

// Decodes one raw LZMA stream into Out[0, Capacity).
// Ended: the end marker came after exactly Decoded bytes, the range coder
// finished cleanly and no input byte followed. Stopped: Progress returned
// false. Damaged: anything else, including content beyond Capacity, a match
// reaching before the start, and a stream cut short.
TLzmaResult DecodeLzma(TLzmaStreams& Streams, uint8_t Props, uint8_t* Out, size_t Capacity,
                       size_t& Decoded);

// The x86 filter's decoding direction, over content handed to it in order in
// pieces of any size. Convert changes Data[0, Size) in place, for content
// starting at stream position Pos, and returns how many of its bytes are
// final; the rest (at most 4) must be given again at the front of the next
// piece. At the stream's end the bytes still pending are final as they are.
class TBcjX86 {
 public:
  size_t Convert(uint8_t* Data, size_t Size, uint32_t Pos);

 private:
  uint32_t FPrevMask = 0;
  uint32_t FPrevPos = 0xFFFFFFFBu;  // as if the last opcode lay 5 bytes before the start
};

// CRC-32 (the zlib and PNG one), continued from Crc (0 to start).
uint32_t Crc32(uint32_t Crc, const uint8_t* Data, size_t Size);
