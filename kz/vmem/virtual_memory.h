// KzVirtualMemory: the memory of every image tile, within a budget, backed by a swap file.
//
// Each tile is a KzSwapBlock record. Tiles of the common sizes (8, 16, 64, 128 and 256 KiB:
// the 1-, 2-, 8-, 16- and 32-bit tiles) are slots of 1 MiB chunks, one pool per size; other
// sizes (the 192 KiB 24-bit tile) get a movable block of their own. When the tiles in memory
// would pass the budget, the cache (KzVMCache) evicts the oldest unlocked ones: temporary tiles
// are dropped, edited ones written to the swap file (KzSwap) and read back on their next Lock.
//
// One manager serves the process (kzGetVirtualMemory); the application configures it once with
// kzCreateVirtualMemory before it creates images. Tests and tools may make managers of their
// own. Nothing locks: one thread at a time.
#pragma once

#include <cstdint>

#include "kz/foundation/tarray.h"
#include "kz/vmem/swap.h"
#include "kz/vmem/vm_cache.h"
#include "kz/vmem/vm_handle.h"
#include "win32/types.h"

class KzFilePath;

// The application's settings for the process-wide manager.
struct _CREATEVMPARAM {
  DWORD reserved;      // the caller's; the library does not read it
  KzFilePath* folder;  // the folder for the swap file, or null for the system's temporary one
  int mode;            // budget mode, see kzGetAllocateMemorySize
  int percentage;      // budget percentage for mode 1
};
using CREATEVMPARAM = _CREATEVMPARAM;

class KzVirtualMemory {
 public:
  static constexpr int kPoolCount = 5;
  // Slot sizes of the chunk pools, in pool order.
  static constexpr DWORD kPoolSlotSizes[kPoolCount] = {0x2000, 0x4000, 0x10000, 0x20000, 0x40000};

  // No budget, minimum unit size 32,768, empty cache and pools, a swap without file.
  KzVirtualMemory();
  KzVirtualMemory(const KzVirtualMemory&) = delete;
  KzVirtualMemory& operator=(const KzVirtualMemory&) = delete;
  // Frees the memory of every block still in memory, deletes the records and the swap file,
  // then the chunks.
  virtual ~KzVirtualMemory();

  // Creates the swap file in `folder` (null: the system's temporary folder), removing stale
  // swap files of earlier runs there, and sets the budget to `size` rounded up to the disk's
  // sector size. Throws 0x200132C9 when no file name can be made there; 39 with alert
  // 0x40800014 ("The virtual memory was not able to be made ...") when the disk has too little
  // free space; the file layer's code when the file cannot be made; 0x20010008 when this
  // manager was already created. Nothing is left on disk after a failure.
  void Create(unsigned int size, KzFilePath* folder);
  // A new block of `size` bytes (rounded up to the sector size) whose memory is present,
  // unlocked, not edited, contents undefined; owned by this manager until Free. Throws
  // 0x200132C8 before Create (or for an impossible size), 8 when the budget cannot be made
  // free, the utility library's error word when memory runs out.
  KzSwapBlock* Allocate(unsigned int size);
  // The address of the block's bytes, brought into memory when needed; null for null or when
  // reading it back from the swap file fails (the block then stays swapped out). Each call
  // takes one lock level for the matching Unlock; `edit` non-zero marks the block edited.
  // Stores 1 through `loaded` (when not null) when the bytes were read back, else leaves it.
  // A block never written out (new, or temporary and dropped) comes back with undefined bytes.
  // When nothing can be evicted the block comes in over the budget.
  void* Lock(KzSwapBlock* block, int edit, int* loaded) {
    if (block == nullptr) return nullptr;
    // A tile already in memory is the common case and stays inline.
    if (!block->IsOnMemory() && !BringIn(block, loaded)) return nullptr;
    if (edit) block->SetEditFlag(1);
    return block->Lock();
  }
  // Gives back one lock level; nothing for null, a block not in memory or not locked.
  void Unlock(KzSwapBlock* block) {
    if (block != nullptr) block->Unlock();
  }
  // Releases the block's memory and file place and destroys the record; null is ignored.
  void Free(KzSwapBlock* block);
  // Evicts the block now (written out when edited and not temporary). Returns 1 for null, a
  // block not in memory, or success; 0 for a locked or absolutely protected block or a failed
  // write, which keep their memory.
  int Purge(KzSwapBlock* block);

  // Memory for a tile: a chunk slot for the five pool sizes (the first chunk with a free slot,
  // a new chunk when none has one), else a page-aligned movable block. Returns 1; a failed
  // allocation throws the utility library's error word with the system alert.
  int AllocHandle(unsigned int size, KzVMHandle& handle);
  // Releases what AllocHandle gave: a block of its own is freed (the handle field cleared); a
  // slot goes back to its chunk, and a chunk left empty is destroyed and leaves its pool. The
  // chunk and slot fields are left for the caller to clear.
  void FreeHandle(KzVMHandle& handle, unsigned int size);

  // --- statistics ------------------------------------------------------------------------------
  std::uint64_t GetSwapFileSize() const { return m_swap.GetSwapSize(); }
  std::uint64_t GetUsedDiskSize() const { return m_swap.GetUsedTotalSize(); }
  // Swap traffic so far: bytes written out by evictions and read back by locks.
  std::uint64_t GetSwapBytesWritten() const { return m_swap.GetBytesWritten(); }
  std::uint64_t GetSwapBytesRead() const { return m_swap.GetBytesRead(); }
  int GetUsedBlockCount() const { return m_swap.GetUsedBlockCount(); }
  // The budget in bytes; 0 before Create.
  DWORD GetPhysicalMemorySize() const { return m_physicalMemorySize; }
  // Bytes of tiles in memory (may pass the budget, see Lock).
  DWORD GetUsedPhysicalMemorySize() const;
  // The budget less the bytes in use; 0 when they pass the budget.
  DWORD GetFreePhysicalMemorySize() const;
  // 32,768 before Create, then the system's page size.
  DWORD GetMinimumUnitSize() const { return m_minimumUnitSize; }
  int IsCreated() const { return m_swap.IsCreated(); }

  KzVMCache& GetCache() { return m_cache; }
  const KzVMCache& GetCache() const { return m_cache; }
  KzSwap& GetSwap() { return m_swap; }
  const KzSwap& GetSwap() const { return m_swap; }
  // The chunks of pool `pool` (0-4) in creation order; an index out of range throws 0x20010008.
  int GetChunkCount(int pool) const;
  const KzVMChunk* GetChunk(int pool, int index) const;

 private:
  // The pool of a slot size, or -1.
  static int PoolOf(DWORD size);
  // Gives a block that is not in memory its memory, evicting others to stay within the budget,
  // and reads its bytes back when it has them in the swap file (storing 1 through `loaded`).
  // False when the read fails: the block then stays out of memory.
  bool BringIn(KzSwapBlock* block, int* loaded);
  void DestroyChunks();

  KzSwap m_swap;
  DWORD m_physicalMemorySize = 0;
  DWORD m_minimumUnitSize = 32768;
  DWORD m_pageSize = 32768;  // the same value as the minimum unit size
  KzVMCache m_cache;
  KzTArray<KzVMChunk*> m_pools[kPoolCount];
};

// Configures the process-wide manager: on the first successful call only, computes the budget
// with kzGetAllocateMemorySize (mode, percentage) and creates the manager in the given folder;
// later calls do nothing. When creation throws, the call may be repeated. Null throws
// 0x20010008.
void kzCreateVirtualMemory(_CREATEVMPARAM* param);
// The process-wide manager, which lives from the library's load to its unload (also before it
// was created, when it holds nothing and cannot allocate).
KzVirtualMemory* kzGetVirtualMemory();
// A budget in bytes from the machine's physical memory (kzwGlobalMemoryStatus): mode 0 the
// larger of half the total and half the available memory; mode 1 `percentage` (clamped to
// 20..80) percent of the total; both capped at 0x7FFFFFFF. Any other mode gives 0.
std::uint64_t kzGetAllocateMemorySize(int mode, int percentage);
// Fills the system's extended memory status (zeroed first, its length set to 64); physical
// memory from /proc/meminfo, or from the system's page counts when that cannot be read.
void kzwGlobalMemoryStatus(MEMORYSTATUSEX* status);
