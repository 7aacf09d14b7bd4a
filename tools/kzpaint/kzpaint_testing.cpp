#include "tools/kzpaint/kzpaint_testing.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <memory>

#include "kz/persistence/file_path.h"
#include "kz/vmem/virtual_memory.h"

namespace kzpaint::testing {
namespace {

// Creates the process-wide virtual memory before the first test, its swap file in a scratch
// folder of its own.
class VirtualMemoryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_folder = std::make_unique<ScratchFolder>();
    KzFilePath folder(m_folder->Lib().c_str());
    kzGetVirtualMemory()->Create(kTestBudget, &folder);
  }
  void TearDown() override { m_folder.reset(); }

 private:
  std::unique_ptr<ScratchFolder> m_folder;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new VirtualMemoryEnvironment);

}  // namespace

PngFile ReadPng(const std::string& path) {
  PngFile file;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return file;
  // Keep the stored channels: grey, grey+alpha, RGB or RGBA.
  image.format &= PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_ALPHA;
  file.channels = PNG_IMAGE_SAMPLE_CHANNELS(image.format);
  file.width = static_cast<int>(image.width);
  file.height = static_cast<int>(image.height);
  file.pixels.resize(PNG_IMAGE_SIZE(image));
  file.ok = png_image_finish_read(&image, nullptr, file.pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return file;
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

}  // namespace kzpaint::testing
