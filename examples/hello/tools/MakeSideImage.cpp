// Writes side.bmp, the wizard's side image for the example: 150 x 260
// pixels, 8 bits per pixel with a palette (about 40 KB), a vertical blue
// gradient with a light parcel drawn on it. Run: make_side_image OUT.bmp
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const int Width = 150, Height = 260;
const int GradientColours = 200;  // palette 0..199; the parcel uses the rest

struct Rgb {
  int r, g, b;
};

Rgb Mix(Rgb a, Rgb b, int i, int n) {
  return {a.r + (b.r - a.r) * i / n, a.g + (b.g - a.g) * i / n, a.b + (b.b - a.b) * i / n};
}

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Palette index of pixel (x, y), y counted from the top.
int Pixel(int x, int y) {
  int index = y * (GradientColours - 1) / (Height - 1);
  // An isometric parcel: top face, left face, right face, and a band of
  // tape across the top.
  const int cx = 75, top = 150, w = 44, h = 22, depth = 48;
  if (x >= cx - w && x <= cx + w) {
    int dx = x < cx ? x - (cx - w) : (cx + w) - x;  // 0 at the sides, w in the middle
    int upper = top + h - dx * h / w;               // top edge of the top face
    int middle = top + h + dx * h / w;              // the front edge
    if (y >= upper && y < middle) {
      bool tape = (x < cx ? (cx - x) : (x - cx)) <= 5 || (y - upper) <= 0;
      return tape ? 203 : 200;
    }
    if (y >= middle && y < middle + depth) {
      bool tape = (x - cx) <= 5 && (cx - x) <= 5;
      if (tape) return 203;
      return x < cx ? 201 : 202;
    }
  }
  return index;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_side_image OUT.bmp\n");
    return 2;
  }
  const int rowBytes = (Width + 3) & ~3;
  const unsigned paletteBytes = 256 * 4, pixelBytes = rowBytes * Height;
  const unsigned offset = 14 + 40 + paletteBytes;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + pixelBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, Width);
  Put32(out, Height);  // positive: rows bottom-up
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);  // no compression
  Put32(out, pixelBytes);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 256);
  Put32(out, 0);

  std::vector<Rgb> palette(256, Rgb{0, 0, 0});
  for (int i = 0; i < GradientColours; ++i)
    palette[i] = Mix(Rgb{27, 42, 74}, Rgb{77, 127, 191}, i, GradientColours - 1);
  palette[200] = {236, 226, 200};  // top face
  palette[201] = {205, 186, 146};  // left face
  palette[202] = {172, 150, 108};  // right face, in shadow
  palette[203] = {250, 246, 236};  // tape
  for (const Rgb& c : palette) {
    out.push_back(static_cast<uint8_t>(c.b));
    out.push_back(static_cast<uint8_t>(c.g));
    out.push_back(static_cast<uint8_t>(c.r));
    out.push_back(0);
  }
  for (int row = Height - 1; row >= 0; --row) {
    for (int x = 0; x < Width; ++x) out.push_back(static_cast<uint8_t>(Pixel(x, row)));
    for (int pad = Width; pad < rowBytes; ++pad) out.push_back(0);
  }

  FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
