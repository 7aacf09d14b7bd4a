#include "kz/vmem/virtual_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kz/foundation/exception.h"
#include "kz/foundation/exception_testing.h"
#include "kz/vmem/virtual_memory_p.h"
#include "kz/vmem/vmem_testing.h"

namespace {

using namespace vmem_testing;

constexpr unsigned int k8Bit = 0x10000;
constexpr unsigned int k24Bit = 0x30000;
constexpr int kPool1Bit = 0;

class VirtualMemoryTest : public VmemTest {};

TEST_F(VirtualMemoryTest, SlotsComeFromTheTopAndA129thTileMakesASecondChunk) {
  auto vm = MakeVM(4 << 20);
  std::vector<KzSwapBlock*> blocks;
  for (int i = 0; i < 129; ++i) blocks.push_back(vm->Allocate(0x2000));
  const KzVMChunk* first = vm->GetChunk(kPool1Bit, 0);
  for (int i = 0; i < 128; ++i) {
    ASSERT_EQ(blocks[i]->GetMemory().chunk, first) << "at i=" << i;
    EXPECT_EQ(blocks[i]->GetMemory().slot, 127u - i) << "at i=" << i;
    EXPECT_EQ(first->GetOwner(127 - i), blocks[i]) << "at i=" << i;
  }
  ASSERT_EQ(vm->GetChunkCount(kPool1Bit), 2);
  EXPECT_EQ(blocks[128]->GetMemory().chunk, vm->GetChunk(kPool1Bit, 1));
  EXPECT_EQ(blocks[128]->GetMemory().slot, 127u);

  // Freeing any tile but the last of a chunk keeps the chunk; the last one destroys it, and
  // the later chunk moves up.
  for (int i = 0; i < 127; ++i) vm->Free(blocks[i]);
  EXPECT_EQ(vm->GetChunkCount(kPool1Bit), 2);
  vm->Free(blocks[127]);
  ASSERT_EQ(vm->GetChunkCount(kPool1Bit), 1);
  EXPECT_EQ(vm->GetChunk(kPool1Bit, 0), blocks[128]->GetMemory().chunk);
}

TEST_F(VirtualMemoryTest, ChunkIsLockedOnceAndNestedLocksKeepATileIn) {
  auto vm = MakeVM(k8Bit * 2);
  KzSwapBlock* a = vm->Allocate(k8Bit);
  KzSwapBlock* b = vm->Allocate(k8Bit);
  const KzVMChunk* chunk = a->GetMemory().chunk;
  auto* pa = static_cast<unsigned char*>(vm->Lock(a, 0, nullptr));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pa) % 4096, 0u) << "as unbuffered swap I/O needs";
  EXPECT_EQ(vm->Lock(b, 0, nullptr), pa - k8Bit) << "slots 15 and 14 of one locked block";
  EXPECT_EQ(vm->Lock(a, 0, nullptr), pa);
  EXPECT_EQ(chunk->GetLockCount(), 3u);
  vm->Unlock(a);
  EXPECT_EQ(vm->Purge(a), 0) << "a tile with a lock level held stays";
  vm->Unlock(a);
  vm->Unlock(b);
  vm->Unlock(b);  // one too many: takes nothing from the chunk
  EXPECT_EQ(chunk->GetLockCount(), 0u);
  EXPECT_EQ(chunk->GetBaseAddress(), nullptr) << "the chunk's block is unlocked";
  vm->Lock(b, 0, nullptr);
  vm->Free(b);
  EXPECT_EQ(chunk->GetLockCount(), 0u) << "a freed tile gives its lock levels back";
}

TEST_F(VirtualMemoryTest, LoadedFlagAndTemporaryTiles) {
  auto vm = MakeVM(k8Bit);
  // Locks `tile` for reading: `loaded` is set only when it was read in; `seed` is its pattern.
  auto expectLock = [&](const char* label, KzSwapBlock* tile, bool loads, int seed) {
    int loaded = 7;
    void* data = vm->Lock(tile, 0, &loaded);
    ASSERT_NE(data, nullptr) << label;
    EXPECT_EQ(loaded, loads ? 1 : 7) << label;
    if (seed > 0) {
      EXPECT_EQ(FirstMismatch(data, k8Bit, seed), k8Bit) << label;
    }
    vm->Unlock(tile);
  };
  KzSwapBlock* a = vm->Allocate(k8Bit);
  FillPattern(vm->Lock(a, 1, nullptr), k8Bit, 1);
  vm->Unlock(a);
  expectLock("in memory", a, false, 1);
  KzSwapBlock* b = vm->Allocate(k8Bit);  // evicts a: written out
  expectLock("read back, evicting b", a, true, 1);
  EXPECT_FALSE(a->GetEditFlag()) << "freshly read bytes are not edited";
  EXPECT_FALSE(b->IsEnable()) << "b was never written: dropped";
  expectLock("never written", b, false, 0);
  EXPECT_FALSE(a->IsOnMemory()) << "a was not edited since it was read: dropped, not written";
  EXPECT_EQ(vm->GetUsedDiskSize(), k8Bit);

  // A temporary tile is dropped without a write, keeping its place; made permanent again, it
  // reads back what was last written, not the dropped edit.
  vm->Free(b);
  const std::uint64_t place = a->GetBeginPos(), written = vm->GetSwapBytesWritten();
  a->SetTemporary(1);
  FillPattern(vm->Lock(a, 1, nullptr), k8Bit, 2);
  vm->Unlock(a);
  ASSERT_EQ(vm->Purge(a), 1);
  EXPECT_EQ(vm->GetSwapBytesWritten(), written) << "nothing was written";
  EXPECT_TRUE(!a->IsOnMemory() && a->IsSwapped() && a->GetBeginPos() == place);
  a->SetTemporary(0);
  expectLock("permanent again", a, true, 1);
}

TEST_F(VirtualMemoryTest, ATileLockedBackInMayPassTheBudgetWhichIsRegainedLater) {
  auto vm = MakeVM(2 * k24Bit);
  KzSwapBlock* a = vm->Allocate(k24Bit);
  KzSwapBlock* b = vm->Allocate(k24Bit);
  FillPattern(vm->Lock(b, 1, nullptr), k24Bit, 2);
  vm->Unlock(b);
  ASSERT_EQ(vm->Purge(b), 1);
  vm->Lock(a, 1, nullptr);
  vm->Lock(vm->Allocate(k24Bit), 1, nullptr);
  ASSERT_NE(vm->Lock(b, 0, nullptr), nullptr) << "both others locked: b comes in all the same";
  EXPECT_EQ(vm->GetUsedPhysicalMemorySize(), 3 * k24Bit);
  vm->Unlock(a);
  vm->Unlock(b);
  vm->Allocate(k24Bit);
  EXPECT_LE(vm->GetUsedPhysicalMemorySize(), 2 * k24Bit) << "the next request regains it";
}

TEST_F(VirtualMemoryTest, CreateRemovesOnlyItsOwnStaleSwapFiles) {
  const std::vector<std::string> stale = {"SWP1A2B.tmp", "SWP0.tmp", "SWPFFFF.tmp"};
  std::vector<std::string> kept = {"SWP12345.tmp",    "SWPnotes.tmp",  "swp1A.tmp", "SWP1A.TMP",
                                   "my_SWP_list.txt", "SWP1A.tmp.bak", "SWP.tmp"};
  for (const auto& names : {stale, kept}) {
    for (const std::string& name : names) m_folder.Write(name, "data");
  }
  std::sort(kept.begin(), kept.end());
  auto vm = MakeVM(k8Bit);
  EXPECT_EQ(FilesIn(NativeFolder()), kept);
  EXPECT_EQ(UnlinkedFilesIn(NativeFolder()).size(), 1u) << "the new swap file is open, unlinked";
}

TEST_F(VirtualMemoryTest, TooLittleDiskSpaceNamesTheVirtualMemory) {
  kzSwapSetFreeSpaceOverride(k8Bit - 1);
  KzVirtualMemory vm;
  KzFilePath folder = Folder();
  try {
    vm.Create(k8Bit, &folder);
    ADD_FAILURE() << "Create succeeded without disk space";
  } catch (const KzException& e) {
    EXPECT_EQ(e.GetErrorCode(), 39);
    EXPECT_EQ(e.GetAlert().GetAlertID(), 0x40800014u);
  }
  EXPECT_FALSE(vm.IsCreated());
  EXPECT_EQ(kzThrownCode([&] { vm.Allocate(k8Bit); }), 0x200132C8) << "nothing before Create";
  EXPECT_TRUE(FilesIn(NativeFolder()).empty()) << "the name made for the swap file is gone";
  EXPECT_TRUE(UnlinkedFilesIn(NativeFolder()).empty());
  kzSwapSetFreeSpaceOverride(kzSwapNoFreeSpaceOverride);
  vm.Create(k8Bit, &folder);
  EXPECT_EQ(kzThrownCode([&] { vm.Create(k8Bit, &folder); }), 0x20010008) << "created once";
}

TEST(AllocateMemorySize, BudgetRules) {
  constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
  const struct {
    const char* label;
    int mode, percentage;
    std::uint64_t total, available, expected;
  } rows[] = {
      {"mode 0 takes the larger half", 0, 0, 2 * kGiB, kGiB, kGiB},
      {"mode 0 with more available than total", 0, 0, kGiB, 2 * kGiB - 2, kGiB - 1},
      {"mode 0 caps at 2 GiB - 1", 0, 0, 8 * kGiB, 6 * kGiB, 0x7FFFFFFF},
      {"mode 1 clamps 10% to 20%", 1, 10, 1000, 0, 200},
      {"mode 1 clamps 95% to 80%", 1, 95, 1000, 0, 800},
      {"mode 1 divides by 100 first", 1, 50, 1099, 0, 500},
      {"other modes", 2, 50, 8 * kGiB, 8 * kGiB, 0},
  };
  for (const auto& row : rows) {
    MEMORYSTATUSEX status{};
    status.ullTotalPhys = row.total;
    status.ullAvailPhys = row.available;
    EXPECT_EQ(kzGetAllocateMemorySizeFor(row.mode, row.percentage, status), row.expected)
        << row.label;
  }
}

// Only a successful call creates the process-wide manager; later calls change nothing.
TEST_F(VirtualMemoryTest, ProcessWideManagerIsCreatedByTheFirstSuccessfulCall) {
  KzVirtualMemory* vm = kzGetVirtualMemory();
  EXPECT_EQ(kzThrownCode([] { kzCreateVirtualMemory(nullptr); }), 0x20010008);
  if (vm->IsCreated()) GTEST_SKIP() << "another test created the process-wide manager";
  KzFilePath folder = Folder(), missing = Folder();
  missing += "missing";
  _CREATEVMPARAM param{0, &missing, 1, 20};
  EXPECT_EQ(kzThrownCode([&] { kzCreateVirtualMemory(&param); }), 0x200132C9);
  EXPECT_FALSE(vm->IsCreated());
  param.folder = &folder;
  kzCreateVirtualMemory(&param);
  ASSERT_TRUE(vm->IsCreated());
  const DWORD budget = vm->GetPhysicalMemorySize();
  param.percentage = 80;
  kzCreateVirtualMemory(&param);
  EXPECT_EQ(vm->GetPhysicalMemorySize(), budget);
  EXPECT_EQ(UnlinkedFilesIn(NativeFolder()).size(), 1u);
}

}  // namespace
