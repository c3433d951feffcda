// The background window: a vertical gradient of 255 bands and the title.
#include "engine/MainFormUnit.h"
#include "script/infreader.h"

namespace {

// Long double arithmetic runs on the x87 unit, whose precision and rounding
// come from its control word; a process may start with 53-bit precision
// (the Windows x64 default). Holds 64-bit precision, round to nearest, for
// the guard's lifetime.
class TExtendedPrecision {
 public:
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  TExtendedPrecision() {
    __asm__ volatile("fnstcw %0" : "=m"(saved_));
    uint16_t word = static_cast<uint16_t>((saved_ & ~0x0F00u) | 0x0300u);
    __asm__ volatile("fldcw %0" : : "m"(word));
  }
  ~TExtendedPrecision() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }

 private:
  uint16_t saved_ = 0;
#endif
};

}  // namespace

uint32_t BlendColors(uint32_t a, uint32_t b, double t) {
  // Extended precision decides some channels by one step, so the weights
  // and products are formed in long double (80-bit on x86) and each product
  // is truncated before the two are added.
  TExtendedPrecision precision;
  const long double wa = t;
  const long double wb = 1.0L - wa;
  uint32_t result = 0;
  for (int shift : {16, 8, 0}) {
    long double ca = (a >> shift) & 0xFF;
    long double cb = (b >> shift) & 0xFF;
    uint32_t channel = static_cast<uint32_t>(wa * ca) + static_cast<uint32_t>(wb * cb);
    result |= channel << shift;
  }
  return result;
}

void GradientBandRows(int h, int i, int n, int& top, int& bottom) {
  // The bottom of one band and the top of the next come from the same
  // expression, so the bands tile the area without gaps.
  top = static_cast<int>(int64_t{h} * i / n);
  bottom = static_cast<int>(int64_t{h} * (i + 1) / n);
}

void TMainForm::FormPaint(TCanvas& canvas, int clientWidth, int clientHeight) {
  const int n = GradientBands;
  TExtendedPrecision precision;
  for (int i = 0; i < n; ++i) {
    const long double q = static_cast<long double>(i) / static_cast<long double>(n - 1);
    const double t = static_cast<double>(1.0L - q);
    int top, bottom;
    GradientBandRows(clientHeight, i, n, top, bottom);
    if (bottom > top)
      canvas.FillRect(0, top, clientWidth, bottom, BlendColors(StartColor, EndColor, t));
  }
  // The script's own [title] line, not ProductTitle: without it nothing is drawn.
  if (!ScriptReader || !ScriptReader->SectionExists("title")) return;
  std::string title;
  ScriptReader->GetValue("title", title);
  canvas.TextOut(14, 14, title, 8421504);
  ScriptReader->GetValue("title", title);
  canvas.TextOut(10, 10, title, 16777215);
}
