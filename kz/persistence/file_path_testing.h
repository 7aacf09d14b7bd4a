// Test support for path and file tests: a fresh folder under $TMPDIR and raw file access.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "kz/persistence/file_path.h"
#include "win32/temp_folder_testing.h"

namespace kz_testing {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it afterwards.
class TestFolder : public win32::testing::TempFolder {
 public:
  TestFolder() : TempFolder(Base()) {}
  // The folder, or a name inside it, as a path.
  KzFilePath Path(const std::string& name = "") const { return KzFilePath(Lib(name).c_str()); }

 private:
  static const char* Base() {
    const char* base = std::getenv("TMPDIR");
    return base != nullptr && *base != 0 ? base : nullptr;
  }
};

inline void WriteNative(const std::string& native, const std::string& bytes) {
  std::ofstream(native, std::ios::binary) << bytes;
}

// The file's bytes, or "<missing>".
inline std::string ReadNative(const std::string& native) {
  std::ifstream in(native, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kz_testing
