#include "kz/vmem/swap.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "kz/vmem/vmem_testing.h"

namespace {

using namespace vmem_testing;

constexpr unsigned int kTile = 0x2000;

class SwapTest : public VmemTest {
 protected:
  SwapTest() { m_buffer = std::aligned_alloc(4096, 16 * kTile); }
  ~SwapTest() override { std::free(m_buffer); }

  // Creates the swap in the scratch folder; returns the size it was made at.
  unsigned int CreateSwap(unsigned int size) {
    KzFilePath path = Folder();
    path += "SWP1.tmp";
    EXPECT_EQ(m_swap.Create(&size, path, 0), 1);
    return size;
  }
  // Writes a new block of `size` bytes (at most 16 tiles) filled with pattern `seed`.
  KzSwapBlock* WriteNew(unsigned int size, std::uint64_t seed) {
    KzSwapBlock* block = m_swap.Allocate(size);
    FillPattern(m_buffer, block->GetSize(), seed);
    EXPECT_EQ(m_swap.Write(m_buffer, block), 1) << "at seed=" << seed;
    return block;
  }

  KzSwap m_swap;
  void* m_buffer;  // page-aligned, as tile memory is
};

TEST_F(SwapTest, CreateSizesAnUnlinkedFileAndAllocateRoundsToItsSectors) {
  // Whether the folder's file system takes direct I/O decides what the swap must have got.
  const std::string probe = NativeFolder() + "/probe";
  const int fd = open(probe.c_str(), O_RDWR | O_CREAT | O_DIRECT, 0600);
  if (fd >= 0) close(fd);
  unlink(probe.c_str());
  EXPECT_EQ(m_swap.Allocate(kTile), nullptr) << "no records before Create";
  const unsigned int rounded = CreateSwap(100000);
  const DWORD sector = m_swap.GetSectorSize();
  EXPECT_EQ(rounded, (100000 + sector - 1) / sector * sector);
  EXPECT_TRUE(FilesIn(NativeFolder()).empty()) << "no name is left on disk";
  const auto files = UnlinkedFilesIn(NativeFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].length, rounded);
  EXPECT_EQ((files[0].openFlags & O_DIRECT) != 0, fd >= 0);

  const KzSwapBlock* block = m_swap.Allocate(sector + 1);
  EXPECT_EQ(block->GetSize(), 2u * sector);
  EXPECT_FALSE(block->IsEnable()) << "a new record has neither memory nor place";
  EXPECT_EQ(m_swap.Allocate(0xFFFFFFFF), nullptr) << "a rounding past 32 bits is refused";
  m_swap.Destroy();
  EXPECT_TRUE(UnlinkedFilesIn(NativeFolder()).empty()) << "Destroy closes the file";
  EXPECT_EQ(CreateSwap(0), 0u);  // an empty file grows by the block
  EXPECT_EQ(WriteNew(kTile, 1)->GetBeginPos(), 0u);
  EXPECT_EQ(m_swap.GetSwapSize(), kTile);
}

TEST_F(SwapTest, WritesKeepTheirPlaceAndTheFileGrowsByWholeSteps) {
  const unsigned int step = CreateSwap(4 * kTile);
  KzSwapBlock* a = WriteNew(kTile, 1);
  EXPECT_EQ(WriteNew(kTile, 2)->GetBeginPos(), kTile);
  FillPattern(m_buffer, kTile, 3);
  ASSERT_EQ(m_swap.Write(m_buffer, a), 1);
  EXPECT_EQ(a->GetBeginPos(), 0u) << "a second write goes to the same place";
  EXPECT_EQ(m_swap.GetUsedTotalSize(), 2u * kTile);
  ASSERT_EQ(m_swap.Read(m_buffer, a), 1);
  EXPECT_EQ(FirstMismatch(m_buffer, kTile, 3), kTile);
  EXPECT_EQ(m_swap.Read(m_buffer, m_swap.Allocate(kTile)), 0) << "nothing to read: no place";
  EXPECT_EQ(m_swap.GetBytesWritten() + m_swap.GetBytesRead(), 4u * kTile) << "successful calls";

  // A freed place joins the end of the free list: the older free tail is used up first.
  m_swap.Deallocate(a);
  EXPECT_EQ(WriteNew(kTile, 4)->GetBeginPos(), 2u * kTile);
  KzSwapBlock* last = WriteNew(kTile, 5);
  EXPECT_EQ(last->GetBeginPos(), 3u * kTile);
  EXPECT_EQ(WriteNew(kTile, 6)->GetBeginPos(), 0u);
  EXPECT_EQ(m_swap.GetSwapSize(), 4u * kTile);

  // Three tiles fit nowhere: the file grows by one step, the block starts in the free tile.
  m_swap.Deallocate(last);
  EXPECT_EQ(WriteNew(3 * kTile, 10)->GetBeginPos(), 3u * kTile);
  EXPECT_EQ(m_swap.GetSwapSize(), 2u * step);
  // Thirteen tiles need four steps; the two free tiles at the old end join the new space.
  EXPECT_EQ(WriteNew(13 * kTile, 11)->GetBeginPos(), 6u * kTile);
  EXPECT_EQ(m_swap.GetSwapSize(), 6u * step);
  EXPECT_EQ(UnlinkedFilesIn(NativeFolder()).at(0).length, 6u * step);
  EXPECT_TRUE(SwapSpaceIsConsistent(m_swap));

  // Growth checks the disk too: a failed growth is a failed write and changes nothing.
  kzSwapSetFreeSpaceOverride(kTile);
  KzSwapBlock* big = m_swap.Allocate(16 * kTile);
  EXPECT_EQ(m_swap.Write(m_buffer, big), 0);
  EXPECT_FALSE(big->IsSwapped());
  EXPECT_EQ(m_swap.GetSwapSize(), 6u * step);
  EXPECT_TRUE(SwapSpaceIsConsistent(m_swap));
}

}  // namespace
