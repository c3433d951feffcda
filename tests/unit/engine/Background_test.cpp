// The background window: colour blending and band geometry.
#include "EngineFixture.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
Rgb Channels(uint32_t c) { return {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)}; }

// What FormPaint passes for band i of 255.
double BandWeight(int i) {
  return static_cast<double>(1.0L - static_cast<long double>(i) / 254.0L);
}

struct TRecordingCanvas : TCanvas {
  struct Rect {
    int l, t, r, b;
    uint32_t c;
  };
  std::vector<Rect> Rects;
  std::vector<std::tuple<int, int, std::string, uint32_t>> Texts;
  void FillRect(int l, int t, int r, int b, uint32_t c) override {
    Rects.push_back({l, t, r, b, c});
  }
  void TextOut(int x, int y, const std::string& s, uint32_t c) override {
    Texts.emplace_back(x, y, s, c);
  }
};

}  // namespace

TEST(BlendColors, BuiltInColourSamples) {
  auto band = [](int i) { return Channels(BlendColors(8347213, 2365465, BandWeight(i))); };
  EXPECT_EQ(band(0), (Rgb{77, 94, 127}));
  EXPECT_EQ(band(1), (Rgb{76, 93, 126}));
  EXPECT_EQ(band(2), (Rgb{76, 93, 126}));
  // Extended precision: t x 127 lies just below 123, so blue truncates to 122
  // (plain doubles would give 124).
  EXPECT_EQ(band(8), (Rgb{74, 91, 123}));
  EXPECT_EQ(Channels(BlendColors(8347213, 2365465, 0.5)), (Rgb{50, 59, 81}));
  EXPECT_EQ(band(127), (Rgb{50, 59, 81}));
  EXPECT_EQ(band(253), (Rgb{24, 23, 35}));
  EXPECT_EQ(band(254), (Rgb{25, 24, 36}));
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// A process that starts with 53-bit x87 precision (as Windows x64 sets it)
// still gets the extended results.
TEST(BlendColors, IndependentOfTheCallersPrecision) {
  const double t = BandWeight(8);
  uint16_t saved, reduced;
  __asm__ volatile("fnstcw %0" : "=m"(saved));
  reduced = static_cast<uint16_t>((saved & ~0x0300u) | 0x0200u);
  __asm__ volatile("fldcw %0" : : "m"(reduced));
  uint32_t band8 = BlendColors(8347213, 2365465, t);
  uint16_t after;
  __asm__ volatile("fnstcw %0" : "=m"(after));
  __asm__ volatile("fldcw %0" : : "m"(saved));
  EXPECT_EQ(Channels(band8), (Rgb{74, 91, 123}));
  EXPECT_EQ(after, reduced);  // the caller's setting is restored
}
#endif

TEST(BlendColors, BlackToWhiteAndTheHighByte) {
  auto band = [](int i) { return Channels(BlendColors(0, 16777215, BandWeight(i))); };
  EXPECT_EQ(band(0), (Rgb{0, 0, 0}));
  EXPECT_EQ(band(1), (Rgb{1, 1, 1}));
  EXPECT_EQ(band(127), (Rgb{127, 127, 127}));
  EXPECT_EQ(band(254), (Rgb{255, 255, 255}));
  // Only the three low bytes count, and the result's high byte is 0.
  EXPECT_EQ(BlendColors(0xFF000000u | 8347213u, 0xAB000000u | 2365465u, 1.0), 8347213u);
  EXPECT_EQ(BlendColors(0xFFFFFFFFu, 0xFFFFFFFFu, 0.3) >> 24, 0u);
}

TEST(GradientBandRows, TileTheClientArea) {
  int top, bottom;
  GradientBandRows(600, 0, 255, top, bottom);
  EXPECT_EQ(top, 0);
  EXPECT_EQ(bottom, 2);
  GradientBandRows(600, 1, 255, top, bottom);
  EXPECT_EQ(top, 2);
  EXPECT_EQ(bottom, 4);
  GradientBandRows(600, 2, 255, top, bottom);
  EXPECT_EQ(top, 4);
  EXPECT_EQ(bottom, 7);
  GradientBandRows(600, 254, 255, top, bottom);
  EXPECT_EQ(top, 597);
  EXPECT_EQ(bottom, 600);
  for (int h : {1, 100, 254, 255, 600, 1080, 100000}) {
    int previous = 0;
    for (int i = 0; i < 255; ++i) {
      GradientBandRows(h, i, 255, top, bottom);
      ASSERT_EQ(top, previous) << h << " " << i;
      ASSERT_GE(bottom, top);
      previous = bottom;
    }
    EXPECT_EQ(previous, h);
  }
}

TEST_F(EngineTest, FormPaintDrawsBandsAndTheScriptTitle) {
  Start("[title]\r\nExample\r\n\r\n[files]\r\n\r\n[group icons]\r\n");
  TRecordingCanvas canvas;
  form->FormPaint(canvas, 800, 600);
  ASSERT_EQ(canvas.Rects.size(), 255u);
  EXPECT_EQ(canvas.Rects[0].c, 8347213u);
  EXPECT_EQ(canvas.Rects[254].c, 2365465u);
  EXPECT_EQ(canvas.Rects[2].t, 4);
  EXPECT_EQ(canvas.Rects[2].b, 7);
  EXPECT_EQ(canvas.Rects[2].r, 800);
  ASSERT_EQ(canvas.Texts.size(), 2u);
  EXPECT_EQ(canvas.Texts[0], std::make_tuple(14, 14, std::string("Example"), 8421504u));
  EXPECT_EQ(canvas.Texts[1], std::make_tuple(10, 10, std::string("Example"), 16777215u));

  // A small window leaves some bands empty; nothing is drawn for them.
  TRecordingCanvas small;
  form->FormPaint(small, 10, 100);
  EXPECT_EQ(small.Rects.size(), 100u);
}

TEST_F(EngineTest, FormPaintWithoutTitleDrawsNoText) {
  Start("[files]\r\n\r\n[group icons]\r\n");
  TRecordingCanvas canvas;
  form->FormPaint(canvas, 800, 600);
  EXPECT_EQ(canvas.Rects.size(), 255u);
  EXPECT_TRUE(canvas.Texts.empty());
}
