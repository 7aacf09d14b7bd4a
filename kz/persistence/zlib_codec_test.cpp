#include "kz/persistence/zlib_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>

#include "kz/persistence/archive_mem.h"
#include "kz/persistence/archive_testing.h"
#include "tqwutl/tqwutl.h"

namespace {

using namespace kz::testing;

// Smooth runs with some noise (or pure noise): compresses, but not to nothing.
Bytes Sample(std::size_t size, unsigned int seed, bool noise = false) {
  std::mt19937 random(seed);
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = noise || random() % 8 == 0 ? random() : i / 97;
  return out;
}

// A length header in either byte order followed by the system zlib's stream at `level`.
Bytes ZlibBlock(const Bytes& data, int level, bool big) {
  uLongf length = compressBound(static_cast<uLong>(data.size()));
  Bytes block(4 + length);
  EXPECT_EQ(compress2(block.data() + 4, &length, data.data(), data.size(), level), Z_OK);
  block.resize(4 + length);
  for (int i = 0; i < 4; ++i) block[big ? 3 - i : i] = static_cast<unsigned char>(length >> 8 * i);
  return block;
}

// Pointer, handle and archive blocks hold a header and exactly the stream the system zlib makes
// from the whole input in one call; KzZLib reads back what the system zlib makes at any level.
TEST(ZLibBlocks, HoldAHeaderAndTheSystemZlibsStream) {
  const struct {
    const char* label;
    Bytes data;
  } inputs[] = {{"empty", {}},
                {"one byte", {0x42}},
                {"one piece exactly", Sample(0x40000, 2)},
                {"one piece and a byte", Sample(0x40001, 3)},
                {"noise", Sample(600 * 1024, 5, true)}};
  KzZLib zlib;
  for (const auto& input : inputs) {
    for (int swap : {0, 1}) {  // the archive's byte order: little-, big-endian
      SCOPED_TRACE(std::string(input.label) + (swap ? " swapped" : ""));
      const auto size = static_cast<DWORD>(input.data.size());
      const Bytes expected = ZlibBlock(input.data, -1, swap);
      DWORD length = 0;
      void* pointer = nullptr;
      zlib.Compress(&pointer, input.data.data(), size, &length, swap);
      const std::unique_ptr<unsigned char, decltype(&tqFreePtr)> block(
          static_cast<unsigned char*>(pointer), tqFreePtr);
      ASSERT_EQ(length, expected.size());
      EXPECT_EQ(tqGetPtrSize(block.get()), length);
      EXPECT_EQ(Bytes(block.get(), block.get() + length), expected);
      TQHANDLE handle = nullptr;
      zlib.CompressToHandle(handle, input.data.data(), size, &length, swap);
      ASSERT_EQ(length, expected.size());
      EXPECT_EQ(std::memcmp(tqLock(handle), expected.data(), length), 0);
      EXPECT_EQ(tqUnlock(handle), 0);  // handed over unlocked
      tqFree(handle);
      KzArchiveMem archive(swap ? 9 : 5, 0);
      zlib.Compress(archive, input.data.data(), size);
      EXPECT_EQ(Contents(archive), expected);

      // Read back from a stream made at another level than the library's.
      const Bytes made = ZlibBlock(input.data, 9, swap);
      std::vector<Bytes> restored(3, Bytes(size));
      zlib.Decompress(made.data(), restored[0].data(), size, swap);
      zlib.Decompress(made.data(), static_cast<DWORD>(made.size()), restored[1].data(), size, swap);
      VectorArchive in(swap ? 10 : 6, 4096, made);
      zlib.Decompress(in, restored[2].data(), size);
      EXPECT_EQ(restored, std::vector<Bytes>(3, input.data));
      EXPECT_EQ(in.GetPosition(), made.size()) << "the whole block is read";
    }
  }
}

TEST(ZLibBadInput, DamagedOrTruncatedBlocksThrow) {
  KzZLib zlib;
  const Bytes data = Sample(5000, 8);
  const Bytes good = ZlibBlock(data, -1, false);
  const auto length = static_cast<DWORD>(good.size());
  Bytes out(data.size());
  const auto outSize = static_cast<DWORD>(out.size());
  for (DWORD cut = 0; cut < length; ++cut) {
    auto copy = std::make_unique<unsigned char[]>(cut);  // exact size: over-reads get caught
    std::memcpy(copy.get(), good.data(), cut);
    EXPECT_EQ(kzThrownCode([&] { zlib.Decompress(copy.get(), cut, out.data(), outSize, 0); }),
              kKzErrorNotEnoughMemory)
        << "at cut=" << cut;
    KzArchiveMem archive;
    AttachBytes(archive, Bytes(good.begin(), good.begin() + cut), 2);
    EXPECT_EQ(kzThrownCode([&] { zlib.Decompress(archive, out.data(), outSize); }),
              kKzErrorParameter)
        << "at cut=" << cut;
  }
  const Bytes big = ZlibBlock(Sample(0x40000 + 100, 10), -1, false);  // two output windows
  for (DWORD size : {DWORD{0x40000 + 99}, 0u, 100u}) {                // destinations too small
    Bytes small(size);
    EXPECT_EQ(kzThrownCode([&] { zlib.Decompress(big.data(), small.data(), size, 0); }),
              kKzErrorNotEnoughMemory)
        << "at size=" << size;
  }
  for (std::size_t at : {std::size_t{4}, std::size_t{40}, good.size() - 2}) {
    Bytes damaged = good;
    damaged[at] ^= 0x55;
    EXPECT_EQ(
        kzThrownCode([&] { zlib.Decompress(damaged.data(), length, out.data(), outSize, 0); }),
        kKzErrorNotEnoughMemory)
        << "at byte " << at;
  }
}

}  // namespace
