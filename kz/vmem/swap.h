// The swap file and the records of tile blocks.
//
// KzSwapBlock is one tile block: its size, its place in the swap file once it has been written,
// its flags and, while it is in memory, its KzVMHandle. KzSwap owns the swap file and every
// block record. The file is a headerless array of block images at sector-aligned positions:
// it is created at full size in one go, grows by multiples of its first size when a block finds
// no free range, and is unlinked as soon as it is open, so nothing is left on disk even when
// the process dies. Free ranges are kept by KzGarbage (first fit, neighbours merged).
//
// Records are made by Allocate and destroyed by Deallocate; a block gets its file place on its
// first Write and keeps it until Deallocate (later writes go to the same place).
#pragma once

#include <cstdint>

#include "kz/persistence/kzfile.h"
#include "kz/vmem/block_list.h"
#include "kz/vmem/garbage.h"
#include "kz/vmem/vm_handle.h"

class KzFilePath;
class KzSwap;
class KzVirtualMemory;

class KzSwapBlock {
 public:
  // All fields zero: no memory, no file place, no flags.
  KzSwapBlock() = default;
  KzSwapBlock(const KzSwapBlock&) = default;
  KzSwapBlock& operator=(const KzSwapBlock&) = default;

  std::uint64_t GetBeginPos() const { return m_beginPos; }
  std::uint64_t GetEndPos() const { return m_endPos; }
  // Bytes: a multiple of the swap's sector size.
  std::uint64_t GetSize() const { return m_size; }

  // The memory handle is in use.
  int IsOnMemory() const { return m_memory.IsUsed(); }
  // The block has a place in the swap file.
  int IsSwapped() const { return m_beginPos != m_endPos; }
  int IsEnable() const { return IsOnMemory() || IsSwapped(); }
  // Lock levels are counted, so that a nested lock keeps the block in memory until the last
  // Unlock; IsLocked() is non-zero while any level is held.
  int IsLocked() const { return m_locked > 0; }
  int GetLockCount() const { return m_locked; }
  // Temporary: the contents may be dropped instead of written out when the block is evicted.
  int IsTemporary() const { return m_temporary; }
  void SetTemporary(int temporary) { m_temporary = temporary != 0; }
  // Absolutely protected: the block is never evicted (nor the other tiles of its chunk).
  int IsAbsoluteProtect() const { return m_absoluteProtect; }
  void SetAbsoluteProtect(int protect) { m_absoluteProtect = protect != 0; }
  // Edited: the memory was locked for writing since it was last written out or filled.
  int GetEditFlag() const { return m_edit; }
  void SetEditFlag(int edit) { m_edit = edit != 0; }

  const KzVMHandle& GetMemory() const { return m_memory; }
  // Stores the handle and clears the edit flag and the lock levels.
  void SetMemory(const KzVMHandle& memory) {
    m_memory = memory;
    m_edit = 0;
    m_locked = 0;
  }
  KzSwapListItem* GetSwapListItem() const { return m_pSwapListItem; }
  void SetSwapListItem(KzSwapListItem* item) { m_pSwapListItem = item; }
  KzVMCacheListItem* GetVMCacheListItem() const { return m_pVMCacheListItem; }
  void SetVMCacheListItem(KzVMCacheListItem* item) { m_pVMCacheListItem = item; }

  // Takes one lock level and returns the address of the bytes (null when not in memory).
  void* Lock() {
    void* address = m_memory.Lock();
    if (address != nullptr) ++m_locked;
    return address;
  }
  // Gives back one lock level; nothing when none is held (lock levels are only held on
  // memory: SetMemory and FreeOnMemory leave none).
  void Unlock() {
    if (m_locked == 0) return;
    --m_locked;
    m_memory.Unlock();
  }

  // Releases the memory (lock levels held on it included) through `vm`; the handle becomes
  // empty. Nothing when the block is not in memory.
  void FreeOnMemory(KzVirtualMemory* vm);
  // Evicts the block: an edited block that is not temporary is written to `swap` first (a
  // failed write returns 0 and keeps memory and edit flag); the edit flag is cleared; an
  // absolutely protected block then returns 0 and keeps its memory; any other block loses its
  // memory and 1 is returned. A temporary block thus loses its contents.
  int Purge(KzSwap* swap, KzVirtualMemory* vm);

 private:
  friend class KzSwap;

  // What a lock of a tile in memory touches comes first.
  KzVMHandle m_memory;
  int m_edit = 0;
  int m_locked = 0;
  std::uint64_t m_beginPos = 0;
  std::uint64_t m_endPos = 0;
  std::uint64_t m_size = 0;
  int m_temporary = 0;
  int m_absoluteProtect = 0;
  KzSwapListItem* m_pSwapListItem = nullptr;
  KzVMCacheListItem* m_pVMCacheListItem = nullptr;
};

class KzSwap {
 public:
  // Type code of the swap file (the four characters SWAP).
  static constexpr unsigned int kFileType = 0x53574150;

  // No file, no blocks.
  KzSwap();
  KzSwap(const KzSwap&) = delete;
  KzSwap& operator=(const KzSwap&) = delete;
  // Destroy().
  virtual ~KzSwap();

  // Creates the swap file at `path` sized to *size rounded up to the disk's sector size (kept
  // at or below 0x7FFFFFFF) and stores the rounded size through `size`. `buffered` 0 opens it
  // for unbuffered I/O where the file system allows. Throws the utility library's last error
  // when the disk's sector size or free space cannot be read, 39 (alert -1) when the disk has
  // less free space than the rounded size, the file layer's code when the file cannot be made,
  // and 0x20010008 when this swap already has a file. Returns 1.
  int Create(unsigned int* size, KzFilePath& path, int buffered);
  // A new record of `size` rounded up to the sector size, without file place or memory,
  // appended to the block list; null before Create, for a size whose rounding passes 32 bits,
  // or without memory.
  KzSwapBlock* Allocate(unsigned int size);
  // Gives the block's file range (if any) back to the free ranges, unlinks and deletes the
  // record. Null is ignored.
  void Deallocate(KzSwapBlock* block);
  // Writes the block's bytes from `data` to its place, finding one first (first fit, growing
  // the file when no range fits). Returns 1, or 0 on any failure (the block keeps no new
  // place then). `data` must be aligned as its memory is (page boundary).
  int Write(void* const data, KzSwapBlock* block);
  // Reads the block's bytes from its place into `data`. Returns 1, or 0 when the block has no
  // place or the read fails or comes back short.
  int Read(void* data, KzSwapBlock* block);
  // Deletes every record still alive, the free ranges and the list pages, and closes (so
  // removes) the file; errors of the close are ignored. The swap can be created again.
  void Destroy();

  // The file's length and the bytes of blocks that have a place in it.
  std::uint64_t GetSwapSize() const { return m_swapSize; }
  std::uint64_t GetUsedTotalSize() const { return m_usedSize; }
  // The number of live block records.
  int GetUsedBlockCount() const { return m_blocks.GetCount(); }
  // Bytes written to and read from the file by successful Write and Read calls so far.
  std::uint64_t GetBytesWritten() const { return m_bytesWritten; }
  std::uint64_t GetBytesRead() const { return m_bytesRead; }
  // The disk's sector size; 0 before Create.
  DWORD GetSectorSize() const { return m_sectorSize; }
  // The free ranges of the file (null before Create).
  const KzGarbage* GetGarbage() const { return m_pGarbage; }
  // The list of all block records, oldest first.
  const KzSwapListItem* GetBlockListHead() const { return m_blocks.GetHead(); }
  int IsCreated() const { return m_file.IsValid(); }

 private:
  // Extends the file by `bytes`. Throws the last error when the free space cannot be read and
  // 39 when it is too small; returns 1.
  int Enlarge(unsigned int bytes);
  // Finds a place for a block that has none; 0 when the file cannot grow enough.
  int Place(KzSwapBlock* block);
  // Gives a block's place back to the free ranges.
  void Unplace(KzSwapBlock* block);

  KzFile m_file;
  DWORD m_sectorSize = 0;
  KzGarbage* m_pGarbage = nullptr;
  KzBlockList<KzSwapListItem> m_blocks;
  std::uint64_t m_swapSize = 0;
  std::uint64_t m_usedSize = 0;
  DWORD m_growthStep = 0;
  std::uint64_t m_bytesWritten = 0;
  std::uint64_t m_bytesRead = 0;
};
