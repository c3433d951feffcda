// The LZMA decoder and the x86 filter against liblzma itself: what liblzma
// makes decodes to the same bytes in input pieces of any size, and damaged
// or cut streams are refused exactly where liblzma refuses them.
#include "common/Lzma.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

struct TSource : TLzmaStreams {
  TSource(const std::string& in, size_t piece) : In(in), Piece(piece) {}
  size_t Read(uint8_t* buffer, size_t size) override {
    const size_t n = std::min({size, Piece, In.size() - Pos});
    In.copy(reinterpret_cast<char*>(buffer), n, Pos);
    Pos += n;
    return n;
  }
  bool Progress(size_t decoded) override {
    EXPECT_GE(decoded, Reported);
    Reported = decoded;
    return decoded < StopAt;
  }
  const std::string& In;
  size_t Piece, Pos = 0, Reported = 0, StopAt = SIZE_MAX;
};

constexpr uint8_t Props(unsigned lc, unsigned lp, unsigned pb) {
  return static_cast<uint8_t>((pb * 5 + lp) * 9 + lc);
}

lzma_options_lzma Options(uint8_t props, uint32_t dict, uint32_t preset = 6) {
  lzma_options_lzma o;
  lzma_lzma_preset(&o, preset);
  o.dict_size = dict;
  o.lc = props % 9;
  o.lp = props / 9 % 5;
  o.pb = props / 45;
  return o;
}

std::string Encode(const std::string& data, uint8_t props, bool x86, uint32_t preset = 6) {
  lzma_options_lzma o = Options(props, 1u << 24, preset);
  lzma_filter filters[3] = {
      {LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream s = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_raw_encoder(&s, x86 ? filters : filters + 1), LZMA_OK);
  std::string out(data.size() + data.size() / 2 + 4096, '\0');
  s.next_in = reinterpret_cast<const uint8_t*>(data.data());
  s.avail_in = data.size();
  s.next_out = reinterpret_cast<uint8_t*>(out.data());
  s.avail_out = out.size();
  EXPECT_EQ(lzma_code(&s, LZMA_FINISH), LZMA_STREAM_END);
  out.resize(s.total_out);
  lzma_end(&s);
  return out;
}

// liblzma's verdict on a stream of at most capacity bytes of content: whole,
// ended by its marker, with nothing after it.
bool Oracle(const std::string& in, uint8_t props, bool x86, size_t capacity, std::string& out) {
  lzma_options_lzma o = Options(props, 1u << 26);
  lzma_filter filters[3] = {
      {LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream s = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_raw_decoder(&s, x86 ? filters : filters + 1), LZMA_OK);
  out.assign(capacity + 1, '\0');
  s.next_in = reinterpret_cast<const uint8_t*>(in.data());
  s.avail_in = in.size();
  s.next_out = reinterpret_cast<uint8_t*>(out.data());
  s.avail_out = out.size();
  const lzma_ret ret = lzma_code(&s, LZMA_FINISH);
  out.resize(s.total_out);
  lzma_end(&s);
  return ret == LZMA_STREAM_END && s.avail_in == 0 && out.size() <= capacity;
}

// As the installer reads a block: decoded whole, then the x86 filter undone
// in pieces of the given size.
TLzmaResult Decode(const std::string& in, uint8_t props, bool x86, size_t capacity,
                   std::string& out, size_t piece, size_t filterPiece = 4096) {
  TSource source(in, piece);
  out.assign(capacity, '\0');
  size_t decoded = 0;
  const TLzmaResult r =
      DecodeLzma(source, props, reinterpret_cast<uint8_t*>(out.data()), capacity, decoded);
  out.resize(decoded);
  if (r == TLzmaResult::Ended && x86) {
    TBcjX86 bcj;
    size_t done = 0;
    while (done < out.size()) {
      const size_t n = std::min(filterPiece, out.size() - done);
      done += bcj.Convert(reinterpret_cast<uint8_t*>(out.data()) + done, n,
                          static_cast<uint32_t>(done));
      if (n < 5) break;  // the last bytes stay as they are
    }
  }
  return r;
}

std::string Mixed(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) {
    switch (rng() % 4) {
      case 0:
        for (int i = 0; i < 200; ++i) s += static_cast<char>(rng());
        break;
      case 1:
        s.append(rng() % 500, static_cast<char>(rng()));
        break;
      case 2:  // a repeat from far back, or calls with near addresses
        if (!s.empty()) {
          const size_t from = s.size() - 1 - rng() % s.size();
          for (size_t i = 0, n = 2 + rng() % 300; i < n; ++i) s += s[from + i];
        }
        for (int i = 0; i < 8; ++i)
          s += std::string("\xE8\x10\x20\x00\x00\x90\xE9\xF0\xFF\xFF\xFF", 11);
        break;
      default:
        for (int i = 0; i < 60; ++i) s += "lorem ipsum dolor "[rng() % 18];
    }
  }
  s.resize(size);
  return s;
}

std::string ThisProgram() {
  std::ifstream f("/proc/self/exe", std::ios::binary);
  std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  return s.substr(0, std::min<size_t>(s.size(), 1536u << 10));
}

TEST(LzmaTest, DecodesWhatLiblzmaMakesInAnyPieces) {
  const std::string program = ThisProgram();
  const std::string mixed = Mixed(1500000, 1);
  for (const std::string* content : {&program, &mixed}) {
    for (bool x86 : {false, true}) {
      for (uint8_t props : {Props(3, 0, 2), Props(0, 2, 0), Props(4, 0, 4)}) {
        const std::string packed = Encode(*content, props, x86, content == &mixed ? 1 : 6);
        std::string expected;
        ASSERT_TRUE(Oracle(packed, props, x86, content->size(), expected));
        ASSERT_TRUE(expected == *content);
        for (size_t piece : {size_t{1} << 20, kLzmaReadSize, size_t{4099}, size_t{1}}) {
          if (piece == 1 && props != Props(3, 0, 2)) continue;
          SCOPED_TRACE(testing::Message() << x86 << " " << int{props} << " " << piece);
          std::string out;
          ASSERT_EQ(Decode(packed, props, x86, content->size(), out, piece, piece + 4),
                    TLzmaResult::Ended);
          EXPECT_TRUE(out == *content);
        }
      }
    }
  }
  std::string out;
  EXPECT_EQ(Decode(Encode("", Props(3, 0, 2), false), Props(3, 0, 2), false, 0, out, 1),
            TLzmaResult::Ended);
  EXPECT_FALSE(LzmaPropsValid(Props(3, 2, 2)));
  EXPECT_FALSE(LzmaPropsValid(225));
}

TEST(LzmaTest, ReportsProgressAndStops) {
  const std::string content = Mixed(3000000, 2);
  const std::string packed = Encode(content, Props(3, 0, 2), false);
  TSource source(packed, kLzmaReadSize);
  source.StopAt = 1000000;
  std::string out(content.size(), '\0');
  size_t decoded = 0;
  EXPECT_EQ(DecodeLzma(source, Props(3, 0, 2), reinterpret_cast<uint8_t*>(out.data()), out.size(),
                       decoded),
            TLzmaResult::Stopped);
  EXPECT_GE(decoded, 1000000u);
  EXPECT_LT(decoded, 1000000u + kLzmaProgressStep + 300);
  EXPECT_EQ(out.compare(0, decoded, content, 0, decoded), 0);
}

// Every one-bit change and every cut of short streams, plus random damage
// to a longer one; a capacity one byte short of the content is refused too.
TEST(LzmaTest, DamagedStreamsAgreeWithLiblzma) {
  auto check = [](const std::string& stream, uint8_t props, bool x86, size_t capacity) {
    std::string expected, out;
    const bool whole = Oracle(stream, props, x86, capacity, expected);
    const TLzmaResult r = Decode(stream, props, x86, capacity, out, 1 + stream.size() % 61);
    EXPECT_EQ(r == TLzmaResult::Ended, whole);
    if (whole && r == TLzmaResult::Ended) {
      EXPECT_TRUE(out == expected);
    }
  };
  for (bool x86 : {false, true}) {
    const uint8_t props = x86 ? Props(0, 2, 0) : Props(3, 0, 2);
    const std::string content = Mixed(3000, 3 + x86);
    const std::string packed = Encode(content, props, x86);
    const size_t capacity = content.size() + 64;
    for (size_t i = 0; i < packed.size(); ++i) {
      SCOPED_TRACE(testing::Message() << x86 << " byte " << i);
      for (int bit = 0; bit < 8; ++bit) {
        std::string damaged = packed;
        damaged[i] = static_cast<char>(damaged[i] ^ (1 << bit));
        check(damaged, props, x86, capacity);
      }
      check(packed.substr(0, i), props, x86, capacity);
    }
    check(packed + '\0', props, x86, capacity);
    check(packed, props, x86, content.size() - 1);
  }
  std::mt19937 rng(5);
  const std::string packed = Encode(Mixed(300000, 6), Props(3, 0, 2), false);
  for (int round = 0; round < 200; ++round) {
    std::string damaged = packed;
    for (int k = 0; k < 2; ++k) damaged[rng() % damaged.size()] = static_cast<char>(rng());
    check(damaged, Props(3, 0, 2), false, 400000);
  }
}

TEST(LzmaTest, Crc32IsTheCommonOne) {
  EXPECT_EQ(Crc32(0, reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
  EXPECT_EQ(Crc32(Crc32(0, reinterpret_cast<const uint8_t*>("1234"), 4),
                  reinterpret_cast<const uint8_t*>("56789"), 5),
            0xCBF43926u);
}

}  // namespace
