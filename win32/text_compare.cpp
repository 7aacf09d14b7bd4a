// Text comparisons: the C runtime's multibyte comparisons for code page 932, ordinal wide
// comparisons, and the wide case mapping.
#include <locale.h>
#include <wctype.h>

#include <climits>
#include <clocale>
#include <cstring>

#include "win32/code_page_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

// The C runtime's answer for invalid arguments to the comparisons.
constexpr int kNlsCompareError = INT_MAX;

// The next character as one unit: a double-byte character is lead << 8 | trail; a lead byte
// before the terminator counts as a single byte.
unsigned NextUnit(const unsigned char*& p) {
  const unsigned b = *p;
  if (b == 0) return 0;
  if (IsCp932LeadByte(static_cast<unsigned char>(b)) && p[1] != 0) {
    const unsigned unit = b << 8 | p[1];
    p += 2;
    return unit;
  }
  ++p;
  return b;
}

unsigned FoldAscii(unsigned unit) { return unit >= 'A' && unit <= 'Z' ? unit + ('a' - 'A') : unit; }

int CompareMultibyte(const unsigned char* a, const unsigned char* b, bool ignoreCase) {
  if (a == nullptr || b == nullptr) return kNlsCompareError;
  for (;;) {
    unsigned ua = NextUnit(a);
    unsigned ub = NextUnit(b);
    if (ignoreCase) {
      ua = FoldAscii(ua);
      ub = FoldAscii(ub);
    }
    if (ua != ub) return ua < ub ? -1 : 1;
    if (ua == 0) return 0;
  }
}

// The wide case mapping of the C.UTF-8 locale (full-width Latin, Greek and Cyrillic included);
// without that locale only ASCII letters change.
class CaseMapping {
 public:
  CaseMapping() {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      m_locale = newlocale(LC_CTYPE_MASK, name, nullptr);
      if (m_locale != nullptr) break;
    }
  }
  WCHAR Lower(WCHAR unit) const { return Map(unit, true); }
  WCHAR Upper(WCHAR unit) const { return Map(unit, false); }

 private:
  WCHAR Map(WCHAR unit, bool lower) const {
    if (unit >= 0xD800 && unit <= 0xDFFF) return unit;  // surrogates stay as they are
    if (m_locale == nullptr) {
      if (lower && unit >= 'A' && unit <= 'Z') return static_cast<WCHAR>(unit + 32);
      if (!lower && unit >= 'a' && unit <= 'z') return static_cast<WCHAR>(unit - 32);
      return unit;
    }
    const wint_t mapped = lower ? towlower_l(unit, m_locale) : towupper_l(unit, m_locale);
    return mapped <= 0xFFFF ? static_cast<WCHAR>(mapped) : unit;
  }
  locale_t m_locale = nullptr;
};

const CaseMapping& Case() {
  static const CaseMapping& mapping = *new CaseMapping;
  return mapping;
}

std::size_t Length(LPCWSTR text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// Ordinal comparison of UTF-16 units; with ignoreCase both sides are lower-cased first.
int CompareWide(LPCWSTR a, std::size_t lengthA, LPCWSTR b, std::size_t lengthB, bool ignoreCase) {
  const std::size_t n = std::min(lengthA, lengthB);
  for (std::size_t i = 0; i < n; ++i) {
    WCHAR ua = a[i];
    WCHAR ub = b[i];
    if (ignoreCase) {
      ua = Case().Lower(ua);
      ub = Case().Lower(ub);
    }
    if (ua != ub) return ua < ub ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
  if (lengthA == lengthB) return CSTR_EQUAL;
  return lengthA < lengthB ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

// Null sorts before everything, as the original's lstrcmp family does.
int CompareNulls(const void* a, const void* b) {
  if (a == nullptr && b == nullptr) return 0;
  return a == nullptr ? -1 : 1;
}

template <typename Map>
DWORD MapBuffer(LPWSTR text, DWORD length, Map map) {
  if (text == nullptr) return 0;
  for (DWORD i = 0; i < length; ++i) text[i] = map(text[i]);
  return length;
}

// A pointer whose high bits are zero carries a single character in its low word.
template <typename Map>
LPWSTR MapString(LPWSTR text, Map map) {
  const auto value = reinterpret_cast<std::uintptr_t>(text);
  if (value >> 16 == 0)
    return reinterpret_cast<LPWSTR>(std::uintptr_t{map(static_cast<WCHAR>(value))});
  for (LPWSTR p = text; *p != 0; ++p) *p = map(*p);
  return text;
}

}  // namespace
}  // namespace win32::detail

extern "C" {

// Invalid (null) arguments answer INT_MAX, as the C runtime's _NLSCMPERROR.
int _mbscmp(const unsigned char* a, const unsigned char* b) {
  return win32::detail::CompareMultibyte(a, b, false);
}

int _mbsicmp(const unsigned char* a, const unsigned char* b) {
  return win32::detail::CompareMultibyte(a, b, true);
}

// Ordinal comparison of UTF-16 units; NORM_IGNORECASE compares the lower-case forms. Other
// flags are refused with 1004. A length of -1 means up to the terminator. The locale is not
// used.
int CompareStringW(LCID /*locale*/, DWORD flags, LPCWSTR a, int lengthA, LPCWSTR b, int lengthB) {
  if (a == nullptr || b == nullptr || lengthA < -1 || lengthB < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~NORM_IGNORECASE) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const std::size_t na =
      lengthA == -1 ? win32::detail::Length(a) : static_cast<std::size_t>(lengthA);
  const std::size_t nb =
      lengthB == -1 ? win32::detail::Length(b) : static_cast<std::size_t>(lengthB);
  return win32::detail::CompareWide(a, na, b, nb, (flags & NORM_IGNORECASE) != 0);
}

// Converts both sides from code page 932 (invalid bytes become U+30FB), then as CompareStringW.
int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int lengthA, LPCSTR b, int lengthB) {
  if (a == nullptr || b == nullptr || lengthA < -1 || lengthB < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t na = lengthA == -1 ? std::strlen(a) : static_cast<std::size_t>(lengthA);
  const std::size_t nb = lengthB == -1 ? std::strlen(b) : static_cast<std::size_t>(lengthB);
  const auto wa = win32::detail::Cp932ToWide(a, na);
  const auto wb = win32::detail::Cp932ToWide(b, nb);
  static constexpr WCHAR kEmpty[1] = {0};
  return CompareStringW(locale, flags, wa.empty() ? kEmpty : wa.data(), static_cast<int>(wa.size()),
                        wb.empty() ? kEmpty : wb.data(), static_cast<int>(wb.size()));
}

int lstrcmpA(LPCSTR a, LPCSTR b) {
  if (a == nullptr || b == nullptr) return win32::detail::CompareNulls(a, b);
  return CompareStringA(LOCALE_USER_DEFAULT, 0, a, -1, b, -1) - CSTR_EQUAL;
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
  if (a == nullptr || b == nullptr) return win32::detail::CompareNulls(a, b);
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) - CSTR_EQUAL;
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
  if (a == nullptr || b == nullptr) return win32::detail::CompareNulls(a, b);
  return CompareStringW(LOCALE_USER_DEFAULT, 0, a, -1, b, -1) - CSTR_EQUAL;
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  if (a == nullptr || b == nullptr) return win32::detail::CompareNulls(a, b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) - CSTR_EQUAL;
}

int lstrlenW(LPCWSTR text) {
  return text == nullptr ? 0 : static_cast<int>(win32::detail::Length(text));
}

LPWSTR CharLowerW(LPWSTR text) {
  return win32::detail::MapString(text, [](WCHAR u) { return win32::detail::Case().Lower(u); });
}

LPWSTR CharUpperW(LPWSTR text) {
  return win32::detail::MapString(text, [](WCHAR u) { return win32::detail::Case().Upper(u); });
}

DWORD CharLowerBuffW(LPWSTR text, DWORD length) {
  return win32::detail::MapBuffer(text, length,
                                  [](WCHAR u) { return win32::detail::Case().Lower(u); });
}

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
  return win32::detail::MapBuffer(text, length,
                                  [](WCHAR u) { return win32::detail::Case().Upper(u); });
}

}  // extern "C"
