// Sets an environment variable for a test's scope and puts the old value back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace win32::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_saved = old;
    Set(value);
  }
  ~ScopedEnv() { Set(m_saved ? m_saved->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // A null value unsets the variable.
  void Set(const char* value) const {
    value != nullptr ? setenv(m_name.c_str(), value, 1) : unsetenv(m_name.c_str());
  }

 private:
  std::string m_name;
  std::optional<std::string> m_saved;
};

}  // namespace win32::testing
