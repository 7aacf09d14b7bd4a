#include "kz/vmem/vm_cache.h"

#include <gtest/gtest.h>

#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/vmem/vmem_testing.h"

namespace {

using namespace vmem_testing;

constexpr unsigned int k8Bit = 0x10000;
constexpr unsigned int k24Bit = 0x30000;

class VMCacheTest : public VmemTest {
 protected:
  // A tile with the given flags, edited (filled with pattern `seed`) and unlocked.
  KzSwapBlock* Tile(KzVirtualMemory& vm, unsigned int size, int temporary, std::uint64_t seed) {
    KzSwapBlock* block = vm.Allocate(size);
    block->SetTemporary(temporary);
    FillPattern(vm.Lock(block, 1, nullptr), size, seed);
    vm.Unlock(block);
    return block;
  }
  // The blocks in the cache list, oldest first.
  static std::vector<const KzSwapBlock*> CacheOrder(const KzVirtualMemory& vm) {
    std::vector<const KzSwapBlock*> order;
    for (auto* item = vm.GetCache().GetHead(); item != nullptr; item = item->next) {
      order.push_back(item->block);
    }
    return order;
  }
};

TEST_F(VMCacheTest, FirstPassDropsTemporaryTilesBeforeOlderOnes) {
  auto vm = MakeVM(3 * k24Bit);
  KzSwapBlock* a = Tile(*vm, k24Bit, 0, 1);
  KzSwapBlock* b = Tile(*vm, k24Bit, 1, 2);
  KzSwapBlock* c = Tile(*vm, k24Bit, 0, 3);
  KzSwapBlock* d = vm->Allocate(k24Bit);
  EXPECT_TRUE(a->IsOnMemory()) << "older, but not temporary";
  EXPECT_FALSE(b->IsEnable()) << "dropped without a write, though edited";
  EXPECT_EQ(vm->GetUsedDiskSize(), 0u);
  KzSwapBlock* e = vm->Allocate(k24Bit);
  EXPECT_TRUE(!a->IsOnMemory() && a->IsSwapped()) << "the second pass writes out the oldest";
  EXPECT_EQ(vm->GetUsedDiskSize(), k24Bit);
  EXPECT_EQ(CacheOrder(*vm), (std::vector<const KzSwapBlock*>{c, d, e}));
}

TEST_F(VMCacheTest, ChunkTilesGoTogether) {
  auto vm = MakeVM(4 * k8Bit);
  // One chunk, slots 15 down to 12; only `oldest` was edited.
  KzSwapBlock* oldest = Tile(*vm, k8Bit, 0, 1);
  std::vector<KzSwapBlock*> mates = {vm->Allocate(k8Bit), vm->Allocate(k8Bit), vm->Allocate(k8Bit)};
  ASSERT_EQ(vm->GetChunkCount(2), 1);
  KzSwapBlock* fresh = vm->Allocate(k8Bit);
  EXPECT_FALSE(oldest->IsOnMemory());
  for (const KzSwapBlock* mate : mates) {
    EXPECT_FALSE(mate->IsOnMemory() || mate->IsSwapped()) << "evicted with it, not written";
  }
  EXPECT_EQ(vm->GetUsedDiskSize(), k8Bit);
  ASSERT_EQ(vm->GetChunkCount(2), 1) << "the emptied chunk was given back";
  EXPECT_EQ(vm->GetCache().GetMarginSize(), 3 * k8Bit);
  EXPECT_EQ(CacheOrder(*vm), (std::vector<const KzSwapBlock*>{fresh}));
}

TEST_F(VMCacheTest, LockedOrProtectedTileHoldsItsWholeChunk) {
  for (const bool locked : {true, false}) {
    SCOPED_TRACE(locked ? "locked" : "protected");
    auto vm = MakeVM(4 * k8Bit);
    std::vector<KzSwapBlock*> tiles;
    for (int i = 0; i < 4; ++i) tiles.push_back(Tile(*vm, k8Bit, 0, i));
    if (locked) {
      vm->Lock(tiles[2], 0, nullptr);
    } else {
      tiles[2]->SetAbsoluteProtect(1);
      EXPECT_EQ(vm->Purge(tiles[2]), 0) << "a protected tile is not purged";
      EXPECT_FALSE(tiles[2]->GetEditFlag()) << "but it was written out";
    }
    EXPECT_EQ(kzThrownCode([&] { vm->Allocate(k8Bit); }), 8);
    EXPECT_EQ(vm->GetCache().Request(&vm->GetSwap(), 0), 1) << "nothing always fits";
    EXPECT_EQ(vm->GetUsedBlockCount(), 4) << "the failed allocation left no record";
    for (int i = 0; i < 4; ++i) {
      EXPECT_TRUE(tiles[i]->IsOnMemory()) << "at i=" << i;
      EXPECT_EQ(FirstMismatch(vm->Lock(tiles[i], 0, nullptr), k8Bit, i), k8Bit) << "at i=" << i;
      vm->Unlock(tiles[i]);
    }
  }
}

}  // namespace
