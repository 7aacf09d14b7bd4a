// Test support for kzpaint: the process-wide virtual memory (created once, with a budget small
// enough that test images swap), scratch folders, and PNG files read back with libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win32/temp_folder_testing.h"

namespace kzpaint::testing {

// The budget the test program's virtual memory is created with: a few 32-bit blocks.
inline constexpr unsigned int kTestBudget = 1u << 20;

// A fresh folder under $TMPDIR (or /tmp), removed with its contents afterwards.
class ScratchFolder : public win32::testing::TempFolder {
 public:
  // The path of `name` inside the folder.
  std::string Path(const std::string& name) const { return Native(name); }
};

// A PNG read back: size, channels (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA) and pixels, 8 bits a
// channel; `ok` false when libpng could not read the file.
struct PngFile {
  bool ok = false;
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> pixels;
  const std::uint8_t* At(int x, int y) const {
    return pixels.data() + (static_cast<std::size_t>(y) * width + x) * channels;
  }
};
PngFile ReadPng(const std::string& path);

bool FileExists(const std::string& path);

}  // namespace kzpaint::testing
