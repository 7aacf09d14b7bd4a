// Owning wrappers of the utility library's fixed memory blocks.
//
// KzPointer is KzHandle's counterpart for a plain address (tqAllocPtr and friends): the same
// operations in the same order, without locking. KzAutoPointer frees an address it adopted.
//
// Failures: a failed allocation throws the utility library's last error (8 when it names none)
// with the system alert; copies outside the block throw 0x20010008.
#pragma once

#include "kz/foundation/error.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

class KzHandle;

class KzPointer {
 public:
  // An empty wrapper: no block, size 0, owned 1.
  KzPointer();
  // Copies of a non-empty source allocate a block of the source's size and copy every byte; an
  // empty source empties the target.
  KzPointer(const KzPointer& source);
  KzPointer& operator=(const KzPointer& source);
  // Frees an owned block.
  virtual ~KzPointer();

  // Cleans up the current block, then adopts `address`; size 0 takes the size from
  // tqGetPtrSize. `owned` non-zero: the wrapper frees the block at clean-up. Attaching the block
  // already held only updates size and ownership.
  virtual void Attach(void* address, DWORD size = 0, int owned = 1);
  // Gives up the block without freeing it and returns it (null when empty).
  virtual void* Detach();
  // Replaces the current block by a new one of `size` bytes. On failure the wrapper keeps what
  // it held and the last error is thrown.
  virtual void Alloc(DWORD size, DWORD flags = 0, int owned = 1);
  // Resizes the block keeping its bytes up to the smaller size (the address may change);
  // without a block, Alloc(size, flags, 1). On failure the block is unchanged and the last error
  // is thrown.
  virtual void ReAlloc(DWORD size, DWORD flags = 0);
  // As KzHandle::Copy: `size` bytes from the source at `srcOffset` to this block at
  // `dstOffset`; size 0 means the rest of a wrapper's or handle's block. Ranges outside either
  // block throw 0x20010008. A bare handle stays the caller's.
  virtual void Copy(const KzHandle& source, DWORD size = 0, DWORD dstOffset = 0,
                    DWORD srcOffset = 0);
  virtual void Copy(const KzPointer& source, DWORD size = 0, DWORD dstOffset = 0,
                    DWORD srcOffset = 0);
  virtual void Copy(TQHANDLE source, DWORD size = 0, DWORD dstOffset = 0, DWORD srcOffset = 0);
  virtual void Copy(const void* source, DWORD size, DWORD dstOffset = 0, DWORD srcOffset = 0);
  // Moves bytes within the block; the ranges may overlap. Outside the block throws 0x20010008.
  virtual void BlockMove(DWORD size, DWORD dstOffset, DWORD srcOffset);

  // Clean-up: frees an owned block; empty, owned 1.
  void Free();

  void* GetPtr() const { return m_pAddress; }
  operator void*() const { return m_pAddress; }
  DWORD GetSize() const { return m_size; }
  int IsValid() const { return m_pAddress != nullptr; }
  int IsOwned() const { return m_owned; }

 private:
  void Cleanup();

  void* m_pAddress = nullptr;
  DWORD m_size = 0;
  int m_owned = 1;
};

// Holds an address of the utility library's fixed blocks and frees it (tqFreePtr) when another
// is assigned or at destruction. The heap handle is kept for callers that ask for it.
class KzAutoPointer {
 public:
  // Adopts `address` (null: nothing yet); the heap is the process heap unless given.
  KzAutoPointer() : m_hHeap(GetProcessHeap()) {}
  explicit KzAutoPointer(void* address, HANDLE heap = GetProcessHeap())
      : m_hHeap(heap), m_pAddress(address) {}
  KzAutoPointer(const KzAutoPointer&) = delete;
  KzAutoPointer& operator=(const KzAutoPointer&) = delete;
  ~KzAutoPointer();

  // Frees the previous address (unless it is the same) and adopts `address`.
  KzAutoPointer& operator=(void* address);
  // Gives up the address without freeing it.
  void* Detach();

  void* GetPtr() const { return m_pAddress; }
  operator void*() const { return m_pAddress; }
  HANDLE GetHeap() const { return m_hHeap; }

 private:
  HANDLE m_hHeap;
  void* m_pAddress = nullptr;
};
