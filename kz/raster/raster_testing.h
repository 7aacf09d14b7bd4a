// Test support for block raster images: the process-wide virtual memory (created once for the
// whole test program by a global environment), managers of chosen budgets and images owned by
// a smart pointer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "kz/raster/voffscreen.h"
#include "kz/vmem/virtual_memory.h"
#include "win32/temp_folder_testing.h"

namespace raster_testing {

// The budget the process-wide manager is created with.
inline constexpr unsigned int kProcessBudget = 512u << 20;

// The process-wide manager, created by the test environment before the first test.
inline KzVirtualMemory* ProcessVM() { return kzGetVirtualMemory(); }

// A manager of its own with a swap file in a scratch folder that goes away with it.
class ScratchVM {
 public:
  explicit ScratchVM(unsigned int budget);
  KzVirtualMemory* get() { return &m_vm; }

 private:
  win32::testing::TempFolder m_folder;  // outlives the manager
  KzVirtualMemory m_vm;
};

struct ImageDeleter {
  void operator()(KzVOffscreen* image) const { KzVOffscreen::DeleteOffscreen(image); }
};
using ImagePtr = std::unique_ptr<KzVOffscreen, ImageDeleter>;

// A created image of `bits` on `vm` (the process-wide manager by default).
ImagePtr MakeImage(int bits, int width, int height, KzVirtualMemory* vm = nullptr,
                   double resolution = 72.0);

// The indices of the blocks that exist, resp. are locked in the virtual memory.
std::vector<int> ExistingBlocks(const KzVOffscreen& image);
std::vector<int> LockedBlocks(const KzVOffscreen& image);

// Fills the whole block under (x, y) with a pattern of bytes that depends on the seed, creating
// the block (write lock taken and released here).
void FillBlock(KzVOffscreen* image, int x, int y, std::uint32_t seed);
// The bytes of the block under (x, y) (empty when the block is absent).
std::vector<BYTE> BlockBytes(KzVOffscreen* image, int x, int y);

}  // namespace raster_testing
