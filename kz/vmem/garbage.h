// KzGarbage: the free ranges of the swap file, and KzGarbageBlock, one such range.
//
// The free-range list keeps the order in which ranges were added. A request takes the first
// range that holds it (first fit), from the range's front; a returned range merges with the
// free ranges that touch it on either side, and the merged range goes to the end of the list.
// Records are pooled in pages of 256. Positions and sizes are 64-bit byte counts.
#pragma once

#include <cstdint>

#include "kz/foundation/tarray.h"

class KzGarbageBlock {
 public:
  // What a request took from a range.
  enum RequestType : int {
    kRequestNone = 0,  // the request does not fit
    kRequestPart = 1,  // taken from the front of a larger range
    kRequestAll = 2,   // the whole range was taken
  };

  KzGarbageBlock() = default;
  KzGarbageBlock(std::uint64_t begin, std::uint64_t end, std::uint64_t size)
      : m_beginPos(begin), m_endPos(end), m_size(size) {}

  std::uint64_t GetBeginPos() const { return m_beginPos; }
  std::uint64_t GetEndPos() const { return m_endPos; }
  std::uint64_t GetSize() const { return m_size; }
  void SetBeginPos(std::uint64_t begin) { m_beginPos = begin; }
  void SetEndPos(std::uint64_t end) { m_endPos = end; }
  void SetSize(std::uint64_t size) { m_size = size; }
  // Grows the range at its end (end += n) or at its front (begin -= n); the size follows.
  void Resize(std::uint64_t n) {
    m_endPos += n;
    m_size += n;
  }
  void ResizeForward(std::uint64_t n) {
    m_beginPos -= n;
    m_size += n;
  }

  // Takes `size` bytes from the front of the range: stores the position taken and returns
  // kRequestPart (the range shrinks) or kRequestAll (exactly the range's size; the range is
  // left as it was for the caller to drop); kRequestNone when the range is too small.
  RequestType Request(std::uint64_t* position, std::uint64_t size);

  // Ranges order and compare by their begin position.
  bool operator<(const KzGarbageBlock& other) const { return m_beginPos < other.m_beginPos; }
  bool operator==(const KzGarbageBlock& other) const { return m_beginPos == other.m_beginPos; }

 private:
  std::uint64_t m_beginPos = 0;
  std::uint64_t m_endPos = 0;
  std::uint64_t m_size = 0;
};

class KzGarbage {
 public:
  static constexpr int kBlocksPerPage = 256;

  KzGarbage() = default;
  // A copy holds records of its own with the same ranges in the same order.
  KzGarbage(const KzGarbage& other);
  KzGarbage& operator=(const KzGarbage& other);
  virtual ~KzGarbage();

  // Appends the range [0, size) (nothing for size 0).
  void Create(unsigned int size);
  // First fit: takes `size` bytes from the first range that holds them and stores their
  // position. Returns 1, or 0 when no range is large enough (nothing changes).
  int Request(std::uint64_t* position, std::uint64_t size);
  // Returns the range [begin, end) of `size` bytes: it absorbs a free range ending at `begin`
  // and one starting at `end`, and the merged range is appended. Allocation failure throws 8.
  void Add(std::uint64_t begin, std::uint64_t end, std::uint64_t size);
  // The file grew from `oldEnd` by `bytes`: a range ending at `oldEnd` grows, else the range
  // [oldEnd, oldEnd + bytes) is appended.
  void Enlarge(unsigned int bytes, std::uint64_t oldEnd);
  // Frees every record; the list is empty afterwards.
  void Destroy();

  // The free ranges in list order (for statistics and checks); valid until the next change.
  int GetCount() const { return m_blocks.GetCount(); }
  const KzGarbageBlock& GetAt(int index) const { return *m_blocks[index]; }
  // The sum of the free ranges' sizes.
  std::uint64_t GetFreeSize() const;

 protected:
  // A record for a new range, from the spares or a new page of 256. Throws 8 without memory.
  KzGarbageBlock* CreateBlock();

 private:
  // Drops the range at `index` from the list and keeps its record as a spare.
  void ReleaseAt(int index);
  void CopyRanges(const KzGarbage& other);

  KzTArray<KzGarbageBlock*> m_pages;
  KzTArray<KzGarbageBlock*> m_spares;
  KzTArray<KzGarbageBlock*> m_blocks;  // the free ranges, in the order they were added
};
