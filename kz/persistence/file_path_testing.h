// Test support for path and file tests: a fresh folder under $TMPDIR (or /tmp), removed with
// everything in it afterwards, that also hands out paths in the library's form.
#pragma once

#include <string>

#include "kz/persistence/file_path.h"
#include "win32/temp_folder_testing.h"

namespace kz_testing {

class TestFolder : public win32::testing::TempFolder {
 public:
  // The folder, or a name inside it, as a path.
  KzFilePath Path(const std::string& name = "") const { return KzFilePath(Lib(name).c_str()); }
};

}  // namespace kz_testing
