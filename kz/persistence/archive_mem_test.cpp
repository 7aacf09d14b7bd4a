#include "kz/persistence/archive_mem.h"

#include <gtest/gtest.h>

#include "kz/persistence/archive_testing.h"
#include "tqwutl/tqwutl.h"

namespace {

using namespace kz::testing;

TEST(ArchiveMem, BlockGrowsBySmallAndLargeSteps) {
  const struct {
    unsigned int seek;  // where the writes start
    std::vector<unsigned int> writes;
    unsigned int capacity, used;
  } rows[] = {
      {0, {10}, 65536, 10},
      {0, {65535}, 65536, 65535},
      {0, {65536}, 66560, 65536},
      {0, {70000}, 71024, 70000},
      {0, {70000, 10}, 71024, 70010},
      {0, {10, 65530}, 131072, 65540},
      {200000, {1}, 265536, 200001},
      {100000, {}, 100000, 0},
      {10, {}, 65536, 0},
  };
  int index = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(index++);
    KzArchiveMem a(9, 0);
    if (row.seek) a.Seek(static_cast<int>(row.seek), 0);
    for (unsigned int size : row.writes) a.Write(Bytes(size).data(), size);
    EXPECT_EQ(a.GetCapacity(), row.capacity);
    EXPECT_EQ(a.GetUsedSize(), row.used);
  }
}

TEST(ArchiveMem, DettachHandsOverTheBytes) {
  KzArchiveMem a(1, 10);
  a << 0x01020304;
  TQHANDLE handle = a.Dettach();
  EXPECT_EQ(a.GetLength(), 0u);
  EXPECT_FALSE(a.IsValid());
  const auto* bytes = static_cast<const unsigned char*>(tqLock(handle));
  EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(tqUnlock(handle), 0);  // handed over unlocked
  tqFree(handle);
  a << 5;  // a new block, written from its start
  EXPECT_EQ(Contents(a), (Bytes{0, 0, 0, 5}));
}

TEST(ArchiveMem, SetModeReadsBackFromTheStartOfTheBlock) {
  KzArchiveMem a(9, 0);
  a << 7 << 8;
  a.SetMode(10);
  EXPECT_EQ(a.GetPosition(), 8u);  // the archive's own position stays
  int first = 0, second = 0;
  a >> first >> second;
  EXPECT_EQ(first * 10 + second, 78);
  unsigned char buffer[4];
  EXPECT_EQ(a.Read(buffer, 4), 0u);  // short raw reads are no error...
  EXPECT_EQ(ErrorCodeOf([&] { a >> first; }), kKzErrorParameter);  // ...short typed ones are
}

TEST(ArchiveMem, AttachTakesABlockOfKnownSize) {
  KzArchiveMem a(9, 0);
  a << 1;
  AttachBytes(a, {0, 0, 0, 42, 0xEE});
  EXPECT_EQ(a.GetLength(), 5u);
  EXPECT_EQ(a.GetPosition(), 0u);
  int value = 0;
  a >> value;
  EXPECT_EQ(value, 42);
  int error = 0;
  TQHANDLE small = tqAlloc(4, 0, &error);
  EXPECT_EQ(ErrorCodeOf([&] { a.Attach(small, 5); }), kKzErrorParameter);
  EXPECT_EQ(a.GetLength(), 5u);  // unchanged
  a.Attach(small, 4);
  EXPECT_EQ(a.GetUsedSize(), 4u);
  a.MemFree();
  EXPECT_FALSE(a.IsValid());
  EXPECT_EQ(a.GetCapacity() + a.GetLength() + a.GetPosition(), 0u);
  EXPECT_EQ(ErrorCodeOf([&] { a.Lock(); }), kKzErrorParameter);
}

TEST(ArchiveMem, GapsLeftBySeekingReadAsZerosAndSeeksStayInside) {
  KzArchiveMem a(9, 0);
  a << static_cast<unsigned char>(0xAA);
  a.Seek(70000, 0);  // past the first 64 KiB
  a << static_cast<unsigned char>(0xBB);
  const Bytes bytes = Contents(a);
  ASSERT_EQ(bytes.size(), 70001u);
  EXPECT_EQ(bytes.front() + bytes.back(), 0xAA + 0xBB);
  for (std::size_t i = 1; i < 70000; ++i) ASSERT_EQ(bytes[i], 0) << "at i=" << i;
  EXPECT_EQ(ErrorCodeOf([&] { a.SeekSelf(-70002, 1); }), kKzErrorParameter);
  EXPECT_EQ(a.SeekSelf(5, 7), 70001u);  // other origins leave the position
}

}  // namespace
