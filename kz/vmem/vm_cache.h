// KzVMCache: the memory budget's account and the list of blocks in memory.
//
// The margin is the budget not yet given to blocks. Blocks enter the list at the tail when they
// get memory and never move when locked again, so the head is the block that has held memory
// longest. When a request does not fit in the margin, blocks are evicted from the head in two
// passes: first only temporary blocks (dropped without a write), then any block that is not
// locked and not absolutely protected (written out when edited). A tile in a chunk is evicted
// together with the chunk's other tiles so that the chunk's memory is actually returned; a
// locked or protected tile keeps its whole chunk in memory.
//
// Embedded in KzVirtualMemory and only used through it, on one thread.
#pragma once

#include <cstdint>

#include "kz/vmem/block_list.h"
#include "win32/types.h"

class KzSwap;
class KzSwapBlock;
class KzVirtualMemory;
struct KzVMHandle;

class KzVMCache {
 public:
  // Budget and margin 0, no owner.
  KzVMCache();
  KzVMCache(const KzVMCache&) = delete;
  KzVMCache& operator=(const KzVMCache&) = delete;
  // Destroy().
  virtual ~KzVMCache();

  // The budget: cache size and margin both become `size`.
  void Create(unsigned int size);
  // Makes the margin cover `size` bytes, evicting as described above. Returns 1 when it does
  // (at once when it already did, so a size of 0 always succeeds); 0 when two passes could not
  // free enough or a write to the swap file failed (that block keeps its memory; evictions
  // done before stay done).
  int Request(KzSwap* swap, unsigned int size);
  // Gives `block` the memory `handle` (edit flag and lock levels cleared), records it as the
  // owner of its chunk slot, takes its size off the margin and appends it to the list. Returns
  // 1, or 0 without memory for the list item (nothing is changed then).
  int Add(KzSwapBlock* block, const KzVMHandle& handle);
  // Takes the block's memory away without writing it and unlinks it; its size goes back to the
  // margin. Nothing for a block that is not in memory.
  void Remove(KzSwapBlock* block);
  // Evicts one block now. Returns 1 for null and for a block not in memory; 0 for a locked
  // block, a failed write or an absolutely protected block (which keep their memory); else the
  // block's size goes back to the margin, it leaves the list and 1 is returned.
  int Purge(KzSwap* swap, KzSwapBlock* block);
  // Releases the memory of every block in the list (nothing is written) and empties it.
  void Destroy();

  DWORD GetCacheSize() const { return m_cacheSize; }
  // The budget not given to blocks; 0 while more than the budget is in use.
  DWORD GetMarginSize() const;
  // Bytes of the blocks in memory (may exceed the budget when a lock found nothing to evict).
  std::uint64_t GetUsedSize() const;
  void SetOwnerVM(KzVirtualMemory* owner) { m_pOwner = owner; }
  KzVirtualMemory* GetOwnerVM() const { return m_pOwner; }
  // The blocks in memory, oldest first.
  const KzVMCacheListItem* GetHead() const { return m_list.GetHead(); }
  int GetCount() const { return m_list.GetCount(); }

 private:
  // Evicts a block with memory of its own; see Request.
  enum class Eviction { kSkipped, kEvicted, kFailed };
  Eviction EvictOwn(KzSwap* swap, KzSwapBlock* block, bool anyBlock);
  // Evicts the tiles of `block`'s chunk up to and with `block`; `next` is moved on when the
  // item it points to leaves the list.
  Eviction EvictChunk(KzSwap* swap, KzSwapBlock* block, bool anyBlock, KzVMCacheListItem*& next);
  // Forgets a block that lost its memory: margin back, item unlinked.
  void Forget(KzSwapBlock* block);

  KzVirtualMemory* m_pOwner = nullptr;
  DWORD m_cacheSize = 0;
  // Signed and wide: a lock that finds nothing to evict brings its block in over the budget.
  std::int64_t m_margin = 0;
  KzBlockList<KzVMCacheListItem> m_list;
};
