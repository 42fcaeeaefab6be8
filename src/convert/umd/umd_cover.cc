#include "convert/umd/umd_cover.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "convert/umd/umd_format.h"

namespace folian::convert::umd {
namespace {

constexpr int kW = kCoverWidth;
constexpr int kH = kCoverHeight;

// Palette: 0..191 the background shades from top to bottom, then the few
// colours of the drawing.
constexpr int kShades = 192;
enum : std::uint8_t { kGold = 192, kPage = 193, kLine = 194, kShadow = 195, kSpine = 196 };

struct Rgb {
  int r, g, b;
};

std::array<Rgb, 256> Palette() {
  std::array<Rgb, 256> p{};
  const Rgb top{24, 44, 92}, bottom{18, 112, 118};
  for (int i = 0; i < kShades; ++i) {
    p[i] = {top.r + (bottom.r - top.r) * i / (kShades - 1),
            top.g + (bottom.g - top.g) * i / (kShades - 1),
            top.b + (bottom.b - top.b) * i / (kShades - 1)};
  }
  p[kGold] = {214, 176, 62};
  p[kPage] = {246, 240, 224};
  p[kLine] = {150, 140, 118};
  p[kShadow] = {10, 28, 48};
  p[kSpine] = {190, 178, 150};
  return p;
}

class Canvas {
 public:
  Canvas() : px_(static_cast<std::size_t>(kW) * kH, 0) {}
  void Set(int x, int y, std::uint8_t c) {
    if (x >= 0 && x < kW && y >= 0 && y < kH) px_[static_cast<std::size_t>(y) * kW + x] = c;
  }
  void Fill(int x0, int y0, int x1, int y1, std::uint8_t c) {  // inclusive corners
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void Frame(int x0, int y0, int x1, int y1, int thick, std::uint8_t c) {
    Fill(x0, y0, x1, y0 + thick - 1, c);
    Fill(x0, y1 - thick + 1, x1, y1, c);
    Fill(x0, y0, x0 + thick - 1, y1, c);
    Fill(x1 - thick + 1, y0, x1, y1, c);
  }
  std::uint8_t At(int x, int y) const { return px_[static_cast<std::size_t>(y) * kW + x]; }

 private:
  std::vector<std::uint8_t> px_;
};

void Draw(Canvas& c) {
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) c.Set(x, y, static_cast<std::uint8_t>(y * (kShades - 1) / (kH - 1)));
  c.Frame(6, 6, kW - 7, kH - 7, 2, kGold);
  c.Frame(11, 11, kW - 12, kH - 12, 1, kGold);

  // An open book: two pages with a shadow below and ruled lines of text.
  const int top = 54, bottom = 132, left = 26, right = kW - 27, mid = kW / 2;
  c.Fill(left + 3, top + 4, right + 3, bottom + 4, kShadow);
  c.Fill(left, top, mid - 2, bottom, kPage);
  c.Fill(mid + 2, top, right, bottom, kPage);
  c.Fill(mid - 1, top + 2, mid + 1, bottom, kSpine);
  for (int y = top + 10; y <= bottom - 8; y += 7) {
    const int shorten = (y - top) % 3 * 4;  // ragged line ends read as text
    c.Fill(left + 7, y, mid - 9 - shorten, y, kLine);
    c.Fill(mid + 9, y, right - 7 - (shorten ? 0 : 6), y, kLine);
  }

  // Ornament: two rules with a diamond between them.
  c.Fill(44, 158, kW - 45, 158, kGold);
  c.Fill(44, 182, kW - 45, 182, kGold);
  for (int dy = -8; dy <= 8; ++dy) {
    const int half = 8 - std::abs(dy);
    c.Fill(mid - half, 170 + dy, mid + half, 170 + dy, kGold);
  }
}

void Put16(std::string& s, std::uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

}  // namespace

std::string DrawCover() {
  Canvas canvas;
  Draw(canvas);
  constexpr std::uint32_t kFileHeader = 14, kInfoHeader = 40, kPaletteBytes = 256 * 4;
  constexpr std::uint32_t kRowBytes = (kW + 3) / 4 * 4;
  constexpr std::uint32_t kPixels = kRowBytes * kH;
  constexpr std::uint32_t kOffset = kFileHeader + kInfoHeader + kPaletteBytes;

  std::string bmp;
  bmp.reserve(kOffset + kPixels);
  bmp += "BM";
  Put32(bmp, kOffset + kPixels);
  Put32(bmp, 0);
  Put32(bmp, kOffset);
  Put32(bmp, kInfoHeader);
  Put32(bmp, kW);
  Put32(bmp, kH);  // positive: rows run bottom-up
  Put16(bmp, 1);   // planes
  Put16(bmp, 8);   // bits per pixel
  Put32(bmp, 0);   // no compression
  Put32(bmp, kPixels);
  Put32(bmp, 2835);  // 72 dpi
  Put32(bmp, 2835);
  Put32(bmp, 256);
  Put32(bmp, 0);
  for (const Rgb& c : Palette()) {
    bmp += static_cast<char>(c.b);
    bmp += static_cast<char>(c.g);
    bmp += static_cast<char>(c.r);
    bmp += '\0';
  }
  for (int y = kH - 1; y >= 0; --y) {
    for (int x = 0; x < kW; ++x) bmp += static_cast<char>(canvas.At(x, y));
    for (std::uint32_t pad = kW; pad < kRowBytes; ++pad) bmp += '\0';
  }
  return bmp;
}

}  // namespace folian::convert::umd
