// Owning wrappers of the utility library's movable memory blocks.
//
// KzHandle owns (or borrows) one TQHANDLE and counts the locks it took on it, so that clean-up
// gives back exactly what the wrapper acquired. KzTHandle<T> is the same block with every size
// and offset counted in elements of T; the growable array keeps its elements in one.
// KzAutoHandle is a scoped lock-and-free helper for a bare handle.
//
// Failures: a failed allocation throws the utility library's last error (8 when it names none)
// with the system alert; locking an empty wrapper and copies outside the block throw 0x20010008.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

#include "kz/foundation/error.h"
#include "tqwutl/tqwutl.h"

class KzPointer;

class KzHandle {
 public:
  // An empty wrapper: no block, size 0, owned 1.
  KzHandle();
  // Copies of a non-empty source allocate a block of the source's size and copy every byte; an
  // empty source empties the target. Allocation failure throws (see the overview).
  KzHandle(const KzHandle& source);
  KzHandle& operator=(const KzHandle& source);
  // Frees an owned block; releases the wrapper's locks on a borrowed one.
  virtual ~KzHandle();

  // Cleans up the current block, then adopts `handle` of `size` bytes with the lock count 0.
  // `owned` non-zero: the wrapper frees the block at clean-up. Attaching the block already held
  // only updates size and ownership.
  virtual void Attach(TQHANDLE handle, DWORD size, int owned = 1);
  // Gives up the block without freeing it and returns it (0 when empty). The wrapper's locks are
  // released, unless keep-locked is set: then the block is handed on locked once.
  virtual TQHANDLE Detach();
  // Replaces the current block by a new one of `size` bytes (tqAlloc flags: TQ_ZEROINIT
  // clears it). On failure the wrapper keeps what it held and the last error is thrown.
  virtual void Alloc(DWORD size, DWORD flags = 0, int owned = 1);
  // Resizes the block keeping its bytes up to the smaller size; without a block, Alloc(size,
  // flags, 1). The wrapper's locks are released first: earlier addresses become invalid and the
  // lock count is 0 afterwards. On failure the block is unchanged and the last error is thrown.
  virtual void ReAlloc(DWORD size, DWORD flags = 0);
  // Copies `size` bytes from the source at `srcOffset` to this block at `dstOffset`. Size 0
  // means the rest of a wrapper's or handle's block from `srcOffset` (nothing for a plain
  // address). A range outside either block throws 0x20010008 and copies nothing. A bare handle
  // stays the caller's: it is neither freed nor left locked.
  virtual void Copy(const KzHandle& source, DWORD size = 0, DWORD dstOffset = 0,
                    DWORD srcOffset = 0);
  virtual void Copy(const KzPointer& source, DWORD size = 0, DWORD dstOffset = 0,
                    DWORD srcOffset = 0);
  virtual void Copy(TQHANDLE source, DWORD size = 0, DWORD dstOffset = 0, DWORD srcOffset = 0);
  virtual void Copy(const void* source, DWORD size, DWORD dstOffset = 0, DWORD srcOffset = 0);
  // Moves `size` bytes within the block from `srcOffset` to `dstOffset`; the ranges may overlap.
  // A range outside the block throws 0x20010008.
  virtual void BlockMove(DWORD size, DWORD dstOffset, DWORD srcOffset);

  // Clean-up: frees an owned block, releases the locks on a borrowed one; empty, owned 1.
  void Free();
  // Locks the block and returns its address, stable until the matching Unlock. Throws
  // 0x20010008 when there is no block. Clears keep-locked.
  void* Lock();
  // Undoes one Lock. When the count reaches 0 the block is unlocked, or stays locked once when
  // keep-locked is set. An Unlock without a Lock of this wrapper does nothing. Throws 0x20010008
  // when there is no block.
  void Unlock();
  // Asks the next release (the last Unlock, Detach, or the clean-up of a borrowed block) to
  // leave the block locked once. Any other operation clears the request.
  void SetKeepLocked(int keep = 1) { m_keepLocked = keep; }

  TQHANDLE GetHandle() const { return m_hHandle; }
  operator TQHANDLE() const { return m_hHandle; }
  DWORD GetSize() const { return m_size; }
  int IsValid() const { return m_hHandle != nullptr; }
  int IsOwned() const { return m_owned; }
  DWORD GetLockCount() const { return m_lockCount; }
  int IsKeepLocked() const { return m_keepLocked; }

 private:
  void Cleanup();
  void ReleaseLocks(int keep);

  TQHANDLE m_hHandle = nullptr;
  DWORD m_size = 0;
  int m_owned = 1;
  DWORD m_lockCount = 0;
  int m_keepLocked = 0;
};

// KzHandle whose sizes and offsets count elements of T (trivially copyable). Counts whose byte
// size does not fit in 32 bits throw 8. GetSize() stays in bytes; GetCount() is in elements.
template <typename T>
class KzTHandle : public KzHandle {
  static_assert(std::is_trivially_copyable_v<T>, "KzTHandle holds raw bytes");

 public:
  KzTHandle() = default;

  void Attach(TQHANDLE handle, DWORD count, int owned = 1) override {
    KzHandle::Attach(handle, Bytes(count), owned);
  }
  void Alloc(DWORD count, DWORD flags = 0, int owned = 1) override {
    KzHandle::Alloc(Bytes(count), flags, owned);
  }
  void ReAlloc(DWORD count, DWORD flags = 0) override { KzHandle::ReAlloc(Bytes(count), flags); }
  void Copy(const KzHandle& source, DWORD count = 0, DWORD dstIndex = 0,
            DWORD srcIndex = 0) override {
    KzHandle::Copy(source, Bytes(count), Bytes(dstIndex), Bytes(srcIndex));
  }
  void Copy(const KzPointer& source, DWORD count = 0, DWORD dstIndex = 0,
            DWORD srcIndex = 0) override {
    KzHandle::Copy(source, Bytes(count), Bytes(dstIndex), Bytes(srcIndex));
  }
  void Copy(TQHANDLE source, DWORD count = 0, DWORD dstIndex = 0, DWORD srcIndex = 0) override {
    KzHandle::Copy(source, Bytes(count), Bytes(dstIndex), Bytes(srcIndex));
  }
  void Copy(const void* source, DWORD count, DWORD dstIndex = 0, DWORD srcIndex = 0) override {
    KzHandle::Copy(source, Bytes(count), Bytes(dstIndex), Bytes(srcIndex));
  }
  void BlockMove(DWORD count, DWORD dstIndex, DWORD srcIndex) override {
    KzHandle::BlockMove(Bytes(count), Bytes(dstIndex), Bytes(srcIndex));
  }

  T* Lock() { return static_cast<T*>(KzHandle::Lock()); }
  DWORD GetCount() const { return GetSize() / sizeof(T); }

  // The byte size of `count` elements; throws 8 when it does not fit in 32 bits.
  static DWORD Bytes(DWORD count) {
    if (count > std::numeric_limits<DWORD>::max() / sizeof(T))
      kzThrowError(kKzErrorNotEnoughMemory);
    return static_cast<DWORD>(count * sizeof(T));
  }
};

// Holds a bare handle and the address it was locked to. Assignment locks the new handle and
// releases (unlocks, then frees) a previous one it had locked; so does destruction. A handle
// given to the constructor is only remembered: it is neither locked nor freed.
class KzAutoHandle {
 public:
  KzAutoHandle() = default;
  explicit KzAutoHandle(TQHANDLE handle) : m_hHandle(handle) {}
  KzAutoHandle(const KzAutoHandle&) = delete;
  KzAutoHandle& operator=(const KzAutoHandle&) = delete;
  ~KzAutoHandle();

  // Releases the previous handle when this object locked it, then takes `handle` and locks it
  // (a null handle leaves the address null).
  KzAutoHandle& operator=(TQHANDLE handle);

  TQHANDLE GetHandle() const { return m_hHandle; }
  void* GetPtr() const { return m_pAddress; }
  operator void*() const { return m_pAddress; }

 private:
  void Release();

  TQHANDLE m_hHandle = nullptr;
  void* m_pAddress = nullptr;
};
