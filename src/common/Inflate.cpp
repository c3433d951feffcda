#include "common/Inflate.h"

#include <cstring>
#include <memory>

// Deflate (RFC 1951) inside a zlib wrapper (RFC 1950). Huffman codes are
// decoded through lookup tables: a first table indexed by the next 10 (8 for
// distances) bits of input, whose entries for longer codes point to a
// second-level table. The bit buffer is 64 bits wide and refilled 8 bytes at
// a time while the input buffer holds that many. Content is decoded into one
// buffer that keeps the last 32 KiB (the format's window) in front of what
// has not been handed out yet.
namespace {

constexpr size_t kWindow = 32768;
constexpr size_t kFlushAt = kWindow + 0x20000;  // hand out once 128 KiB wait
constexpr size_t kMaxMatch = 258;
constexpr size_t kOutSize = kFlushAt + kMaxMatch + 8;  // + slack for 8-byte copies

// A table entry: bits 0-4 the code's length (or, with kSub, the index bits
// of its second-level table), bits 16-31 the symbol (or that table's start).
constexpr uint32_t kSub = 0x20;
constexpr uint32_t kBad = 0x40;  // no code has these bits
constexpr unsigned kLitBits = 10, kDistBits = 8, kCodeLenBits = 7;
// Every second-level table belongs to at least one long code.
constexpr size_t kLitTableSize = (1u << kLitBits) + 288 * (1u << (15 - kLitBits));
constexpr size_t kDistTableSize = (1u << kDistBits) + 32 * (1u << (15 - kDistBits));

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kCodeLenOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};

uint32_t Adler32(uint32_t adler, const uint8_t* p, size_t n) {
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (n > 0) {
    size_t k = n < 5552 ? n : 5552;  // the most that cannot overflow b
    n -= k;
    for (; k >= 4; k -= 4, p += 4) {
      a += p[0];
      b += a;
      a += p[1];
      b += a;
      a += p[2];
      b += a;
      a += p[3];
      b += a;
    }
    for (; k > 0; --k) {
      a += *p++;
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  return b << 16 | a;
}

// Fills Table (1 << Bits entries plus second-level tables) for the canonical
// code that Lengths gives the N symbols. False for a code that is
// over-subscribed, or incomplete when the format does not allow it: only a
// literal/length or distance code of a single one-bit code may be. A code
// with no symbols is accepted and decodes nothing.
bool BuildTable(const uint8_t* lengths, unsigned n, uint32_t* table, unsigned bits,
                bool codeLengthCode) {
  unsigned count[16] = {};
  for (unsigned i = 0; i < n; ++i) ++count[lengths[i]];
  count[0] = 0;
  int left = 1;
  unsigned maxLen = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    left = (left << 1) - static_cast<int>(count[len]);
    if (left < 0) return false;
    if (count[len]) maxLen = len;
  }
  if (left > 0 && maxLen > 0 && (codeLengthCode || maxLen != 1)) return false;

  uint16_t offset[16];
  uint16_t sorted[288];
  offset[1] = 0;
  for (unsigned len = 1; len < 15; ++len)
    offset[len + 1] = static_cast<uint16_t>(offset[len] + count[len]);
  for (unsigned s = 0; s < n; ++s)
    if (lengths[s]) sorted[offset[lengths[s]]++] = static_cast<uint16_t>(s);

  const uint32_t size = 1u << bits;
  for (uint32_t i = 0; i < size; ++i) table[i] = kBad;
  const unsigned subBits = maxLen > bits ? maxLen - bits : 0;
  uint32_t next = size;  // where the next second-level table starts
  uint32_t code = 0;
  unsigned index = 0;
  for (unsigned len = 1; len <= maxLen; ++len, code <<= 1) {
    for (unsigned k = 0; k < count[len]; ++k, ++code) {
      const uint32_t entry = static_cast<uint32_t>(sorted[index++]) << 16 | len;
      uint32_t reversed = 0;  // the bits as they arrive: first bit lowest
      for (unsigned b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
      if (len <= bits) {
        for (uint32_t i = reversed; i < size; i += 1u << len) table[i] = entry;
        continue;
      }
      uint32_t& first = table[reversed & (size - 1)];
      if (!(first & kSub)) {
        first = next << 16 | kSub | subBits;
        for (uint32_t i = 0; i < (1u << subBits); ++i) table[next + i] = kBad;
        next += 1u << subBits;
      }
      uint32_t* sub = table + (first >> 16);
      for (uint32_t i = reversed >> bits; i < (1u << subBits); i += 1u << (len - bits))
        sub[i] = entry;
    }
  }
  return true;
}

class TDecoder {
 public:
  explicit TDecoder(TInflateStreams& streams) : FStreams(streams) {}
  TInflateResult Run();

 private:
  enum TBlock { kDone, kStop, kDamaged };

  // Pulls the next piece of input and then hands out what is decoded so
  // far; false at the end of the input or when Write stopped (FStopped).
  bool Pull();
  // Hands out the content decoded since the last call and keeps only the
  // window in the buffer; false when Write stopped.
  bool Flush();
  // At least Count bits in the bit buffer, or false at the end of input.
  bool Need(unsigned count);
  uint32_t Take(unsigned count) {
    const uint32_t v = static_cast<uint32_t>(FBits & ((1ull << count) - 1));
    FBits >>= count;
    FBitCount -= count;
    return v;
  }
  // The next symbol of Table's code, or -1 for a bad code or too little input.
  int Decode(const uint32_t* table, unsigned bits);
  TBlock Stored();
  TBlock Dynamic();
  TBlock Fixed();
  TBlock Codes();

  TInflateStreams& FStreams;
  uint64_t FBits = 0;
  unsigned FBitCount = 0;
  const uint8_t* FIn = nullptr;
  const uint8_t* FInEnd = nullptr;
  uint8_t* FOut = nullptr;      // next byte of content
  uint8_t* FFlushed = nullptr;  // content before this is handed out
  uint32_t FAdler = 1;
  bool FStopped = false;
  bool FInputEnded = false;

  uint8_t FInBuf[kInflateReadSize];
  uint8_t FOutBuf[kOutSize];
  uint32_t FLit[kLitTableSize];
  uint32_t FDist[kDistTableSize];
};

bool TDecoder::Flush() {
  const size_t n = static_cast<size_t>(FOut - FFlushed);
  if (n > 0) {
    FAdler = Adler32(FAdler, FFlushed, n);
    if (!FStreams.Write(FFlushed, n)) {
      FStopped = true;
      return false;
    }
  }
  if (static_cast<size_t>(FOut - FOutBuf) > kWindow) {
    std::memmove(FOutBuf, FOut - kWindow, kWindow);
    FOut = FOutBuf + kWindow;
  }
  FFlushed = FOut;
  return true;
}

bool TDecoder::Pull() {
  if (FInputEnded) return false;
  const size_t n = FStreams.Read(FInBuf, sizeof FInBuf);
  if (n == 0 || n > sizeof FInBuf) {
    FInputEnded = true;
    return false;
  }
  if (!Flush()) return false;
  FIn = FInBuf;
  FInEnd = FInBuf + n;
  return true;
}

bool TDecoder::Need(unsigned count) {
  while (FBitCount < count) {
    if (FIn == FInEnd && !Pull()) return false;
    FBits |= static_cast<uint64_t>(*FIn++) << FBitCount;
    FBitCount += 8;
  }
  return true;
}

int TDecoder::Decode(const uint32_t* table, unsigned bits) {
  Need(15);  // too little input shows as a code longer than what is there
  uint32_t e = table[FBits & ((1u << bits) - 1)];
  if (e & kSub) e = table[(e >> 16) + ((FBits >> bits) & ((1u << (e & 31)) - 1))];
  const unsigned len = e & 31;
  if ((e & kBad) || len > FBitCount) return -1;
  Take(len);
  return static_cast<int>(e >> 16);
}

TDecoder::TBlock TDecoder::Stored() {
  Take(FBitCount & 7);
  if (!Need(32)) return kDamaged;
  const uint32_t len = Take(16);
  if ((Take(16) ^ 0xFFFF) != len) return kDamaged;
  uint32_t left = len;
  while (left > 0 && FBitCount >= 8) {  // whole bytes the bit buffer holds
    if (FOut >= FOutBuf + kFlushAt && !Flush()) return kStop;
    *FOut++ = static_cast<uint8_t>(Take(8));
    --left;
  }
  if (FBitCount == 0) FBits = 0;  // bytes read ahead are copied from FIn below
  while (left > 0) {
    if (FOut >= FOutBuf + kFlushAt && !Flush()) return kStop;
    if (FIn == FInEnd && !Pull()) return FStopped ? kStop : kDamaged;
    size_t n = left;
    if (n > static_cast<size_t>(FInEnd - FIn)) n = static_cast<size_t>(FInEnd - FIn);
    if (n > static_cast<size_t>(FOutBuf + kFlushAt - FOut))
      n = static_cast<size_t>(FOutBuf + kFlushAt - FOut);
    std::memcpy(FOut, FIn, n);
    FOut += n;
    FIn += n;
    left -= static_cast<uint32_t>(n);
  }
  return kDone;
}

TDecoder::TBlock TDecoder::Fixed() {
  uint8_t lengths[288 + 32];
  std::memset(lengths, 8, 144);
  std::memset(lengths + 144, 9, 112);
  std::memset(lengths + 256, 7, 24);
  std::memset(lengths + 280, 8, 8);
  std::memset(lengths + 288, 5, 32);  // 30 and 31 are decoded, then refused
  BuildTable(lengths, 288, FLit, kLitBits, false);
  BuildTable(lengths + 288, 32, FDist, kDistBits, false);
  return Codes();
}

TDecoder::TBlock TDecoder::Dynamic() {
  if (!Need(14)) return kDamaged;
  const unsigned nlen = Take(5) + 257, ndist = Take(5) + 1, ncode = Take(4) + 4;
  if (nlen > 286 || ndist > 30) return kDamaged;
  uint8_t lengths[286 + 30] = {};
  for (unsigned i = 0; i < ncode; ++i) {
    if (!Need(3)) return kDamaged;
    lengths[kCodeLenOrder[i]] = static_cast<uint8_t>(Take(3));
  }
  uint32_t codeTable[1u << kCodeLenBits];  // lengths of at most 7 bits: one level
  if (!BuildTable(lengths, 19, codeTable, kCodeLenBits, true)) return kDamaged;
  std::memset(lengths, 0, 19);
  for (unsigned i = 0; i < nlen + ndist;) {
    const int sym = Decode(codeTable, kCodeLenBits);
    if (sym < 0) return kDamaged;
    if (sym < 16) {
      lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    uint8_t value = 0;
    unsigned repeat;
    if (sym == 16) {
      if (i == 0 || !Need(2)) return kDamaged;
      value = lengths[i - 1];
      repeat = 3 + Take(2);
    } else if (sym == 17) {
      if (!Need(3)) return kDamaged;
      repeat = 3 + Take(3);
    } else {
      if (!Need(7)) return kDamaged;
      repeat = 11 + Take(7);
    }
    if (i + repeat > nlen + ndist) return kDamaged;
    while (repeat-- > 0) lengths[i++] = value;
  }
  if (lengths[256] == 0) return kDamaged;  // no end of block
  if (!BuildTable(lengths, nlen, FLit, kLitBits, false) ||
      !BuildTable(lengths + nlen, ndist, FDist, kDistBits, false))
    return kDamaged;
  return Codes();
}

// The hot loop, on local copies of the state (stores through the content
// pointer could otherwise alias it). Each pass refills the bit buffer to at
// least 56 bits where the input allows, enough for a whole length and
// distance pair (15 + 5 + 15 + 13 bits).
TDecoder::TBlock TDecoder::Codes() {
  uint64_t bits = FBits;
  unsigned count = FBitCount;
  const uint8_t* in = FIn;
  const uint8_t* inEnd = FInEnd;
  uint8_t* out = FOut;
  uint8_t* const flushAt = FOutBuf + kFlushAt;
  const uint32_t* const lit = FLit;
  const uint32_t* const dist = FDist;
  TBlock result = kDamaged;

  auto save = [&] {
    FBits = bits;
    FBitCount = count;
    FIn = in;
    FOut = out;
  };
  auto load = [&] {
    bits = FBits;
    count = FBitCount;
    in = FIn;
    inEnd = FInEnd;
    out = FOut;
  };

  for (;;) {
    if (out >= flushAt) {
      save();
      const bool flushed = Flush();
      load();
      if (!flushed) {
        result = kStop;
        break;
      }
    }
    if (inEnd - in >= 8) {
      uint64_t word;
      std::memcpy(&word, in, 8);
      bits |= word << count;
      in += (63 - count) >> 3;
      count |= 56;
    } else {
      save();
      Need(56);
      load();
      if (FStopped) {
        result = kStop;
        break;
      }
    }

    uint32_t e = lit[bits & ((1u << kLitBits) - 1)];
    if (e & kSub) e = lit[(e >> 16) + ((bits >> kLitBits) & ((1u << (e & 31)) - 1))];
    unsigned len = e & 31;
    if ((e & kBad) || len > count) break;
    bits >>= len;
    count -= len;
    unsigned sym = e >> 16;
    if (sym < 256) {
      *out++ = static_cast<uint8_t>(sym);
      continue;
    }
    if (sym == 256) {
      result = kDone;
      break;
    }
    sym -= 257;
    if (sym >= 29) break;
    unsigned extra = kLengthExtra[sym];
    if (extra > count) break;
    const unsigned length = kLengthBase[sym] + static_cast<unsigned>(bits & ((1u << extra) - 1));
    bits >>= extra;
    count -= extra;

    e = dist[bits & ((1u << kDistBits) - 1)];
    if (e & kSub) e = dist[(e >> 16) + ((bits >> kDistBits) & ((1u << (e & 31)) - 1))];
    len = e & 31;
    if ((e & kBad) || len > count) break;
    bits >>= len;
    count -= len;
    sym = e >> 16;
    if (sym >= 30) break;
    extra = kDistExtra[sym];
    if (extra > count) break;
    const size_t distance = kDistBase[sym] + static_cast<unsigned>(bits & ((1u << extra) - 1));
    bits >>= extra;
    count -= extra;
    if (distance > static_cast<size_t>(out - FOutBuf)) break;  // before the content's start

    const uint8_t* from = out - distance;
    uint8_t* const end = out + length;
    if (distance >= 8) {  // 8 bytes at a time; the buffer has room for the overshoot
      do {
        std::memcpy(out, from, 8);
        out += 8;
        from += 8;
      } while (out < end);
      out = end;
    } else {
      while (out < end) *out++ = *from++;
    }
  }
  save();
  return result;
}

TInflateResult TDecoder::Run() {
  FOut = FFlushed = FOutBuf;
  // The header: deflate, a window of at most 32 KiB, no preset dictionary.
  if (!Need(16)) return FStopped ? TInflateResult::Stopped : TInflateResult::Damaged;
  const uint32_t cmf = Take(8), flg = Take(8);
  if ((cmf & 15) != 8 || (cmf >> 4) > 7 || (cmf << 8 | flg) % 31 != 0 || (flg & 0x20))
    return TInflateResult::Damaged;

  for (bool last = false; !last;) {
    if (!Need(3)) return FStopped ? TInflateResult::Stopped : TInflateResult::Damaged;
    last = Take(1) != 0;
    TBlock block;
    switch (Take(2)) {
      case 0:
        block = Stored();
        break;
      case 1:
        block = Fixed();
        break;
      case 2:
        block = Dynamic();
        break;
      default:
        return TInflateResult::Damaged;
    }
    if (block == kStop || FStopped) return TInflateResult::Stopped;
    if (block != kDone) return TInflateResult::Damaged;
  }
  if (!Flush()) return TInflateResult::Stopped;

  Take(FBitCount & 7);
  if (!Need(32)) return FStopped ? TInflateResult::Stopped : TInflateResult::Damaged;
  uint32_t stored = 0;
  for (int i = 0; i < 4; ++i) stored = stored << 8 | Take(8);
  if (stored != FAdler) return TInflateResult::Damaged;
  // Nothing may follow: not in the bit buffer, the input buffer or the file.
  if (FBitCount > 0 || FIn != FInEnd || (!FInputEnded && FStreams.Read(FInBuf, 1) != 0))
    return TInflateResult::Damaged;
  return TInflateResult::Ended;
}

}  // namespace

TInflateResult InflateZlib(TInflateStreams& Streams) {
  auto decoder = std::make_unique<TDecoder>(Streams);
  return decoder->Run();
}
