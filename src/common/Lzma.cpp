#include "common/Lzma.h"

#include <array>
#include <cstring>
#include <memory>

// A plain LZMA decoder: range coder with 11-bit probabilities, literals with
// lc/lp context, lengths and distances as in the format's reference. The
// dictionary is the output buffer itself, so a distance is valid when it
// reaches no further back than the first byte decoded.
namespace {

constexpr uint32_t kTop = 1u << 24;
constexpr unsigned kModelBits = 11, kMoveBits = 5;
constexpr uint16_t kProbInit = 1u << (kModelBits - 1);
constexpr unsigned kStates = 12, kPosStatesMax = 16, kLitStatesMax = 16;
constexpr unsigned kLitSize = 0x300;

struct TLenProbs {
  uint16_t Choice, Choice2;
  uint16_t Low[kPosStatesMax][8], Mid[kPosStatesMax][8], High[256];
};

// Every probability of the model, so that one fill sets them all.
struct TProbs {
  uint16_t IsMatch[kStates][kPosStatesMax];
  uint16_t IsRep[kStates], IsRepG0[kStates], IsRepG1[kStates], IsRepG2[kStates];
  uint16_t IsRep0Long[kStates][kPosStatesMax];
  uint16_t PosSlot[4][64];
  uint16_t SpecPos[115];
  uint16_t Align[16];
  TLenProbs MatchLen, RepLen;
  uint16_t Literal[kLitSize * kLitStatesMax];
};

// The range coder's state, kept in locals of the decoding loop so that it
// stays in registers: the output bytes written in between may alias
// anything the compiler cannot see is separate.
struct TRange {
  uint32_t Range, Code;
  const uint8_t* In;
};

inline void Normalize(TRange& rc) {
  if (rc.Range < kTop) {
    rc.Range <<= 8;
    rc.Code = rc.Code << 8 | *rc.In++;
  }
}

inline unsigned Bit(TRange& rc, uint16_t& p) {
  Normalize(rc);
  const uint32_t bound = (rc.Range >> kModelBits) * p;
  if (rc.Code < bound) {
    rc.Range = bound;
    p = static_cast<uint16_t>(p + (((1u << kModelBits) - p) >> kMoveBits));
    return 0;
  }
  rc.Range -= bound;
  rc.Code -= bound;
  p = static_cast<uint16_t>(p - (p >> kMoveBits));
  return 1;
}

inline unsigned Tree(TRange& rc, uint16_t* probs, unsigned bits) {
  unsigned m = 1;
  for (unsigned i = 0; i < bits; ++i) m = m << 1 | Bit(rc, probs[m]);
  return m - (1u << bits);
}

inline unsigned ReverseTree(TRange& rc, uint16_t* probs, unsigned bits) {
  unsigned m = 1, symbol = 0;
  for (unsigned i = 0; i < bits; ++i) {
    const unsigned b = Bit(rc, probs[m]);
    m = m << 1 | b;
    symbol |= b << i;
  }
  return symbol;
}

inline uint32_t Direct(TRange& rc, unsigned bits) {
  uint32_t r = 0;
  while (bits-- > 0) {
    Normalize(rc);
    rc.Range >>= 1;
    rc.Code -= rc.Range;
    const uint32_t t = 0u - (rc.Code >> 31);
    rc.Code += rc.Range & t;
    r = (r << 1) + (t + 1);
  }
  return r;
}

inline unsigned Length(TRange& rc, TLenProbs& l, unsigned posState) {
  if (!Bit(rc, l.Choice)) return Tree(rc, l.Low[posState], 3);
  if (!Bit(rc, l.Choice2)) return 8 + Tree(rc, l.Mid[posState], 3);
  return 16 + Tree(rc, l.High, 8);
}

// No symbol takes more input than this (a match with all its direct bits
// takes about 50 bytes), so the loop checks for input once per symbol.
constexpr size_t kMargin = 64;

class TDecoder {
 public:
  TDecoder(TLzmaStreams& streams, uint8_t props, uint8_t* out, size_t capacity)
      : FStreams(streams), FOut(out), FCap(capacity) {
    FLc = props % 9;
    FLp = props / 9 % 5;
    FPbMask = (1u << (props / 45)) - 1;
    FLpMask = (1u << FLp) - 1;
    uint16_t* p = reinterpret_cast<uint16_t*>(&FProbs);
    for (size_t i = 0; i < sizeof FProbs / sizeof(uint16_t); ++i) p[i] = kProbInit;
  }
  TLzmaResult Run(size_t& decoded);

 private:
  // Keeps the unread bytes from In on and reads more behind them; at the end
  // of the input, zeros follow its last byte, which the loop must then not
  // pass (FEnd). Returns where In's bytes are now.
  const uint8_t* Refill(const uint8_t* in);

  TLzmaStreams& FStreams;
  uint8_t* const FOut;
  const size_t FCap;
  unsigned FLc, FLp, FPbMask, FLpMask;
  const uint8_t* FEnd = FInBuf;
  bool FEnded = false;
  TProbs FProbs;
  uint8_t FInBuf[kLzmaReadSize + kMargin];
};

const uint8_t* TDecoder::Refill(const uint8_t* in) {
  if (FEnded) return in;
  const size_t kept = static_cast<size_t>(FEnd - in);
  std::memmove(FInBuf, in, kept);
  size_t have = kept;
  while (have < kLzmaReadSize) {
    const size_t n = FStreams.Read(FInBuf + have, kLzmaReadSize - have);
    if (n == 0 || n > kLzmaReadSize - have) {
      FEnded = true;
      break;
    }
    have += n;
  }
  FEnd = FInBuf + have;
  if (FEnded) std::memset(FInBuf + have, 0, kMargin);
  return FInBuf;
}

TLzmaResult TDecoder::Run(size_t& decoded) {
  uint8_t* const out = FOut;
  size_t pos = 0;
  decoded = 0;
  TRange rc{0xFFFFFFFFu, 0, Refill(FInBuf)};
  if (FEnd - rc.In < 5 || *rc.In++ != 0) return TLzmaResult::Damaged;  // the first byte is 0
  for (int i = 0; i < 4; ++i) rc.Code = rc.Code << 8 | *rc.In++;
  uint32_t rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0;
  unsigned state = 0;
  size_t nextReport = kLzmaProgressStep;
  for (;;) {
    if (FEnd - rc.In < static_cast<ptrdiff_t>(kMargin)) {
      if (rc.In > FEnd) return TLzmaResult::Damaged;  // cut short
      rc.In = Refill(rc.In);
    }
    if (pos >= nextReport) {
      decoded = pos;
      if (!FStreams.Progress(pos)) return TLzmaResult::Stopped;
      nextReport = pos + kLzmaProgressStep;
    }
    const unsigned posState = pos & FPbMask;
    if (!Bit(rc, FProbs.IsMatch[state][posState])) {
      if (pos >= FCap) return TLzmaResult::Damaged;
      const unsigned prev = pos > 0 ? out[pos - 1] : 0;
      uint16_t* probs =
          FProbs.Literal + kLitSize * (((pos & FLpMask) << FLc) + (prev >> (8 - FLc)));
      unsigned symbol = 1;
      if (state >= 7) {
        // After a match, the byte at the match distance guides the first bits.
        unsigned match = out[pos - rep0 - 1];
        do {
          const unsigned matchBit = (match >> 7) & 1;
          match <<= 1;
          const unsigned bit = Bit(rc, probs[0x100 + (matchBit << 8) + symbol]);
          symbol = symbol << 1 | bit;
          if (matchBit != bit) break;
        } while (symbol < 0x100);
      }
      while (symbol < 0x100) symbol = symbol << 1 | Bit(rc, probs[symbol]);
      out[pos++] = static_cast<uint8_t>(symbol);
      state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
      continue;
    }
    unsigned len;
    if (Bit(rc, FProbs.IsRep[state])) {
      if (pos == 0) return TLzmaResult::Damaged;
      if (!Bit(rc, FProbs.IsRepG0[state])) {
        if (!Bit(rc, FProbs.IsRep0Long[state][posState])) {
          state = state < 7 ? 9 : 11;
          if (pos >= FCap) return TLzmaResult::Damaged;
          out[pos] = out[pos - rep0 - 1];
          ++pos;
          continue;
        }
      } else {
        uint32_t dist;
        if (!Bit(rc, FProbs.IsRepG1[state])) {
          dist = rep1;
        } else {
          if (!Bit(rc, FProbs.IsRepG2[state])) {
            dist = rep2;
          } else {
            dist = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = dist;
      }
      len = Length(rc, FProbs.RepLen, posState);
      state = state < 7 ? 8 : 11;
    } else {
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      len = Length(rc, FProbs.MatchLen, posState);
      state = state < 7 ? 7 : 10;
      const unsigned slot = Tree(rc, FProbs.PosSlot[len < 3 ? len : 3], 6);
      if (slot < 4) {
        rep0 = slot;
      } else {
        const unsigned bits = (slot >> 1) - 1;
        rep0 = (2u | (slot & 1)) << bits;
        if (slot < 14) {
          rep0 += ReverseTree(rc, FProbs.SpecPos + rep0 - slot, bits);
        } else {
          rep0 += Direct(rc, bits - 4) << 4;
          rep0 += ReverseTree(rc, FProbs.Align, 4);
        }
        if (rep0 == 0xFFFFFFFFu) {
          // The end marker: the coder must finish cleanly and the input end
          // right there.
          Normalize(rc);
          if (rc.In != FEnd || rc.Code != 0) return TLzmaResult::Damaged;
          if (Refill(rc.In) != FEnd) return TLzmaResult::Damaged;
          decoded = pos;
          return FStreams.Progress(pos) ? TLzmaResult::Ended : TLzmaResult::Stopped;
        }
      }
    }
    if (rep0 >= pos) return TLzmaResult::Damaged;
    len += 2;
    if (len > FCap - pos) return TLzmaResult::Damaged;
    const uint8_t* from = out + pos - rep0 - 1;
    uint8_t* to = out + pos;
    pos += len;
    if (rep0 + 1 >= len) {
      std::memcpy(to, from, len);
    } else {
      for (unsigned i = 0; i < len; ++i) to[i] = from[i];  // overlapping: a run
    }
  }
}

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

bool ByteIsSignOnly(uint8_t b) { return b == 0 || b == 0xFF; }

}  // namespace

bool LzmaPropsValid(uint8_t Props) {
  if (Props >= 9 * 5 * 5) return false;
  return Props % 9 + Props / 9 % 5 <= 4;
}

TLzmaResult DecodeLzma(TLzmaStreams& Streams, uint8_t Props, uint8_t* Out, size_t Capacity,
                       size_t& Decoded) {
  Decoded = 0;
  if (!LzmaPropsValid(Props)) return TLzmaResult::Damaged;
  auto decoder = std::make_unique<TDecoder>(Streams, Props, Out, Capacity);
  return decoder->Run(Decoded);
}

// An E8 (call) or E9 (jump) whose 32-bit operand looks like a near address
// had that operand turned from relative to absolute when packed; this turns
// it back. PrevMask remembers which of the last bytes were such opcodes, so
// that operands are recognised as the packer recognised them.
size_t TBcjX86::Convert(uint8_t* Data, size_t Size, uint32_t Pos) {
  static constexpr bool kAllowed[8] = {true, true, true, false, true, false, false, false};
  static constexpr uint32_t kBitNumber[8] = {0, 1, 2, 2, 3, 3, 3, 3};
  if (Size < 5) return 0;
  uint32_t prevMask = FPrevMask, prevPos = FPrevPos;
  if (Pos - prevPos > 5) prevPos = Pos - 5;
  const size_t limit = Size - 5;
  size_t i = 0;
  while (i <= limit) {
    uint8_t b = Data[i];
    if (b != 0xE8 && b != 0xE9) {
      ++i;
      continue;
    }
    const uint32_t offset = Pos + static_cast<uint32_t>(i) - prevPos;
    prevPos = Pos + static_cast<uint32_t>(i);
    if (offset > 5) {
      prevMask = 0;
    } else {
      for (uint32_t k = 0; k < offset; ++k) prevMask = (prevMask & 0x77) << 1;
    }
    b = Data[i + 4];
    if (ByteIsSignOnly(b) && kAllowed[(prevMask >> 1) & 7] && (prevMask >> 1) < 0x10) {
      uint32_t src = uint32_t{b} << 24 | uint32_t{Data[i + 3]} << 16 | uint32_t{Data[i + 2]} << 8 |
                     Data[i + 1];
      uint32_t dest;
      for (;;) {
        dest = src - (Pos + static_cast<uint32_t>(i) + 5);
        if (prevMask == 0) break;
        const uint32_t k = kBitNumber[prevMask >> 1];
        b = static_cast<uint8_t>(dest >> (24 - k * 8));
        if (!ByteIsSignOnly(b)) break;
        src = dest ^ ((1u << (32 - k * 8)) - 1);
      }
      Data[i + 4] = static_cast<uint8_t>(~(((dest >> 24) & 1) - 1));
      Data[i + 3] = static_cast<uint8_t>(dest >> 16);
      Data[i + 2] = static_cast<uint8_t>(dest >> 8);
      Data[i + 1] = static_cast<uint8_t>(dest);
      i += 5;
      prevMask = 0;
    } else {
      ++i;
      prevMask |= 1;
      if (ByteIsSignOnly(b)) prevMask |= 0x10;
    }
  }
  FPrevMask = prevMask;
  FPrevPos = prevPos;
  return i;
}

uint32_t Crc32(uint32_t Crc, const uint8_t* Data, size_t Size) {
  uint32_t c = ~Crc;
  for (size_t i = 0; i < Size; ++i) c = kCrcTable[(c ^ Data[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}
