// KzBlockList: a doubly linked list of tile block records whose items are pooled in pages.
//
// The swap keeps every block record in one (KzSwapListItem) and the memory cache keeps the
// blocks that are in memory in another (KzVMCacheListItem), oldest at the head. Items come from
// pages of 1,024; a released item goes back to a free list and is reused before a new page is
// made, so adding and removing cost no heap allocation once the pages exist. Pages are freed
// only by Destroy (or the destructor).
#pragma once

#include "kz/foundation/tarray.h"
#include "tqwutl/tqwutl.h"

class KzSwapBlock;

// A block's node in the swap's list of all blocks.
struct KzSwapListItem {
  KzSwapBlock* block;
  KzSwapListItem* next;
  KzSwapListItem* prev;
};

// A block's node in the memory cache's list of blocks in memory.
struct KzVMCacheListItem {
  KzSwapBlock* block;
  KzVMCacheListItem* next;
  KzVMCacheListItem* prev;
};

template <typename Item>
class KzBlockList {
 public:
  static constexpr int kItemsPerPage = 1024;

  KzBlockList() = default;
  KzBlockList(const KzBlockList&) = delete;
  KzBlockList& operator=(const KzBlockList&) = delete;
  ~KzBlockList() { Destroy(); }

  // Appends an item for `block` at the tail and returns it; null when no page could be made
  // (the list is then unchanged).
  Item* Append(KzSwapBlock* block) {
    if (m_pFree == nullptr && !AddPage()) return nullptr;
    Item* item = m_pFree;
    m_pFree = item->next;
    item->block = block;
    item->next = nullptr;
    item->prev = m_pTail;
    if (m_pTail != nullptr) {
      m_pTail->next = item;
    } else {
      m_pHead = item;
    }
    m_pTail = item;
    ++m_count;
    return item;
  }

  // Unlinks an item of this list and returns it to the pool; null is ignored.
  void Remove(Item* item) {
    if (item == nullptr) return;
    (item->prev != nullptr ? item->prev->next : m_pHead) = item->next;
    (item->next != nullptr ? item->next->prev : m_pTail) = item->prev;
    item->block = nullptr;
    item->prev = nullptr;
    item->next = m_pFree;
    m_pFree = item;
    --m_count;
  }

  Item* GetHead() const { return m_pHead; }
  Item* GetTail() const { return m_pTail; }
  // The number of items in the list.
  int GetCount() const { return m_count; }

  // Empties the list and frees every page; items handed out before are invalid afterwards.
  void Destroy() {
    for (Item* page : m_pages) tqFreePtr(page);
    m_pages.RemoveAll();
    m_pHead = m_pTail = m_pFree = nullptr;
    m_count = 0;
  }

 private:
  bool AddPage() {
    auto* page = static_cast<Item*>(tqAllocPtr(sizeof(Item) * kItemsPerPage, 0, nullptr));
    if (page == nullptr) return false;
    try {
      m_pages.Add(page);
    } catch (...) {
      tqFreePtr(page);
      return false;
    }
    for (int i = 0; i < kItemsPerPage; ++i) {
      page[i] = Item{nullptr, i + 1 < kItemsPerPage ? &page[i + 1] : m_pFree, nullptr};
    }
    m_pFree = page;
    return true;
  }

  KzTArray<Item*> m_pages;  // grows in steps of 256 pages
  Item* m_pHead = nullptr;
  Item* m_pTail = nullptr;
  Item* m_pFree = nullptr;  // released items, chained through `next`
  int m_count = 0;
};
