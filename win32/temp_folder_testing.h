// A fresh folder for a file test, removed with everything in it afterwards.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "win32/win32.h"

namespace win32::testing {

class TempFolder {
 public:
  // Made inside `base`, else inside $TMPDIR, else inside /tmp.
  explicit TempFolder(const char* base = nullptr) {
    const char* tmp = std::getenv("TMPDIR");
    if (base == nullptr) base = tmp != nullptr && *tmp != 0 ? tmp : "/tmp";
    std::string pattern = std::string(base) + "/kz_win32_XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) m_native = pattern;
  }
  ~TempFolder() {
    if (m_native.empty()) return;
    std::error_code ignored;
    std::filesystem::permissions(m_native, std::filesystem::perms::all, ignored);
    std::filesystem::remove_all(m_native, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool ok() const { return !m_native.empty(); }
  const std::string& native() const { return m_native; }
  // The folder in the library's form, or a name inside it.
  std::string Lib(const std::string& name = "") const {
    std::string path = win32::FromNativePath(m_native);
    return name.empty() ? path : path + "\\" + name;
  }
  std::string Native(const std::string& name) const { return m_native + "/" + name; }

  // Direct access to a file in the folder, bypassing the services under test; Read gives
  // "<missing>" when there is no such file.
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Native(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Native(name), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
  }
  bool Exists(const std::string& name) const {
    struct stat st {};
    return lstat(Native(name).c_str(), &st) == 0;
  }

 private:
  std::string m_native;
};

}  // namespace win32::testing
