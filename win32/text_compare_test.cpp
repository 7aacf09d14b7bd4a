#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

TEST(TextCompare, MultibyteComparesDoubleByteCharactersAsOneUnit) {
  struct Case {
    const char* label;
    const char* a;
    const char* b;
    int cmp;
    int icmp;
  } cases[] = {
      {"equal", "abc", "abc", 0, 0},
      {"case", "ABC", "abc", -1, 0},
      {"prefix", "ab", "abc", -1, -1},
      // 0x82 0xA0 is one unit 0x82A0: above every single byte, whatever the trail byte.
      {"double byte above single", "\x82\xA0", "\xDF", 1, 1},
      {"trail byte not compared alone", "\x81\x40", "\x80\xFF", 1, 1},
      {"lead before terminator is a byte", "\x82", "\x81\x40", -1, -1},
      {"underscore against letter ignoring case", "_", "A", 1, -1},
      {"full-width letters keep their case", "\x82\x60", "\x82\x81", -1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.cmp, Sign(_mbscmp(U(c.a), U(c.b)))) << c.label;
    EXPECT_EQ(-c.cmp, Sign(_mbscmp(U(c.b), U(c.a)))) << c.label;
    EXPECT_EQ(c.icmp, Sign(_mbsicmp(U(c.a), U(c.b)))) << c.label;
  }
}

TEST(TextCompare, CompareStringIsOrdinalOnUtf16) {
  const WCHAR alpha[] = {0x03B1, 0};  // Greek small alpha
  const WCHAR ALPHA[] = {0x0391, 0};
  const WCHAR fullA[] = {0xFF21, 0};  // full-width capital A
  const WCHAR fulla[] = {0xFF41, 0};
  EXPECT_EQ(CSTR_EQUAL, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, alpha, -1, ALPHA, -1));
  EXPECT_EQ(CSTR_GREATER_THAN, CompareStringW(LOCALE_USER_DEFAULT, 0, alpha, -1, ALPHA, -1));
  EXPECT_EQ(CSTR_EQUAL, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, fullA, 1, fulla, 1));
  const WCHAR ab[] = {'a', 'b'};
  EXPECT_EQ(CSTR_LESS_THAN, CompareStringW(LOCALE_USER_DEFAULT, 0, ab, 1, ab, 2));

  // Shift-JIS goes through UTF-16: half-width katakana (0xB1 = U+FF71) sorts above hiragana.
  EXPECT_EQ(CSTR_GREATER_THAN, CompareStringA(LOCALE_USER_DEFAULT, 0, "\xB1", -1, "\x82\xA0", -1));
  EXPECT_EQ(CSTR_EQUAL,
            CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "\x82\x60x", 2, "\x82\x81y", 2));
  SetLastError(0);
  EXPECT_EQ(0, CompareStringA(LOCALE_USER_DEFAULT, 0x1000, "a", -1, "b", -1));
  EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());
  EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, -1, ab, 1));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());

  EXPECT_LT(lstrcmpA("abc", "abd"), 0);
  EXPECT_EQ(lstrcmpiA("ABC", "abc"), 0);
  EXPECT_GT(lstrcmpW(alpha, ALPHA), 0);
  EXPECT_EQ(lstrcmpiW(alpha, ALPHA), 0);
  EXPECT_LT(lstrcmpA(nullptr, ""), 0);
  EXPECT_EQ(lstrcmpA(nullptr, nullptr), 0);
  EXPECT_EQ(3, lstrlenW(reinterpret_cast<const WCHAR*>(u"xyz")));
  EXPECT_EQ(0, lstrlenW(nullptr));
}

TEST(TextCompare, WideCaseMapping) {
  struct Case {
    const char* label;
    WCHAR upper;
    WCHAR lower;
  } cases[] = {
      {"ascii", 'Q', 'q'},       {"latin-1", 0xC9, 0xE9},      {"full-width", 0xFF21, 0xFF41},
      {"greek", 0x03A3, 0x03C3}, {"cyrillic", 0x0416, 0x0436},
  };
  for (const auto& c : cases) {
    std::vector<WCHAR> text = {c.upper, '1', c.lower, 0};
    CharLowerW(text.data());
    EXPECT_EQ(text, (std::vector<WCHAR>{c.lower, '1', c.lower, 0})) << c.label;
    EXPECT_EQ(3u, CharUpperBuffW(text.data(), 3)) << c.label;
    EXPECT_EQ(text, (std::vector<WCHAR>{c.upper, '1', c.upper, 0})) << c.label;
  }
  // Kana, kanji, digits and surrogates have no case.
  std::vector<WCHAR> fixed = {0x3042, 0x8868, '7', 0xD83D, 0xDE00};
  const auto before = fixed;
  CharUpperBuffW(fixed.data(), static_cast<DWORD>(fixed.size()));
  CharLowerBuffW(fixed.data(), static_cast<DWORD>(fixed.size()));
  EXPECT_EQ(fixed, before);
  // A pointer with zero high bits carries one character.
  EXPECT_EQ(
      reinterpret_cast<std::uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(std::uintptr_t{'A'}))),
      std::uintptr_t{'a'});
  EXPECT_EQ(
      reinterpret_cast<std::uintptr_t>(CharUpperW(reinterpret_cast<LPWSTR>(std::uintptr_t{0x3B1}))),
      std::uintptr_t{0x391});
}

}  // namespace
