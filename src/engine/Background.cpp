// The background window: a vertical gradient of 255 bands and the title.
#include "engine/MainFormUnit.h"
#include "script/infreader.h"

uint32_t BlendColors(uint32_t a, uint32_t b, double t) {
  // Extended precision decides some channels by one step, so the weights
  // and products are formed in long double (80-bit on x86) and each product
  // is truncated before the two are added.
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
  for (int i = 0; i < n; ++i) {
    const long double q = static_cast<long double>(i) / static_cast<long double>(n - 1);
    const double t = static_cast<double>(1.0L - q);
    int top, bottom;
    GradientBandRows(clientHeight, i, n, top, bottom);
    if (bottom > top) canvas.FillRect(0, top, clientWidth, bottom, BlendColors(StartColor, EndColor, t));
  }
  // The script's own [title] line, not ProductTitle: without it nothing is drawn.
  if (!ScriptReader || !ScriptReader->SectionExists("title")) return;
  std::string title;
  ScriptReader->GetValue("title", title);
  canvas.TextOut(14, 14, title, 8421504);
  ScriptReader->GetValue("title", title);
  canvas.TextOut(10, 10, title, 16777215);
}
