#include "kz/raster/mixer/voff_pixel_mask.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kz/foundation/error.h"
#include "kz/foundation/exception_testing.h"
#include "kz/raster/block_access.h"
#include "kz/raster/mixer/voff_mixer_testing.h"

namespace {

using voff_mixer_testing::MakeImage;
using voff_mixer_testing::WritePixel;
using Info = KzVOffPixelMask::MaskInfo;

TEST(KzVOffPixelMask, CompareModes) {
  const struct {
    int mode;
    TQCOLORREF value, masked, free;  // a pixel the mode masks, and one it does not
  } cases[] = {{0, 0x12345678, 0x12345678, 0x12345679},
               {1, 0x12345678, 0x02345678, 0x12345678},
               {2, 0xFF000000, 0xFFABCDEF, 0xFE000000},
               {3, 0x80FFFFFF, 0x81FFFFFF, 0x80000000},
               {4, 0, 0, 0},  // unknown modes never mask
               {80, 0, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(KzVOffPixelMask::IsMaskCompare(c.mode, c.value, c.masked), c.mode < 4)
        << "at mode=" << c.mode;
    EXPECT_FALSE(KzVOffPixelMask::IsMaskCompare(c.mode, c.value, c.free)) << "at mode=" << c.mode;
  }
  KzVOffPixelMask mask;
  EXPECT_EQ(mask.GetMaskInfo(0)->compareMode, KzVOffPixelMask::kCompareNone);
  for (int bad : {-1, 4}) {
    EXPECT_EQ(kzThrownCode([&] { mask.SetMaskInfo(bad, Info()); }), kKzErrorParameter) << bad;
  }
  EXPECT_EQ(kzThrownCode([&] { mask.IsMaskFree(nullptr, 0, 0); }), kKzErrorParameter);
}

// An 8 x 8 32-bit mask whose pixel (x, y) has A = 16 y + x, on a locked drawing image.
class MaskImages : public ::testing::Test {
 protected:
  static TQCOLORREF Pixel(int x, int y) {
    return static_cast<TQCOLORREF>(16 * y + x) << 24 | static_cast<TQCOLORREF>(x) * 0x010101u;
  }
  static voff_mixer_testing::ImagePtr MakeMask(double resolution) {
    auto mask = MakeImage(32, 8, 8, resolution);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) WritePixel(mask.get(), x, y, 32, Pixel(x, y));
    }
    return mask;
  }

  voff_mixer_testing::ImagePtr m_drawing = MakeImage(8, 64, 64);
  voff_mixer_testing::ImagePtr m_mask = MakeMask(72.0);
  KzVOffscreenAutoLock m_drawingLock{m_drawing.get(), 1};
  KzVOffscreenAutoLock m_maskLock{m_mask.get(), 0};
};

TEST_F(MaskImages, EntriesAreTriedInOrderUntilTheFirstEmptyOne) {
  KzVOffscreen* m = m_mask.get();
  const TQCOLORREF at23 = Pixel(2, 3);
  const struct {
    const char* label;
    Info entries[3];
    int freeAt23;
  } cases[] = {
      {"matching", {{0, m, at23}}, 0},
      {"not matching", {{0, m, at23 + 1}}, 1},
      {"second entry matching", {{1, m, at23}, {0, m, at23}}, 0},
      {"first entry empty", {Info(), {0, m, at23}}, 1},
      {"empty entry before a match", {{1, m, at23}, Info(), {0, m, at23}}, 1},
  };
  for (const auto& c : cases) {
    KzVOffPixelMask mask;
    for (int i = 0; i < 3; ++i) mask.SetMaskInfo(i, c.entries[i]);
    EXPECT_EQ(mask.IsMaskFree(m_drawing.get(), 2, 3), c.freeAt23) << c.label;
    mask.MoveCursorY(m_drawing.get(), 3);
    EXPECT_EQ(mask.IsMaskFreeX(m_drawing.get(), 2), c.freeAt23) << c.label << " (by column)";
  }
}

// The offset moves the drawing position; a mask of half the resolution is read at half the
// position (rounded half away from zero); outside the mask image the pixel reads 0.
TEST_F(MaskImages, PositionsAreOffsetAndScaledIntoTheMask) {
  auto half = MakeMask(36.0);
  KzVOffscreenAutoLock halfLock(half.get(), 0);
  const struct {
    KzVOffscreen* image;
    int dx, dy;
    double scale;
  } masks[] = {{m_mask.get(), 0, 0, 1.0}, {m_mask.get(), 3, -2, 1.0}, {half.get(), 0, 0, 0.5}};
  for (const auto& m : masks) {
    for (int y = -3; y < 20; ++y) {
      for (int x = -3; x < 20; ++x) {
        const int mx = static_cast<int>(std::round((x - m.dx) * m.scale));
        const int my = static_cast<int>(std::round((y - m.dy) * m.scale));
        const bool inside = mx >= 0 && my >= 0 && mx < 8 && my < 8;
        KzVOffPixelMask mask;
        mask.SetMaskInfo(0, {0, m.image, inside ? Pixel(mx, my) : 0u, m.dx, m.dy});
        EXPECT_FALSE(mask.IsMaskFree(m_drawing.get(), x, y))
            << "scale " << m.scale << " dx " << m.dx << " at x=" << x << " y=" << y;
        mask.GetMaskInfo(0)->compareMode = 1;
        mask.MoveCursorY(m_drawing.get(), y);
        EXPECT_TRUE(mask.IsMaskFreeX(m_drawing.get(), x)) << "by column at x=" << x << " y=" << y;
      }
    }
  }
}

}  // namespace
