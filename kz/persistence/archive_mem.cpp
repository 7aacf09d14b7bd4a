#include "kz/persistence/archive_mem.h"

#include <algorithm>
#include <cstring>

#include "kz/foundation/error.h"
#include "tqwutl/tqwutl.h"

namespace {

// Growth for small writes and seeks; large writes add their size and this slack.
constexpr std::uint64_t kGrowStep = 65536;
constexpr std::uint64_t kLargeSlack = 1024;

}  // namespace

KzArchiveMem::KzArchiveMem() {
  EnableCache(0);
  Init(10, 512000);
}

KzArchiveMem::KzArchiveMem(unsigned int mode, unsigned int cacheSize) {
  EnableCache(0);
  Init(mode, cacheSize);
}

KzArchiveMem::~KzArchiveMem() = default;

void KzArchiveMem::Resize(std::uint64_t capacity) {
  capacity = std::min<std::uint64_t>(capacity, kMaxPosition);
  // Zeroed growth: a gap left by seeking past the data reads as zeros, never as stale heap.
  m_block.ReAlloc(static_cast<DWORD>(capacity), TQ_ZEROINIT);
  m_capacity = static_cast<DWORD>(capacity);
}

void KzArchiveMem::Expand(unsigned int count) {
  const std::uint64_t needed = std::uint64_t{m_memPosition} + count;
  if (needed <= m_capacity) return;
  const std::uint64_t grown =
      count < kGrowStep ? m_capacity + kGrowStep : m_capacity + count + kLargeSlack;
  Resize(std::max(grown, needed));
}

unsigned int KzArchiveMem::WriteSelf(const void* data, unsigned int count) {
  if (std::uint64_t{m_memPosition} + count > kMaxPosition) {
    kzThrowError(kKzErrorSizeNotSupported);
  }
  Expand(count);
  if (count > 0) {
    auto* block = static_cast<unsigned char*>(m_block.Lock());
    std::memcpy(block + m_memPosition, data, count);
    m_block.Unlock();
  }
  m_memPosition += count;
  m_usedSize = std::max(m_usedSize, m_memPosition);
  return count;
}

unsigned int KzArchiveMem::ReadSelf(void* buffer, unsigned int count) {
  if (m_memPosition >= m_usedSize || count == 0) return 0;
  const DWORD available = std::min(count, m_usedSize - m_memPosition);
  const auto* block = static_cast<const unsigned char*>(m_block.Lock());
  std::memcpy(buffer, block + m_memPosition, available);
  m_block.Unlock();
  m_memPosition += available;
  return available;
}

unsigned int KzArchiveMem::SeekSelf(int offset, unsigned int origin) {
  std::int64_t target = m_memPosition;
  if (origin == 0) {
    target = static_cast<DWORD>(offset);
  } else if (origin == 1) {
    target += offset;
  }
  if (target < 0) kzThrowError(kKzErrorParameter);
  if (target > kMaxPosition) kzThrowError(kKzErrorSizeNotSupported);
  if (target > m_capacity) {
    Resize(std::max<std::uint64_t>(m_capacity + kGrowStep, static_cast<std::uint64_t>(target)));
  }
  m_memPosition = static_cast<DWORD>(target);
  return m_memPosition;
}

void KzArchiveMem::SetMode(int mode) {
  SetModeFlags(static_cast<unsigned int>(mode));
  SeekSelf(0, 0);
}

void KzArchiveMem::Attach(TQHANDLE handle, unsigned int size) {
  // The block must hold what the caller says it holds, or reads would leave it.
  if (size > 0 && (handle == nullptr || size > tqGetHandleSize(handle))) {
    kzThrowError(kKzErrorParameter);
  }
  m_block.Free();
  m_memPosition = 0;
  Cleanup();
  EnableCache(0);
  if (handle != nullptr) m_block.Attach(handle, size, 1);
  SetLength(size);
  m_usedSize = size;
  m_capacity = size;
}

TQHANDLE KzArchiveMem::Dettach() {
  SetLength(0);
  m_usedSize = 0;
  m_capacity = 0;
  // A later write starts a new block at its beginning rather than behind a hole.
  m_memPosition = 0;
  return m_block.Detach();
}

void KzArchiveMem::MemFree() {
  m_block.Free();
  m_memPosition = 0;
  m_usedSize = 0;
  m_capacity = 0;
  Cleanup();
  EnableCache(0);
}

void* KzArchiveMem::Lock() { return m_block.Lock(); }

void KzArchiveMem::Unlock() { m_block.Unlock(); }
