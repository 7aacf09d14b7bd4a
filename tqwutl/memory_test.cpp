#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "tqwutl/memory_p.h"
#include "tqwutl/tqwutl.h"

namespace {

// Blocks are filled with a pattern to see that their bytes travel along when they move.
void Fill(void* data, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) static_cast<unsigned char*>(data)[i] = i * 7 + 1;
}

// True when bytes [from, to) hold the pattern, or zeros.
bool Holds(const void* data, std::size_t from, std::size_t to, bool pattern = true) {
  auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = from; i < to; ++i) {
    if (bytes[i] != (pattern ? static_cast<unsigned char>(i * 7 + 1) : 0)) return false;
  }
  return true;
}

bool Aligned(const void* data, std::uintptr_t alignment) {
  return reinterpret_cast<std::uintptr_t>(data) % alignment == 0;
}

TEST(MovableBlocks, LockedBlocksStayPutAndUnlockedOnesMoveWithTheirBytes) {
  for (DWORD flags : {TQ_ZEROINIT, TQ_ZEROINIT | TQ_ALIGN_PAGE}) {
    for (DWORD size : {0u, 1u, 4095u, 196608u}) {
      SCOPED_TRACE(testing::Message() << "flags=" << flags << " size=" << size);
      const std::uintptr_t alignment = (flags & TQ_ALIGN_PAGE) != 0 ? kTqPageAlignment : 1;
      int error = -1;
      TQHANDLE handle = tqAlloc(size, flags, &error);
      auto* data = static_cast<unsigned char*>(tqLock(handle));
      ASSERT_TRUE(data != nullptr && error == 0) << "every block has an address";
      EXPECT_TRUE(Aligned(data, alignment) && Holds(data, 0, size, false));
      EXPECT_TRUE(tqLock(handle) == data && tqUnlock(handle) == 1) << "locks nest";
      Fill(data, 0, size);
      const DWORD half = size / 2;
      EXPECT_EQ(tqReAlloc(handle, half, 0, &error), handle) << "shrinking in place";
      tqSetLastError(0);
      EXPECT_EQ(tqReAlloc(handle, size + 300000, 0, &error), nullptr) << "a locked block stays";
      EXPECT_TRUE(error == 8 && tqGetLastError() == 8 && tqGetHandleSize(handle) == half);
      EXPECT_TRUE(tqUnlock(handle) == 0 && tqUnlock(handle) == 0) << "no count below 0";
      for (DWORD newSize : {size + 300000, half + 1}) {
        ASSERT_EQ(tqReAlloc(handle, newSize, TQ_ZEROINIT, nullptr), handle) << "to " << newSize;
        void* moved = tqLock(handle);
        EXPECT_TRUE(Aligned(moved, alignment) && Holds(moved, 0, std::min(half, newSize)) &&
                    Holds(moved, half, std::max(half, newSize), false))
            << "resized to " << newSize;
        EXPECT_EQ(tqUnlock(handle), 0) << "the extra unlock left no debt";
      }
      tqLock(handle);
      EXPECT_EQ(tqFree(handle), 1) << "a locked block is freed too";
    }
  }
}

TEST(Blocks, NullOrForeignHandlesFailWithError6) {
  alignas(std::max_align_t) unsigned char foreign[64] = {};
  int error = 0;
  for (TQHANDLE handle : {TQHANDLE{}, reinterpret_cast<TQHANDLE>(foreign)}) {
    SCOPED_TRACE(handle == nullptr ? "null" : "foreign");
    tqSetLastError(0);
    EXPECT_TRUE(tqLock(handle) == nullptr && tqGetLastError() == 6);
    EXPECT_TRUE(tqUnlock(handle) == 0 && tqGetHandleSize(handle) == 0 && tqFree(handle) == 0);
    EXPECT_TRUE(tqReAlloc(handle, 10, 0, &error) == nullptr && error == 6);
  }
  EXPECT_TRUE(tqReAllocPtr(foreign + 32, 8, 0, &error) == nullptr && error == 6);
  tqSetLastError(0);
  tqFreePtr(foreign + 32);  // must not reach the heap
  EXPECT_EQ(tqGetLastError(), 6);
}

TEST(FaultInjection, CountsEveryCallAndAFailedResizeKeepsTheBlock) {
  TQHANDLE handle = tqAlloc(4, 0, nullptr);
  void* block = tqReAllocPtr(nullptr, 4, 0, nullptr);  // a null block is allocated
  ASSERT_TRUE(handle != nullptr && block != nullptr);
  Fill(block, 0, 4);
  tqTestFailAllocations(2);  // no ASSERT below before the reset
  EXPECT_EQ(tqReAlloc(handle, 8, 0, nullptr), handle);
  void* fixed = tqAllocPtr(8, 0, nullptr);
  int error = 0;
  tqSetLastError(0);
  EXPECT_EQ(tqReAllocPtr(block, 64, 0, &error), nullptr) << "the third call fails";
  EXPECT_TRUE(fixed != nullptr && error == 8 && tqGetLastError() == 8);
  EXPECT_TRUE(tqGetPtrSize(block) == 4 && Holds(block, 0, 4)) << "the block stays as it was";
  EXPECT_TRUE(tqReAlloc(handle, 2, 0, nullptr) == nullptr && tqGetHandleSize(handle) == 8)
      << "and so do the following calls";
  tqTestFailAllocations(-1);
  EXPECT_EQ(tqReAlloc(handle, 2, 0, nullptr), handle) << "the reset ends the failures";
  void* grown = tqReAllocPtr(block, 70000, TQ_ZEROINIT, nullptr);
  ASSERT_NE(grown, nullptr);
  EXPECT_TRUE(tqGetPtrSize(grown) == 70000 && Aligned(grown, alignof(std::max_align_t)));
  EXPECT_TRUE(Holds(grown, 0, 4) && Holds(grown, 4, 70000, false));
  tqFree(handle);
  tqFreePtr(grown);
  tqFreePtr(fixed);
}

}  // namespace
