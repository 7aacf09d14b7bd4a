// KzArchive: the library's typed, sectioned serialisation stream.
//
// An abstract byte stream with a mode (load or store), a byte order (big-endian unless asked
// otherwise), an optional cache between the typed operations and the backend, typed operators
// for integers, floating-point numbers, strings and colours, and nested length-prefixed
// sections that let a reader skip what it does not understand. Backends (files, memory blocks)
// derive from it and supply WriteSelf, ReadSelf and SeekSelf.
//
// Widths on the stream: 1 byte for unsigned char, 2 for short, 4 for int (the original's long
// and unsigned long are LONG/DWORD here, the same overloads), 8 for int64_t, float and double.
// On this platform a C++ `long` is int64_t and goes out as 8 bytes. Strings carry a 16-bit
// count and store CR LF as a single CR; sections carry a 32-bit body length.
//
// Positions and lengths are 32-bit: a write or seek that would carry the position past
// 4 GiB - 1 throws 0x6001138B and writes nothing. Reads past the end of a cached archive throw
// 0x20010008 after delivering the bytes before the end. Typed and string reads that come up
// short on an archive without a cache also throw 0x20010008 (raw Read just returns fewer).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "kz/foundation/handle.h"
#include "kz/foundation/tarray.h"
#include "tqwutl/types.h"

class KzString;
class KzWideString;

class KzArchive {
 public:
  // Mode flags.
  static constexpr DWORD kModeStore = 0x01;
  static constexpr DWORD kModeLoad = 0x02;
  static constexpr DWORD kModeLittleEndian = 0x04;
  static constexpr DWORD kModeBigEndian = 0x08;
  static constexpr DWORD kModeShiftJis = 0x80;
  // The largest position and length the 32-bit format can hold.
  static constexpr DWORD kMaxPosition = 0xFFFFFFFFu;

  // Flags 0x0A (load, big-endian), position and length 0, cache enabled without a block, no
  // sections. Backends call Init.
  KzArchive();
  KzArchive(const KzArchive&) = delete;
  KzArchive& operator=(const KzArchive&) = delete;
  virtual ~KzArchive();

  // Backend operations. WriteSelf writes at the backend's current position and returns the
  // count written; ReadSelf reads up to `count` bytes and returns the count read; SeekSelf moves
  // to `offset` (origin 0: from the start, the offset taken as an unsigned 32-bit position;
  // origin 1: from the current position) and returns the new position. The archive itself
  // always seeks with an absolute position and origin 0.
  virtual unsigned int WriteSelf(const void* data, unsigned int count) = 0;
  virtual unsigned int ReadSelf(void* buffer, unsigned int count) = 0;
  virtual unsigned int SeekSelf(int offset, unsigned int origin) = 0;

  // Mode: store if bit 0x01 of `mode` is set, else load; little-endian if 0x04, else
  // big-endian; the text code flag from 0x80. With the cache enabled, (re)allocates a cache of
  // `cacheSize` bytes (unwritten cached data is flushed first); otherwise frees the cache.
  // Position and length are not touched. Allocation failure throws.
  void Init(unsigned int mode, unsigned int cacheSize);
  int IsLoading() const { return (m_mode & kModeLoad) != 0; }
  int IsSaving() const { return (m_mode & kModeStore) != 0; }
  // 1 when any bit of `mask` is set in the mode flags.
  int ModeChk(unsigned int mask) const { return (m_mode & mask) != 0 ? 1 : 0; }
  // 4 (little-endian) or 8 (big-endian).
  unsigned int GetEndianMode() const { return IsLittleEndian() ? 4u : 8u; }
  // With 4 or 8: returns the argument when that order is already set, else switches to it and
  // returns the previous order. Other values change nothing and return the current order.
  unsigned int SetEndianMode(unsigned int endian);
  // The text code flag, carried for the archive's users only.
  void Setunicode() { m_mode &= ~kModeShiftJis; }
  void Setsjiscode() { m_mode |= kModeShiftJis; }

  // Logical position and length: with unwritten data in the cache they include it.
  unsigned int GetPosition() const;
  unsigned int GetLength() const;
  // Origin 0 counts from the start, 1 from the current position; any other origin seeks to 0.
  // In load mode the target is limited to the length. Store mode flushes first. A target
  // before the start throws 0x20010008; one past 4 GiB - 1 in store mode throws 0x6001138B.
  // Returns the logical position.
  unsigned int Seek(int offset, unsigned int origin);

  // Writes unwritten cached data to the backend and empties the cache. Writers call it before
  // closing: closing a backend does not flush.
  void DoFlush();
  // Empties the cache without writing.
  void ClearCache();
  // Reads ahead at the current position (at most the cache's size, never past the length).
  void LoadCache();
  // The cached byte paths behind Write and Read.
  void WriteCache(const void* data, unsigned int count);
  void ReadCache(void* buffer, unsigned int count);

  // Raw bytes. Write throws 0x20010008 in load mode. Read returns the count read: with a cache
  // it is always `count` (reading past the length throws 0x20010008); without one a short
  // read is not an error.
  void Write(const void* data, unsigned int count);
  unsigned int Read(void* buffer, unsigned int count);

  // Typed writes, in the archive's byte order.
  KzArchive& operator<<(unsigned char value) { return PutValue(value); }
  KzArchive& operator<<(short value) { return PutValue(value); }
  KzArchive& operator<<(unsigned short value) { return PutValue(value); }
  KzArchive& operator<<(int value) { return PutValue(value); }
  KzArchive& operator<<(unsigned int value) { return PutValue(value); }
  KzArchive& operator<<(std::int64_t value) { return PutValue(value); }
  KzArchive& operator<<(std::uint64_t value) { return PutValue(value); }
  KzArchive& operator<<(float value) { return PutValue(value); }
  KzArchive& operator<<(double value) { return PutValue(value); }
  // Red, green, blue, then A; hue, saturation, value, then A.
  KzArchive& operator<<(const tagTQRGBCOLOR16& color);
  KzArchive& operator<<(const tagTQHSVCOLOR16& color);
  // A 16-bit count and the text with CR LF stored as CR. A null text is stored as count 0.
  // A text whose stored form passes 65535 bytes throws 0x6001138B and writes nothing.
  KzArchive& operator<<(const KzString& text);
  KzArchive& operator<<(const char* text);
  KzArchive& operator<<(const KzWideString& text);

  // Typed reads, in the archive's byte order.
  KzArchive& operator>>(unsigned char& value) { return GetValue(value); }
  KzArchive& operator>>(short& value) { return GetValue(value); }
  KzArchive& operator>>(unsigned short& value) { return GetValue(value); }
  KzArchive& operator>>(int& value) { return GetValue(value); }
  KzArchive& operator>>(unsigned int& value) { return GetValue(value); }
  KzArchive& operator>>(std::int64_t& value) { return GetValue(value); }
  KzArchive& operator>>(std::uint64_t& value) { return GetValue(value); }
  KzArchive& operator>>(float& value) { return GetValue(value); }
  KzArchive& operator>>(double& value) { return GetValue(value); }
  KzArchive& operator>>(tagTQRGBCOLOR16& color);
  KzArchive& operator>>(tagTQHSVCOLOR16& color);
  // A stored CR comes back as CR LF; a count of 0 gives the empty string.
  KzArchive& operator>>(KzString& text);
  KzArchive& operator>>(KzWideString& text);

  // The "MK" string: a length in 1, 3 or 7 bytes, then the text without line-end conversion.
  // Length 0 empties `text`. A length past the data throws 0x20010008.
  void ReadMKString(KzString& text);

  // Sections: a 32-bit body length, then the body; sections nest.
  // Store mode: flushes and leaves 4 bytes for the length. Load mode: reads the length; when
  // the archive's length is known (cached) a body running past it throws 0x20010008.
  void BeginSection();
  // Load mode: skips what the reader left unread. Store mode: writes the body length in front
  // of the body. Does nothing with no section open.
  void EndSection();
  // Load mode: reads a section length and moves past the body without opening the section.
  void SeekSection();
  // The stored length of the innermost section (load mode; 0 when none is open).
  unsigned int GetSectionSize() const;
  // Bytes of the innermost section not read yet (0 when the reader is past its end).
  unsigned int GetRemainingSectionSize() const;
  // Reads a 32-bit length n from `source`, writes n here, then copies n bytes. A length past
  // the source's known data throws 0x20010008 before copying.
  void CopySection(KzArchive& source);
  // A 32-bit length (0 for an empty handle) and the handle's bytes; and back. Reading 0 frees
  // the handle's block; otherwise the handle gets a new owned block of that many bytes.
  void ReadSectionData(KzHandle& handle);
  void WriteSectionData(KzHandle& handle);

 protected:
  // Flags 0x0A, position and length 0, cache enabled, cache emptied.
  void Initialize();
  // Frees the cache block, closes every section, then Initialize.
  void Cleanup();
  // Enables or disables the cache; disabling empties it (without writing).
  void EnableCache(int enabled);
  int IsCacheEnabled() const { return m_cacheEnabled; }
  // Sets the archive's length as the backend found it.
  void SetLength(unsigned int length) { m_length = length; }
  // Stores the mode flags word as it stands.
  void SetModeFlags(unsigned int mode) { m_mode = mode; }

  // Narrow and wide strings (see the operators). ReadString and ReadWideString return a
  // tqAllocPtr block the caller frees with tqFreePtr, or null for an empty string.
  void WriteString(const char* text);
  void WriteWideString(const unsigned short* text);
  char* ReadString();
  unsigned short* ReadWideString();
  unsigned int ReadMKStringLength();

  // Reads exactly `count` bytes; a short read throws 0x20010008.
  void ReadExact(void* buffer, unsigned int count);

 private:
  template <typename T>
  using Bits = std::conditional_t<
      sizeof(T) == 1, std::uint8_t,
      std::conditional_t<sizeof(T) == 2, std::uint16_t,
                         std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

  bool IsLittleEndian() const { return (m_mode & kModeLittleEndian) != 0; }
  bool NeedsSwap() const {
    return IsLittleEndian() != (std::endian::native == std::endian::little);
  }
  bool UsesCache() const { return m_cacheEnabled && m_cacheCapacity > 0; }

  template <typename U>
  static U Swap(U bits) {
    if constexpr (sizeof(U) == 2) return __builtin_bswap16(bits);
    if constexpr (sizeof(U) == 4) return __builtin_bswap32(bits);
    if constexpr (sizeof(U) == 8) return __builtin_bswap64(bits);
    return bits;
  }

  // The typed paths go straight into or out of the cache when it can take the whole value;
  // everything else takes the general Write and Read.
  template <typename T>
  KzArchive& PutValue(T value) {
    Bits<T> bits;
    std::memcpy(&bits, &value, sizeof(T));
    if (NeedsSwap()) bits = Swap(bits);
    if (std::uint64_t{m_cacheCursor} + sizeof(T) <= m_writeLimit) {
      std::memcpy(m_pCacheData + m_cacheCursor, &bits, sizeof(T));
      m_cacheCursor += sizeof(T);
      m_cacheFill += sizeof(T);
    } else {
      Write(&bits, sizeof(T));
    }
    return *this;
  }

  template <typename T>
  KzArchive& GetValue(T& value) {
    Bits<T> bits;
    // Read-ahead bytes never lie beyond the length, so the fill alone bounds the fast path.
    if (m_cacheState == kCacheReadAhead && m_cacheFill - m_cacheCursor >= sizeof(T)) {
      std::memcpy(&bits, m_pCacheData + m_cacheCursor, sizeof(T));
      m_cacheCursor += sizeof(T);
      m_position += sizeof(T);
    } else {
      ReadExact(&bits, sizeof(T));
    }
    if (NeedsSwap()) bits = Swap(bits);
    std::memcpy(&value, &bits, sizeof(T));
    return *this;
  }

  // Reads `count` bytes into storage that `resize(bytes)` provides (growing it keeps what it
  // held). When the archive knows its length the count is checked first; otherwise the storage
  // grows with the data that actually arrives, so a false count cannot demand a huge block.
  template <typename Resize>
  void ReadSized(unsigned int count, Resize&& resize);
  // Bytes left before the length when the archive knows them exactly (a cached archive in
  // load mode), else -1.
  std::int64_t KnownRemaining() const;
  // Throws 0x6001138B when `count` more bytes at the logical position would pass 4 GiB - 1.
  void CheckRoom(std::uint64_t count) const;
  void RefillCache();

  static constexpr int kCacheEmpty = 0;
  static constexpr int kCacheReadAhead = 1;
  static constexpr int kCacheDirty = 2;

  DWORD m_mode = kModeLoad | kModeBigEndian;
  DWORD m_position = 0;
  DWORD m_length = 0;
  KzHandle m_cache;
  int m_cacheEnabled = 1;
  int m_cacheState = kCacheEmpty;
  DWORD m_cacheCursor = 0;
  DWORD m_cacheCapacity = 0;
  DWORD m_cacheFill = 0;
  int m_sectionDepth = 0;
  KzTArray<DWORD> m_sectionSizes;
  KzTArray<DWORD> m_sectionStarts;
  // The cache block's address; the block stays locked while the archive holds it.
  unsigned char* m_pCacheData = nullptr;
  // While the cache holds unwritten data: how far the cursor may run before the cache is full or
  // the position would pass 4 GiB - 1; 0 otherwise. One test serves the typed writes.
  DWORD m_writeLimit = 0;
};
