// Test support for the virtual memory: a scratch folder with managers of chosen budgets, tile
// patterns, the swap file as the system sees it, and the swap allocator's invariants.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kz/persistence/file_path.h"
#include "kz/vmem/swap.h"
#include "kz/vmem/swap_p.h"
#include "kz/vmem/virtual_memory.h"
#include "win32/files_p.h"
#include "win32/temp_folder_testing.h"

namespace vmem_testing {

// Fills `bytes` bytes (a multiple of 8) with a pattern that differs for every seed and offset.
void FillPattern(void* data, std::size_t bytes, std::uint64_t seed);
// The offset of the first byte that does not hold FillPattern's pattern, or `bytes` when all do.
std::size_t FirstMismatch(const void* data, std::size_t bytes, std::uint64_t seed);

// A file this process holds open whose name was removed (as the swap file's is at once).
struct UnlinkedFile {
  std::uint64_t length;
  int openFlags;  // the file status flags of the descriptor (O_DIRECT ...)
};
// The unlinked files this process holds open that lay in `nativeFolder`.
std::vector<UnlinkedFile> UnlinkedFilesIn(const std::string& nativeFolder);
// The regular files in `nativeFolder`, by name.
std::vector<std::string> FilesIn(const std::string& nativeFolder);

// The swap's book-keeping agrees with itself: the used size is the sum of the placed blocks,
// and the free ranges and the placed blocks tile [0, swap size) without gap or overlap, all on
// sector boundaries.
::testing::AssertionResult SwapSpaceIsConsistent(const KzSwap& swap);

// A fixture with a fresh scratch folder (under $TMPDIR, else /tmp) for swap files, that puts
// the free-space override and the file faults back however a test ends.
class VmemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_folder.ok()) << "no scratch folder"; }
  void TearDown() override {
    kzSwapSetFreeSpaceOverride(kzSwapNoFreeSpaceOverride);
    win32::FailNextFileWrites(0, 0);
    win32::FailNextFileReads(0, 0);
  }

  // The scratch folder in the library's form.
  KzFilePath Folder() const { return KzFilePath(m_folder.Lib().c_str()); }
  const std::string& NativeFolder() const { return m_folder.native(); }
  // A manager of its own with a swap file in the scratch folder.
  std::unique_ptr<KzVirtualMemory> MakeVM(unsigned int budget) const {
    auto vm = std::make_unique<KzVirtualMemory>();
    KzFilePath folder = Folder();
    vm->Create(budget, &folder);
    return vm;
  }

  win32::testing::TempFolder m_folder;
};

}  // namespace vmem_testing
