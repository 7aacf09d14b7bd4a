#include "kz/persistence/archive_mem.h"

#include <gtest/gtest.h>

#include "kz/persistence/archive_testing.h"
#include "tqwutl/tqwutl.h"

namespace {

using namespace kz::testing;

TEST(ArchiveMem, BlockGrowsBySmallAndLargeStepsAndIsHandedOverWhole) {
  // A write under 64 KiB grows the block by 64 KiB, a larger one by its size and 1 KiB.
  const struct {
    unsigned int seek;  // where the writes start
    std::vector<unsigned int> writes;
    unsigned int capacity, used;
  } rows[] = {
      {0, {65535}, 65536, 65535},    {0, {65536}, 66560, 65536}, {0, {10, 65530}, 131072, 65540},
      {200000, {1}, 265536, 200001}, {100000, {}, 100000, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    KzArchiveMem a(9, 0);
    if (row.seek) a.Seek(static_cast<int>(row.seek), 0);
    for (unsigned int size : row.writes) a.Write(Bytes(size).data(), size);
    EXPECT_EQ(a.GetCapacity(), row.capacity);
    EXPECT_EQ(a.GetUsedSize(), row.used);
  }
  // Gaps read as zeros; blocks are handed over unlocked.
  KzArchiveMem a(9, 0);
  a << 0x01020304;
  a.Seek(70000, 0);  // past the first 64 KiB
  a << static_cast<unsigned char>(0xBB);
  const Bytes stored = Contents(a);
  ASSERT_EQ(stored.size(), 70001u);
  EXPECT_EQ(stored[3] + stored.back(), 4 + 0xBB);
  for (std::size_t i = 4; i < 70000; ++i) ASSERT_EQ(stored[i], 0) << "at i=" << i;

  TQHANDLE handle = a.Dettach();
  a << 5;  // a new block, written from its start
  EXPECT_EQ(Contents(a), (Bytes{0, 0, 0, 5}));
  const auto* bytes = static_cast<const unsigned char*>(tqLock(handle));
  EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(tqUnlock(handle), 0);
  tqFree(handle);

  int error = 0;
  TQHANDLE small = tqAlloc(4, 0, &error);
  EXPECT_EQ(kzThrownCode([&] { a.Attach(small, 5); }), kKzErrorParameter) << "past its end";
  a.Attach(small, 4);
  a.MemFree();
  EXPECT_EQ(kzThrownCode([&] { a.Lock(); }), kKzErrorParameter);
}

}  // namespace
