#include "kz/foundation/handle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/foundation/pointer.h"
#include "tqwutl/memory_p.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The utility library's own lock count of a block.
int BlockLocks(TQHANDLE handle) {
  tqLock(handle);
  return tqUnlock(handle);
}

void Fill(KzHandle& handle, int first) {
  auto* bytes = static_cast<unsigned char*>(handle.Lock());
  std::iota(bytes, bytes + handle.GetSize(), static_cast<unsigned char>(first));
  handle.Unlock();
}

Bytes Contents(KzHandle& handle) {
  const auto* bytes = static_cast<const unsigned char*>(handle.Lock());
  Bytes out(bytes, bytes + handle.GetSize());
  handle.Unlock();
  return out;
}

TEST(KzHandle, LockCountingAndKeepLocked) {
  KzHandle handle;
  EXPECT_EQ(kzThrownCode([&] { handle.Lock(); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { handle.Unlock(); }), kKzErrorParameter);
  handle.Alloc(16);
  void* address = handle.Lock();
  EXPECT_EQ(handle.Lock(), address);
  EXPECT_EQ(BlockLocks(handle), 2);
  handle.Unlock();
  handle.Unlock();
  handle.Unlock();  // unbalanced: releases nobody else's lock
  EXPECT_EQ(BlockLocks(handle), 0);

  handle.Lock();
  handle.SetKeepLocked();
  handle.Unlock();
  EXPECT_EQ(BlockLocks(handle), 1) << "the last unlock left the block locked";
  EXPECT_EQ(handle.IsKeepLocked(), 0);
  tqUnlock(handle);
  handle.SetKeepLocked();
  handle.Lock();  // any other operation cancels the request
  handle.Unlock();
  EXPECT_EQ(BlockLocks(handle), 0);
}

TEST(KzHandle, DetachAndBorrowedBlocksGiveBackOnlyTheWrappersLocks) {
  KzHandle handle;
  handle.Alloc(8);
  handle.Lock();
  handle.Lock();
  const TQHANDLE block = handle.Detach();
  EXPECT_FALSE(handle.IsValid());
  EXPECT_EQ(BlockLocks(block), 0);
  EXPECT_EQ(tqGetHandleSize(block), 8u) << "not freed";

  handle.Attach(block, 8, 1);
  handle.Attach(block, 8, 1);  // the same block again: kept, not freed
  handle.SetKeepLocked();
  EXPECT_EQ(handle.Detach(), block);
  EXPECT_EQ(BlockLocks(block), 1) << "keep-locked hands the block on locked";
  tqUnlock(block);
  {
    KzHandle borrowed;
    borrowed.Attach(block, 8, 0);
    borrowed.Lock();
  }
  EXPECT_EQ(tqGetHandleSize(block), 8u) << "a borrowed block is not freed";
  EXPECT_EQ(BlockLocks(block), 0);
  tqFree(block);
}

TEST(KzHandle, CopyHonoursSizesAndOffsets) {
  KzHandle source;
  source.Alloc(8);
  Fill(source, 0);
  const Bytes untouched(10, 0xEE);
  struct Case {
    const char* label;
    DWORD size, dstOffset, srcOffset;
    Bytes expected;  // empty: throws 0x20010008 and copies nothing
  } const cases[] = {
      {"whole source", 0, 1, 0, {0xEE, 0, 1, 2, 3, 4, 5, 6, 7, 0xEE}},
      {"rest from an offset", 0, 0, 5, {5, 6, 7, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
      {"a word and three bytes", 7, 3, 1, {0xEE, 0xEE, 0xEE, 1, 2, 3, 4, 5, 6, 7}},
      {"past the target", 4, 7, 0, {}},
      {"past the source", 4, 0, 5, {}},
      {"offset beyond the source", 0, 0, 9, {}},
      {"offset wrapping 32 bits", 8, 0xFFFFFFF9u, 0, {}},
  };
  for (const Case& c : cases) {
    KzHandle target;
    target.Alloc(10);
    std::memset(target.Lock(), 0xEE, 10);
    target.Unlock();
    const int code = kzThrownCode([&] { target.Copy(source, c.size, c.dstOffset, c.srcOffset); });
    EXPECT_EQ(code, c.expected.empty() ? kKzErrorParameter : 0) << "at " << c.label;
    EXPECT_EQ(Contents(target), c.expected.empty() ? untouched : c.expected) << "at " << c.label;
  }
  KzHandle copy(source);
  EXPECT_EQ(Contents(copy), Contents(source));
  copy.BlockMove(5, 2, 0);  // overlapping, both ways
  EXPECT_EQ(Contents(copy), (Bytes{0, 1, 0, 1, 2, 3, 4, 7}));
  copy.BlockMove(5, 0, 3);
  EXPECT_EQ(Contents(copy), (Bytes{1, 2, 3, 4, 7, 3, 4, 7}));
  EXPECT_EQ(kzThrownCode([&] { copy.BlockMove(2, 7, 0); }), kKzErrorParameter);
}

TEST(KzHandle, OtherSourcesStayTheCallers) {
  const TQHANDLE bare = tqAlloc(3, 0, nullptr);
  std::memcpy(tqLock(bare), "abc", 3);
  tqUnlock(bare);
  KzPointer pointer;
  pointer.Alloc(5, TQ_ZEROINIT);
  pointer.Copy(bare, 0, 1);
  EXPECT_EQ(std::memcmp(pointer.GetPtr(), "\0abc\0", 5), 0);
  KzHandle handle;
  handle.Alloc(5);
  handle.Copy(pointer);
  handle.Copy(bare, 2, 0, 1);
  handle.Copy("XY", 2, 3);
  EXPECT_EQ(Contents(handle), (Bytes{'b', 'c', 'b', 'X', 'Y'}));
  EXPECT_EQ(tqGetHandleSize(bare), 3u);
  EXPECT_EQ(BlockLocks(bare), 0);
  tqFree(bare);
}

// Whether replaced blocks were freed is left to the sanitizer build's leak check.
TEST(KzHandle, FailedAllocationThrowsTheLastErrorAndKeepsWhatWasThere) {
  KzHandle handle;
  handle.Alloc(4);
  Fill(handle, 1);
  KzPointer pointer;
  pointer.Alloc(4);
  tqTestFailAllocations(0);
  EXPECT_EQ(kzThrownCode([&] { handle.Alloc(64); }), kKzErrorNotEnoughMemory);
  EXPECT_EQ(kzThrownCode([&] { handle.ReAlloc(1 << 20); }), kKzErrorNotEnoughMemory);
  EXPECT_EQ(kzThrownCode([&] { KzHandle copy(handle); }), kKzErrorNotEnoughMemory);
  EXPECT_EQ(kzThrownCode([&] { pointer.ReAlloc(1 << 20); }), kKzErrorNotEnoughMemory);
  tqTestFailAllocations(-1);
  EXPECT_EQ(Contents(handle), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(pointer.GetSize(), 4u);
}

TEST(KzAutoHandle, AssignmentLocksAndReleasesWhatItTook) {
  const TQHANDLE first = tqAlloc(8, 0, nullptr);
  const TQHANDLE borrowed = tqAlloc(8, 0, nullptr);
  {
    KzAutoHandle holder;
    holder = first;
    EXPECT_NE(holder.GetPtr(), nullptr);
    holder = first;  // the same handle: still locked once
    EXPECT_EQ(BlockLocks(first), 1);
    KzAutoHandle onlyRemembered(borrowed);
  }  // frees the first
  EXPECT_EQ(BlockLocks(borrowed), 0);
  tqFree(borrowed);
}

}  // namespace
