#include "tools/kzpaint/image_rows.h"

#include <stdexcept>

#include "kz/raster/voffscreen_16bit.h"
#include "kz/raster/voffscreen_1bit.h"
#include "kz/raster/voffscreen_24bit.h"
#include "kz/raster/voffscreen_2bit.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"

namespace kzpaint {
namespace {

std::uint8_t Red(TQCOLORREF c) { return static_cast<std::uint8_t>(c); }
std::uint8_t Green(TQCOLORREF c) { return static_cast<std::uint8_t>(c >> 8); }
std::uint8_t Blue(TQCOLORREF c) { return static_cast<std::uint8_t>(c >> 16); }
std::uint8_t Alpha(TQCOLORREF c) { return static_cast<std::uint8_t>(c >> 24); }

// (a x (255 - t) + b x t) / 255, rounded.
std::uint8_t Blend(int a, int b, int t) {
  return static_cast<std::uint8_t>((a * (255 - t) + b * t + 127) / 255);
}

// Walks row y of `image` through the concrete depth class, so the getters inline.
template <class Depth, class Pixel>
void WalkRow(KzVOffscreen& image, int y, std::uint8_t* out, int channels, Pixel pixel) {
  auto* depth = dynamic_cast<Depth*>(&image);
  if (depth == nullptr) throw std::logic_error("image class does not match its bit count");
  const int width = depth->GetWidth();
  depth->MoveCursor(0, y);
  for (int x = 0; x < width; ++x, out += channels) {
    pixel(*depth, out);
    depth->NextCursorX();
  }
}

}  // namespace

int PngChannelsOf(int bits) {
  switch (bits) {
    case 1:
    case 2:
    case 16:
      return 2;
    case 8:
      return 1;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      return 0;
  }
}

void ReadPngRow(KzVOffscreen& image, int y, std::uint8_t* out) {
  switch (image.GetBitCount()) {
    case 1:
      return WalkRow<KzVOffscreen1Bit>(image, y, out, 2, [](auto& img, std::uint8_t* p) {
        p[0] = 0;
        p[1] = img.Get1BitColor() != 0 ? 255 : 0;
      });
    case 2:
      return WalkRow<KzVOffscreen2Bit>(image, y, out, 2, [](auto& img, std::uint8_t* p) {
        const BYTE v = img.Get2BitColor();
        p[0] = v == KzVOffscreen::cbWhite2Bit ? 255 : 0;
        p[1] = v == KzVOffscreen::cbWhite2Bit || v == KzVOffscreen::cbBlack2Bit ? 255 : 0;
      });
    case 8:
      return WalkRow<KzVOffscreen8Bit>(image, y, out, 1, [](auto& img, std::uint8_t* p) {
        p[0] = static_cast<std::uint8_t>(255 - img.Get8BitColor());
      });
    case 16:
      return WalkRow<KzVOffscreen16Bit>(image, y, out, 2, [](auto& img, std::uint8_t* p) {
        const TQCOLORREF c = img.Get16BitColor();
        p[0] = Red(c);
        p[1] = Alpha(c);
      });
    case 24:
      return WalkRow<KzVOffscreen24Bit>(image, y, out, 3, [](auto& img, std::uint8_t* p) {
        const TQCOLORREF c = img.Get24BitColor();
        p[0] = Red(c);
        p[1] = Green(c);
        p[2] = Blue(c);
      });
    case 32:
      return WalkRow<KzVOffscreen32Bit>(image, y, out, 4, [](auto& img, std::uint8_t* p) {
        const TQCOLORREF c = img.Get32BitColor();
        p[0] = Red(c);
        p[1] = Green(c);
        p[2] = Blue(c);
        p[3] = Alpha(c);
      });
    default:
      throw std::invalid_argument("no PNG form for this bit count");
  }
}

void CompositeOnPaper(TQCOLORREF color, BYTE ink, TQCOLORREF inkColor, std::uint8_t* rgb) {
  const int alpha = Alpha(color);
  const std::uint8_t paper[3] = {Blend(255, Red(color), alpha), Blend(255, Green(color), alpha),
                                 Blend(255, Blue(color), alpha)};
  rgb[0] = Blend(paper[0], Red(inkColor), ink);
  rgb[1] = Blend(paper[1], Green(inkColor), ink);
  rgb[2] = Blend(paper[2], Blue(inkColor), ink);
}

void ReadCompositeRow(KzVOffscreen32Bit& color, KzVOffscreen8Bit& ink, int y, std::uint8_t* rgb) {
  const TQCOLORREF inkColor = ink.GetIndexColor(1);
  const int width = color.GetWidth();
  color.MoveCursor(0, y);
  ink.MoveCursor(0, y);
  for (int x = 0; x < width; ++x, rgb += 3) {
    CompositeOnPaper(color.Get32BitColor(), ink.Get8BitColor(), inkColor, rgb);
    color.NextCursorX();
    ink.NextCursorX();
  }
}

}  // namespace kzpaint
