// A gigabyte of tiles through a small budget, and swap faults that must not lose data.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/vmem/virtual_memory.h"
#include "kz/vmem/vmem_testing.h"

namespace {

using vmem_testing::FillPattern;
using vmem_testing::FirstMismatch;
using vmem_testing::SwapSpaceIsConsistent;
using vmem_testing::UnlinkedFilesIn;

constexpr unsigned int k8Bit = 0x10000;
constexpr unsigned int k32Bit = 0x40000;

class VmemReliabilityTest : public vmem_testing::VmemTest {};

TEST_F(VmemReliabilityTest, GigabyteOfTilesSurvivesA64MiBBudget) {
  constexpr unsigned int kBudget = 64 << 20;
  constexpr std::uint64_t kTotal = std::uint64_t{1} << 30;
  auto vm = MakeVM(kBudget);

  // Every third tile is an 8-bit one, the rest 32-bit ones.
  std::vector<KzSwapBlock*> tiles;
  std::uint64_t total = 0;
  while (total < kTotal) {
    const unsigned int size = tiles.size() % 3 == 0 ? k8Bit : k32Bit;
    KzSwapBlock* tile = vm->Allocate(size);
    void* data = vm->Lock(tile, 1, nullptr);
    ASSERT_NE(data, nullptr) << "at tile " << tiles.size();
    FillPattern(data, size, tiles.size());
    vm->Unlock(tile);
    ASSERT_LE(vm->GetUsedPhysicalMemorySize(), kBudget) << "at tile " << tiles.size();
    tiles.push_back(tile);
    total += size;
  }
  EXPECT_GE(vm->GetUsedDiskSize(), kTotal - kBudget) << "most tiles went to the swap file";
  ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap()));

  // Locks tiles `first`, `first` + stride ... (one tile for stride 0) and checks every byte.
  auto verify = [&](std::size_t stride, std::size_t first = 0) {
    const std::size_t end = stride == 0 ? first + 1 : tiles.size();
    for (std::size_t i = first; i < end; i += stride == 0 ? 1 : stride) {
      const auto size = static_cast<std::size_t>(tiles[i]->GetSize());
      int loaded = 0;
      const bool wasOut = !tiles[i]->IsOnMemory();
      void* data = vm->Lock(tiles[i], 0, &loaded);
      ASSERT_NE(data, nullptr) << "at tile " << i;
      EXPECT_EQ(loaded, wasOut ? 1 : 0) << "at tile " << i;
      ASSERT_EQ(FirstMismatch(data, size, i), size) << "at tile " << i;
      vm->Unlock(tiles[i]);
    }
  };
  verify(1);
  EXPECT_LE(vm->GetUsedPhysicalMemorySize(), kBudget);
  ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap()));

  // Replace every other 32-bit tile of the first few hundred: the places they leave take their
  // successors without the file growing.
  auto replaced = [](std::size_t i) { return i < 600 && i % 2 == 1 && i % 3 != 0; };
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    if (!replaced(i)) continue;
    vm->Free(tiles[i]);
    tiles[i] = nullptr;
  }
  ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap()));
  const std::uint64_t fileSize = vm->GetSwapFileSize();
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    if (!replaced(i)) continue;
    tiles[i] = vm->Allocate(k32Bit);
    FillPattern(vm->Lock(tiles[i], 1, nullptr), k32Bit, i);
    vm->Unlock(tiles[i]);
  }
  verify(7);  // samples the whole image: the new tiles are out by now
  for (std::size_t i = 0; i < 600; ++i) {
    if (replaced(i)) verify(0, i);
  }
  EXPECT_EQ(vm->GetSwapFileSize(), fileSize);
  ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap()));
  const auto files = UnlinkedFilesIn(NativeFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].length, vm->GetSwapFileSize());

  for (KzSwapBlock* tile : tiles) vm->Free(tile);
  EXPECT_EQ(vm->GetUsedBlockCount(), 0);
  EXPECT_EQ(vm->GetUsedDiskSize(), 0u);
  EXPECT_EQ(vm->GetUsedPhysicalMemorySize(), 0u);
  const KzGarbage* free = vm->GetSwap().GetGarbage();
  ASSERT_EQ(free->GetCount(), 1);
  EXPECT_EQ(free->GetAt(0).GetBeginPos(), 0u);
  EXPECT_EQ(free->GetAt(0).GetEndPos(), vm->GetSwapFileSize());
  for (int pool = 0; pool < KzVirtualMemory::kPoolCount; ++pool) {
    EXPECT_EQ(vm->GetChunkCount(pool), 0) << "at pool " << pool;
  }
}

TEST_F(VmemReliabilityTest, FailedSwapWriteKeepsTheTileInMemory) {
  for (unsigned int size : {k8Bit, 0x30000u}) {  // a chunk slot and a block of its own
    auto vm = MakeVM(size);
    KzSwapBlock* tile = vm->Allocate(size);
    FillPattern(vm->Lock(tile, 1, nullptr), size, 1);
    vm->Unlock(tile);

    win32::FailNextFileWrites(1, ERROR_HANDLE_DISK_FULL);
    EXPECT_EQ(vm->Purge(tile), 0) << "at size=" << size;
    win32::FailNextFileWrites(1, ERROR_HANDLE_DISK_FULL);
    EXPECT_EQ(kzThrownCode([&] { vm->Allocate(size); }), 8) << "at size=" << size;
    EXPECT_EQ(vm->GetUsedBlockCount(), 1) << "at size=" << size;
    EXPECT_TRUE(tile->IsOnMemory()) << "at size=" << size;
    EXPECT_TRUE(tile->GetEditFlag()) << "at size=" << size;
    EXPECT_FALSE(tile->IsSwapped()) << "at size=" << size;
    EXPECT_EQ(vm->GetUsedDiskSize(), 0u) << "at size=" << size;
    ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap())) << "at size=" << size;
    void* data = vm->Lock(tile, 0, nullptr);
    EXPECT_EQ(FirstMismatch(data, size, 1), size) << "at size=" << size;
    vm->Unlock(tile);

    // The disk is back: the same tile goes out and comes back whole.
    ASSERT_EQ(vm->Purge(tile), 1) << "at size=" << size;
    int loaded = 0;
    data = vm->Lock(tile, 0, &loaded);
    ASSERT_NE(data, nullptr) << "at size=" << size;
    EXPECT_EQ(loaded, 1) << "at size=" << size;
    EXPECT_EQ(FirstMismatch(data, size, 1), size) << "at size=" << size;
    vm->Unlock(tile);
  }
}

TEST_F(VmemReliabilityTest, FailedSwapReadLeavesTheTileOut) {
  auto vm = MakeVM(k32Bit);
  KzSwapBlock* tile = vm->Allocate(k32Bit);
  FillPattern(vm->Lock(tile, 1, nullptr), k32Bit, 7);
  vm->Unlock(tile);
  ASSERT_EQ(vm->Purge(tile), 1);

  win32::FailNextFileReads(1, ERROR_READ_FAULT);
  int loaded = 0;
  EXPECT_EQ(vm->Lock(tile, 1, &loaded), nullptr);
  EXPECT_EQ(loaded, 0);
  EXPECT_FALSE(tile->IsOnMemory());
  EXPECT_TRUE(tile->IsSwapped());
  EXPECT_FALSE(tile->GetEditFlag());
  EXPECT_EQ(vm->GetUsedPhysicalMemorySize(), 0u);
  EXPECT_EQ(vm->GetChunkCount(4), 0) << "the memory taken for the read went back";

  void* data = vm->Lock(tile, 0, &loaded);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(FirstMismatch(data, k32Bit, 7), k32Bit);
  vm->Unlock(tile);
}

}  // namespace
