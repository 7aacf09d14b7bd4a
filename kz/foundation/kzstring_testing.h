// Test helpers for the strings and KzTime.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kz_testing {

// Sets the process time zone (TZ) for the guard's lifetime.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) m_old = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    m_old ? setenv("TZ", m_old->c_str(), 1) : unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> m_old;
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
  for (unsigned char b : bytes)
    out += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15], ' '};
  return out;
}

}  // namespace kz_testing
