#include "kz/raster/mixer/voff_mixer_testing.h"

#include <gtest/gtest.h>

#include "kz/persistence/file_path.h"
#include "kz/raster/block_access.h"
#include "kz/vmem/virtual_memory.h"
#include "win32/temp_folder_testing.h"

namespace voff_mixer_testing {
namespace {

// Creates the process-wide manager once, with a swap file in a scratch folder of its own.
class ProcessVMEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    KzVirtualMemory* vm = kzGetVirtualMemory();
    if (vm->IsCreated()) return;
    ASSERT_TRUE(m_folder.ok());
    KzFilePath folder(m_folder.Lib().c_str());
    vm->Create(512u << 20, &folder);
  }

 private:
  win32::testing::TempFolder m_folder;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProcessVMEnvironment);

}  // namespace

ImagePtr MakeImage(int bits, int width, int height, double resolution) {
  ImagePtr image(KzVOffscreen::CreateOffscreen(bits));
  if (image) image->Create(kzGetVirtualMemory(), width, height, resolution);
  return image;
}

std::vector<int> ExistingBlocks(const KzVOffscreen& image) {
  std::vector<int> indices;
  for (int i = 0; i < static_cast<int>(image.GetBlockTable().size()); ++i) {
    if (image.GetBlockExist(i)) indices.push_back(i);
  }
  return indices;
}

std::vector<std::vector<BYTE>> BlockBytes(KzVOffscreen* image) {
  std::vector<std::vector<BYTE>> blocks;
  for (int i = 0; i < static_cast<int>(image->GetBlockTable().size()); ++i) {
    const KzRect rect = image->GetBlockRect(i);
    KzVOffscreenAutoLock lock(image, rect.left, rect.top, 0);
    const BYTE* base = image->GetBaseAddress();
    blocks.emplace_back(base, base == nullptr ? base : base + image->GetBlockBytes());
  }
  return blocks;
}

TQCOLORREF ReadPixel(KzVOffscreen* image, int x, int y, int bits) {
  KzVOffscreenAutoLock lock(image, x, y, 0);
  return bits == 8 ? image->Get8BitColor() : image->Get32BitColor();
}

void WritePixel(KzVOffscreen* image, int x, int y, int bits, TQCOLORREF value) {
  KzVOffscreenAutoLock lock(image, x, y, 1);
  if (bits == 8) {
    image->Set8BitColor(static_cast<BYTE>(value));
  } else {
    image->Set32BitColor(value);
  }
}

}  // namespace voff_mixer_testing
