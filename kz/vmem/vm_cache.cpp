#include "kz/vmem/vm_cache.h"

#include <limits>

#include "kz/foundation/exception.h"
#include "kz/vmem/swap.h"
#include "kz/vmem/virtual_memory.h"

KzVMCache::KzVMCache() = default;

KzVMCache::~KzVMCache() { Destroy(); }

void KzVMCache::Create(unsigned int size) {
  m_cacheSize = size;
  m_margin = size;
}

DWORD KzVMCache::GetMarginSize() const { return m_margin > 0 ? static_cast<DWORD>(m_margin) : 0; }

std::uint64_t KzVMCache::GetUsedSize() const {
  const std::int64_t used = static_cast<std::int64_t>(m_cacheSize) - m_margin;
  return used > 0 ? static_cast<std::uint64_t>(used) : 0;
}

int KzVMCache::Add(KzSwapBlock* block, const KzVMHandle& handle) {
  KzVMCacheListItem* item = m_list.Append(block);
  if (item == nullptr) return 0;
  block->SetVMCacheListItem(item);
  block->SetMemory(handle);
  if (handle.chunk != nullptr) handle.chunk->SetOwner(handle.slot, block);
  m_margin -= static_cast<std::int64_t>(block->GetSize());
  return 1;
}

void KzVMCache::Forget(KzSwapBlock* block) {
  m_margin += static_cast<std::int64_t>(block->GetSize());
  m_list.Remove(block->GetVMCacheListItem());
  block->SetVMCacheListItem(nullptr);
}

void KzVMCache::Remove(KzSwapBlock* block) {
  if (block == nullptr || !block->IsOnMemory()) return;
  try {
    block->FreeOnMemory(m_pOwner);
  } catch (const KzException&) {
    // Freeing memory does not fail; should it, the record is still unlinked.
  }
  Forget(block);
}

int KzVMCache::Purge(KzSwap* swap, KzSwapBlock* block) {
  if (block == nullptr || !block->IsOnMemory()) return 1;
  if (block->IsLocked()) return 0;
  if (!block->Purge(swap, m_pOwner)) return 0;
  Forget(block);
  return 1;
}

KzVMCache::Eviction KzVMCache::EvictOwn(KzSwap* swap, KzSwapBlock* block, bool anyBlock) {
  if (block->IsLocked() || block->IsAbsoluteProtect() || !(block->IsTemporary() || anyBlock)) {
    return Eviction::kSkipped;
  }
  if (!block->Purge(swap, m_pOwner)) return Eviction::kFailed;
  Forget(block);
  return Eviction::kEvicted;
}

KzVMCache::Eviction KzVMCache::EvictChunk(KzSwap* swap, KzSwapBlock* block, bool anyBlock,
                                          KzVMCacheListItem*& next) {
  KzVMChunk* chunk = block->GetMemory().chunk;
  const DWORD slots = chunk->GetSlotCount();
  for (DWORD slot = 0; slot < slots; ++slot) {
    const KzSwapBlock* owner = chunk->GetOwner(slot);
    if (owner == nullptr) continue;
    if (owner->IsLocked() || owner->IsAbsoluteProtect() || !(owner->IsTemporary() || anyBlock)) {
      return Eviction::kSkipped;
    }
  }
  // The tiles that go: every occupied slot from the lowest up to `block`'s own. They are taken
  // from the chunk first, since the last purge destroys an emptied chunk.
  KzSwapBlock* leaving[KzVMChunk::kMaxSlots];
  int count = 0;
  for (DWORD slot = 0; slot <= block->GetMemory().slot && slot < slots; ++slot) {
    if (KzSwapBlock* owner = chunk->GetOwner(slot)) leaving[count++] = owner;
  }
  // Written highest slot first: a fresh chunk hands its slots out from the top, so this is the
  // order the tiles came in, and the swap file gets them in the order they are read back.
  while (count > 0) {
    KzSwapBlock* owner = leaving[--count];
    if (!owner->Purge(swap, m_pOwner)) return Eviction::kFailed;
    if (owner->GetVMCacheListItem() == next) next = next->next;
    Forget(owner);
  }
  return Eviction::kEvicted;
}

int KzVMCache::Request(KzSwap* swap, unsigned int size) {
  if (size == 0 || m_margin >= static_cast<std::int64_t>(size)) return 1;
  for (int pass = 1; pass <= 2; ++pass) {
    const bool anyBlock = pass == 2;
    KzVMCacheListItem* item = m_list.GetHead();
    while (item != nullptr) {
      KzSwapBlock* block = item->block;
      KzVMCacheListItem* next = item->next;
      const Eviction result = block->GetMemory().chunk == nullptr
                                  ? EvictOwn(swap, block, anyBlock)
                                  : EvictChunk(swap, block, anyBlock, next);
      if (result == Eviction::kFailed) return 0;
      if (result == Eviction::kEvicted && m_margin >= static_cast<std::int64_t>(size)) return 1;
      item = next;
    }
  }
  return 0;
}

void KzVMCache::Destroy() {
  try {
    while (KzVMCacheListItem* item = m_list.GetHead()) {
      KzSwapBlock* block = item->block;
      if (m_pOwner != nullptr) block->FreeOnMemory(m_pOwner);
      m_list.Remove(item);
      block->SetVMCacheListItem(nullptr);
    }
  } catch (const KzException&) {
    // Clean-up stops at the first error; what is left goes with the process.
  }
  m_list.Destroy();
  m_margin = m_cacheSize;
}
