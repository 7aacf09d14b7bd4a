#include "kz/raster/raster_testing.h"

#include "kz/persistence/file_path.h"
#include "kz/raster/block_access.h"

namespace raster_testing {
namespace {

// Creates the process-wide manager once, in a scratch folder of its own.
class ProcessVMEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    KzVirtualMemory* vm = kzGetVirtualMemory();
    if (vm->IsCreated()) return;
    ASSERT_TRUE(m_folder.ok());
    KzFilePath folder(m_folder.Lib().c_str());
    vm->Create(kProcessBudget, &folder);
  }

 private:
  win32::testing::TempFolder m_folder;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProcessVMEnvironment);

}  // namespace

ScratchVM::ScratchVM(unsigned int budget) {
  KzFilePath folder(m_folder.Lib().c_str());
  m_vm.Create(budget, &folder);
}

ImagePtr MakeImage(int bits, int width, int height, KzVirtualMemory* vm, double resolution) {
  ImagePtr image(KzVOffscreen::CreateOffscreen(bits));
  if (image) image->Create(vm != nullptr ? vm : ProcessVM(), width, height, resolution);
  return image;
}

std::vector<int> ExistingBlocks(const KzVOffscreen& image) {
  std::vector<int> indices;
  for (int i = 0; i < static_cast<int>(image.GetBlockTable().size()); ++i) {
    if (image.GetBlockExist(i)) indices.push_back(i);
  }
  return indices;
}

std::vector<int> LockedBlocks(const KzVOffscreen& image) {
  std::vector<int> indices;
  for (int i : ExistingBlocks(image)) {
    if (image.CheckBlockLock(i)) indices.push_back(i);
  }
  return indices;
}

void FillBlock(KzVOffscreen* image, int x, int y, std::uint32_t seed) {
  KzVOffscreenAutoLock lock(image, x, y, 1);
  BYTE* base = image->GetBaseAddress();
  ASSERT_NE(base, nullptr);
  for (std::size_t i = 0; i < image->GetBlockBytes(); ++i) {
    base[i] = static_cast<BYTE>((i * 0x9E3779B1u + seed * 0x85EBCA77u) >> 13);
  }
}

std::vector<BYTE> BlockBytes(KzVOffscreen* image, int x, int y) {
  KzVOffscreenAutoLock lock(image, x, y, 0);
  const BYTE* base = image->GetBaseAddress();
  if (base == nullptr) return {};
  return std::vector<BYTE>(base, base + image->GetBlockBytes());
}

}  // namespace raster_testing
