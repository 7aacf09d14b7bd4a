#include "tools/kzpaint/picture.h"

#include <gtest/gtest.h>

#include <memory>

#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"
#include "kz/vmem/virtual_memory.h"
#include "tools/kzpaint/kzpaint_testing.h"
#include "tools/kzpaint/owned_image.h"

namespace kzpaint {
namespace {

struct Page {
  OwnedImage<KzVOffscreen32Bit> color{new KzVOffscreen32Bit};
  OwnedImage<KzVOffscreen8Bit> ink{new KzVOffscreen8Bit};
  explicit Page(int size) {
    color->Create(kzGetVirtualMemory(), size, size, 72.0);
    ink->Create(kzGetVirtualMemory(), size, size, 72.0);
  }
};

TEST(KzPaintPicture, PanelsHaveInkBordersOnPaper) {
  const DemoPicture picture(400, 300);
  const auto& panels = picture.GetPanels();
  EXPECT_EQ(picture.ColorAt(0, 0), 0u);
  EXPECT_EQ(picture.InkAt(0, 0), 0);
  EXPECT_EQ(picture.InkAt(399, 299), 0);
  for (int i = 0; i < 3; ++i) {
    const KzRect& r = panels[i];
    ASSERT_TRUE(r.left < r.right && r.top < r.bottom) << "panel " << i;
    EXPECT_TRUE(r.left > 0 && r.top > 0 && r.right < 400 && r.bottom < 300) << "panel " << i;
    for (const KzPoint& p :
         {KzPoint(r.left, r.top), KzPoint(r.right - 1, r.bottom - 1),
          KzPoint(r.left + picture.GetBorderWidth() - 1, (r.top + r.bottom) / 2)}) {
      EXPECT_EQ(picture.InkAt(p.x, p.y), 255) << "panel " << i << " at " << p.x << "," << p.y;
    }
    // Just outside each panel is paper (margin or gutter).
    EXPECT_EQ(picture.ColorAt(r.left - 1, r.top), 0u) << "panel " << i;
    EXPECT_EQ(picture.InkAt(r.left - 1, r.top), 0) << "panel " << i;
  }
  // The bottom panels sit below the top one and side by side.
  EXPECT_LT(panels[0].bottom, panels[1].top);
  EXPECT_LT(panels[1].right, panels[2].left);
  EXPECT_EQ(panels[1].top, panels[2].top);
}

TEST(KzPaintPicture, DrawingWritesEveryPixelOfThePictureAndRepeatsExactly) {
  constexpr int kSize = 300;  // 2 x 2 blocks, more than the test budget
  const DemoPicture picture(kSize, kSize);
  Page first(kSize), second(kSize);
  std::int64_t lastDone = 0, lastTotal = 0;
  picture.Draw(*first.color, *first.ink, [&](std::int64_t done, std::int64_t total) {
    EXPECT_EQ(done, lastDone + 1);
    lastDone = done;
    lastTotal = total;
  });
  EXPECT_EQ(lastDone, 8);
  EXPECT_EQ(lastTotal, 8);
  picture.Draw(*second.color, *second.ink, nullptr);
  EXPECT_EQ(KzVOffscreen::IsEqual(first.color.get(), second.color.get()), 1);
  EXPECT_EQ(KzVOffscreen::IsEqual(first.ink.get(), second.ink.get()), 1);

  KzVOffscreenAutoLock colorLock(first.color.get(), 0);
  KzVOffscreenAutoLock inkLock(first.ink.get(), 0);
  int wrong = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      first.color->MoveCursor(x, y);
      first.ink->MoveCursor(x, y);
      if (first.color->Get32BitColor() != picture.ColorAt(x, y) ||
          first.ink->Get8BitColor() != picture.InkAt(x, y)) {
        if (++wrong < 5) ADD_FAILURE() << "at " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace kzpaint
