// Test support for archives: a byte-vector backend with any cache size, a sample stream that
// touches every encoding, and helpers for memory archives and thrown codes.
#pragma once

#include <vector>

#include "kz/foundation/exception.h"
#include "kz/persistence/archive.h"

class KzArchiveMem;

namespace kz::testing {

using Bytes = std::vector<unsigned char>;

// An archive over a byte vector; a cache size of 0 runs without a cache. Counts the reads asked
// of the backend and remembers the largest.
class VectorArchive : public KzArchive {
 public:
  VectorArchive(unsigned int mode, unsigned int cacheSize, Bytes bytes = {});
  unsigned int WriteSelf(const void* data, unsigned int count) override;
  unsigned int ReadSelf(void* buffer, unsigned int count) override;
  unsigned int SeekSelf(int offset, unsigned int origin) override;

  const Bytes& bytes() const { return m_bytes; }
  int readCalls() const { return m_readCalls; }
  unsigned int largestRead() const { return m_largestRead; }

 private:
  Bytes m_bytes;
  std::size_t m_at = 0;
  int m_readCalls = 0;
  unsigned int m_largestRead = 0;
};

// One of everything: typed values, texts with line ends, an MK string, a section and section
// data. ReadSample reads every byte of it back, checks the values and lets errors through.
void WriteSample(KzArchive& archive);
void ReadSample(KzArchive& archive);

// The bytes a memory archive holds, and a load-mode memory archive over a copy of `bytes`.
Bytes Contents(KzArchiveMem& archive);
void AttachBytes(KzArchiveMem& archive, const Bytes& bytes, int mode = 10);

// The code of the KzException `action` throws, or 0 when it throws none.
template <typename Action>
int ErrorCodeOf(Action&& action) {
  try {
    action();
  } catch (const KzException& e) {
    return e.GetErrorCode();
  }
  return 0;
}

}  // namespace kz::testing
