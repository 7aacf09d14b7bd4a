// KzArchiveMem: an archive whose backend is a growable movable memory block.
//
// Used to build data in memory and hand it on as a handle (Dettach), to read it back after
// SetMode, or to read a block handed in (Attach). It never uses the archive cache, so raw reads
// past the data just return fewer bytes; typed and string reads that come up short throw
// 0x20010008 (KzArchive). The block grows by 64 KiB for small writes and by the write's size
// plus 1 KiB for large ones; bytes that appear by growing are zero.
#pragma once

#include "kz/foundation/handle.h"
#include "kz/persistence/archive.h"

class KzArchiveMem : public KzArchive {
 public:
  // No block; load mode, big-endian.
  KzArchiveMem();
  // Mode as for KzArchive::Init (1 or 9: store; 2 or 10: load); the cache size is unused.
  KzArchiveMem(unsigned int mode, unsigned int cacheSize);
  // Frees the block.
  ~KzArchiveMem() override;

  // Writes at the memory position, growing the block as needed (failure throws from KzHandle).
  // A write past 4 GiB - 1 throws 0x6001138B.
  unsigned int WriteSelf(const void* data, unsigned int count) override;
  // Copies up to `count` bytes from the memory position, never past the used size.
  unsigned int ReadSelf(void* buffer, unsigned int count) override;
  // Origin 0: to `offset` (unsigned 32-bit); 1: relative; other origins leave the position.
  // Moving past the block grows it by 64 KiB (at least to the position). A relative move before
  // the start throws 0x20010008. The used size does not change.
  unsigned int SeekSelf(int offset, unsigned int origin) override;

  // Stores `mode` as the mode flags word as it stands (9 store, 10 load, ...) and moves the
  // memory position to 0. The archive's own position is not changed.
  void SetMode(int mode);
  // Frees the current block, resets the archive (load, big-endian, position and length 0, no
  // sections) and takes `handle` as owned with `size` bytes: length, used size and capacity
  // become `size`. A size larger than the handle's block throws 0x20010008 and changes nothing.
  void Attach(TQHANDLE handle, unsigned int size);
  // Hands the block to the caller (unlocked, now the caller's) and sets length, used size,
  // capacity and the memory position to 0. Returns 0 without a block.
  TQHANDLE Dettach();
  // Frees the block and resets the archive as Attach does.
  void MemFree();
  // Lock and unlock the block (KzHandle). Lock throws 0x20010008 without a block. A write that
  // grows the block releases these locks.
  void* Lock();
  void Unlock();
  int IsValid() const { return m_block.IsValid(); }

  // The block's size and one past the highest byte written or attached.
  unsigned int GetCapacity() const { return m_capacity; }
  unsigned int GetUsedSize() const { return m_usedSize; }

 private:
  // Grows the block for a write of `count` bytes at the memory position.
  void Expand(unsigned int count);
  void Resize(std::uint64_t capacity);

  KzHandle m_block;
  DWORD m_memPosition = 0;
  DWORD m_usedSize = 0;
  DWORD m_capacity = 0;
};
