#include "kz/vmem/vm_handle.h"

#include "kz/foundation/error.h"

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
