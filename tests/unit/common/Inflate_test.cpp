// The decoder against zlib itself: every kind of block zlib makes, content
// handed out in order, and damaged streams refused wherever zlib refuses them.
#include "common/Inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace {

struct TStrings : TInflateStreams {
  explicit TStrings(const std::string& in, size_t piece = kInflateReadSize)
      : In(in), Piece(piece) {}
  size_t Read(uint8_t* buffer, size_t size) override {
    size_t n = std::min({size, Piece, In.size() - Pos});
    In.copy(reinterpret_cast<char*>(buffer), n, Pos);
    Pos += n;
    return n;
  }
  bool Write(const uint8_t* data, size_t size) override {
    Out.append(reinterpret_cast<const char*>(data), size);
    ++Writes;
    return Out.size() < StopAfter;
  }
  const std::string& In;
  size_t Piece, Pos = 0;
  std::string Out;
  size_t Writes = 0, StopAfter = SIZE_MAX;
};

std::string Deflate(const std::string& data, int level, int strategy) {
  z_stream zs{};
  deflateInit2(&zs, level, Z_DEFLATED, 15, 9, strategy);
  std::string out(deflateBound(&zs, data.size()), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// zlib's verdict: the content when the stream is whole and nothing follows.
bool ZlibInflate(const std::string& in, std::string& out) {
  z_stream zs{};
  inflateInit(&zs);
  out.assign(1 << 22, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  const int ret = inflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  const bool whole = ret == Z_STREAM_END && zs.avail_in == 0;
  inflateEnd(&zs);
  return whole;
}

std::string Mixed(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) {
    switch (rng() % 4) {
      case 0:  // random bytes
        for (int i = 0; i < 300; ++i) s += static_cast<char>(rng());
        break;
      case 1:  // a run
        s.append(rng() % 600, static_cast<char>(rng()));
        break;
      case 2:  // a repeat from up to 32 KiB back
        if (!s.empty()) {
          const size_t from = s.size() - 1 - rng() % std::min<size_t>(s.size(), 32768);
          for (size_t i = 0, n = 3 + rng() % 300; i < n; ++i) s += s[from + i];
        }
        break;
      default:  // text
        for (int i = 0; i < 40; ++i) s += "the quick brown fox "[rng() % 20];
    }
  }
  s.resize(size);
  return s;
}

TEST(InflateTest, DecodesWhatZlibMakesInAnyPieces) {
  const std::string content = Mixed(700000, 1);
  for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
    for (int level : {0, 1, 9}) {
      const std::string packed = Deflate(content, level, strategy);
      for (size_t piece : {size_t{1} << 20, kInflateReadSize, size_t{7}}) {
        SCOPED_TRACE(testing::Message() << strategy << " " << level << " " << piece);
        TStrings s(packed, piece);
        ASSERT_EQ(InflateZlib(s), TInflateResult::Ended);
        EXPECT_TRUE(s.Out == content);
        if (piece == 7 && level == 9 && strategy == Z_DEFAULT_STRATEGY) {
          EXPECT_GT(s.Writes, packed.size() / 7 / 2);  // handed out before each read
        }
      }
    }
  }
  const std::string empty = Deflate("", 9, Z_DEFAULT_STRATEGY);
  TStrings s(empty);
  EXPECT_EQ(InflateZlib(s), TInflateResult::Ended);
  EXPECT_EQ(s.Writes, 0u);
}

TEST(InflateTest, StopsWhenWriteSaysSo) {
  const std::string content = Mixed(2000000, 2);
  const std::string packed = Deflate(content, 9, Z_DEFAULT_STRATEGY);
  TStrings s(packed);
  s.StopAfter = 300000;
  EXPECT_EQ(InflateZlib(s), TInflateResult::Stopped);
  EXPECT_GE(s.Out.size(), 300000u);
  EXPECT_LE(s.Out.size(), 300000u + 0x20000 + 258);
  EXPECT_TRUE(s.Out == content.substr(0, s.Out.size()));
}

// Every single-byte change and every cut of a short stream, and random
// changes to a long one: where zlib refuses, so does the decoder; where
// it accepts, both give the same content.
TEST(InflateTest, DamagedStreamsAgreeWithZlib) {
  std::mt19937 rng(3);
  auto check = [](const std::string& stream) {
    std::string expected;
    const bool whole = ZlibInflate(stream, expected);
    TStrings s(stream, 1 + stream.size() % 97);
    const TInflateResult result = InflateZlib(s);
    EXPECT_EQ(result == TInflateResult::Ended, whole);
    if (whole && result == TInflateResult::Ended) {
      EXPECT_TRUE(s.Out == expected);
    }
  };
  for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY}) {
    const std::string packed = Deflate(Mixed(3000, 4 + strategy), 9, strategy);
    for (size_t i = 0; i < packed.size(); ++i) {
      SCOPED_TRACE(testing::Message() << strategy << " byte " << i);
      std::string damaged = packed;
      damaged[i] = static_cast<char>(damaged[i] ^ (1 << (rng() % 8)));
      check(damaged);
      check(packed.substr(0, i));
    }
    check(packed + '\0');
  }
  const std::string packed = Deflate(Mixed(200000, 5), 6, Z_DEFAULT_STRATEGY);
  for (int round = 0; round < 300; ++round) {
    std::string damaged = packed;
    for (int k = 0; k < 3; ++k) damaged[rng() % damaged.size()] = static_cast<char>(rng());
    check(damaged);
  }
}

}  // namespace
