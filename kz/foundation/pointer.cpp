#include "kz/foundation/pointer.h"

#include <cstring>

#include "kz/foundation/handle.h"
#include "kz/foundation/handle_p.h"

KzPointer::KzPointer() = default;

KzPointer::KzPointer(const KzPointer& source) { *this = source; }

KzPointer& KzPointer::operator=(const KzPointer& source) {
  if (this == &source) return *this;
  if (!source.IsValid()) {
    Cleanup();
    return *this;
  }
  Alloc(source.m_size, 0, 1);
  Copy(source);
  return *this;
}

KzPointer::~KzPointer() { Cleanup(); }

void KzPointer::Cleanup() {
  if (m_pAddress && m_owned) tqFreePtr(m_pAddress);
  m_pAddress = nullptr;
  m_size = 0;
  m_owned = 1;
}

void KzPointer::Free() { Cleanup(); }

void KzPointer::Attach(void* address, DWORD size, int owned) {
  if (address && address == m_pAddress) {  // re-adopting the own block must not free it
    m_size = size != 0 ? size : tqGetPtrSize(address);
    m_owned = owned;
    return;
  }
  Cleanup();
  m_pAddress = address;
  m_size = !address ? 0 : size != 0 ? size : tqGetPtrSize(address);
  m_owned = owned;
}

void* KzPointer::Detach() {
  void* address = m_pAddress;
  m_pAddress = nullptr;
  m_size = 0;
  m_owned = 1;
  return address;
}

void KzPointer::Alloc(DWORD size, DWORD flags, int owned) {
  int error = 0;
  void* address = tqAllocPtr(size, flags, &error);
  if (!address) kzThrowAllocationError(error);
  Cleanup();
  m_pAddress = address;
  m_size = size;
  m_owned = owned;
}

void KzPointer::ReAlloc(DWORD size, DWORD flags) {
  if (!m_pAddress) {
    Alloc(size, flags, 1);
    return;
  }
  int error = 0;
  void* address = tqReAllocPtr(m_pAddress, size, flags, &error);
  if (!address) kzThrowAllocationError(error);
  m_pAddress = address;
  m_size = size;
}

void KzPointer::Copy(const KzHandle& source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  Copy(source.GetHandle(), kzResolveCopySize(size, source.GetSize(), srcOffset), dstOffset,
       srcOffset);
}

void KzPointer::Copy(const KzPointer& source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  size = kzResolveCopySize(size, source.m_size, srcOffset);
  kzCopyBlockBytes(m_pAddress, m_size, dstOffset, source.m_pAddress, source.m_size, srcOffset,
                   size);
}

void KzPointer::Copy(TQHANDLE source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  const DWORD srcSize = source ? tqGetHandleSize(source) : 0;
  size = kzResolveCopySize(size, srcSize, srcOffset);
  if (size == 0) return;
  const void* from = tqLock(source);
  try {
    kzCopyBlockBytes(m_pAddress, m_size, dstOffset, from, srcSize, srcOffset, size);
  } catch (...) {
    tqUnlock(source);
    throw;
  }
  tqUnlock(source);
}

void KzPointer::Copy(const void* source, DWORD size, DWORD dstOffset, DWORD srcOffset) {
  // A plain address has no known size: the caller vouches for srcOffset + size bytes.
  kzCopyBlockBytes(m_pAddress, m_size, dstOffset, source, 0xFFFFFFFFu, srcOffset, size);
}

void KzPointer::BlockMove(DWORD size, DWORD dstOffset, DWORD srcOffset) {
  kzCopyBlockBytes(m_pAddress, m_size, dstOffset, m_pAddress, m_size, srcOffset, size);
}

KzAutoPointer::~KzAutoPointer() {
  if (m_pAddress) tqFreePtr(m_pAddress);
}

KzAutoPointer& KzAutoPointer::operator=(void* address) {
  if (address != m_pAddress) {
    if (m_pAddress) tqFreePtr(m_pAddress);
    m_pAddress = address;
  }
  return *this;
}

void* KzAutoPointer::Detach() {
  void* address = m_pAddress;
  m_pAddress = nullptr;
  return address;
}
