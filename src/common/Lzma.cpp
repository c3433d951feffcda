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
  bool Refill() {
    const size_t n = FCut ? 0 : FStreams.Read(FInBuf, sizeof FInBuf);
    if (n == 0 || n > sizeof FInBuf) {
      FCut = true;
      return false;
    }
    FIn = FInBuf;
    FInEnd = FInBuf + n;
    return true;
  }
  // Past the end of the input the coder reads zeros; the main loop sees FCut
  // before it trusts anything decoded from them.
  uint8_t NextByte() { return FIn != FInEnd || Refill() ? *FIn++ : 0; }
  void Normalize() {
    if (FRange < kTop) {
      FRange <<= 8;
      FCode = FCode << 8 | NextByte();
    }
  }
  unsigned Bit(uint16_t& p) {
    Normalize();
    const uint32_t bound = (FRange >> kModelBits) * p;
    if (FCode < bound) {
      FRange = bound;
      p = static_cast<uint16_t>(p + (((1u << kModelBits) - p) >> kMoveBits));
      return 0;
    }
    FRange -= bound;
    FCode -= bound;
    p = static_cast<uint16_t>(p - (p >> kMoveBits));
    return 1;
  }
  unsigned Tree(uint16_t* probs, unsigned bits) {
    unsigned m = 1;
    for (unsigned i = 0; i < bits; ++i) m = m << 1 | Bit(probs[m]);
    return m - (1u << bits);
  }
  unsigned ReverseTree(uint16_t* probs, unsigned bits) {
    unsigned m = 1, symbol = 0;
    for (unsigned i = 0; i < bits; ++i) {
      const unsigned b = Bit(probs[m]);
      m = m << 1 | b;
      symbol |= b << i;
    }
    return symbol;
  }
  uint32_t Direct(unsigned bits) {
    uint32_t r = 0;
    while (bits-- > 0) {
      Normalize();
      FRange >>= 1;
      FCode -= FRange;
      const uint32_t t = 0u - (FCode >> 31);
      FCode += FRange & t;
      r = (r << 1) + (t + 1);
    }
    return r;
  }
  unsigned Length(TLenProbs& l, unsigned posState) {
    if (!Bit(l.Choice)) return Tree(l.Low[posState], 3);
    if (!Bit(l.Choice2)) return 8 + Tree(l.Mid[posState], 3);
    return 16 + Tree(l.High, 8);
  }
  uint8_t Literal(size_t pos, unsigned state, uint32_t rep0);
  // The end marker has been read: the coder must finish cleanly and the
  // input end right there.
  bool Finished() {
    Normalize();
    return !FCut && FCode == 0 && FIn == FInEnd && !Refill();
  }

  TLzmaStreams& FStreams;
  uint8_t* const FOut;
  const size_t FCap;
  unsigned FLc, FLp, FPbMask, FLpMask;
  uint32_t FRange = 0xFFFFFFFFu, FCode = 0;
  const uint8_t* FIn = nullptr;
  const uint8_t* FInEnd = nullptr;
  bool FCut = false;
  TProbs FProbs;
  uint8_t FInBuf[kLzmaReadSize];
};

uint8_t TDecoder::Literal(size_t pos, unsigned state, uint32_t rep0) {
  const unsigned prev = pos > 0 ? FOut[pos - 1] : 0;
  uint16_t* probs = FProbs.Literal + kLitSize * (((pos & FLpMask) << FLc) + (prev >> (8 - FLc)));
  unsigned symbol = 1;
  if (state >= 7) {
    // After a match, the byte at the match distance guides the first bits.
    unsigned match = FOut[pos - rep0 - 1];
    do {
      const unsigned matchBit = (match >> 7) & 1;
      match <<= 1;
      const unsigned bit = Bit(probs[0x100 + (matchBit << 8) + symbol]);
      symbol = symbol << 1 | bit;
      if (matchBit != bit) break;
    } while (symbol < 0x100);
  }
  while (symbol < 0x100) symbol = symbol << 1 | Bit(probs[symbol]);
  return static_cast<uint8_t>(symbol);
}

TLzmaResult TDecoder::Run(size_t& decoded) {
  size_t pos = 0;
  decoded = 0;
  if (NextByte() != 0) return TLzmaResult::Damaged;  // the coder's first byte is always 0
  for (int i = 0; i < 4; ++i) FCode = FCode << 8 | NextByte();
  uint32_t rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0;
  unsigned state = 0;
  size_t nextReport = kLzmaProgressStep;
  for (;;) {
    if (FCut) return TLzmaResult::Damaged;
    if (pos >= nextReport) {
      decoded = pos;
      if (!FStreams.Progress(pos)) return TLzmaResult::Stopped;
      nextReport = pos + kLzmaProgressStep;
    }
    const unsigned posState = pos & FPbMask;
    if (!Bit(FProbs.IsMatch[state][posState])) {
      if (pos >= FCap) return TLzmaResult::Damaged;
      FOut[pos] = Literal(pos, state, rep0);
      ++pos;
      state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
      continue;
    }
    unsigned len;
    if (Bit(FProbs.IsRep[state])) {
      if (pos == 0) return TLzmaResult::Damaged;
      if (!Bit(FProbs.IsRepG0[state])) {
        if (!Bit(FProbs.IsRep0Long[state][posState])) {
          state = state < 7 ? 9 : 11;
          if (pos >= FCap) return TLzmaResult::Damaged;
          FOut[pos] = FOut[pos - rep0 - 1];
          ++pos;
          continue;
        }
      } else {
        uint32_t dist;
        if (!Bit(FProbs.IsRepG1[state])) {
          dist = rep1;
        } else {
          if (!Bit(FProbs.IsRepG2[state])) {
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
      len = Length(FProbs.RepLen, posState);
      state = state < 7 ? 8 : 11;
    } else {
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      len = Length(FProbs.MatchLen, posState);
      state = state < 7 ? 7 : 10;
      const unsigned slot = Tree(FProbs.PosSlot[len < 3 ? len : 3], 6);
      if (slot < 4) {
        rep0 = slot;
      } else {
        const unsigned bits = (slot >> 1) - 1;
        rep0 = (2u | (slot & 1)) << bits;
        if (slot < 14) {
          rep0 += ReverseTree(FProbs.SpecPos + rep0 - slot, bits);
        } else {
          rep0 += Direct(bits - 4) << 4;
          rep0 += ReverseTree(FProbs.Align, 4);
        }
        if (rep0 == 0xFFFFFFFFu) {
          if (!Finished()) return TLzmaResult::Damaged;
          decoded = pos;
          return FStreams.Progress(pos) ? TLzmaResult::Ended : TLzmaResult::Stopped;
        }
      }
    }
    if (rep0 >= pos) return TLzmaResult::Damaged;
    len += 2;
    if (len > FCap - pos) return TLzmaResult::Damaged;
    const uint8_t* from = FOut + pos - rep0 - 1;
    uint8_t* to = FOut + pos;
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
