#include <tuple>
#include <utility>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

TEST(TextCompare, MultibyteComparesDoubleByteCharactersAsOneUnit) {
  // Rows: a, b, sign of _mbscmp(a, b) and of _mbsicmp(a, b). 0x82 0xA0 is one unit 0x82A0: above
  // every single byte, whatever the trail byte.
  const std::tuple<const char*, const char*, const char*, int, int> cases[] = {
      {"equal", "abc", "abc", 0, 0},
      {"case", "ABC", "abc", -1, 0},
      {"prefix", "ab", "abc", -1, -1},
      {"double byte above single", "\x82\xA0", "\xDF", 1, 1},
      {"trail byte not compared alone", "\x81\x40", "\x80\xFF", 1, 1},
      {"lead before terminator is a byte", "\x82", "\x81\x40", -1, -1},
      {"underscore against letter ignoring case", "_", "A", 1, -1},
      {"full-width letters keep their case", "\x82\x60", "\x82\x81", -1, -1},
  };
  for (const auto& [label, a, b, cmp, icmp] : cases) {
    EXPECT_EQ(cmp, Sign(_mbscmp(U(a), U(b)))) << label;
    EXPECT_EQ(-cmp, Sign(_mbscmp(U(b), U(a)))) << label;
    EXPECT_EQ(icmp, Sign(_mbsicmp(U(a), U(b)))) << label;
  }
}

TEST(TextCompare, WideTextIsComparedOrdinallyAndMappedPerCharacter) {
  const WCHAR alpha[] = {0x03B1, 0}, ALPHA[] = {0x0391, 0};
  EXPECT_TRUE(lstrcmpW(alpha, ALPHA) > 0 && lstrcmpiW(alpha, ALPHA) == 0);
  EXPECT_TRUE(lstrcmpA("abc", "abd") < 0 && lstrcmpA(nullptr, "") < 0);
  // Rows: upper and lower case; kana, kanji, digits and surrogates have no case.
  const std::pair<WCHAR, WCHAR> cases[] = {{'Q', 'q'},       {0xC9, 0xE9},     {0xFF21, 0xFF41},
                                           {0x03A3, 0x03C3}, {0x0416, 0x0436}, {0x3042, 0x3042},
                                           {0x8868, 0x8868}, {'7', '7'},       {0xD83D, 0xD83D}};
  for (const auto& [upper, lower] : cases) {
    WCHAR text[] = {upper, lower, 0};
    EXPECT_EQ(2u, CharLowerBuffW(text, 2));
    EXPECT_TRUE(text[0] == lower && text[1] == lower) << "at U+" << std::hex << upper;
    CharUpperW(text);
    EXPECT_TRUE(text[0] == upper && text[1] == upper) << "at U+" << std::hex << upper;
  }
}

}  // namespace
