#include "kz/vmem/vm_handle.h"

#include "kz/foundation/error.h"

void* KzVMHandle::Lock() const {
  if (handle != nullptr) return tqLock(handle);
  if (chunk != nullptr) return chunk->LockSlot(slot);
  return nullptr;
}

void KzVMHandle::Unlock() const {
  if (handle != nullptr) {
    tqUnlock(handle);
  } else if (chunk != nullptr) {
    chunk->UnlockSlot();
  }
}

KzVMChunk::KzVMChunk(DWORD slotSize) {
  if (slotSize == 0 || kChunkSize % slotSize != 0 || kChunkSize / slotSize > kMaxSlots) {
    kzThrowError(kKzErrorParameter);
  }
  int error = 0;
  m_hBlock = tqAlloc(kChunkSize, TQ_ALIGN_PAGE, &error);
  if (m_hBlock == nullptr) kzThrowError(error != 0 ? error : kKzErrorNotEnoughMemory);
  m_slotSize = slotSize;
  m_slotCount = kChunkSize / slotSize;
  for (DWORD i = 0; i < m_slotCount; ++i) m_freeSlots[i] = i;
  m_freeCount = m_slotCount;
}

KzVMChunk::~KzVMChunk() { tqFree(m_hBlock); }

void KzVMChunk::PushSlot(DWORD slot) {
  if (slot >= m_slotCount || m_freeCount >= m_slotCount) return;
  m_freeSlots[m_freeCount++] = slot;
  m_owners[slot] = nullptr;
}

unsigned char* KzVMChunk::LockSlot(DWORD slot) {
  if (m_lockCount == 0) {
    m_pBase = static_cast<unsigned char*>(tqLock(m_hBlock));
    if (m_pBase == nullptr) return nullptr;
  }
  ++m_lockCount;
  return m_pBase + static_cast<std::size_t>(m_slotSize) * slot;
}

void KzVMChunk::UnlockSlot() {
  if (m_lockCount == 0) return;
  if (--m_lockCount == 0) {
    tqUnlock(m_hBlock);
    m_pBase = nullptr;
  }
}
