// Test support for block raster images: the process-wide virtual memory (created once for the
// whole test program by a global environment), managers of chosen budgets, images owned by a
// smart pointer, and an archive over a byte vector.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "kz/persistence/archive.h"
#include "kz/raster/voffscreen.h"
#include "kz/vmem/virtual_memory.h"

namespace raster_testing {

// The budget the process-wide manager is created with.
inline constexpr unsigned int kProcessBudget = 512u << 20;

// The process-wide manager, created by the test environment before the first test.
KzVirtualMemory* ProcessVM();

// A manager of its own with a swap file in a scratch folder that goes away with it.
class ScratchVM {
 public:
  explicit ScratchVM(unsigned int budget);
  ~ScratchVM();
  ScratchVM(const ScratchVM&) = delete;
  ScratchVM& operator=(const ScratchVM&) = delete;
  KzVirtualMemory* get() const { return m_vm.get(); }
  KzVirtualMemory* operator->() const { return m_vm.get(); }

 private:
  struct Folder;
  std::unique_ptr<Folder> m_folder;
  std::unique_ptr<KzVirtualMemory> m_vm;
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

// Fills the whole block under (x, y) with bytes that differ for every seed and offset, creating
// the block (write lock taken and released here).
void FillBlock(KzVOffscreen* image, int x, int y, std::uint32_t seed);
// The bytes of the block under (x, y) (empty when the block is absent).
std::vector<BYTE> BlockBytes(KzVOffscreen* image, int x, int y);

using Bytes = std::vector<unsigned char>;

// An archive over a byte vector, without a cache.
class VectorArchive : public KzArchive {
 public:
  // Store mode (big-endian unless `littleEndian`), empty.
  explicit VectorArchive(bool littleEndian = false);
  // Load mode over `bytes`.
  VectorArchive(Bytes bytes, bool littleEndian = false);

  unsigned int WriteSelf(const void* data, unsigned int count) override;
  unsigned int ReadSelf(void* buffer, unsigned int count) override;
  unsigned int SeekSelf(int offset, unsigned int origin) override;

  const Bytes& bytes() const { return m_bytes; }

 private:
  Bytes m_bytes;
  std::size_t m_at = 0;
};

}  // namespace raster_testing
