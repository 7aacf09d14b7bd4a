// A fresh folder for a file test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "win32/win32.h"

namespace win32::testing {

class TempFolder {
 public:
  explicit TempFolder(const char* base = nullptr) {
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/kz_win32_XXXXXX";
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

 private:
  std::string m_native;
};

}  // namespace win32::testing
