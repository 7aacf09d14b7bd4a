#include "kz/foundation/handle.h"

#include <cstdint>
#include <cstring>

#include "kz/foundation/handle_p.h"
#include "kz/foundation/pointer.h"

void kzCopyBlockBytes(void* dst, DWORD dstSize, DWORD dstOffset, const void* src, DWORD srcSize,
                      DWORD srcOffset, DWORD size) {
  if (size == 0) return;
  // 64-bit sums: an offset near 4 GiB must not wrap into a valid-looking range.
  if (std::uint64_t{dstOffset} + size > dstSize || std::uint64_t{srcOffset} + size > srcSize ||
      dst == nullptr || src == nullptr) {
    kzThrowError(kKzErrorParameter);
  }
  std::memmove(static_cast<char*>(dst) + dstOffset, static_cast<const char*>(src) + srcOffset,
               size);
}

DWORD kzResolveCopySize(DWORD size, DWORD srcSize, DWORD srcOffset) {
  if (size != 0) return size;
  if (srcOffset > srcSize) kzThrowError(kKzErrorParameter);
  return srcSize - srcOffset;
}

void kzThrowAllocationError(int error) {
  int code = tqGetLastError();
  if (code == 0) code = error != 0 ? error : kKzErrorNotEnoughMemory;
  kzThrowError(code);
}

namespace {

// Locks a bare handle for the length of one copy, at the utility library's level only, so that
// the lock counts of the wrappers involved do not change.
class ScopedBlockLock {
 public:
  explicit ScopedBlockLock(TQHANDLE handle)
      : m_hHandle(handle), m_pAddress(handle ? tqLock(handle) : nullptr) {}
  ScopedBlockLock(const ScopedBlockLock&) = delete;
  ScopedBlockLock& operator=(const ScopedBlockLock&) = delete;
  ~ScopedBlockLock() {
    if (m_hHandle) tqUnlock(m_hHandle);
  }
  void* Get() const { return m_pAddress; }

 private:
  TQHANDLE m_hHandle;
  void* m_pAddress;
};

}  // namespace

KzHandle::KzHandle() = default;

KzHandle::KzHandle(const KzHandle& source) { *this = source; }

KzHandle& KzHandle::operator=(const KzHandle& source) {
  if (this == &source) return *this;
  if (!source.IsValid()) {
    Cleanup();
    return *this;
  }
  Alloc(source.m_size, 1, 1);
  Copy(source);
  return *this;
}

KzHandle::~KzHandle() { Cleanup(); }

void KzHandle::ReleaseLocks(int keep) {
  if (keep) {
    // Hand the block on with exactly one lock of ours left.
    if (m_lockCount == 0) {
      tqLock(m_hHandle);
    } else {
      for (DWORD i = 1; i < m_lockCount; ++i) tqUnlock(m_hHandle);
    }
  } else {
    for (DWORD i = 0; i < m_lockCount; ++i) tqUnlock(m_hHandle);
  }
  m_lockCount = 0;
}

void KzHandle::Cleanup() {
  if (m_hHandle) {
    if (m_owned) {
      tqFree(m_hHandle);
    } else {
      ReleaseLocks(m_keepLocked);
    }
  }
  m_hHandle = nullptr;
  m_size = 0;
  m_owned = 1;
  m_lockCount = 0;
  m_keepLocked = 0;
}

void KzHandle::Free() { Cleanup(); }

void KzHandle::Attach(TQHANDLE handle, DWORD size, int owned) {
  if (handle && handle == m_hHandle) {  // re-adopting the own block must not free it
    m_size = size;
    m_owned = owned;
    m_keepLocked = 0;
    return;
  }
  Cleanup();
  m_hHandle = handle;
  m_size = handle ? size : 0;
  m_owned = owned;
}

TQHANDLE KzHandle::Detach() {
  TQHANDLE handle = m_hHandle;
  if (handle) ReleaseLocks(m_keepLocked);
  m_hHandle = nullptr;
  m_size = 0;
  m_owned = 1;
  m_lockCount = 0;
  m_keepLocked = 0;
  return handle;
}

void KzHandle::Alloc(DWORD size, DWORD flags, int owned) {
  m_keepLocked = 0;
  int error = 0;
  TQHANDLE handle = tqAlloc(size, flags, &error);
  if (!handle) kzThrowAllocationError(error);
  Cleanup();
  m_hHandle = handle;
  m_size = size;
  m_owned = owned;
}

void KzHandle::ReAlloc(DWORD size, DWORD flags) {
  if (!m_hHandle) {
    Alloc(size, flags, 1);
    return;
  }
  m_keepLocked = 0;
  // A locked block cannot move; the wrapper's own locks go first.
  ReleaseLocks(0);
  int error = 0;
  TQHANDLE handle = tqReAlloc(m_hHandle, size, flags, &error);
  if (!handle) kzThrowAllocationError(error);
  m_hHandle = handle;
  m_size = size;
}

void* KzHandle::Lock() {
  if (!m_hHandle) kzThrowError(kKzErrorParameter);
  m_keepLocked = 0;
  ++m_lockCount;
  return tqLock(m_hHandle);
}

void KzHandle::Unlock() {
  if (!m_hHandle) kzThrowError(kKzErrorParameter);
  const int keep = m_keepLocked;
  m_keepLocked = 0;
  if (m_lockCount == 0) return;  // not ours to release
  if (--m_lockCount == 0 && keep) return;
  tqUnlock(m_hHandle);
}

void KzHandle::Copy(const KzHandle& source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  Copy(source.GetHandle(), kzResolveCopySize(size, source.GetSize(), srcOffset), dstOffset,
       srcOffset);
}

void KzHandle::Copy(const KzPointer& source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  m_keepLocked = 0;
  size = kzResolveCopySize(size, source.GetSize(), srcOffset);
  if (size == 0) return;
  ScopedBlockLock target(m_hHandle);
  kzCopyBlockBytes(target.Get(), m_size, dstOffset, source.GetPtr(), source.GetSize(), srcOffset,
                   size);
}

void KzHandle::Copy(TQHANDLE source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  m_keepLocked = 0;
  const DWORD srcSize = source ? tqGetHandleSize(source) : 0;
  size = kzResolveCopySize(size, srcSize, srcOffset);
  if (size == 0) return;
  ScopedBlockLock from(source);
  ScopedBlockLock target(m_hHandle);
  kzCopyBlockBytes(target.Get(), m_size, dstOffset, from.Get(), srcSize, srcOffset, size);
}

void KzHandle::Copy(const void* source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  m_keepLocked = 0;
  if (size == 0) return;
  ScopedBlockLock target(m_hHandle);
  // A plain address has no known size: the caller vouches for srcOffset + size bytes, which
  // must still lie within 32 bits.
  kzCopyBlockBytes(target.Get(), m_size, dstOffset, source, 0xFFFFFFFFu, srcOffset, size);
}

void KzHandle::BlockMove(DWORD size, DWORD dstOffset, DWORD srcOffset) {
  m_keepLocked = 0;
  if (size == 0) return;
  ScopedBlockLock block(m_hHandle);
  kzCopyBlockBytes(block.Get(), m_size, dstOffset, block.Get(), m_size, srcOffset, size);
}

KzAutoHandle::~KzAutoHandle() { Release(); }

void KzAutoHandle::Release() {
  if (m_pAddress) {
    tqUnlock(m_hHandle);
    tqFree(m_hHandle);
  }
  m_pAddress = nullptr;
}

KzAutoHandle& KzAutoHandle::operator=(TQHANDLE handle) {
  if (handle == m_hHandle && m_pAddress) return *this;  // already held and locked
  Release();
  m_hHandle = handle;
  m_pAddress = handle ? tqLock(handle) : nullptr;
  return *this;
}
