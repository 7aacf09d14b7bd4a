// A gigabyte of tiles through a small budget, and swap faults that must not lose data.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/vmem/virtual_memory.h"
#include "kz/vmem/vmem_testing.h"

namespace {

using namespace vmem_testing;

constexpr unsigned int k8Bit = 0x10000;
constexpr unsigned int k32Bit = 0x40000;

class VmemReliabilityTest : public VmemTest {};

TEST_F(VmemReliabilityTest, GigabyteOfTilesSurvivesA64MiBBudget) {
  constexpr unsigned int kBudget = 64 << 20;
  auto vm = MakeVM(kBudget);
  // Tile i holds pattern i; every third tile is an 8-bit one, the rest 32-bit ones.
  std::vector<KzSwapBlock*> tiles;
  for (std::uint64_t total = 0; total < (std::uint64_t{1} << 30);
       total += tiles.back()->GetSize()) {
    const unsigned int size = tiles.size() % 3 == 0 ? k8Bit : k32Bit;
    tiles.push_back(vm->Allocate(size));
    void* data = vm->Lock(tiles.back(), 1, nullptr);
    ASSERT_NE(data, nullptr) << "at tile " << tiles.size();
    FillPattern(data, size, tiles.size() - 1);
    vm->Unlock(tiles.back());
    ASSERT_LE(vm->GetUsedPhysicalMemorySize(), kBudget) << "at tile " << tiles.size();
  }
  EXPECT_GE(vm->GetUsedDiskSize(), (std::uint64_t{1} << 30) - kBudget) << "most tiles went out";
  ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap()));

  // Every tile comes back whole, read in when it was out.
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    const auto size = static_cast<std::size_t>(tiles[i]->GetSize());
    int loaded = 0;
    const int wasOut = !tiles[i]->IsOnMemory();
    void* data = vm->Lock(tiles[i], 0, &loaded);
    ASSERT_NE(data, nullptr) << "at tile " << i;
    EXPECT_EQ(loaded, wasOut) << "at tile " << i;
    ASSERT_EQ(FirstMismatch(data, size, i), size) << "at tile " << i;
    vm->Unlock(tiles[i]);
  }
  EXPECT_LE(vm->GetUsedPhysicalMemorySize(), kBudget);
  ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap()));

  EXPECT_EQ(UnlinkedFilesIn(NativeFolder()).at(0).length, vm->GetSwapFileSize());

  // Everything freed leaves one free range over the whole file and no chunks.
  for (KzSwapBlock* tile : tiles) vm->Free(tile);
  EXPECT_EQ(vm->GetUsedBlockCount() + vm->GetUsedDiskSize() + vm->GetUsedPhysicalMemorySize(), 0u);
  EXPECT_TRUE(SwapSpaceIsConsistent(vm->GetSwap()));
  EXPECT_EQ(vm->GetSwap().GetGarbage()->GetCount(), 1);
  EXPECT_EQ(vm->GetChunkCount(2) + vm->GetChunkCount(4), 0);
}

// A failing swap write keeps the tile in memory with its data and edit flag; a failing read
// leaves it out, readable later.
TEST_F(VmemReliabilityTest, FailedSwapWritesAndReadsLoseNothing) {
  for (unsigned int size : {k8Bit, 0x30000u}) {  // a chunk slot and a block of its own
    SCOPED_TRACE(size);
    auto vm = MakeVM(size);
    KzSwapBlock* tile = vm->Allocate(size);
    FillPattern(vm->Lock(tile, 1, nullptr), size, 1);
    vm->Unlock(tile);
    win32::FailNextFileWrites(1, ERROR_HANDLE_DISK_FULL);
    EXPECT_EQ(vm->Purge(tile), 0);
    win32::FailNextFileWrites(1, ERROR_HANDLE_DISK_FULL);
    EXPECT_EQ(kzThrownCode([&] { vm->Allocate(size); }), 8);
    EXPECT_EQ(vm->GetUsedBlockCount(), 1);
    EXPECT_TRUE(tile->IsOnMemory() && tile->GetEditFlag() && !tile->IsSwapped());
    ASSERT_TRUE(SwapSpaceIsConsistent(vm->GetSwap())) << "and nothing is placed";
    EXPECT_EQ(FirstMismatch(vm->Lock(tile, 0, nullptr), size, 1), size);
    vm->Unlock(tile);

    ASSERT_EQ(vm->Purge(tile), 1);  // the disk is back
    win32::FailNextFileReads(1, ERROR_READ_FAULT);
    int loaded = 0;
    EXPECT_EQ(vm->Lock(tile, 1, &loaded), nullptr);
    EXPECT_EQ(loaded, 0);
    EXPECT_TRUE(!tile->IsOnMemory() && tile->IsSwapped() && !tile->GetEditFlag());
    EXPECT_EQ(vm->GetUsedPhysicalMemorySize(), 0u) << "the memory taken for the read went back";
    void* data = vm->Lock(tile, 0, &loaded);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(FirstMismatch(data, size, 1), size);
    vm->Unlock(tile);
  }
}

}  // namespace
