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

using vmem_testing::FilesIn;
using vmem_testing::FillPattern;
using vmem_testing::FirstMismatch;
using vmem_testing::UnlinkedFilesIn;

constexpr unsigned int k8Bit = 0x10000;
constexpr unsigned int k24Bit = 0x30000;
constexpr int kPool1Bit = 0;

class VirtualMemoryTest : public vmem_testing::VmemTest {};

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
  vm->Free(blocks[128]);
  EXPECT_EQ(vm->GetChunkCount(kPool1Bit), 0);
}

TEST_F(VirtualMemoryTest, ChunkIsLockedOnceAndNestedLocksKeepATileIn) {
  auto vm = MakeVM(k8Bit * 2);
  KzSwapBlock* a = vm->Allocate(k8Bit);
  KzSwapBlock* b = vm->Allocate(k8Bit);
  const KzVMChunk* chunk = a->GetMemory().chunk;
  ASSERT_EQ(chunk, b->GetMemory().chunk);
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
  KzSwapBlock* a = vm->Allocate(k8Bit);
  FillPattern(vm->Lock(a, 1, nullptr), k8Bit, 1);
  vm->Unlock(a);
  int loaded = 7;
  vm->Lock(a, 0, &loaded);
  EXPECT_EQ(loaded, 7) << "a tile in memory leaves `loaded` alone";
  vm->Unlock(a);

  KzSwapBlock* b = vm->Allocate(k8Bit);  // evicts a: written out
  loaded = 0;
  void* data = vm->Lock(a, 0, &loaded);  // evicts b, which was never written: dropped
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(FirstMismatch(data, k8Bit, 1), k8Bit);
  EXPECT_FALSE(a->GetEditFlag()) << "freshly read bytes are not edited";
  vm->Unlock(a);
  EXPECT_FALSE(b->IsEnable());

  loaded = 0;
  ASSERT_NE(vm->Lock(b, 0, &loaded), nullptr);
  EXPECT_EQ(loaded, 0) << "a tile never written has nothing to load";
  vm->Unlock(b);
  EXPECT_FALSE(a->IsOnMemory()) << "a was not edited since it was read: dropped, not written";
  EXPECT_EQ(vm->GetUsedDiskSize(), k8Bit);

  // A temporary tile is dropped without a write.
  vm->Free(b);
  const std::uint64_t place = a->GetBeginPos();
  a->SetTemporary(1);
  FillPattern(vm->Lock(a, 1, nullptr), k8Bit, 2);
  vm->Unlock(a);
  const std::uint64_t written = vm->GetSwapBytesWritten();
  ASSERT_EQ(vm->Purge(a), 1);
  EXPECT_EQ(vm->GetSwapBytesWritten(), written) << "nothing was written";
  EXPECT_FALSE(a->IsOnMemory());
  EXPECT_TRUE(a->IsSwapped()) << "its place still belongs to it";
  EXPECT_EQ(a->GetBeginPos(), place);

  // Made permanent again, it reads back what was last written, not the dropped edit.
  a->SetTemporary(0);
  loaded = 0;
  data = vm->Lock(a, 0, &loaded);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(FirstMismatch(data, k8Bit, 1), k8Bit);
  vm->Unlock(a);
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
  const struct {
    const char* name;
    bool stale;
  } rows[] = {
      {"SWP1A2B.tmp", true},   {"SWP0.tmp", true},         {"SWPFFFF.tmp", true},
      {"SWP12345.tmp", false}, {"SWPnotes.tmp", false},    {"swp1A.tmp", false},
      {"SWP1A.TMP", false},    {"my_SWP_list.txt", false}, {"SWP1A.tmp.bak", false},
      {"SWP.tmp", false},
  };
  std::vector<std::string> expected;
  for (const auto& row : rows) {
    m_folder.Write(row.name, "data");
    if (!row.stale) expected.push_back(row.name);
  }
  std::sort(expected.begin(), expected.end());
  auto vm = MakeVM(k8Bit);
  EXPECT_EQ(FilesIn(NativeFolder()), expected);
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
      {"mode 1 at 50%", 1, 50, 1000, 0, 500},
      {"mode 1 clamps 10% to 20%", 1, 10, 1000, 0, 200},
      {"mode 1 clamps 95% to 80%", 1, 95, 1000, 0, 800},
      {"mode 1 divides by 100 first", 1, 50, 1099, 0, 500},
      {"mode 1 caps at 2 GiB - 1", 1, 80, 8 * kGiB, 0, 0x7FFFFFFF},
      {"other modes", 2, 50, 8 * kGiB, 8 * kGiB, 0},
  };
  for (const auto& row : rows) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    status.ullTotalPhys = row.total;
    status.ullAvailPhys = row.available;
    EXPECT_EQ(kzGetAllocateMemorySizeFor(row.mode, row.percentage, status), row.expected)
        << row.label;
  }
  MEMORYSTATUSEX system{};
  kzwGlobalMemoryStatus(&system);
  EXPECT_EQ(kzGetAllocateMemorySize(1, 20), kzGetAllocateMemorySizeFor(1, 20, system));
}

TEST_F(VirtualMemoryTest, ProcessWideManagerIsCreatedByTheFirstSuccessfulCall) {
  KzVirtualMemory* vm = kzGetVirtualMemory();
  EXPECT_EQ(kzThrownCode([] { kzCreateVirtualMemory(nullptr); }), 0x20010008);
  if (vm->IsCreated()) GTEST_SKIP() << "another test created the process-wide manager";
  EXPECT_EQ(kzThrownCode([&] { vm->Allocate(k8Bit); }), 0x200132C8) << "nothing before Create";
  KzFilePath missing = Folder();
  missing += "missing";
  _CREATEVMPARAM param{0, &missing, 1, 20};
  EXPECT_EQ(kzThrownCode([&] { kzCreateVirtualMemory(&param); }), 0x200132C9);
  EXPECT_FALSE(vm->IsCreated());

  KzFilePath folder = Folder();
  param.folder = &folder;
  kzCreateVirtualMemory(&param);
  ASSERT_TRUE(vm->IsCreated());
  const DWORD budget = vm->GetPhysicalMemorySize();
  EXPECT_LE(budget, kzGetAllocateMemorySize(1, 20) + vm->GetSwap().GetSectorSize());
  param.percentage = 80;
  kzCreateVirtualMemory(&param);  // a second call changes nothing
  EXPECT_EQ(vm->GetPhysicalMemorySize(), budget);
  EXPECT_EQ(UnlinkedFilesIn(NativeFolder()).size(), 1u);
}

}  // namespace
