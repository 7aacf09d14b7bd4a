#include "tools/kzpaint/image_rows.h"

#include <gtest/gtest.h>

#include <vector>

#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen.h"
#include "kz/vmem/virtual_memory.h"
#include "tools/kzpaint/kzpaint_testing.h"
#include "tools/kzpaint/owned_image.h"

namespace kzpaint {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 300 x 1 image of each depth whose pixel 0 holds `native`; pixels from 256 on lie in a
// block that was never written.
TEST(KzPaintImageRows, EachDepthReadsAsItsPngForm) {
  const struct {
    const char* label;
    int bits;
    TQCOLORREF native;
    Bytes written;  // the PNG pixel of the written pixel
    Bytes absent;   // the PNG pixel of a pixel in an absent block
  } cases[] = {
      {"1-bit ink", 1, 1, {0, 255}, {0, 0}},
      {"2-bit black", 2, 3, {0, 255}, {0, 0}},
      {"2-bit white", 2, 2, {255, 255}, {0, 0}},
      {"2-bit undefined", 2, 1, {0, 0}, {0, 0}},
      {"8-bit density", 8, 200, {55}, {255}},
      {"16-bit grey with alpha", 16, 0x80404040, {0x40, 0x80}, {0, 0}},
      {"24-bit colour", 24, 0x00336699, {0x99, 0x66, 0x33}, {255, 255, 255}},
      {"32-bit colour", 32, 0x80336699, {0x99, 0x66, 0x33, 0x80}, {0, 0, 0, 0}},
  };
  constexpr int kWidth = 300;
  for (const auto& c : cases) {
    const int channels = PngChannelsOf(c.bits);
    ASSERT_EQ(static_cast<std::size_t>(channels), c.written.size()) << c.label;
    OwnedImage<> image(KzVOffscreen::CreateOffscreen(c.bits));
    image->Create(kzGetVirtualMemory(), kWidth, 1, 72.0);
    Bytes row(kWidth * channels);
    {
      KzVOffscreenAutoLock lock(image.get(), 0, 0, 1);
      image->SetColor(c.native);
    }
    {
      KzVOffscreenAutoLock lock(image.get(), 0);
      ReadPngRow(*image, 0, row.data());
    }
    EXPECT_EQ(Bytes(row.begin(), row.begin() + channels), c.written) << c.label;
    EXPECT_EQ(Bytes(row.end() - channels, row.end()), c.absent) << c.label;
    EXPECT_EQ(image->GetBlockExist(1), 0) << c.label << ": reading created a block";
  }
}

TEST(KzPaintImageRows, CompositeLaysColourOnPaperAndInkOnTop) {
  struct {
    const char* label;
    TQCOLORREF color;
    BYTE ink;
    TQCOLORREF inkColor;
    Bytes rgb;
  } const cases[] = {
      {"transparent is paper", 0x00336699, 0, 0xFF000000, {255, 255, 255}},
      {"opaque colour", 0xFF336699, 0, 0xFF000000, {0x99, 0x66, 0x33}},
      {"full ink covers", 0xFF336699, 255, 0xFF000000, {0, 0, 0}},
      {"half black on paper", 0x80000000, 0, 0xFF000000, {127, 127, 127}},
      {"half red ink on paper", 0, 128, 0xFF0000FF, {255, 127, 127}},
  };
  for (const auto& c : cases) {
    Bytes rgb(3);
    CompositeOnPaper(c.color, c.ink, c.inkColor, rgb.data());
    EXPECT_EQ(rgb, c.rgb) << c.label;
  }
}

}  // namespace
}  // namespace kzpaint
