#include "kz/foundation/handle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <tuple>
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

// Copies the block's bytes out, or fills it with first, first + 1, ... when `first` >= 0.
Bytes Contents(KzHandle& handle, int first = -1) {
  auto* bytes = static_cast<unsigned char*>(handle.Lock());
  if (first >= 0) std::iota(bytes, bytes + handle.GetSize(), static_cast<unsigned char>(first));
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
  tqUnlock(handle);
  handle.SetKeepLocked();
  handle.Lock();  // any other operation cancels the request
  handle.Lock();
  handle.Attach(handle, 16, 1);  // the same block again: kept, not freed
  const TQHANDLE block = handle.Detach();
  EXPECT_EQ(BlockLocks(block), 0) << "the wrapper's two locks given back, nothing kept";
  {
    KzHandle borrowed;
    borrowed.Attach(block, 16, 0);
    borrowed.Lock();
  }
  EXPECT_EQ(tqGetHandleSize(block), 16u) << "a borrowed block is not freed";
  EXPECT_EQ(BlockLocks(block), 0);
  {
    KzAutoHandle holder;
    holder = block;
    holder = block;  // the same handle: still locked once
    EXPECT_EQ(BlockLocks(block), 1);
  }  // frees the block
}

TEST(KzHandle, CopyHonoursSizesAndOffsets) {
  KzHandle source;
  source.Alloc(8);
  Contents(source, 0);
  // Size, target and source offsets, and the target's bytes after (empty: throws 0x20010008
  // and copies nothing); the source holds 0 to 7, the target 100 to 109.
  const std::tuple<const char*, DWORD, DWORD, DWORD, Bytes> cases[] = {
      {"whole source", 0, 1, 0, {100, 0, 1, 2, 3, 4, 5, 6, 7, 109}},
      {"rest from an offset", 0, 0, 5, {5, 6, 7, 103, 104, 105, 106, 107, 108, 109}},
      {"a word and three bytes", 7, 3, 1, {100, 101, 102, 1, 2, 3, 4, 5, 6, 7}},
      {"past the target", 4, 7, 0, {}},
      {"past the source", 4, 0, 5, {}},
      {"offset wrapping 32 bits", 8, 0xFFFFFFF9u, 0, {}},
  };
  for (const auto& [label, size, dstOffset, srcOffset, expected] : cases) {
    KzHandle target;
    target.Alloc(10);
    const Bytes untouched = Contents(target, 100);  // 100, 101, ... 109
    const DWORD n = size, dst = dstOffset, src = srcOffset;
    const int code = kzThrownCode([&] { target.Copy(source, n, dst, src); });
    EXPECT_EQ(code, expected.empty() ? kKzErrorParameter : 0) << "at " << label;
    EXPECT_EQ(Contents(target), expected.empty() ? untouched : expected) << "at " << label;
  }
  KzHandle copy(source);
  copy.BlockMove(5, 2, 0);  // overlapping, both ways
  EXPECT_EQ(Contents(copy), (Bytes{0, 1, 0, 1, 2, 3, 4, 7}));
  copy.BlockMove(5, 0, 3);
  EXPECT_EQ(Contents(copy), (Bytes{1, 2, 3, 4, 7, 3, 4, 7}));
  EXPECT_EQ(kzThrownCode([&] { copy.BlockMove(2, 7, 0); }), kKzErrorParameter);

  const TQHANDLE bare = tqAlloc(3, 0, nullptr);  // other sources stay the caller's
  std::memcpy(tqLock(bare), "abc", 3);
  tqUnlock(bare);
  KzPointer pointer;
  pointer.Alloc(2);
  pointer.Copy(bare, 2, 0, 1);
  copy.Copy(pointer, 0, 6);
  copy.Copy("XY", 2, 0);
  EXPECT_EQ(Contents(copy), (Bytes{'X', 'Y', 3, 4, 7, 3, 'b', 'c'}));
  EXPECT_EQ(BlockLocks(bare), 0);
  tqFree(bare);
}

// Whether replaced blocks were freed is left to the sanitizer build's leak check.
TEST(KzHandle, FailedAllocationThrowsAndKeepsWhatWasThere) {
  KzHandle handle;
  handle.Alloc(4);
  Contents(handle, 1);
  tqTestFailAllocations(0);
  EXPECT_EQ(kzThrownCode([&] { handle.Alloc(64); }), kKzErrorNotEnoughMemory);
  EXPECT_EQ(kzThrownCode([&] { handle.ReAlloc(1 << 20); }), kKzErrorNotEnoughMemory);
  EXPECT_EQ(kzThrownCode([&] { KzHandle copy(handle); }), kKzErrorNotEnoughMemory);
  tqTestFailAllocations(-1);
  EXPECT_EQ(Contents(handle), (Bytes{1, 2, 3, 4}));
}

}  // namespace
