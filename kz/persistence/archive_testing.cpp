#include "kz/persistence/archive_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "kz/foundation/kzstring.h"
#include "kz/foundation/wide_string.h"
#include "kz/persistence/archive_mem.h"
#include "tqwutl/tqwutl.h"

namespace kz::testing {

VectorArchive::VectorArchive(unsigned int mode, unsigned int cacheSize, Bytes bytes, bool discard)
    : m_bytes(std::move(bytes)), m_discard(discard) {
  if (cacheSize == 0) EnableCache(0);
  Init(mode, cacheSize);
  SetLength(static_cast<unsigned int>(m_bytes.size()));
}

unsigned int VectorArchive::WriteSelf(const void* data, unsigned int count) {
  m_written += count;
  if (!m_discard) {
    if (m_at + count > m_bytes.size()) m_bytes.resize(m_at + count);
    std::memcpy(m_bytes.data() + m_at, data, count);
  }
  m_at += count;
  return count;
}

unsigned int VectorArchive::ReadSelf(void* buffer, unsigned int count) {
  m_largestRead = std::max(m_largestRead, count);
  const auto done = static_cast<unsigned int>(
      std::min<std::size_t>(count, m_at < m_bytes.size() ? m_bytes.size() - m_at : 0));
  if (done > 0) std::memcpy(buffer, m_bytes.data() + m_at, done);
  m_at += done;
  return done;
}

unsigned int VectorArchive::SeekSelf(int offset, unsigned int origin) {
  if (origin == 0) m_at = static_cast<unsigned int>(offset);
  if (origin == 1) m_at += offset;
  if (m_at > m_bytes.size() && IsSaving() && !m_discard) m_bytes.resize(m_at);  // a gap
  return static_cast<unsigned int>(m_at);
}

void WriteSample(KzArchive& a) {
  a << static_cast<unsigned char>(1) << 0x7FFFFFFF << std::int64_t{-5} << "line\r\nnext\r";
  const unsigned short wide[] = {0x3042, 0x0D, 0x0A, 0x41, 0};
  a << KzWideString(wide);
  const unsigned char mk[] = {0xFF, 0x00, 0x05, 'h', 'e', 'l', 'l', 'o'};
  a.Write(mk, sizeof mk);
  a.BeginSection();
  a << 7 << "in section";
  a.EndSection();
  KzHandle data;
  data.Alloc(300);
  auto* bytes = static_cast<unsigned char*>(data.Lock());
  for (int i = 0; i < 300; ++i) bytes[i] = static_cast<unsigned char>(i);
  data.Unlock();
  a.WriteSectionData(data);
}

void ReadSample(KzArchive& a) {
  unsigned char c = 0;
  int i = 0, inSection = 0;
  std::int64_t l = 0;
  KzString text, mk, inner;
  KzWideString wide;
  KzHandle data;
  a >> c >> i >> l >> text >> wide;
  a.ReadMKString(mk);
  a.BeginSection();
  a >> inSection >> inner;
  a.EndSection();
  a.ReadSectionData(data);
  EXPECT_TRUE(c == 1 && i == 0x7FFFFFFF && l == -5 && inSection == 7 && wide.GetLength() == 4);
  EXPECT_EQ(std::string(text) + "|" + std::string(mk) + "|" + std::string(inner),
            "line\r\nnext\r\n|hello|in section");
  ASSERT_EQ(data.GetSize(), 300u);
  EXPECT_EQ(static_cast<unsigned char*>(data.Lock())[299], 299 % 256);
  data.Unlock();
}

Bytes Contents(KzArchiveMem& archive) {
  Bytes out(archive.GetUsedSize());
  if (!out.empty()) std::memcpy(out.data(), archive.Lock(), out.size());
  if (!out.empty()) archive.Unlock();
  return out;
}

void AttachBytes(KzArchiveMem& archive, const Bytes& bytes, int mode) {
  int error = 0;
  TQHANDLE handle = tqAlloc(static_cast<DWORD>(bytes.size()), 0, &error);
  if (!bytes.empty()) std::memcpy(tqLock(handle), bytes.data(), bytes.size());
  tqUnlock(handle);
  archive.Attach(handle, static_cast<DWORD>(bytes.size()));
  archive.SetMode(mode);
}

}  // namespace kz::testing
