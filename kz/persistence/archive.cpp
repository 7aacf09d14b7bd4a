#include "kz/persistence/archive.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring.h"
#include "kz/foundation/wide_string.h"
#include "tqwutl/tqwutl.h"

namespace {

constexpr char kCr = 0x0D;
constexpr char kLf = 0x0A;
constexpr unsigned short kCrUnit = 0x000D;
constexpr unsigned short kLfUnit = 0x000A;
// The largest count a 16-bit string header holds.
constexpr std::size_t kMaxStringBytes = 0xFFFF;
// Without a known length, storage for a counted read grows from this size with the data that
// arrives.
constexpr DWORD kReadStep = 0x10000;
// CopySection copies through a buffer of at most this size.
constexpr DWORD kCopyChunk = 0x10000;

struct PtrFree {
  void operator()(void* block) const { tqFreePtr(block); }
};
template <typename T>
using PtrBlock = std::unique_ptr<T, PtrFree>;

// (Re)allocates a fixed block; failure throws the utility library's error word.
template <typename T>
T* ResizePtr(T* block, std::uint64_t bytes) {
  if (bytes > KzArchive::kMaxPosition) kzThrowError(kKzErrorNotEnoughMemory);
  int error = 0;
  void* result = tqReAllocPtr(block, static_cast<DWORD>(bytes), 0, &error);
  if (result == nullptr) kzThrowError(error != 0 ? error : kKzErrorNotEnoughMemory);
  return static_cast<T*>(result);
}

// Tells single-byte CRs from trail bytes of double-byte characters as tqIsDoubleByteCheckEx
// judges them, in one pass over the text: each question walks only from the last character
// start known, so positions must be asked in increasing order.
class CrScanner {
 public:
  // `text` holds `length` bytes followed by a zero; it may hold zeros of its own.
  CrScanner(const char* text, std::size_t length) : m_text(text) {
    const void* zero = std::memchr(text, 0, length);
    m_firstZero = zero ? static_cast<const char*>(zero) - text : length;
  }

  // Whether the CR at `position` stands for itself.
  bool IsSingleByte(std::size_t position) {
    if (position > m_firstZero) return true;  // the check stops at the first zero
    const bool trail =
        tqIsDoubleByteCheckEx(m_text + m_boundary, static_cast<int>(position - m_boundary)) != 0;
    m_boundary = trail ? position + 1 : position;
    return !trail;
  }

 private:
  const char* m_text;
  std::size_t m_firstZero;
  std::size_t m_boundary = 0;
};

// Undoes one KzHandle::Lock when it goes out of scope.
class HandleUnlock {
 public:
  explicit HandleUnlock(KzHandle& handle) : m_handle(handle) {}
  HandleUnlock(const HandleUnlock&) = delete;
  HandleUnlock& operator=(const HandleUnlock&) = delete;
  ~HandleUnlock() {
    if (m_handle.IsValid()) m_handle.Unlock();
  }

 private:
  KzHandle& m_handle;
};

}  // namespace

KzArchive::KzArchive() = default;

KzArchive::~KzArchive() = default;

// --- mode --------------------------------------------------------------------------------------

void KzArchive::Init(unsigned int mode, unsigned int cacheSize) {
  // A mode change must not strand unwritten bytes in the cache.
  if (m_cacheState == kCacheDirty) DoFlush();
  m_mode = ((mode & kModeStore) ? kModeStore : kModeLoad) |
           ((mode & kModeLittleEndian) ? kModeLittleEndian : kModeBigEndian) |
           (mode & kModeShiftJis);
  if (m_cacheEnabled && m_cache.IsValid() && m_cacheCapacity == cacheSize) return;
  ClearCache();
  m_cache.Free();
  m_pCacheData = nullptr;
  m_cacheCapacity = 0;
  if (m_cacheEnabled && cacheSize > 0) {
    m_cache.Alloc(cacheSize);
    m_pCacheData = static_cast<unsigned char*>(m_cache.Lock());
    m_cacheCapacity = cacheSize;
  }
}

unsigned int KzArchive::SetEndianMode(unsigned int endian) {
  const unsigned int current = GetEndianMode();
  if (endian != kModeLittleEndian && endian != kModeBigEndian) return current;
  if (endian == current) return endian;
  m_mode = (m_mode & ~(kModeLittleEndian | kModeBigEndian)) | endian;
  return current;
}

void KzArchive::Initialize() {
  m_mode = kModeLoad | kModeBigEndian;
  m_position = 0;
  m_length = 0;
  m_cacheEnabled = 1;
  ClearCache();
}

void KzArchive::Cleanup() {
  m_cache.Free();
  m_pCacheData = nullptr;
  m_cacheCapacity = 0;
  m_sectionSizes.RemoveAll();
  m_sectionStarts.RemoveAll();
  m_sectionDepth = 0;
  Initialize();
}

void KzArchive::EnableCache(int enabled) {
  if (!enabled) {
    DoFlush();
    ClearCache();
  }
  m_cacheEnabled = enabled ? 1 : 0;
}

// --- position and cache ------------------------------------------------------------------------

unsigned int KzArchive::GetPosition() const {
  return m_cacheState == kCacheDirty ? m_position + m_cacheCursor : m_position;
}

unsigned int KzArchive::GetLength() const {
  // After a seek back the cached bytes may overwrite data instead of extending it.
  return m_cacheState == kCacheDirty ? std::max(m_length, m_position + m_cacheCursor) : m_length;
}

std::int64_t KzArchive::KnownRemaining() const {
  if (!UsesCache() || !IsLoading()) return -1;
  return m_position < m_length ? m_length - m_position : 0;
}

void KzArchive::CheckRoom(std::uint64_t count) const {
  if (GetPosition() + count > kMaxPosition) kzThrowError(kKzErrorSizeNotSupported);
}

unsigned int KzArchive::Seek(int offset, unsigned int origin) {
  if (IsSaving()) DoFlush();
  std::int64_t target = 0;
  if (origin == 0) {
    target = static_cast<DWORD>(offset);
  } else if (origin == 1) {
    target = std::int64_t{GetPosition()} + offset;
  }
  if (target < 0) kzThrowError(kKzErrorParameter);
  if (IsLoading()) target = std::min<std::int64_t>(target, m_length);
  if (target > kMaxPosition) kzThrowError(kKzErrorSizeNotSupported);

  const DWORD old = m_position;
  const DWORD reached = SeekSelf(static_cast<int>(static_cast<DWORD>(target)), 0);
  m_position = reached;
  m_length = std::max(m_length, reached);
  if (IsLoading()) {
    const std::int64_t cursor = std::int64_t{m_cacheCursor} + reached - old;
    if (m_cacheState == kCacheReadAhead && cursor >= 0 && cursor < m_cacheFill) {
      m_cacheCursor = static_cast<DWORD>(cursor);
    } else {
      DoFlush();
    }
  }
  return GetPosition();
}

void KzArchive::DoFlush() {
  if (!m_cacheEnabled) return;
  if (m_cacheState == kCacheDirty && m_cacheFill > 0) {
    const DWORD written = WriteSelf(m_pCacheData, m_cacheFill);
    m_position += written;
    m_length = std::max(m_length, m_position);
  }
  ClearCache();
}

void KzArchive::ClearCache() {
  m_cacheCursor = 0;
  m_cacheState = kCacheEmpty;
  m_cacheFill = 0;
  m_writeLimit = 0;
}

void KzArchive::LoadCache() {
  if (m_cacheState == kCacheDirty) DoFlush();
  ClearCache();
  if (!UsesCache() || m_position >= m_length) return;
  const DWORD chunk = std::min(m_length - m_position, m_cacheCapacity);
  SeekSelf(static_cast<int>(m_position), 0);
  m_cacheFill = std::min(ReadSelf(m_pCacheData, chunk), chunk);
  m_cacheState = kCacheReadAhead;
}

void KzArchive::RefillCache() {
  LoadCache();
  // A backend that delivers nothing before the length would leave stale bytes to copy.
  if (m_cacheFill == 0) kzThrowError(kKzErrorParameter);
}

void KzArchive::WriteCache(const void* data, unsigned int count) {
  CheckRoom(count);
  if (!UsesCache()) {
    const DWORD written = WriteSelf(data, count);
    m_position += written;
    m_length = std::max(m_length, m_position);
    return;
  }
  if (m_cacheState == kCacheReadAhead) {
    ClearCache();
    // The read-ahead left the backend past the logical position.
    SeekSelf(static_cast<int>(m_position), 0);
  }
  const auto* in = static_cast<const unsigned char*>(data);
  while (count > 0) {
    if (m_cacheCursor >= m_cacheCapacity) DoFlush();
    const DWORD run = std::min(count, m_cacheCapacity - m_cacheCursor);
    std::memcpy(m_pCacheData + m_cacheCursor, in, run);
    m_cacheCursor += run;
    m_cacheFill += run;
    m_cacheState = kCacheDirty;
    in += run;
    count -= run;
  }
  if (m_cacheState == kCacheDirty)
    m_writeLimit = std::min(m_cacheCapacity, kMaxPosition - m_position);
}

void KzArchive::ReadCache(void* buffer, unsigned int count) {
  if (!UsesCache()) {
    ReadExact(buffer, count);
    return;
  }
  if (m_cacheState == kCacheDirty) DoFlush();
  if (count == 0) return;
  if (m_cacheState == kCacheEmpty) {
    LoadCache();
    if (m_cacheState == kCacheEmpty) kzThrowError(kKzErrorParameter);
  }
  auto* out = static_cast<unsigned char*>(buffer);
  while (count > 0) {
    if (m_position >= m_length) kzThrowError(kKzErrorParameter);
    if (m_cacheCursor >= m_cacheFill) RefillCache();
    const DWORD run = std::min({count, m_cacheFill - m_cacheCursor, m_length - m_position});
    std::memcpy(out, m_pCacheData + m_cacheCursor, run);
    m_cacheCursor += run;
    m_position += run;
    out += run;
    count -= run;
  }
}

// --- raw bytes ---------------------------------------------------------------------------------

void KzArchive::Write(const void* data, unsigned int count) {
  if (IsLoading()) kzThrowError(kKzErrorParameter);
  if (count == 0) return;
  WriteCache(data, count);
}

unsigned int KzArchive::Read(void* buffer, unsigned int count) {
  if (count == 0) return 0;
  if (UsesCache()) {
    ReadCache(buffer, count);
    return count;
  }
  const DWORD read = std::min(ReadSelf(buffer, count), count);
  m_position += read;
  return read;
}

void KzArchive::ReadExact(void* buffer, unsigned int count) {
  if (count == 0) return;
  if (UsesCache()) {
    ReadCache(buffer, count);
    return;
  }
  const DWORD read = std::min(ReadSelf(buffer, count), count);
  m_position += read;
  if (read != count) kzThrowError(kKzErrorParameter);
}

template <typename Resize>
void KzArchive::ReadSized(unsigned int count, Resize&& resize) {
  const std::int64_t known = KnownRemaining();
  if (known >= 0 && count > known) kzThrowError(kKzErrorParameter);
  if (known >= 0 || count <= kReadStep) {
    ReadExact(resize(count), count);
    return;
  }
  // The count cannot be checked: take the bytes in doubling steps, so that storage never runs
  // far ahead of the data that actually exists.
  DWORD have = 0;
  DWORD step = kReadStep;
  while (have < count) {
    auto* storage = static_cast<unsigned char*>(static_cast<void*>(resize(step)));
    ReadExact(storage + have, step - have);
    have = step;
    step = count - have > have ? have * 2 : count;
  }
}

// --- typed values ------------------------------------------------------------------------------

KzArchive& KzArchive::operator<<(const tagTQRGBCOLOR16& color) {
  return *this << color.r << color.g << color.b << color.a;
}

KzArchive& KzArchive::operator<<(const tagTQHSVCOLOR16& color) {
  return *this << color.h << color.s << color.v << color.a;
}

KzArchive& KzArchive::operator>>(tagTQRGBCOLOR16& color) {
  return *this >> color.r >> color.g >> color.b >> color.a;
}

KzArchive& KzArchive::operator>>(tagTQHSVCOLOR16& color) {
  return *this >> color.h >> color.s >> color.v >> color.a;
}

// --- strings -----------------------------------------------------------------------------------

KzArchive& KzArchive::operator<<(const KzString& text) {
  WriteString(static_cast<const char*>(text));
  return *this;
}

KzArchive& KzArchive::operator<<(const char* text) {
  WriteString(text);
  return *this;
}

KzArchive& KzArchive::operator<<(const KzWideString& text) {
  WriteWideString(static_cast<const unsigned short*>(text));
  return *this;
}

KzArchive& KzArchive::operator>>(KzString& text) {
  PtrBlock<char> block(ReadString());
  if (block) {
    text = block.get();
  } else {
    text.Empty();
  }
  return *this;
}

KzArchive& KzArchive::operator>>(KzWideString& text) {
  PtrBlock<unsigned short> block(ReadWideString());
  if (block) {
    text = block.get();
  } else {
    text.Empty();
  }
  return *this;
}

void KzArchive::WriteString(const char* text) {
  const std::size_t length = text ? std::strlen(text) : 0;
  if (length == 0) {
    *this << static_cast<unsigned short>(0);
    return;
  }
  // Each dropped LF halves at best a CR LF pair: a longer text cannot fit the 16-bit count.
  if (length > 2 * kMaxStringBytes) kzThrowError(kKzErrorSizeNotSupported);

  std::size_t dropped = 0;
  CrScanner scan(text, length);
  for (std::size_t i = 0; i + 1 < length; ++i) {
    if (text[i] == kCr && text[i + 1] == kLf && scan.IsSingleByte(i)) ++dropped;
  }
  const std::size_t count = length - dropped;
  if (count > kMaxStringBytes) kzThrowError(kKzErrorSizeNotSupported);
  CheckRoom(2 + count);

  PtrBlock<char> converted;
  const char* out = text;
  if (dropped > 0) {
    converted.reset(ResizePtr<char>(nullptr, count));
    char* dst = converted.get();
    CrScanner again(text, length);
    for (std::size_t i = 0; i < length; ++i) {
      *dst++ = text[i];
      if (text[i] == kCr && i + 1 < length && text[i + 1] == kLf && again.IsSingleByte(i)) ++i;
    }
    out = converted.get();
  }
  *this << static_cast<unsigned short>(count);
  Write(out, static_cast<DWORD>(count));
}

void KzArchive::WriteWideString(const unsigned short* text) {
  std::size_t length = 0;
  if (text) {
    while (text[length] != 0) ++length;
  }
  if (length == 0) {
    *this << static_cast<unsigned short>(0);
    return;
  }
  std::size_t dropped = 0;
  for (std::size_t i = 0; i + 1 < length; ++i) {
    if (text[i] == kCrUnit && text[i + 1] == kLfUnit) ++dropped;
  }
  const std::size_t units = length - dropped;
  if (2 * units > kMaxStringBytes) kzThrowError(kKzErrorSizeNotSupported);
  CheckRoom(2 + 2 * units);

  PtrBlock<unsigned short> converted(ResizePtr<unsigned short>(nullptr, 2 * units));
  unsigned short* dst = converted.get();
  const bool swap = NeedsSwap();
  for (std::size_t i = 0; i < length; ++i) {
    *dst++ = swap ? Swap(text[i]) : text[i];
    if (text[i] == kCrUnit && i + 1 < length && text[i + 1] == kLfUnit) ++i;
  }
  *this << static_cast<unsigned short>(2 * units);
  Write(converted.get(), static_cast<DWORD>(2 * units));
}

char* KzArchive::ReadString() {
  unsigned short count = 0;
  *this >> count;
  if (count == 0) return nullptr;

  PtrBlock<char> block;
  ReadSized(count, [&](std::uint64_t bytes) {
    block.reset(ResizePtr(block.release(), bytes + 1));
    return block.get();
  });
  char* text = block.get();
  text[count] = 0;

  std::size_t crs = 0;
  CrScanner scan(text, count);
  for (std::size_t i = 0; i < count; ++i) {
    if (text[i] == kCr && scan.IsSingleByte(i)) ++crs;
  }
  if (crs == 0) return block.release();

  PtrBlock<char> expanded(ResizePtr<char>(nullptr, count + crs + 1));
  char* dst = expanded.get();
  CrScanner again(text, count);
  for (std::size_t i = 0; i < count; ++i) {
    *dst++ = text[i];
    if (text[i] == kCr && again.IsSingleByte(i)) *dst++ = kLf;
  }
  *dst = 0;
  return expanded.release();
}

unsigned short* KzArchive::ReadWideString() {
  unsigned short count = 0;
  *this >> count;
  if (count == 0) return nullptr;

  PtrBlock<unsigned short> block;
  // Two spare bytes hold the terminator also after an odd count.
  ReadSized(count, [&](std::uint64_t bytes) {
    block.reset(ResizePtr(block.release(), bytes + 2));
    return block.get();
  });
  const std::size_t units = count / 2;
  unsigned short* text = block.get();
  text[units] = 0;

  std::size_t crs = 0;
  const bool swap = NeedsSwap();
  for (std::size_t i = 0; i < units; ++i) {
    if (swap) text[i] = Swap(text[i]);
    if (text[i] == kCrUnit) ++crs;
  }
  if (crs == 0) return block.release();

  PtrBlock<unsigned short> expanded(
      ResizePtr<unsigned short>(nullptr, (units + crs + 1) * sizeof(unsigned short)));
  unsigned short* dst = expanded.get();
  for (std::size_t i = 0; i < units; ++i) {
    *dst++ = text[i];
    if (text[i] == kCrUnit) *dst++ = kLfUnit;
  }
  *dst = 0;
  return expanded.release();
}

unsigned int KzArchive::ReadMKStringLength() {
  unsigned char shortLength = 0;
  *this >> shortLength;
  if (shortLength < 0xFF) return shortLength;
  unsigned short wordLength = 0;
  *this >> wordLength;
  if (wordLength == 0xFFFE) return 0;
  if (wordLength < 0xFFFF) return wordLength;
  unsigned int longLength = 0;
  *this >> longLength;
  return longLength;
}

void KzArchive::ReadMKString(KzString& text) {
  const DWORD length = ReadMKStringLength();
  if (length == 0) {
    text.Empty();
    return;
  }
  PtrBlock<char> block;
  ReadSized(length, [&](std::uint64_t bytes) {
    block.reset(ResizePtr(block.release(), bytes + 1));
    return block.get();
  });
  block.get()[length] = 0;
  text = block.get();
}

// --- sections ----------------------------------------------------------------------------------

void KzArchive::BeginSection() {
  if (IsSaving()) {
    DoFlush();
    Seek(4, 1);
    m_sectionStarts.Add(GetPosition());
  } else {
    DWORD length = 0;
    *this >> length;
    const std::int64_t known = KnownRemaining();
    if (known >= 0 && length > known) kzThrowError(kKzErrorParameter);
    m_sectionSizes.Add(length);
    try {
      m_sectionStarts.Add(GetPosition());
    } catch (...) {
      m_sectionSizes.RemoveAt(m_sectionSizes.GetSize() - 1);
      throw;
    }
  }
  ++m_sectionDepth;
}

void KzArchive::EndSection() {
  if (m_sectionDepth == 0) return;
  --m_sectionDepth;
  if (m_sectionStarts.IsEmpty()) return;
  const DWORD start = m_sectionStarts[m_sectionStarts.GetSize() - 1];
  m_sectionStarts.RemoveAt(m_sectionStarts.GetSize() - 1);

  if (IsSaving()) {
    const DWORD body = GetPosition() - start;
    DoFlush();
    Seek(static_cast<int>(start - 4), 0);
    *this << body;
    Seek(static_cast<int>(start + body), 0);
    return;
  }
  if (m_sectionSizes.IsEmpty()) return;
  const DWORD stored = m_sectionSizes[m_sectionSizes.GetSize() - 1];
  m_sectionSizes.RemoveAt(m_sectionSizes.GetSize() - 1);
  const std::int64_t consumed = std::int64_t{GetPosition()} - start;
  if (stored > consumed) {
    // Skip what the reader left; one that read beyond the section is not corrected.
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{start} + stored, GetLength());
    Seek(static_cast<int>(static_cast<DWORD>(end)), 0);
  }
}

void KzArchive::SeekSection() {
  DWORD length = 0;
  *this >> length;
  const std::int64_t known = KnownRemaining();
  if (known >= 0 && length > known) kzThrowError(kKzErrorParameter);
  std::uint64_t target = std::uint64_t{GetPosition()} + length;
  if (IsLoading()) target = std::min<std::uint64_t>(target, GetLength());
  if (target > kMaxPosition) kzThrowError(kKzErrorSizeNotSupported);
  Seek(static_cast<int>(static_cast<DWORD>(target)), 0);
}

unsigned int KzArchive::GetSectionSize() const {
  if (m_sectionSizes.IsEmpty()) return 0;
  return m_sectionSizes[m_sectionSizes.GetSize() - 1];
}

unsigned int KzArchive::GetRemainingSectionSize() const {
  if (m_sectionSizes.IsEmpty() || m_sectionStarts.IsEmpty()) return 0;
  const std::int64_t end = std::int64_t{m_sectionStarts[m_sectionStarts.GetSize() - 1]} +
                           m_sectionSizes[m_sectionSizes.GetSize() - 1];
  std::int64_t remaining = std::max<std::int64_t>(end - GetPosition(), 0);
  const std::int64_t known = KnownRemaining();
  if (known >= 0) remaining = std::min(remaining, known);
  return static_cast<DWORD>(remaining);
}

void KzArchive::CopySection(KzArchive& source) {
  DWORD length = 0;
  source >> length;
  const std::int64_t known = source.KnownRemaining();
  if (known >= 0 && length > known) kzThrowError(kKzErrorParameter);
  CheckRoom(std::uint64_t{4} + length);
  *this << length;
  if (length == 0) return;
  PtrBlock<unsigned char> buffer(ResizePtr<unsigned char>(nullptr, std::min(length, kCopyChunk)));
  while (length > 0) {
    const DWORD chunk = std::min(length, kCopyChunk);
    source.ReadExact(buffer.get(), chunk);
    Write(buffer.get(), chunk);
    length -= chunk;
  }
}

void KzArchive::WriteSectionData(KzHandle& handle) {
  const DWORD size = handle.IsValid() ? handle.GetSize() : 0;
  CheckRoom(std::uint64_t{4} + size);
  *this << size;
  if (size == 0) return;
  const void* data = handle.Lock();
  HandleUnlock unlock(handle);
  Write(data, size);
}

void KzArchive::ReadSectionData(KzHandle& handle) {
  DWORD size = 0;
  *this >> size;
  if (size == 0) {
    handle.Free();
    return;
  }
  bool allocated = false;
  try {
    ReadSized(size, [&](std::uint64_t bytes) {
      if (allocated) {
        handle.ReAlloc(static_cast<DWORD>(bytes));  // releases the wrapper's locks
      } else {
        handle.Alloc(static_cast<DWORD>(bytes), 0, 1);
        allocated = true;
      }
      return handle.Lock();
    });
  } catch (...) {
    // A block holding part of the data is no use to anyone.
    if (allocated) handle.Free();
    throw;
  }
  handle.Unlock();
}
