// The memory of one tile: KzVMHandle, and KzVMChunk, the 1 MiB block that common tile sizes are
// cut from.
//
// A handle names either a slot of a chunk or a movable block of its own (the utility library's
// TQHANDLE); all fields zero means empty. A chunk is one movable block of 1,048,576 bytes cut
// into equal slots; it is locked once however many of its slots are locked, and its free slots
// are a stack, so a fresh chunk hands out its highest slot first. Both kinds of memory start on
// a page boundary (and every slot size is a multiple of the page), as unbuffered swap I/O needs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tqwutl/tqwutl.h"

class KzSwapBlock;
class KzVMChunk;

struct KzVMHandle {
  KzVMChunk* chunk = nullptr;  // the chunk holding the bytes, or null
  TQHANDLE handle = nullptr;   // a movable block of the tile's own, or null
  DWORD slot = 0;              // the slot inside that chunk
  DWORD size = 0;              // bytes

  // Non-zero while the handle holds memory (a chunk slot or a block of its own).
  int IsUsed() const { return chunk != nullptr || handle != nullptr; }
  // Takes one lock level and returns the address of the bytes, stable until the matching
  // Unlock; null for an empty handle.
  void* Lock() const;
  // Gives back one lock level; nothing for an empty handle.
  void Unlock() const;
};

class KzVMChunk {
 public:
  static constexpr DWORD kChunkSize = 0x100000;
  static constexpr int kMaxSlots = 256;

  // A chunk of `slotSize`-byte slots (a divisor of 1 MiB giving at most 256 slots), all free.
  // The block comes from tqAlloc, page-aligned; a failure throws the utility library's error
  // word with the system alert.
  explicit KzVMChunk(DWORD slotSize);
  KzVMChunk(const KzVMChunk&) = delete;
  KzVMChunk& operator=(const KzVMChunk&) = delete;
  // Frees the block, locked or not.
  ~KzVMChunk();

  DWORD GetSlotSize() const { return m_slotSize; }
  DWORD GetSlotCount() const { return m_slotCount; }
  DWORD GetFreeCount() const { return m_freeCount; }
  DWORD GetLockCount() const { return m_lockCount; }
  // The block's address while the lock count is above 0, else null.
  unsigned char* GetBaseAddress() const { return m_pBase; }
  TQHANDLE GetHandle() const { return m_hBlock; }

  // Takes the slot on top of the free stack; the caller checks GetFreeCount() > 0 first.
  DWORD PopSlot() { return m_freeSlots[--m_freeCount]; }
  // Puts a slot back on the free stack and clears its owner. A slot out of range or a full
  // stack (the slot was already free) is ignored.
  void PushSlot(DWORD slot);
  // The record occupying a slot, or null (also for a slot out of range).
  KzSwapBlock* GetOwner(DWORD slot) const { return slot < m_slotCount ? m_owners[slot] : nullptr; }
  void SetOwner(DWORD slot, KzSwapBlock* owner) {
    if (slot < m_slotCount) m_owners[slot] = owner;
  }

  // One lock level on the whole chunk: the first locks the block. Returns the slot's address.
  unsigned char* LockSlot(DWORD slot) {
    if (m_lockCount == 0) {
      m_pBase = static_cast<unsigned char*>(tqLock(m_hBlock));
      if (m_pBase == nullptr) return nullptr;
    }
    ++m_lockCount;
    return m_pBase + static_cast<std::size_t>(m_slotSize) * slot;
  }
  // Gives back one lock level; the last unlocks the block. Nothing when not locked.
  void UnlockSlot() {
    if (m_lockCount == 0) return;
    if (--m_lockCount == 0) {
      tqUnlock(m_hBlock);
      m_pBase = nullptr;
    }
  }

 private:
  // What a lock touches comes first, on one cache line; the slot tables follow.
  TQHANDLE m_hBlock = nullptr;
  unsigned char* m_pBase = nullptr;
  DWORD m_lockCount = 0;
  DWORD m_slotSize = 0;
  DWORD m_slotCount = 0;
  DWORD m_freeCount = 0;
  DWORD m_freeSlots[kMaxSlots] = {};
  KzSwapBlock* m_owners[kMaxSlots] = {};
};

// A handle holds a chunk slot or a block of its own, never both; slots are the common case.
inline void* KzVMHandle::Lock() const {
  if (chunk != nullptr) return chunk->LockSlot(slot);
  if (handle != nullptr) return tqLock(handle);
  return nullptr;
}

inline void KzVMHandle::Unlock() const {
  if (chunk != nullptr) {
    chunk->UnlockSlot();
  } else if (handle != nullptr) {
    tqUnlock(handle);
  }
}
