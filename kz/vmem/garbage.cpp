#include "kz/vmem/garbage.h"

#include <new>

#include "kz/foundation/error.h"
#include "tqwutl/tqwutl.h"

KzGarbageBlock::RequestType KzGarbageBlock::Request(std::uint64_t* position, std::uint64_t size) {
  if (m_size > size) {
    *position = m_beginPos;
    m_beginPos += size;
    m_size -= size;
    return kRequestPart;
  }
  if (m_size == size) {
    *position = m_beginPos;
    return kRequestAll;
  }
  return kRequestNone;
}

KzGarbage::KzGarbage(const KzGarbage& other) { CopyRanges(other); }

KzGarbage& KzGarbage::operator=(const KzGarbage& other) {
  if (this != &other) {
    Destroy();
    CopyRanges(other);
  }
  return *this;
}

KzGarbage::~KzGarbage() { Destroy(); }

void KzGarbage::CopyRanges(const KzGarbage& other) {
  for (const KzGarbageBlock* range : other.m_blocks) {
    KzGarbageBlock* copy = CreateBlock();
    *copy = *range;
    m_blocks.Add(copy);
  }
}

KzGarbageBlock* KzGarbage::CreateBlock() {
  if (m_spares.GetCount() > 0) {
    KzGarbageBlock* spare = m_spares[m_spares.GetCount() - 1];
    m_spares.RemoveAt(m_spares.GetCount() - 1);
    *spare = KzGarbageBlock();
    return spare;
  }
  int error = 0;
  auto* page = static_cast<KzGarbageBlock*>(
      tqAllocPtr(sizeof(KzGarbageBlock) * kBlocksPerPage, TQ_ZEROINIT, &error));
  if (page == nullptr) kzThrowError(error != 0 ? error : kKzErrorNotEnoughMemory);
  try {
    m_pages.Add(page);
    // Room for every record on the spare array, so that giving a record back never fails.
    m_spares.SetSize(m_pages.GetCount() * kBlocksPerPage);
    m_spares.SetSize(kBlocksPerPage - 1);  // spares are only made when none are left
  } catch (...) {
    if (m_pages.GetCount() > 0 && m_pages[m_pages.GetCount() - 1] == page) {
      m_pages.RemoveAt(m_pages.GetCount() - 1);
    }
    tqFreePtr(page);
    throw;
  }
  for (int i = 1; i < kBlocksPerPage; ++i) m_spares[i - 1] = new (&page[i]) KzGarbageBlock();
  return new (&page[0]) KzGarbageBlock();
}

void KzGarbage::ReleaseAt(int index) {
  KzGarbageBlock* range = m_blocks[index];
  m_blocks.RemoveAt(index);
  m_spares.Add(range);  // within the capacity reserved when its page was made
}

void KzGarbage::Create(unsigned int size) {
  if (size == 0) return;  // an empty file has no free range; growth appends the first
  KzGarbageBlock* range = CreateBlock();
  *range = KzGarbageBlock(0, size, size);
  m_blocks.Add(range);
}

int KzGarbage::Request(std::uint64_t* position, std::uint64_t size) {
  for (int i = 0; i < m_blocks.GetCount(); ++i) {
    const KzGarbageBlock::RequestType taken = m_blocks[i]->Request(position, size);
    if (taken == KzGarbageBlock::kRequestNone) continue;
    if (taken == KzGarbageBlock::kRequestAll) ReleaseAt(i);
    return 1;
  }
  return 0;
}

void KzGarbage::Add(std::uint64_t begin, std::uint64_t end, std::uint64_t size) {
  bool foundFront = false;
  bool foundBack = false;
  for (int i = 0; i < m_blocks.GetCount() && !(foundFront && foundBack);) {
    const KzGarbageBlock& range = *m_blocks[i];
    if (!foundFront && range.GetEndPos() == begin) {
      begin = range.GetBeginPos();
      size += range.GetSize();
      foundFront = true;
      ReleaseAt(i);
    } else if (!foundBack && range.GetBeginPos() == end) {
      end = range.GetEndPos();
      size += range.GetSize();
      foundBack = true;
      ReleaseAt(i);
    } else {
      ++i;
    }
  }
  KzGarbageBlock* merged = CreateBlock();
  *merged = KzGarbageBlock(begin, end, size);
  try {
    m_blocks.Add(merged);
  } catch (...) {
    m_spares.Add(merged);
    throw;
  }
}

void KzGarbage::Enlarge(unsigned int bytes, std::uint64_t oldEnd) {
  for (KzGarbageBlock* range : m_blocks) {
    if (range->GetEndPos() == oldEnd) {
      range->Resize(bytes);
      return;
    }
  }
  KzGarbageBlock* range = CreateBlock();
  *range = KzGarbageBlock(oldEnd, oldEnd + bytes, bytes);
  try {
    m_blocks.Add(range);
  } catch (...) {
    m_spares.Add(range);
    throw;
  }
}

void KzGarbage::Destroy() {
  for (KzGarbageBlock* page : m_pages) tqFreePtr(page);
  m_pages.RemoveAll();
  m_spares.RemoveAll();
  m_blocks.RemoveAll();
}

std::uint64_t KzGarbage::GetFreeSize() const {
  std::uint64_t total = 0;
  for (const KzGarbageBlock* range : m_blocks) total += range->GetSize();
  return total;
}
