#include "kz/raster/block_access.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "kz/raster/raster_testing.h"
#include "kz/raster/voffscreen.h"
#include "kz/raster/voffscreen_null_device.h"

namespace {

using namespace raster_testing;

// Offset of the cursor's pixel from the block's base, -1 for a null address.
std::ptrdiff_t CursorOffset(const KzVOffscreen& image) {
  if (image.GetCurrentAddress() == nullptr) return -1;
  return image.GetCurrentAddress() - image.GetBaseAddress();
}

TEST(VOffscreenCursor, StepsInYChangeBlocksOnlyAtBlockEdges) {
  // Image height, start row, a step down (or up), the block then current (-1: none) and the
  // cursor's offset in it; x is 10 throughout.
  const std::tuple<const char*, int, int, bool, int, std::ptrdiff_t> cases[] = {
      {"inside the block", 512, 100, true, 0, 101 * 256 + 10},
      {"last row of a block", 512, 255, true, 2, 10},
      {"first row of a block", 512, 256, false, 0, 255 * 256 + 10},
      {"last row of the image", 512, 511, true, -1, -1},
      {"first row of the image", 512, 0, false, -1, -1},
      {"last row inside the last block", 300, 299, true, -1, -1},
  };
  for (const auto& [label, height, startY, next, index, offset] : cases) {
    ImagePtr image = MakeImage(8, 300, height);  // 2 columns of blocks
    image->Lock(10, startY, 1);
    next ? image->NextCursorY() : image->PrevCursorY();
    EXPECT_EQ(image->GetCursorPosY(), startY + (next ? 1 : -1)) << label;
    EXPECT_EQ(image->GetCursor().blockIndex, index) << label;
    EXPECT_EQ(LockedBlocks(*image), index < 0 ? std::vector<int>{} : std::vector<int>{index})
        << label;
    EXPECT_EQ(CursorOffset(*image), offset) << label;
    if (index < 0) {  // a step back into the image makes its block current again
      next ? image->PrevCursorY() : image->NextCursorY();
      EXPECT_EQ(CursorOffset(*image), (startY % 256) * 256 + 10) << label;
    }
    image->Unlock();
  }
}

TEST(VOffscreenCursor, MoveGradesAndTheFake32Address) {
  ImagePtr image = MakeImage(8, 600, 300);
  image->Lock(0, 0, 1);
  image->MoveCursorFast(300, 5);  // no bounds test, block changes
  EXPECT_EQ(LockedBlocks(*image), std::vector<int>{1});
  EXPECT_EQ(CursorOffset(*image), 5 * 256 + 44);
  image->MoveCursorFastest(310, 7);  // same block only
  EXPECT_EQ(CursorOffset(*image), 7 * 256 + 54);
  // Fake32: the address as if pixels had 4 bytes; the cursor keeps the depth's own.
  BYTE* fake = image->MoveCursorFake32(266, 3);
  EXPECT_EQ(fake - image->GetBaseAddress(), 3 * 256 + 40);
  EXPECT_EQ(CursorOffset(*image), 3 * 256 + 10);
  // Four 8-bit pixels at once, in row order.
  image->Set8BitColorOnlyQuad(0x04030201);
  EXPECT_EQ(image->Get8BitColorOnlyQuad(), 0x04030201u);
  image->MoveCursorFastest(269, 3);
  EXPECT_EQ(image->Get8BitColor(), 4);
  // MoveCursor(-1, -1) lets go of the block but keeps the lock.
  image->MoveCursor(-1, -1);
  EXPECT_EQ(image->GetLockCount(), 1);
  EXPECT_TRUE(LockedBlocks(*image).empty());
  EXPECT_EQ(image->SetCurrentCursorAddressFake32(5, 5), nullptr);
  image->Set8BitColorOnlyQuad(~0u);  // nowhere to write
  EXPECT_EQ(image->Get8BitColorOnlyQuad(), 0u);
  image->Unlock();
}

TEST(VOffscreenAutoLock, NestedLockRestoresTheOuterCursorAndBlock) {
  ImagePtr image = MakeImage(8, 600, 300);
  FillBlock(image.get(), 300, 40, 1);
  image->Lock(300, 40, 0);
  {
    KzVOffscreenAutoLock lock(image.get(), 1);
    EXPECT_EQ(image->GetLockCount(), 2);
    EXPECT_TRUE(LockedBlocks(*image).empty()) << "the outer block is released";
    image->MoveCursor(10, 10);
    image->Set8BitColor(42);  // the write lock creates block 0
  }
  EXPECT_EQ(image->GetLockCount(), 1);
  EXPECT_EQ(image->GetCursorPos(), KzPoint(300, 40));
  EXPECT_EQ(LockedBlocks(*image), std::vector<int>{1});
  EXPECT_FALSE(image->IsWriteLocked()) << "the outer read lock's flag is back";
  {
    KzVOffscreenAutoLock lock(image.get(), 10, 10, 0);
    EXPECT_EQ(image->Get8BitColor(), 42);
    lock.Unlock();  // gives the level back without restoring
  }
  EXPECT_EQ(image->GetCursorPos(), KzPoint(10, 10));
  EXPECT_EQ(image->GetLockCount(), 1);
  image->Unlock();
}

TEST(VOffscreenParamLock, ThresholdsHoldForTheScopeAndComeBack) {
  ImagePtr image = MakeImage(8, 10, 10);
  KzVOffscreenAutoLock lock(image.get(), 1, 1, 1);
  image->Set8BitColor(150);  // ink at a transparency threshold of 127, not at 200
  {
    KzVOffscreenParamLock params(image.get(), 200, 50);
    EXPECT_EQ(image->Get1BitColor(), 0);
    EXPECT_EQ(image->GetMonoBWThreshold(), 50);
    params.Lock(image.get(), 10, 60);  // gives the first lock back before it takes its own
  }
  EXPECT_EQ(KzPoint(image->GetMonoTransThreshold(), image->GetMonoBWThreshold()),
            KzPoint(127, 128));
  EXPECT_EQ(image->Get1BitColor(), 1);
}

TEST(VOffscreenBlockGetter, WalksTheBlocksUnderARectRowByRow) {
  ImagePtr image = MakeImage(8, 600, 300);  // 3 x 2 blocks, cut at 600 and 300
  const std::tuple<const char*, KzRect, int, std::vector<KzRect>> cases[] = {
      {"clipped to the rect", {250, 0, 260, 10}, 1, {{250, 0, 256, 10}, {256, 0, 260, 10}}},
      {"clipped to the image",
       {500, 200, 700, 400},
       0,
       {{256, 0, 512, 256}, {512, 0, 600, 256}, {256, 256, 512, 300}, {512, 256, 600, 300}}},
      {"outside the image", {-50, -50, -1, -1}, 1, {}},
  };
  for (const auto& [label, rect, clip, pieces] : cases) {
    KzBlockGetter getter(image.get(), rect, clip);
    std::vector<KzRect> walked;
    for (KzRect piece; getter.GetNextBlock(piece);) {
      walked.push_back(piece);
      EXPECT_EQ(KzPoint(getter.GetCurrentColumn(), getter.GetCurrentRow()),
                KzPoint(piece.left / 256, piece.top / 256))
          << label;
    }
    EXPECT_EQ(walked, pieces) << label;
    EXPECT_FALSE(getter.IsExist()) << label;
    KzTArray<tagRECT> list;
    list.Add(tagRECT{1, 2, 3, 4});  // cleared first
    image->GetBlockArea(rect, list, clip);
    EXPECT_EQ(std::vector<KzRect>(list.begin(), list.end()), pieces) << label;
  }
  KzRect piece;
  EXPECT_EQ(KzBlockGetter(nullptr, KzRect(0, 0, 10, 10), 1).GetNextBlock(piece), 0);
}

TEST(VOffscreenNullDevice, RunsOverAnAreaWithoutStoringAnything) {
  EXPECT_EQ(KzVOffscreenNullDevice::CreateOffscreen(7), nullptr);
  ImagePtr device(KzVOffscreenNullDevice::CreateOffscreen(32));
  const int before = ProcessVM()->GetUsedBlockCount();
  device->Create(ProcessVM(), 1000, 600, 72);
  EXPECT_EQ(device->GetBlockCount(nullptr, nullptr), 12);
  KzVOffscreenAutoLock lock(device.get(), 300, 300, 1);
  device->Set32BitColor(0xFF000000);
  EXPECT_EQ(device->Get32BitColor(), 0u);
  KzPoint shift;
  EXPECT_EQ(device->AllocateRect(KzRect(-10, -10, 2000, 2000), nullptr), 1);
  EXPECT_EQ(device->DeallocateRect(KzRect(300, 300, 310, 310), shift), 1);
  EXPECT_EQ(device->GetRect(), KzRect(0, 0, 1000, 600)) << "the size never changes";
  EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before);
}

}  // namespace
