#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "tqwutl/memory_p.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

// Puts the fault injection back to "never fail" whatever a test does.
struct FailAllocationsGuard {
  explicit FailAllocationsGuard(int after) { tqTestFailAllocations(after); }
  ~FailAllocationsGuard() { tqTestFailAllocations(-1); }
};

bool AllBytesAre(const void* data, std::size_t from, std::size_t to, unsigned char value) {
  auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = from; i < to; ++i) {
    if (bytes[i] != value) return false;
  }
  return true;
}

TEST(MovableBlocks, AllocReportsSizeAndZeroesOnRequest) {
  for (DWORD size : {0u, 1u, 7u, 100000u}) {
    int error = -1;
    TQHANDLE handle = tqAlloc(size, TQ_ZEROINIT, &error);
    ASSERT_NE(handle, nullptr) << "at size=" << size;
    EXPECT_EQ(error, 0) << "at size=" << size;
    EXPECT_EQ(tqGetHandleSize(handle), size) << "at size=" << size;
    void* data = tqLock(handle);
    ASSERT_NE(data, nullptr) << "a block of size " << size << " still has an address";
    EXPECT_TRUE(AllBytesAre(data, 0, size, 0)) << "at size=" << size;
    EXPECT_EQ(tqFree(handle), 1) << "a locked block is freed too";
  }
}

TEST(MovableBlocks, LocksNestAndKeepTheAddress) {
  TQHANDLE handle = tqAlloc(64, 0, nullptr);
  ASSERT_NE(handle, nullptr);
  void* first = tqLock(handle);
  EXPECT_EQ(tqLock(handle), first);
  EXPECT_EQ(tqLock(handle), first);
  EXPECT_EQ(tqUnlock(handle), 2);
  EXPECT_EQ(tqUnlock(handle), 1);
  EXPECT_EQ(tqUnlock(handle), 0);
  EXPECT_EQ(tqUnlock(handle), 0) << "unlocking an unlocked block stays at 0";
  tqLock(handle);
  EXPECT_EQ(tqUnlock(handle), 0) << "the extra unlock left no debt";
  tqFree(handle);
}

TEST(MovableBlocks, LockedBlockResizesOnlyInPlace) {
  TQHANDLE handle = tqAlloc(256, 0, nullptr);
  ASSERT_NE(handle, nullptr);
  auto* data = static_cast<unsigned char*>(tqLock(handle));
  for (int i = 0; i < 256; ++i) data[i] = static_cast<unsigned char>(i);
  int error = -1;
  EXPECT_EQ(tqReAlloc(handle, 100, 0, &error), handle) << "shrinking works in place";
  EXPECT_EQ(error, 0);
  // Growing back within the spare capacity works too; TQ_ZEROINIT clears the regrown part.
  EXPECT_EQ(tqReAlloc(handle, 200, TQ_ZEROINIT, &error), handle);
  EXPECT_EQ(tqGetHandleSize(handle), 200u);
  EXPECT_TRUE(AllBytesAre(data, 100, 200, 0));

  SetLastError(0);
  EXPECT_EQ(tqReAlloc(handle, 100000, 0, &error), nullptr) << "a locked block cannot move";
  EXPECT_EQ(error, 8);
  EXPECT_EQ(tqGetLastError(), 8);
  EXPECT_EQ(tqGetHandleSize(handle), 200u);
  EXPECT_EQ(tqLock(handle), data);
  EXPECT_EQ(tqUnlock(handle), 1);

  EXPECT_EQ(tqUnlock(handle), 0);
  EXPECT_EQ(tqReAlloc(handle, 100000, TQ_ZEROINIT, &error), handle) << "unlocked it may move";
  auto* moved = static_cast<unsigned char*>(tqLock(handle));
  for (int i = 0; i < 100; ++i) ASSERT_EQ(moved[i], i) << "at i=" << i;
  EXPECT_TRUE(AllBytesAre(moved, 200, 100000, 0));
  tqFree(handle);
}

bool PageAligned(const void* data) {
  return reinterpret_cast<std::uintptr_t>(data) % kTqPageAlignment == 0;
}

TEST(MovableBlocks, PageAlignedBlocksStayAlignedWhenTheyMove) {
  for (DWORD size : {0u, 1u, 4095u, 8192u, 196608u, 1048576u}) {
    TQHANDLE handle = tqAlloc(size, TQ_ALIGN_PAGE | TQ_ZEROINIT, nullptr);
    ASSERT_NE(handle, nullptr) << "at size=" << size;
    auto* data = static_cast<unsigned char*>(tqLock(handle));
    EXPECT_TRUE(PageAligned(data)) << "at size=" << size;
    EXPECT_TRUE(AllBytesAre(data, 0, size, 0)) << "at size=" << size;
    for (DWORD i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 7);
    tqUnlock(handle);
    // Growing and shrinking an unlocked block moves it; the bytes and the alignment go along.
    for (DWORD newSize : {size + 300000, size / 2 + 1}) {
      ASSERT_EQ(tqReAlloc(handle, newSize, TQ_ZEROINIT, nullptr), handle) << "at size=" << size;
      auto* moved = static_cast<unsigned char*>(tqLock(handle));
      EXPECT_TRUE(PageAligned(moved)) << "at size=" << size << " resized to " << newSize;
      const DWORD kept = std::min(size, newSize);
      for (DWORD i = 0; i < kept; ++i) {
        ASSERT_EQ(moved[i], static_cast<unsigned char>(i * 7)) << "at size=" << size << " i=" << i;
      }
      if (newSize > size) {
        EXPECT_TRUE(AllBytesAre(moved, size, newSize, 0)) << "at size=" << size;
      }
      tqUnlock(handle);
    }
    tqFree(handle);
  }
}

TEST(MovableBlocks, NullOrForeignHandleFailsWithError6) {
  alignas(std::max_align_t) unsigned char foreignBytes[64] = {};
  for (TQHANDLE handle : {TQHANDLE{}, reinterpret_cast<TQHANDLE>(foreignBytes)}) {
    const char* label = handle == nullptr ? "null" : "foreign";
    SetLastError(0);
    EXPECT_EQ(tqLock(handle), nullptr) << label;
    EXPECT_EQ(tqGetLastError(), 6) << label;
    EXPECT_EQ(tqUnlock(handle), 0) << label;
    EXPECT_EQ(tqGetHandleSize(handle), 0u) << label;
    SetLastError(0);
    EXPECT_EQ(tqFree(handle), 0) << label;
    EXPECT_EQ(tqGetLastError(), 6) << label;
    int error = 0;
    EXPECT_EQ(tqReAlloc(handle, 10, 0, &error), nullptr) << label;
    EXPECT_EQ(error, 6) << label;
  }
}

TEST(FixedBlocks, SizeAlignmentAndReAlloc) {
  void* block = tqAllocPtr(0, 0, nullptr);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(tqGetPtrSize(block), 0u);
  for (DWORD size : {3u, 17u, 70000u, 4u}) {
    std::memset(block, 0x5A, tqGetPtrSize(block));
    DWORD old = tqGetPtrSize(block);
    block = tqReAllocPtr(block, size, TQ_ZEROINIT, nullptr);
    ASSERT_NE(block, nullptr) << "at size=" << size;
    EXPECT_EQ(tqGetPtrSize(block), size);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    EXPECT_TRUE(AllBytesAre(block, 0, std::min(old, size), 0x5A)) << "at size=" << size;
    if (size > old) {
      EXPECT_TRUE(AllBytesAre(block, old, size, 0)) << "at size=" << size;
    }
  }
  tqFreePtr(block);
}

TEST(FixedBlocks, NullAndForeignBlocks) {
  tqFreePtr(nullptr);
  EXPECT_EQ(tqGetPtrSize(nullptr), 0u);
  alignas(std::max_align_t) unsigned char foreignBytes[64] = {};
  void* foreign = foreignBytes + 32;
  int error = 0;
  EXPECT_EQ(tqReAllocPtr(foreign, 8, 0, &error), nullptr);
  EXPECT_EQ(error, 6);
  SetLastError(0);
  tqFreePtr(foreign);  // must not reach the heap
  EXPECT_EQ(tqGetLastError(), 6);
}

TEST(FaultInjection, EveryAllocationCountsThenAllFailUntilReset) {
  TQHANDLE handle = tqAlloc(4, 0, nullptr);
  void* block = tqAllocPtr(4, 0, nullptr);
  ASSERT_TRUE(handle != nullptr && block != nullptr);
  std::memset(block, 0x11, 4);
  {
    FailAllocationsGuard guard(3);
    TQHANDLE other = tqAlloc(8, 0, nullptr);
    EXPECT_NE(other, nullptr);
    EXPECT_EQ(tqReAlloc(handle, 8, 0, nullptr), handle);
    void* fixed = tqAllocPtr(8, 0, nullptr);
    EXPECT_NE(fixed, nullptr);
    int error = 0;
    SetLastError(0);
    EXPECT_EQ(tqReAllocPtr(block, 64, 0, &error), nullptr) << "the fourth call fails";
    EXPECT_EQ(error, 8);
    EXPECT_EQ(tqGetLastError(), 8);
    EXPECT_EQ(tqGetPtrSize(block), 4u) << "the old block stays as it was";
    EXPECT_TRUE(AllBytesAre(block, 0, 4, 0x11));
    EXPECT_EQ(tqAlloc(8, 0, nullptr), nullptr) << "and so do the following ones";
    EXPECT_EQ(tqReAlloc(handle, 2, 0, nullptr), nullptr);
    EXPECT_EQ(tqGetHandleSize(handle), 8u);
    EXPECT_EQ(tqAllocPtr(8, 0, nullptr), nullptr);
    tqTestFailAllocations(-1);
    EXPECT_EQ(tqReAlloc(handle, 2, 0, nullptr), handle);
    tqFree(other);
    tqFreePtr(fixed);
  }
  tqFree(handle);
  tqFreePtr(block);
}

TEST(FaultInjection, CountsExactlyAcrossThreads) {
  constexpr int kAllowed = 333;
  FailAllocationsGuard guard(kAllowed);
  std::atomic<int> successes{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&successes] {
      for (int i = 0; i < 200; ++i) {
        void* p = tqAllocPtr(16, 0, nullptr);
        if (p != nullptr) ++successes;
        tqFreePtr(p);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(successes.load(), kAllowed);
}

}  // namespace
