#include "kz/raster/voffscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <tuple>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/raster/block_access.h"
#include "kz/raster/raster_testing.h"

namespace {

using namespace raster_testing;

constexpr int kDepths[] = {1, 2, 8, 16, 24, 32};

TEST(VOffscreenCreate, BlockGridAndBadArguments) {
  // Bits, size, row bytes, blocks across and down.
  const int grids[][6] = {{2, 513, 256, 64, 3, 1}, {16, 1, 257, 512, 1, 2}, {1, 0, 0, 32, 0, 0}};
  for (const auto& [bits, width, height, rowBytes, across, down] : grids) {
    ImagePtr image = MakeImage(bits, width, height);
    int columns = -1, rows = -1;
    EXPECT_EQ(image->GetBlockCount(&columns, &rows), across * down) << width << " x " << height;
    EXPECT_EQ(KzPoint(columns, rows), KzPoint(across, down)) << width << " x " << height;
    EXPECT_EQ(image->GetBlockRowBytes(), rowBytes) << bits << "-bit";
  }
  EXPECT_EQ(KzVOffscreen::CreateOffscreen(3), nullptr);
  ImagePtr image(KzVOffscreen::CreateOffscreen(8));
  EXPECT_EQ(kzThrownCode([&] { image->Create(nullptr, 10, 10, 72); }), 0x20010008);
  const int sizes[][2] = {{-1, 10}, {10, -1}, {INT_MAX, 1}, {1 << 19, 1 << 19}};
  for (const auto& size : sizes) {
    EXPECT_EQ(kzThrownCode([&] { image->Create(ProcessVM(), size[0], size[1], 72); }), 0x20010008)
        << "at " << size[0] << " x " << size[1];
    EXPECT_FALSE(image->IsCreated());
  }
  image->Create(ProcessVM(), 1 << 18, 1 << 10, 72);  // 1,024 x 4 blocks: within the bound
  EXPECT_EQ(image->GetBlockCount(nullptr, nullptr), 4096);
}

TEST(VOffscreenBlocks, FirstWriteCreatesOneClearedBlock) {
  ImagePtr image = MakeImage(32, 300, 200);
  image->SetClearColor(TQCOLORREF{0x00123456});
  const int before = ProcessVM()->GetUsedBlockCount();
  image->Lock(299, 199, 0);
  EXPECT_EQ(image->GetCurrentAddress(), nullptr) << "reading creates nothing";
  image->Lock(299, 199, 1);  // nested: the write lock takes the block again, creating it
  image->Set32BitColor(0xFF000000);
  EXPECT_EQ(image->GetCurrentAddress() - image->GetBaseAddress(), 199 * 1024 + 43 * 4);
  image->Unlock();
  image->Unlock();
  EXPECT_EQ(ExistingBlocks(*image), std::vector<int>{1});
  EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before + 1);
  const std::vector<BYTE> bytes = BlockBytes(image.get(), 256, 0);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0x34), 65535) << "cleared but for one pixel";
}

TEST(VOffscreenLocking, ExactlyOneBlockIsLockedAndItFollowsTheCursor) {
  ImagePtr image = MakeImage(32, 768, 512);  // 3 x 2 blocks
  image->Lock(0, 0, 1);
  const std::tuple<int, int, std::vector<int>> moves[] = {
      {300, 10, {1}}, {310, 20, {1}}, {700, 400, {5}}, {-1, -1, {}}, {0, 300, {3}}};
  for (const auto& [x, y, locked] : moves) {
    image->MoveCursor(x, y);
    EXPECT_EQ(LockedBlocks(*image), locked) << "at " << x << "," << y;
  }
  image->Lock(300, 300, 0);  // nested: moves the cursor
  image->Unlock();
  EXPECT_EQ(LockedBlocks(*image), std::vector<int>{4}) << "an inner Unlock keeps the block";
  EXPECT_TRUE(image->IsWriteLocked());
  image->Unlock();
  EXPECT_TRUE(LockedBlocks(*image).empty());
  EXPECT_EQ(image->GetCursor().blockIndex, -1);
  EXPECT_FALSE(image->IsWriteLocked());
}

// A block written out to the swap file and brought back.
TEST(VOffscreenSwap, EditedBlocksAreWrittenAgainAndTemporaryOnesComeBackCleared) {
  ScratchVM vm(16u << 20);
  ImagePtr image = MakeImage(24, 256, 256, vm.get());
  FillBlock(image.get(), 0, 0, 1);
  image->UnloadAllBlock();  // written out: the block comes back unedited
  image->Lock(5, 5, 0);
  image->Lock(5, 5, 1);  // a write lock nested in a read lock marks the block edited
  image->Set24BitColor(0x123456);
  image->Unlock();
  image->Unlock();
  image->UnloadAllBlock();  // an edited block is written out again, an unedited one dropped
  EXPECT_EQ(BlockBytes(image.get(), 0, 0)[5 * 768 + 15], 0x12) << "blue of the edited pixel";
  image->UnloadAllBlock();
  image->AllowBreak(1);
  image->ClearProtectArea();  // the block becomes temporary: its bytes in the swap file are void
  EXPECT_EQ(image->CheckAreaType(0), KzVOffscreen::AREA_WITH_DATA);
  KzVOffscreenAutoLock lock(image.get(), 5, 5, 0);
  EXPECT_EQ(image->Get24BitColor(), 0xFFFFFFu) << "the clear colour, not stale memory";
}

// A 24-bit image of three blocks on a budget of two (24-bit blocks are evicted one by one):
// writing the third block evicts one of the first two, reading block 0 back evicts another.
TEST(VOffscreenProtection, AllowBreakAndProtectAreaDecideWhatEvictionKeeps) {
  // Allow-break, protect area, what blocks 0 and 1 read back, block 0 still in memory.
  const std::tuple<const char*, int, KzRect, TQCOLORREF, TQCOLORREF, int> cases[] = {
      {"plain blocks are written out", 0, {}, 0x000000, 0x000000, 0},
      {"allow-break blocks are dropped", 1, {}, 0xFFFFFF, 0xFFFFFF, 0},
      {"a protected block stays", 1, {0, 0, 10, 10}, 0x000000, 0xFFFFFF, 1},
  };
  for (const auto& [label, allowBreak, protect, block0, block1, block0OnMemory] : cases) {
    ScratchVM vm(2 * 196608);
    ImagePtr image = MakeImage(24, 768, 256, vm.get());
    image->AllowBreak(allowBreak);
    image->SetProtectArea(protect);
    image->Lock(5, 5, 1);
    for (int x : {5, 300, 600}) {
      image->MoveCursor(x, 5);
      image->Set24BitColor(0x000000);
    }
    image->Unlock();
    EXPECT_EQ(image->IsBlockOnMemory(0), block0OnMemory) << label;
    KzVOffscreenAutoLock lock(image.get(), 5, 5, 0);
    EXPECT_EQ(image->Get24BitColor(), block0) << label;
    image->MoveCursor(300, 5);
    EXPECT_EQ(image->Get24BitColor(), block1) << label;
  }
}

TEST(VOffscreenProtection, ProtectAreaCoversWholeBlocksAndSetsTheFlags) {
  for (int allowBreak : {0, 1}) {
    ImagePtr image = MakeImage(8, 1024, 1024);  // 4 x 4 blocks
    image->AllowBreak(allowBreak);
    FillBlock(image.get(), 0, 0, 1);    // block 0, inside the area
    FillBlock(image.get(), 600, 0, 2);  // block 2, outside
    image->SetProtectArea(KzRect(100, 100, 300, 300));
    EXPECT_EQ(image->GetProtectArea(), KzRect(0, 0, 512, 512));
    FillBlock(image.get(), 300, 300, 3);  // block 5, created inside later
    FillBlock(image.get(), 600, 600, 4);  // block 10, created outside later
    // Only an image that allows breaking makes blocks temporary; new blocks get flags only then.
    const int expected[][3] = {
        {0, 0, 1}, {2, allowBreak, 0}, {5, 0, allowBreak}, {10, allowBreak, 0}};
    for (const auto& e : expected) {
      const KzSwapBlock* block = image->GetBlockTable()[e[0]].GetSwapBlock();
      EXPECT_EQ(KzPoint(block->IsTemporary(), block->IsAbsoluteProtect()), KzPoint(e[1], e[2]))
          << "block " << e[0] << " allowBreak=" << allowBreak;
    }
    image->SetProtectBlockArea(KzRect(700, 10, 701, 11));  // adds to the area
    EXPECT_EQ(image->GetProtectArea(), KzRect(0, 0, 768, 512));
  }
}

TEST(VOffscreenResize, AllocateRectGrowsByWholeBlocks) {
  // The rect, the new size, the new offset, where the old image lies now.
  const std::tuple<KzRect, int, int, KzPoint, KzRect> cases[] = {
      {{0, 0, 100, 100}, 100, 100, {0, 0}, {0, 0, 100, 100}},
      {{-10, 0, 50, 50}, 356, 100, {-256, 0}, {256, 0, 612, 100}},
      {{0, 0, 300, 100}, 300, 100, {0, 0}, {0, 0, 300, 100}},
      {{0, -1, 100, 600}, 100, 856, {0, -256}, {0, 256, 100, 1112}},
      {{-257, 0, 10, 10}, 612, 100, {-512, 0}, {512, 0, 1124, 100}},
  };
  for (const auto& [rect, width, height, offset, where] : cases) {
    ImagePtr image = MakeImage(8, 100, 100);
    FillBlock(image.get(), 0, 0, 7);
    const std::vector<BYTE> bytes = BlockBytes(image.get(), 0, 0);
    image->Lock(10, 20, 0);  // a locked cursor stays on its pixel
    KzRect placed;
    EXPECT_EQ(image->AllocateRect(rect, &placed), 1);
    const auto label = ::testing::Message() << "at rect " << rect.left << "," << rect.top;
    EXPECT_EQ(image->GetRect(), KzRect(0, 0, width, height)) << label;
    EXPECT_EQ(image->GetOffset(), offset) << label;
    EXPECT_EQ(placed, where) << label;
    EXPECT_EQ(image->GetCursorPos(), KzPoint(where.left + 10, where.top + 20)) << label;
    EXPECT_EQ(image->Get8BitColor(), bytes[20 * 256 + 10]) << label;
    image->Unlock();
    EXPECT_EQ(ExistingBlocks(*image).size(), 1u) << label;
    EXPECT_EQ(BlockBytes(image.get(), where.left, where.top), bytes) << label;
  }
  ImagePtr image = MakeImage(8, 100, 100);
  EXPECT_EQ(kzThrownCode([&] { image->AllocateRect(KzRect(0, 0, INT_MAX, 10), nullptr); }),
            0x20010008);
  EXPECT_EQ(image->GetWidth(), 100);
}

TEST(VOffscreenResize, DeallocateRectShrinksToTheBlockHull) {
  ImagePtr image = MakeImage(8, 1000, 600);  // 4 x 3 blocks
  image->SetProtectArea(KzRect(0, 0, 1000, 600));
  FillBlock(image.get(), 0, 0, 4);      // outside the hull: freed
  FillBlock(image.get(), 300, 300, 5);  // column 1, row 1: inside the hull
  const std::vector<BYTE> kept = BlockBytes(image.get(), 300, 300);
  const int before = ProcessVM()->GetUsedBlockCount();
  KzPoint shift(-1, -1);
  // A column off the left, a row off the top, the cut column off the right, a row off the bottom.
  EXPECT_EQ(image->DeallocateRect(KzRect(300, 260, 520, 300), shift), 1);
  EXPECT_EQ(shift, KzPoint(256, 256));
  EXPECT_EQ(image->GetOffset(), KzPoint(256, 256));
  EXPECT_EQ(image->GetRect(), KzRect(0, 0, 512, 256));
  EXPECT_EQ(image->GetProtectArea(), KzRect(0, 0, 512, 256));
  EXPECT_EQ(BlockBytes(image.get(), 0, 0), kept);
  EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before - 1);
  EXPECT_EQ(image->DeallocateRect(KzRect(512, 0, 520, 10), shift), 0) << "the last column stays";
  EXPECT_EQ(image->GetWidth(), 256) << "the first step stays done";
  // DeallocateBlock refuses the last row too, and an unknown edge.
  EXPECT_EQ(image->DeallocateBlock(KzVOffscreen::DEALLOCATE_TOP), 0);
  EXPECT_EQ(image->DeallocateBlock(static_cast<KzVOffscreen::DEALLOCATE_BLOCK_TYPE>(4)), 0);
}

// Per depth: ink at (10, 20) in block 0 and (520, 280) in block 5; block 1 holds no ink.
TEST(VOffscreenWholeImage, ExtentsCopiesAndDestroyFollowTheBlocks) {
  for (int bits : kDepths) {
    const auto label = ::testing::Message() << bits << "-bit";
    const int before = ProcessVM()->GetUsedBlockCount();
    ImagePtr image = MakeImage(bits, 600, 300);
    tagRECT rect{1, 1, 1, 1};
    EXPECT_EQ(image->GetExtentRect(rect), 0) << label;
    EXPECT_EQ(KzRect(rect), KzRect(0, 0, 0, 0)) << label;
    EXPECT_EQ(image->CheckClearBlock(0), 1) << label << ": an absent block";
    image->Lock(10, 20, 1);
    image->Set32BitColor(0xFF000000);  // opaque black: ink in every depth
    image->MoveCursor(520, 280);
    image->Set32BitColor(0xFF000000);
    image->MoveCursor(300, 10);
    image->Unlock();
    ASSERT_EQ(image->GetExtentBlock(rect), 1) << label;
    EXPECT_EQ(KzRect(rect), KzRect(0, 0, 600, 300)) << label;
    ASSERT_EQ(image->GetExtentRect(rect), 1) << label;
    // 24-bit pixels carry no alpha: every pixel of an existing block counts.
    EXPECT_EQ(KzRect(rect), bits == 24 ? KzRect(0, 0, 600, 300) : KzRect(10, 20, 521, 281))
        << label;
    // Only 16-, 24- and 32-bit pixels are looked at (alpha 0, resp. 24-bit the clear colour).
    const int looked = bits >= 16 ? 1 : 0;
    EXPECT_EQ(image->CheckClearBlock(0), 0) << label;
    EXPECT_EQ(image->CheckClearBlock(1), looked) << label;
    EXPECT_EQ(image->CheckClearBlock(KzRect(0, 0, 11, 21)), 0) << label;
    EXPECT_EQ(image->CheckClearBlock(KzRect(11, 21, 256, 256)), looked) << label;
    // CopyAll replaces every block: the target's block 3 goes, its block 5 is overwritten.
    ImagePtr target = MakeImage(bits, 600, 300);
    FillBlock(target.get(), 0, 299, 3);
    FillBlock(target.get(), 599, 299, 4);
    EXPECT_EQ(target->CopyAll(image.get()), 1) << label;
    ImagePtr copy(image->CreateAndCopyAll());
    for (KzVOffscreen* other : {target.get(), copy.get()}) {
      ASSERT_EQ(ExistingBlocks(*other), (std::vector<int>{0, 1, 5})) << label;
      for (KzPoint at : {KzPoint(0, 0), KzPoint(256, 0), KzPoint(512, 256)}) {
        EXPECT_EQ(BlockBytes(other, at.x, at.y), BlockBytes(image.get(), at.x, at.y)) << label;
      }
    }
    // Destroy, even while locked, gives every block back; created again, the defaults hold.
    ImagePtr fresh = MakeImage(bits, 10, 10);
    image->SetClearColor(TQCOLORREF{0x123456});
    image->SetIndexColor(1, 0x12345678);
    image->AllowBreak(1);
    image->Lock(0, 0, 1);
    for (KzVOffscreen* each : {image.get(), target.get(), copy.get()}) each->Destroy();
    EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before) << label;
    EXPECT_EQ(image->GetLockCount() + image->GetWidth() + image->IsAllowBreak(), 0) << label;
    image->Create(ProcessVM(), 10, 10, 72);
    EXPECT_EQ(image->GetClearColor(), fresh->GetClearColor()) << label;
    EXPECT_EQ(image->GetIndexColor(1), fresh->GetIndexColor(1)) << label;
  }
  ImagePtr source = MakeImage(8, 600, 300), other = MakeImage(8, 601, 300);
  FillBlock(source.get(), 0, 0, 1);
  EXPECT_EQ(other->CopyAll(source.get()), 0) << "sizes differ";
  EXPECT_TRUE(ExistingBlocks(*other).empty());
}

TEST(VOffscreenPositions, ConvertPointGoesThroughTheSharedCanvas) {
  // The source's offset and resolution, this image's, the point and what it becomes.
  const std::tuple<KzPoint, double, KzPoint, double, KzPoint, KzPoint> cases[] = {
      {{100, 50}, 300, {-20, 10}, 300, {1, 2}, {121, 42}},
      {{0, 0}, 150, {0, 0}, 300, {101, 13}, {51, 7}},  // 50.5 and 6.5 round away from zero
      {{0, 0}, 600, {0, 0}, 300, {101, -13}, {202, -26}},
      {{10, 0}, 200, {5, 0}, 100, {3, 0}, {21, 0}},
      {{0, 0}, 300, {-5, 0}, 0, {1, 0}, {INT_MAX, 0}},  // saturates instead of wrapping
  };
  for (const auto& [sourceOffset, sourceResolution, offset, resolution, point, expected] : cases) {
    ImagePtr source = MakeImage(8, 10, 10, nullptr, sourceResolution);
    ImagePtr image = MakeImage(8, 10, 10, nullptr, resolution);
    source->SetOffset(sourceOffset);
    image->SetOffset(offset);
    KzPoint out;
    image->ConvertPoint(out, source.get(), point);
    EXPECT_EQ(out, expected) << "at " << point.x << " from " << sourceResolution;
  }
}

TEST(VOffscreenIsEqual, ComparesThroughTheGettersOfTheDepth) {
  // Image B's depth and width, the 8-bit values of A and B at (5, 5) (-1: no block at all).
  const std::tuple<const char*, int, int, int, int, int> cases[] = {
      {"one pixel differs", 8, 600, 200, 201, 0},
      {"size differs", 8, 601, 200, 200, 0},
      {"depth differs", 32, 600, 200, 200, 0},
      {"ink against a missing block", 8, 600, 200, -1, 0},
      {"a cleared block reads like a missing one", 8, 600, -1, 0, 1},
  };
  for (const auto& [label, bitsB, widthB, valueA, valueB, equal] : cases) {
    ImagePtr images[] = {MakeImage(8, 600, 300), MakeImage(bitsB, widthB, 300)};
    for (int i = 0; i < 2; ++i) {
      const int value = i == 0 ? valueA : valueB;
      if (value < 0) continue;
      KzVOffscreenAutoLock lock(images[i].get(), 5, 5, 1);
      images[i]->Set8BitColor(static_cast<BYTE>(value));
    }
    EXPECT_EQ(KzVOffscreen::IsEqual(images[0].get(), images[1].get()), equal) << label;
  }
}

TEST(VOffscreenStatics, ColourWordConversionsAndDitherAtTheCursor) {
  using V = KzVOffscreen;
  using Words = std::array<TQCOLORREF, 4>;
  // The word, BYTE1 (any top bit set), BYTE2 (alpha < 128 is 0, then any of B, G, R >= 128 is
  // 2, else 3) and BYTE8 (255 - red).
  const Words rows[] = {
      {0x00000000, 0, 0, 255}, {0x00000080, 1, 0, 127},  {0x7F7F7F7F, 0, 0, 128},
      {0x80FFFFFF, 1, 2, 0},   {0x80000000, 1, 3, 255},  {0xFF7F7F7F, 1, 3, 128},
      {0xFF800000, 1, 2, 255}, {0x00123456, 0, 0, 0xA9},
  };
  for (const Words& r : rows) {
    EXPECT_EQ((Words{r[0], V::TQCOLORREFtoBYTE1(r[0]), V::TQCOLORREFtoBYTE2(r[0]),
                     V::TQCOLORREFtoBYTE8(r[0])}),
              r);
  }
  EXPECT_EQ((Words{V::BYTE1toTQCOLORREF(0), V::BYTE1toTQCOLORREF(5), V::BYTE8toTQCOLORREF(0),
                   V::BYTE8toTQCOLORREF(0x55)}),
            (Words{0xFFFFFF, 0, 0xFFFFFF, 0xAAAAAA}));
  // The member dither forms take x and y from the cursor (2,0 and 0,2 differ in both tables).
  ImagePtr image = MakeImage(8, 20, 20);
  KzVOffscreenAutoLock lock(image.get(), 0);
  for (KzPoint at : {KzPoint(2, 0), KzPoint(0, 2), KzPoint(17, 5)}) {
    image->MoveCursor(at.x, at.y);
    EXPECT_EQ(
        (std::array<int, 3>{image->GetDitherValue(3), image->GetDitherValue16(3),
                            image->GetDitherValue255(128)}),
        (std::array<int, 3>{V::GetDitherValue(3, at.x, at.y), V::GetDitherValue16(3, at.x, at.y),
                            V::GetDitherValue255(128, at.x, at.y)}))
        << at.x << "," << at.y;
  }
}

}  // namespace
