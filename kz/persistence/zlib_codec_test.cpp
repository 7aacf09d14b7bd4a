#include "kz/persistence/zlib_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>

#include "kz/persistence/archive_mem.h"
#include "kz/persistence/archive_testing.h"
#include "tqwutl/memory_p.h"
#include "tqwutl/tqwutl.h"

namespace {

using namespace kz::testing;

// Smooth runs with some noise (or pure noise): compresses, but not to nothing.
Bytes Sample(std::size_t size, unsigned int seed, bool noise = false) {
  std::mt19937 random(seed);
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) {
    out[i] =
        static_cast<unsigned char>(noise ? random() : (i / 97) + (random() % 8 ? 0 : random()));
  }
  return out;
}

DWORD Header(const unsigned char* b, bool big) {
  return big ? DWORD{b[0]} << 24 | b[1] << 16 | b[2] << 8 | b[3]
             : DWORD{b[3]} << 24 | b[2] << 16 | b[1] << 8 | b[0];
}

struct PtrFree {
  void operator()(void* p) const { tqFreePtr(p); }
};
using Block = std::unique_ptr<unsigned char, PtrFree>;

Block Compress(const Bytes& data, DWORD* length, int swap) {
  void* block = nullptr;
  KzZLib().Compress(&block, data.data(), static_cast<DWORD>(data.size()), length, swap);
  return Block(static_cast<unsigned char*>(block));
}

class TestZLib : public KzZLib {
 public:
  using KzZLib::InternalDecompress;
};

// Pointer and handle blocks hold a header and exactly the stream the system zlib makes from the
// whole input in one call; both zlib and KzZLib read them back.
TEST(ZLibBlocks, HoldAHeaderAndTheSystemZlibsStream) {
  const struct {
    const char* label;
    Bytes data;
  } inputs[] = {{"empty", {}},
                {"one byte", {0x42}},
                {"one piece exactly", Sample(0x40000, 2)},
                {"one piece and a byte", Sample(0x40001, 3)},
                {"600 KiB", Sample(600 * 1024, 4)},
                {"noise", Sample(300 * 1024, 5, true)}};
  KzZLib zlib;
  for (const auto& input : inputs) {
    for (int swap : {0, 1}) {
      SCOPED_TRACE(std::string(input.label) + (swap ? " swapped" : ""));
      const auto size = static_cast<DWORD>(input.data.size());
      uLongf expectedLength = compressBound(size);
      Bytes expected(expectedLength);
      ASSERT_EQ(compress2(expected.data(), &expectedLength, input.data.data(), size, -1), Z_OK);
      expected.resize(expectedLength);

      DWORD length = 0;
      Block block = Compress(input.data, &length, swap);
      EXPECT_EQ(Header(block.get(), swap), expectedLength);
      EXPECT_EQ(length, expectedLength + 4);
      EXPECT_EQ(tqGetPtrSize(block.get()), length);
      EXPECT_EQ(Bytes(block.get() + 4, block.get() + length), expected);

      TQHANDLE handle = nullptr;
      DWORD handleLength = 0;
      zlib.CompressToHandle(handle, input.data.data(), size, &handleLength, swap);
      ASSERT_EQ(handleLength, length);
      EXPECT_EQ(std::memcmp(tqLock(handle), block.get(), length), 0);
      EXPECT_EQ(tqUnlock(handle), 0);  // handed over unlocked
      tqFree(handle);

      Bytes restored(size);
      zlib.Decompress(block.get(), restored.data(), size, swap);
      EXPECT_EQ(restored, input.data);
      restored.assign(size, 0);
      zlib.Decompress(block.get(), length, restored.data(), size, swap);
      EXPECT_EQ(restored, input.data);
    }
  }
}

TEST(ZLibArchive, BlocksTravelInTheArchiveByteOrder) {
  KzZLib zlib;
  const Bytes data = Sample(600 * 1024, 6);
  for (unsigned int mode : {9u, 5u}) {  // big- and little-endian
    KzArchiveMem out(mode, 0);
    DWORD length = 0;
    zlib.Compress(out, data.data(), static_cast<DWORD>(data.size()), &length);
    out << 0x5A5A5A5A;
    const Bytes stored = Contents(out);
    ASSERT_EQ(stored.size(), length + 4u);
    EXPECT_EQ(Header(stored.data(), mode == 9), length - 4) << mode;
    for (unsigned int cache : {0u, 4096u}) {
      VectorArchive in(mode + 1, cache, stored);
      Bytes restored(data.size());
      zlib.Decompress(in, restored.data(), static_cast<DWORD>(restored.size()));
      EXPECT_EQ(restored, data);
      int marker = 0;
      in >> marker;
      EXPECT_EQ(marker, 0x5A5A5A5A);
    }
  }
}

TEST(ZLibBadInput, DamagedOrTruncatedBlocksThrow) {
  TestZLib zlib;
  const Bytes data = Sample(5000, 8);
  DWORD length = 0;
  Block block = Compress(data, &length, 0);
  const Bytes good(block.get(), block.get() + length);
  Bytes out(data.size());
  const auto outSize = static_cast<DWORD>(out.size());
  for (DWORD cut = 0; cut < length; ++cut) {
    auto copy = std::make_unique<unsigned char[]>(cut);  // exact size: over-reads get caught
    std::memcpy(copy.get(), good.data(), cut);
    EXPECT_EQ(ErrorCodeOf([&] { zlib.Decompress(copy.get(), cut, out.data(), outSize, 0); }),
              kKzErrorNotEnoughMemory)
        << "at cut=" << cut;
    if (cut >= 4) {
      EXPECT_EQ(ErrorCodeOf(
                    [&] { zlib.InternalDecompress(copy.get() + 4, out.data(), cut - 4, outSize); }),
                kKzErrorNotEnoughMemory)
          << "at cut=" << cut;
    }
    KzArchiveMem archive;
    AttachBytes(archive, Bytes(good.begin(), good.begin() + cut), 2);
    EXPECT_EQ(ErrorCodeOf([&] { zlib.Decompress(archive, out.data(), outSize); }),
              kKzErrorParameter)
        << "at cut=" << cut;
  }
  const Bytes big = Sample(0x40000 + 100, 10);  // two output windows
  DWORD bigLength = 0;
  Block bigBlock = Compress(big, &bigLength, 0);
  for (DWORD size : {DWORD{0x40000 + 99}, 0u, 100u}) {  // destinations too small
    Bytes small(size);
    EXPECT_EQ(ErrorCodeOf([&] { zlib.Decompress(bigBlock.get(), small.data(), size, 0); }),
              kKzErrorNotEnoughMemory)
        << "at size=" << size;
  }
  for (std::size_t at : {std::size_t{4}, std::size_t{40}, good.size() - 2}) {
    Bytes damaged = good;
    damaged[at] ^= 0x55;
    EXPECT_EQ(ErrorCodeOf([&] { zlib.Decompress(damaged.data(), length, out.data(), outSize, 0); }),
              kKzErrorNotEnoughMemory)
        << "at byte " << at;
  }
}

TEST(ZLibBadInput, AllocationFailuresThrowAndLeakNothing) {
  const Bytes data = Sample(700 * 1024, 9);
  for (int after = 0; after < 4; ++after) {
    void* block = nullptr;
    TQHANDLE handle = nullptr;
    tqTestFailAllocations(after);
    const int pointerCode = ErrorCodeOf([&] {
      KzZLib().Compress(&block, data.data(), static_cast<DWORD>(data.size()), nullptr, 0);
    });
    tqTestFailAllocations(after);
    const int handleCode = ErrorCodeOf([&] {
      KzZLib().CompressToHandle(handle, data.data(), static_cast<DWORD>(data.size()), nullptr, 0);
    });
    tqTestFailAllocations(-1);
    if (pointerCode == 0) tqFreePtr(block);
    if (handleCode == 0) tqFree(handle);
    EXPECT_EQ(pointerCode, after == 0 ? kKzErrorNotEnoughMemory : pointerCode) << after;
    EXPECT_TRUE(pointerCode == 0 || pointerCode == kKzErrorNotEnoughMemory) << after;
    EXPECT_TRUE(handleCode == 0 || handleCode == kKzErrorNotEnoughMemory) << after;
  }
}

}  // namespace
