#include "kz/raster/voffscreen.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/raster/block_access.h"
#include "kz/raster/raster_testing.h"

namespace {

using raster_testing::BlockBytes;
using raster_testing::ExistingBlocks;
using raster_testing::FillBlock;
using raster_testing::ImagePtr;
using raster_testing::LockedBlocks;
using raster_testing::MakeImage;
using raster_testing::ProcessVM;
using raster_testing::ScratchVM;

constexpr int kDepths[] = {1, 2, 8, 16, 24, 32};
constexpr unsigned int k24BitBlock = 196608;

TEST(VOffscreenGeometry, BlocksFollowTheDepthAndSize) {
  const struct {
    int bits, width, height, rowBytes;
    unsigned int blockBytes;
    int across, down;
  } cases[] = {
      {1, 300, 200, 32, 8192, 2, 1},      {2, 513, 256, 64, 16384, 3, 1},
      {8, 256, 257, 256, 65536, 1, 2},    {16, 1, 1, 512, 131072, 1, 1},
      {24, 1000, 600, 768, 196608, 4, 3}, {32, 0, 0, 1024, 262144, 0, 0},
  };
  for (const auto& c : cases) {
    ImagePtr image = MakeImage(c.bits, c.width, c.height);
    int across = -1, down = -1;
    EXPECT_EQ(image->GetBlockRowBytes(), c.rowBytes) << "at bits=" << c.bits;
    EXPECT_EQ(image->GetBlockBytes(), c.blockBytes) << "at bits=" << c.bits;
    EXPECT_EQ(image->GetBlockCount(&across, &down), c.across * c.down) << "at bits=" << c.bits;
    EXPECT_EQ(across * 1000 + down, c.across * 1000 + c.down) << "at bits=" << c.bits;
  }
  ImagePtr image = MakeImage(8, 300, 600);  // 2 x 3 blocks
  const struct {
    int x, y, index;
    KzRect rect;
  } points[] = {
      {255, 255, 0, {0, 0, 256, 256}},
      {256, 0, 1, {256, 0, 512, 256}},
      {299, 599, 5, {256, 512, 512, 768}},
      {300, 0, -1, {}},
      {0, 600, -1, {}},
      {-1, 0, -1, {}},
  };
  for (const auto& p : points) {
    EXPECT_EQ(image->GetBlockIndex(p.x, p.y), p.index) << "at " << p.x << "," << p.y;
    if (p.index >= 0) {
      EXPECT_EQ(image->GetBlockRect(p.index), p.rect) << "at " << p.index;
    }
  }
  EXPECT_EQ(image->GetBlockIndexFast(300, 0), 1) << "the fast form skips the bounds";
}

TEST(VOffscreenCreate, BadArgumentsThrowBeforeAnythingChanges) {
  EXPECT_EQ(KzVOffscreen::CreateOffscreen(3), nullptr);
  ImagePtr image(KzVOffscreen::CreateOffscreen(8));
  const struct {
    KzVirtualMemory* vm;
    int width, height;
  } cases[] = {{nullptr, 10, 10},
               {ProcessVM(), -1, 10},
               {ProcessVM(), 10, -1},
               {ProcessVM(), INT_MAX, 1},
               {ProcessVM(), 1 << 19, 1 << 19}};
  for (const auto& c : cases) {
    EXPECT_EQ(kzThrownCode([&] { image->Create(c.vm, c.width, c.height, 72); }), 0x20010008)
        << "at " << c.width << " x " << c.height;
    EXPECT_FALSE(image->IsCreated());
  }
  image->Create(ProcessVM(), 1 << 18, 1 << 10, 72);  // 1,024 x 4 blocks: within the bound
  EXPECT_EQ(image->GetBlockCount(nullptr, nullptr), 4096);
}

TEST(VOffscreenBlocks, FirstWriteCreatesOneClearedBlock) {
  const struct {
    int bits;
    TQCOLORREF clearColor, ink;  // ink: the native value written
    std::vector<BYTE> clearPixel;
  } cases[] = {
      {8, 0xFFFFFF, 200, {0}},
      {32, 0x00123456, 0xFF000000, {0x12, 0x34, 0x56, 0x00}},
  };
  for (const auto& c : cases) {
    ImagePtr image = MakeImage(c.bits, 300, 200);
    image->SetClearColor(c.clearColor);
    const int before = ProcessVM()->GetUsedBlockCount();
    image->Lock(299, 199, 0);
    EXPECT_EQ(image->GetCurrentAddress(), nullptr) << "reading creates nothing, bits=" << c.bits;
    image->Unlock();
    image->Lock(299, 199, 1);
    image->SetColor(c.ink);
    const std::ptrdiff_t at = image->GetCurrentAddress() - image->GetBaseAddress();
    image->Unlock();
    EXPECT_EQ(ExistingBlocks(*image), std::vector<int>{1}) << "bits=" << c.bits;
    EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before + 1) << "bits=" << c.bits;
    const int pixelBytes = c.bits / 8;
    EXPECT_EQ(at, 199 * image->GetBlockRowBytes() + 43 * pixelBytes) << "bits=" << c.bits;
    const std::vector<BYTE> bytes = BlockBytes(image.get(), 256, 0);
    int notClear = 0;
    for (std::size_t i = 0; i < bytes.size(); i += pixelBytes) {
      notClear += !std::equal(c.clearPixel.begin(), c.clearPixel.end(), bytes.begin() + i);
    }
    EXPECT_EQ(notClear, 1) << "only the written pixel differs, bits=" << c.bits;
  }
}

TEST(VOffscreenLocking, ExactlyOneBlockIsLockedAndItFollowsTheCursor) {
  ImagePtr image = MakeImage(32, 768, 512);  // 3 x 2 blocks
  image->Lock(0, 0, 1);
  const struct {
    int x, y;
    std::vector<int> locked;
  } moves[] = {{300, 10, {1}}, {310, 20, {1}}, {700, 400, {5}}, {-1, -1, {}}, {0, 300, {3}}};
  for (const auto& m : moves) {
    image->MoveCursor(m.x, m.y);
    EXPECT_EQ(LockedBlocks(*image), m.locked) << "at " << m.x << "," << m.y;
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

TEST(VOffscreenLocking, WriteLockNestedInAReadLockMarksTheBlockEdited) {
  ScratchVM vm(16u << 20);
  ImagePtr image = MakeImage(8, 256, 256, vm.get());
  FillBlock(image.get(), 0, 0, 1);
  image->UnloadAllBlock();  // written out: the block comes back unedited
  image->Lock(5, 5, 0);
  image->Lock(5, 5, 1);
  image->Set8BitColor(77);
  image->Unlock();
  image->Unlock();
  image->UnloadAllBlock();  // an edited block is written out again, an unedited one dropped
  image->Lock(5, 5, 0);
  EXPECT_EQ(image->Get8BitColor(), 77);
  image->Unlock();
}

// A 24-bit image of three blocks on a budget of two (24-bit blocks are evicted one by one):
// writing the third block evicts one of the first two, reading block 0 back evicts another.
TEST(VOffscreenProtection, AllowBreakAndProtectAreaDecideWhatEvictionKeeps) {
  const struct {
    const char* label;
    int allowBreak;
    KzRect protect;
    TQCOLORREF block0, block1;
    int block0OnMemory;
  } cases[] = {
      {"plain blocks are written out", 0, {}, 0x000000, 0x000000, 0},
      {"allow-break blocks are dropped", 1, {}, 0xFFFFFF, 0xFFFFFF, 0},
      {"a protected block stays", 1, {0, 0, 10, 10}, 0x000000, 0xFFFFFF, 1},
  };
  for (const auto& c : cases) {
    ScratchVM vm(2 * k24BitBlock);
    ImagePtr image = MakeImage(24, 768, 256, vm.get());
    image->AllowBreak(c.allowBreak);
    image->SetProtectArea(c.protect);
    image->Lock(5, 5, 1);
    for (int x : {5, 300, 600}) {
      image->MoveCursor(x, 5);
      image->Set24BitColor(0x000000);
    }
    image->Unlock();
    EXPECT_EQ(image->IsBlockOnMemory(0), c.block0OnMemory) << c.label;
    image->Lock(5, 5, 0);
    EXPECT_EQ(image->Get24BitColor(), c.block0) << c.label;
    image->MoveCursor(300, 5);
    EXPECT_EQ(image->Get24BitColor(), c.block1) << c.label;
    image->Unlock();
  }
}

TEST(VOffscreenProtection, DroppedTemporaryBlockComesBackClearedEvenWithASwapPlace) {
  ScratchVM vm(8u << 20);
  ImagePtr image = MakeImage(24, 256, 256, vm.get());
  image->Lock(5, 5, 1);
  image->Set24BitColor(0x000000);
  image->Unlock();
  image->UnloadAllBlock();  // written out: the block now has a place in the swap file
  image->AllowBreak(1);
  image->ClearProtectArea();  // ... and becomes temporary: its bytes are no longer kept
  EXPECT_EQ(image->CheckAreaType(0), KzVOffscreen::AREA_WITH_DATA);
  image->Lock(5, 5, 0);
  EXPECT_EQ(image->Get24BitColor(), 0xFFFFFFu) << "the clear colour, not stale memory";
  image->Unlock();
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
    const struct {
      int index, temporary, protect;
    } expected[] = {
        {0, 0, 1},
        {2, allowBreak, 0},  // only an image that allows breaking makes blocks temporary
        {5, 0, allowBreak},  // new blocks get flags only with allow-break
        {10, allowBreak, 0},
    };
    for (const auto& e : expected) {
      const KzSwapBlock* block = image->GetBlockTable()[e.index].GetSwapBlock();
      EXPECT_EQ(block->IsTemporary() * 10 + block->IsAbsoluteProtect(),
                e.temporary * 10 + e.protect)
          << "block " << e.index << " allowBreak=" << allowBreak;
    }
    image->ClearProtectArea();
    EXPECT_EQ(image->IsBlockAbsoluteProtect(0), 0);
    image->SetProtectBlockArea(KzRect(700, 10, 701, 11));
    image->SetProtectBlockArea(KzRect(10, 300, 11, 301));
    EXPECT_EQ(image->GetProtectArea(), KzRect(0, 0, 768, 512));
    EXPECT_EQ(image->IsBlockAbsoluteProtect(2), 1);
  }
}

TEST(VOffscreenResize, AllocateRectGrowsByWholeBlocks) {
  const struct {
    KzRect rect;
    int width, height;
    KzPoint offset;
    KzRect placed;
  } cases[] = {
      {{0, 0, 100, 100}, 100, 100, {0, 0}, {0, 0, 100, 100}},
      {{-10, 0, 50, 50}, 356, 100, {-256, 0}, {256, 0, 612, 100}},
      {{0, 0, 300, 100}, 300, 100, {0, 0}, {0, 0, 300, 100}},
      {{0, -1, 100, 600}, 100, 856, {0, -256}, {0, 256, 100, 1112}},
      {{-257, 0, 10, 10}, 612, 100, {-512, 0}, {512, 0, 1124, 100}},
  };
  for (const auto& c : cases) {
    ImagePtr image = MakeImage(8, 100, 100);
    FillBlock(image.get(), 0, 0, 7);
    const std::vector<BYTE> bytes = BlockBytes(image.get(), 0, 0);
    image->Lock(10, 20, 0);  // a locked cursor stays on its pixel
    KzRect placed;
    EXPECT_EQ(image->AllocateRect(c.rect, &placed), 1);
    const auto label = ::testing::Message() << "at rect.left=" << c.rect.left;
    EXPECT_EQ(image->GetRect(), KzRect(0, 0, c.width, c.height)) << label;
    EXPECT_EQ(image->GetBlockCount(nullptr, nullptr),
              ((c.width + 255) / 256) * ((c.height + 255) / 256))
        << label;
    EXPECT_EQ(image->GetOffset(), c.offset) << label;
    EXPECT_EQ(placed, c.placed) << label;
    EXPECT_EQ(image->GetCursorPos(), KzPoint(c.placed.left + 10, c.placed.top + 20)) << label;
    EXPECT_EQ(image->Get8BitColor(), bytes[20 * 256 + 10]) << label;
    image->Unlock();
    EXPECT_EQ(ExistingBlocks(*image).size(), 1u) << label;
    EXPECT_EQ(BlockBytes(image.get(), c.placed.left, c.placed.top), bytes) << label;
  }
  ImagePtr image = MakeImage(8, 100, 100);
  EXPECT_EQ(kzThrownCode([&] { image->AllocateRect(KzRect(0, 0, INT_MAX, 10), nullptr); }),
            0x20010008);
  EXPECT_EQ(image->GetWidth(), 100);
}

TEST(VOffscreenResize, DeallocateBlockRemovesOneEdge) {
  using D = KzVOffscreen;
  const struct {
    int width, height, type, result, newWidth, newHeight;
    KzPoint offset;
  } cases[] = {
      {300, 300, D::DEALLOCATE_RIGHT, 1, 256, 300, {0, 0}},
      {300, 300, D::DEALLOCATE_LEFT, 1, 44, 300, {256, 0}},
      {300, 300, D::DEALLOCATE_TOP, 1, 300, 44, {0, 256}},
      {300, 300, D::DEALLOCATE_BOTTOM, 1, 300, 256, {0, 0}},
      {200, 300, D::DEALLOCATE_LEFT, 0, 200, 300, {0, 0}},
      {300, 200, D::DEALLOCATE_BOTTOM, 0, 300, 200, {0, 0}},
  };
  for (const auto& c : cases) {
    ImagePtr image = MakeImage(8, c.width, c.height);
    FillBlock(image.get(), 0, 0, 1);
    FillBlock(image.get(), c.width - 1, c.height - 1, 2);
    const std::vector<BYTE> last = BlockBytes(image.get(), c.width - 1, c.height - 1);
    const int before = ProcessVM()->GetUsedBlockCount();
    const auto label = ::testing::Message()
                       << "type " << c.type << " on " << c.width << " x " << c.height;
    EXPECT_EQ(image->DeallocateBlock(static_cast<D::DEALLOCATE_BLOCK_TYPE>(c.type)), c.result)
        << label;
    EXPECT_EQ(image->GetRect(), KzRect(0, 0, c.newWidth, c.newHeight)) << label;
    EXPECT_EQ(image->GetOffset(), c.offset) << label;
    EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before - c.result) << label;
    if (c.type == D::DEALLOCATE_LEFT || c.type == D::DEALLOCATE_TOP) {
      EXPECT_EQ(BlockBytes(image.get(), c.newWidth - 1, c.newHeight - 1), last) << label;
    }
  }
}

TEST(VOffscreenResize, DeallocateRectShrinksToTheBlockHull) {
  ImagePtr image = MakeImage(8, 1000, 600);  // 4 x 3 blocks
  image->SetProtectArea(KzRect(0, 0, 1000, 600));
  FillBlock(image.get(), 300, 300, 5);  // column 1, row 1: inside the hull
  const std::vector<BYTE> kept = BlockBytes(image.get(), 300, 300);
  KzPoint shift(-1, -1);
  EXPECT_EQ(image->DeallocateRect(KzRect(300, 260, 520, 300), shift), 1);
  EXPECT_EQ(shift, KzPoint(256, 256));
  EXPECT_EQ(image->GetRect(), KzRect(0, 0, 512, 256));
  EXPECT_EQ(image->GetProtectArea(), KzRect(0, 0, 512, 256));
  EXPECT_EQ(BlockBytes(image.get(), 0, 0), kept);
  EXPECT_EQ(image->DeallocateRect(KzRect(512, 0, 520, 10), shift), 0) << "the last column stays";
  EXPECT_EQ(image->GetWidth(), 256) << "the first step stays done";
}

TEST(VOffscreenAreas, BlockAreaListsTheBlocksUnderARect) {
  ImagePtr image = MakeImage(8, 600, 300);
  const struct {
    KzRect rect;
    int clip;
    std::vector<KzRect> pieces;
  } cases[] = {
      {{250, 0, 260, 10}, 1, {{250, 0, 256, 10}, {256, 0, 260, 10}}},
      {{250, 0, 260, 10}, 0, {{0, 0, 256, 256}, {256, 0, 512, 256}}},
      {{500, 200, 700, 400},
       0,
       {{256, 0, 512, 256}, {512, 0, 600, 256}, {256, 256, 512, 300}, {512, 256, 600, 300}}},
      {{-50, -50, -1, -1}, 1, {}},
  };
  for (const auto& c : cases) {
    KzTArray<tagRECT> list;
    list.Add(tagRECT{1, 2, 3, 4});  // cleared first
    image->GetBlockArea(c.rect, list, c.clip);
    const std::vector<KzRect> got(list.begin(), list.end());
    EXPECT_EQ(got, c.pieces) << "at rect " << c.rect.left << "," << c.rect.top;
  }
  int fc = 0, lc = 0, fr = 0, lr = 0;
  EXPECT_EQ(image->GetBlockAreaIndex(KzRect(500, 200, 700, 400), fc, lc, fr, lr), 4);
  EXPECT_EQ(KzRect(fc, fr, lc, lr), KzRect(1, 0, 2, 1));
  tagRECT out{};
  EXPECT_EQ(image->GetBlockArea(KzRect(250, 0, 260, 10), 1, &out, 1), 1);
  EXPECT_EQ(KzRect(out), KzRect(256, 0, 260, 10));
}

TEST(VOffscreenAreas, ExtentsFindTheBlocksAndTheInk) {
  for (int bits : kDepths) {
    ImagePtr image = MakeImage(bits, 600, 300);
    tagRECT rect{1, 1, 1, 1};
    EXPECT_EQ(image->GetExtentRect(rect), 0) << "bits=" << bits;
    EXPECT_EQ(KzRect(rect), KzRect(0, 0, 0, 0)) << "bits=" << bits;
    image->Lock(10, 20, 1);
    image->Set32BitColor(0xFF000000);  // opaque black: ink in every depth
    image->MoveCursor(520, 280);
    image->Set32BitColor(0xFF000000);
    image->MoveCursor(300, 10);  // block 1 exists but holds no ink
    image->Unlock();
    ASSERT_EQ(image->GetExtentBlock(rect), 1);
    EXPECT_EQ(KzRect(rect), KzRect(0, 0, 600, 300)) << "bits=" << bits;
    ASSERT_EQ(image->GetExtentRect(rect), 1);
    // 24-bit pixels carry no alpha: every pixel of an existing block counts.
    EXPECT_EQ(KzRect(rect), bits == 24 ? KzRect(0, 0, 600, 300) : KzRect(10, 20, 521, 281))
        << "bits=" << bits;
  }
}

TEST(VOffscreenAreas, CheckClearBlockLooksAtAlphaOrTheClearColour) {
  const struct {
    int bits;
    TQCOLORREF written;  // through Set32BitColor at (5, 5)
    int block, rectWithPixel, rectBeside;
  } cases[] = {
      {32, 0x00FFFFFF, 1, 1, 1}, {32, 0xFF102030, 0, 0, 1}, {16, 0xFF000000, 0, 0, 1},
      {24, 0xFFFFFFFF, 1, 1, 1}, {24, 0xFF000000, 0, 0, 1}, {8, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ImagePtr image = MakeImage(c.bits, 512, 256);
    EXPECT_EQ(image->CheckClearBlock(0), 1) << "absent block, bits=" << c.bits;
    image->Lock(5, 5, 1);
    image->Set32BitColor(c.written);
    image->Unlock();
    const auto label = ::testing::Message() << "bits=" << c.bits << " colour=" << c.written;
    EXPECT_EQ(image->CheckClearBlock(0), c.block) << label;
    EXPECT_EQ(image->CheckClearBlock(KzRect(0, 0, 6, 6)), c.rectWithPixel) << label;
    EXPECT_EQ(image->CheckClearBlock(KzRect(6, 6, 400, 100)), c.rectBeside) << label;
  }
}

TEST(VOffscreenAreas, UsedMemoryAndAreaTypes) {
  ScratchVM vm(8u << 20);
  ImagePtr image = MakeImage(32, 600, 300, vm.get());
  FillBlock(image.get(), 0, 0, 1);
  FillBlock(image.get(), 599, 299, 2);
  EXPECT_EQ(image->GetUsedMemory(1), 2u * 262144);
  image->UnloadAllBlock();
  EXPECT_EQ(image->GetUsedMemory(0), 2u * 262144);
  EXPECT_EQ(image->GetUsedMemory(1), 0u);
  EXPECT_EQ(image->CheckAreaType(0), KzVOffscreen::AREA_WITH_DATA);
  EXPECT_EQ(image->CheckAreaType(1), KzVOffscreen::AREA_NO_BLOCK);
  EXPECT_EQ(image->DestroyBlock(0) * 10 + image->DestroyBlock(0), 10);
  EXPECT_EQ(image->DestroyBlockByIndex(2, 1) * 10 + image->DestroyBlockByIndex(3, 0), 10);
  EXPECT_EQ(vm->GetUsedBlockCount(), 0);
}

TEST(VOffscreenPositions, ConvertPointGoesThroughTheSharedCanvas) {
  const struct {
    KzPoint sourceOffset;
    double sourceResolution;
    KzPoint offset;
    double resolution;
    KzPoint point, expected;
  } cases[] = {
      {{100, 50}, 300, {-20, 10}, 300, {1, 2}, {121, 42}},
      {{0, 0}, 150, {0, 0}, 300, {101, 13}, {51, 7}},  // 50.5 and 6.5 round away from zero
      {{0, 0}, 600, {0, 0}, 300, {101, -13}, {202, -26}},
      {{10, 0}, 200, {5, 0}, 100, {3, 0}, {21, 0}},
      {{0, 0}, 300, {-5, 0}, 0, {1, 0}, {INT_MAX, 0}},  // saturates instead of wrapping
  };
  for (const auto& c : cases) {
    ImagePtr source = MakeImage(8, 10, 10, nullptr, c.sourceResolution);
    ImagePtr image = MakeImage(8, 10, 10, nullptr, c.resolution);
    source->SetOffset(c.sourceOffset);
    image->SetOffset(c.offset);
    KzPoint out;
    image->ConvertPoint(out, source.get(), c.point);
    EXPECT_EQ(out, c.expected) << "at " << c.point.x << "," << c.point.y << " from "
                               << c.sourceResolution << " to " << c.resolution;
  }
}

TEST(VOffscreenCopyAll, ReplacesEveryBlockAndAbsentBlocksStayAbsent) {
  for (int bits : kDepths) {
    ImagePtr source = MakeImage(bits, 600, 300);
    ImagePtr target = MakeImage(bits, 600, 300);
    FillBlock(source.get(), 0, 0, 1);
    FillBlock(source.get(), 300, 280, 2);
    FillBlock(target.get(), 300, 0, 3);
    FillBlock(target.get(), 300, 280, 4);
    const int before = ProcessVM()->GetUsedBlockCount();
    EXPECT_EQ(target->CopyAll(source.get()), 1) << "bits=" << bits;
    EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before) << "one made, one freed, bits=" << bits;
    ImagePtr copy(source->CreateAndCopyAll());
    for (KzVOffscreen* image : {target.get(), copy.get()}) {
      EXPECT_EQ(ExistingBlocks(*image), ExistingBlocks(*source)) << "bits=" << bits;
      EXPECT_EQ(BlockBytes(image, 300, 280), BlockBytes(source.get(), 300, 280));
      EXPECT_EQ(KzVOffscreen::IsEqual(source.get(), image), 1) << "bits=" << bits;
    }
  }
  ImagePtr source = MakeImage(8, 600, 300);
  ImagePtr other = MakeImage(8, 601, 300);
  FillBlock(source.get(), 0, 0, 1);
  EXPECT_EQ(other->CopyAll(source.get()), 0);
  EXPECT_TRUE(ExistingBlocks(*other).empty());
}

TEST(VOffscreenIsEqual, ComparesThroughTheGettersOfTheDepth) {
  const struct {
    const char* label;
    int bitsB, widthB, valueA, valueB;  // 8-bit values at (5, 5); -1: no block at all
    int equal;
  } cases[] = {
      {"same pixels", 8, 600, 200, 200, 1},
      {"one pixel differs", 8, 600, 200, 201, 0},
      {"size differs", 8, 601, 200, 200, 0},
      {"depth differs", 32, 600, 200, 200, 0},
      {"ink against a missing block", 8, 600, 200, -1, 0},
      {"a cleared block reads like a missing one", 8, 600, -1, 0, 1},
  };
  const auto write = [](KzVOffscreen* image, int value) {
    if (value < 0) return;
    KzVOffscreenAutoLock lock(image, 5, 5, 1);
    image->Set8BitColor(static_cast<BYTE>(value));
  };
  for (const auto& c : cases) {
    ImagePtr a = MakeImage(8, 600, 300);
    ImagePtr b = MakeImage(c.bitsB, c.widthB, 300);
    write(a.get(), c.valueA);
    write(b.get(), c.valueB);
    EXPECT_EQ(KzVOffscreen::IsEqual(a.get(), b.get()), c.equal) << c.label;
  }
}

TEST(VOffscreenLifetime, DestroyFreesEveryBlockAndResetsTheFields) {
  const int before = ProcessVM()->GetUsedBlockCount();
  ImagePtr image = MakeImage(16, 600, 300);
  FillBlock(image.get(), 0, 0, 1);
  FillBlock(image.get(), 599, 299, 2);
  image->SetClearColor(TQCOLORREF{0x123456});
  image->AllowBreak(1);
  image->Lock(0, 0, 1);  // destroyed while locked
  image->Destroy();
  EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before);
  EXPECT_FALSE(image->IsCreated());
  EXPECT_EQ(image->GetLockCount() + image->GetWidth() + image->IsAllowBreak(), 0);
  EXPECT_EQ(image->GetClearColor(), 0u) << "the 16-bit default";
  image->Create(ProcessVM(), 10, 10, 72);  // and may be created again
  FillBlock(image.get(), 0, 0, 3);
  EXPECT_EQ(ProcessVM()->GetUsedBlockCount(), before + 1);
}

}  // namespace
