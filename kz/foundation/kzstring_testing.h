// Test helpers for the strings, their arrays and KzTime.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "kz/foundation/exception.h"
#include "tqwutl/memory_p.h"

namespace kz_testing {

// The code of the KzException that `action` throws; 0 when it returns normally.
template <typename Action>
int ThrownCode(Action&& action) {
  try {
    action();
  } catch (const KzException& e) {
    return e.GetErrorCode();
  }
  return 0;
}

// Makes the utility library's allocations fail after `after` more successes, for the guard's
// lifetime.
class FailAllocations {
 public:
  explicit FailAllocations(int after) { tqTestFailAllocations(after); }
  ~FailAllocations() { tqTestFailAllocations(-1); }
  FailAllocations(const FailAllocations&) = delete;
  FailAllocations& operator=(const FailAllocations&) = delete;
};

// Sets the process time zone (TZ) for the guard's lifetime.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    m_hadOld = old != nullptr;
    if (m_hadOld) m_old = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    if (m_hadOld) {
      setenv("TZ", m_old.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  TimeZone(const TimeZone&) = delete;
  TimeZone& operator=(const TimeZone&) = delete;

 private:
  bool m_hadOld = false;
  std::string m_old;
};

// A zero-terminated run of 16-bit units from a UTF-16 literal.
inline std::vector<unsigned short> Units(std::u16string_view text) {
  std::vector<unsigned short> units(text.begin(), text.end());
  units.push_back(0);
  return units;
}

// The units of a zero-terminated wide text, for comparisons and messages.
inline std::u16string ToU16(const unsigned short* text) {
  std::u16string out;
  for (; text != nullptr && *text != 0; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

// "61 81 46 ..." for failure messages.
inline std::string Hex(std::string_view bytes) {
  std::string out;
  char piece[4];
  for (unsigned char b : bytes) {
    std::snprintf(piece, sizeof piece, "%02X ", b);
    out += piece;
  }
  return out;
}

}  // namespace kz_testing
