#include <cstring>
#include <limits>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(Memory, StatusIsConsistent) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  EXPECT_GT(status.ullTotalPhys, 0u);
  EXPECT_LE(status.ullAvailPhys, status.ullTotalPhys);
  EXPECT_LE(status.dwMemoryLoad, 100u);
  EXPECT_GE(status.ullTotalPageFile, status.ullTotalPhys);
  EXPECT_LE(status.ullAvailPageFile, status.ullTotalPageFile);
  EXPECT_EQ(status.ullTotalVirtual, DWORDLONG{128} << 40);
  EXPECT_LT(status.ullAvailVirtual, status.ullTotalVirtual);  // this process uses some

  status.dwLength = sizeof status - 1;
  SetLastError(0);
  EXPECT_FALSE(GlobalMemoryStatusEx(&status));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(Memory, HeapBlocks) {
  HANDLE heap = GetProcessHeap();
  ASSERT_NE(heap, nullptr);
  auto* p = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(p[i], 0) << "at i=" << i;
  EXPECT_EQ(HeapSize(heap, 0, p), 100u);
  std::memset(p, 0xAB, 100);
  p = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, p, 300));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(HeapSize(heap, 0, p), 300u);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(p[i], i < 100 ? 0xAB : 0) << "at i=" << i;
  void* same = HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, p, 10);
  EXPECT_EQ(same, p);
  EXPECT_EQ(HeapSize(heap, 0, p), 10u);
  EXPECT_EQ(p[9], 0xAB);
  EXPECT_TRUE(HeapFree(heap, 0, p));
  EXPECT_TRUE(HeapFree(heap, 0, nullptr));

  void* empty = HeapAlloc(heap, 0, 0);
  EXPECT_NE(empty, nullptr);
  EXPECT_EQ(HeapSize(heap, 0, empty), 0u);
  HeapFree(heap, 0, empty);
}

TEST(Memory, HeapFailures) {
  HANDLE heap = GetProcessHeap();
  SetLastError(0);
  EXPECT_EQ(HeapAlloc(heap, 0, std::numeric_limits<SIZE_T>::max() - 8), nullptr);
  EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());
  void* p = HeapAlloc(heap, 0, 16);
  std::memset(p, 1, 16);
  SetLastError(0);
  EXPECT_EQ(HeapReAlloc(heap, 0, p, std::numeric_limits<SIZE_T>::max() / 2), nullptr);
  EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());
  EXPECT_EQ(HeapSize(heap, 0, p), 16u);  // the block is untouched
  EXPECT_EQ(static_cast<unsigned char*>(p)[15], 1);
  HeapFree(heap, 0, p);

  int notAHeap = 0;
  SetLastError(0);
  EXPECT_EQ(HeapAlloc(&notAHeap, 0, 8), nullptr);
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

}  // namespace
