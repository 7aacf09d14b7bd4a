// Test support for archives: a byte-vector backend with any cache size, a sample stream that
// touches every encoding, and helpers for memory archives.
#pragma once

#include <cstdint>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/persistence/archive.h"

class KzArchiveMem;

namespace kz::testing {

using Bytes = std::vector<unsigned char>;

// An archive over a byte vector; a cache size of 0 runs without a cache. Remembers the largest
// read asked of the backend. A discarding archive only counts what it is given, standing for a
// file of any size.
class VectorArchive : public KzArchive {
 public:
  VectorArchive(unsigned int mode, unsigned int cacheSize, Bytes bytes = {}, bool discard = false);
  unsigned int WriteSelf(const void* data, unsigned int count) override;
  unsigned int ReadSelf(void* buffer, unsigned int count) override;
  unsigned int SeekSelf(int offset, unsigned int origin) override;

  const Bytes& bytes() const { return m_bytes; }
  unsigned int largestRead() const { return m_largestRead; }
  std::uint64_t written() const { return m_written; }

 private:
  Bytes m_bytes;
  std::size_t m_at = 0;
  unsigned int m_largestRead = 0;
  bool m_discard;
  std::uint64_t m_written = 0;
};

// One of everything: typed values, texts with line ends, an MK string, a section and section
// data. ReadSample reads every byte of it back, checks the values and lets errors through.
void WriteSample(KzArchive& archive);
void ReadSample(KzArchive& archive);

// The bytes a memory archive holds, and a load-mode memory archive over a copy of `bytes`.
Bytes Contents(KzArchiveMem& archive);
void AttachBytes(KzArchiveMem& archive, const Bytes& bytes, int mode = 10);

}  // namespace kz::testing
