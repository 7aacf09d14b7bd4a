#include <iconv.h>

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "win32/code_page_p.h"
#include "win32/win32.h"

namespace {

std::vector<WCHAR> ToWide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  std::vector<WCHAR> out(static_cast<std::size_t>(n));
  if (n > 0) {
    EXPECT_EQ(n, MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                     out.data(), n));
  }
  return out;
}

std::string ToBytes(UINT codePage, const std::vector<WCHAR>& units, DWORD flags = 0,
                    BOOL* usedDefault = nullptr, const char* defaultChar = nullptr) {
  const int n = WideCharToMultiByte(codePage, flags, units.data(), static_cast<int>(units.size()),
                                    nullptr, 0, defaultChar, usedDefault);
  std::string out(static_cast<std::size_t>(n), '\0');
  if (n > 0) {
    EXPECT_EQ(n, WideCharToMultiByte(codePage, flags, units.data(), static_cast<int>(units.size()),
                                     out.data(), n, defaultChar, usedDefault));
  }
  return out;
}

TEST(CodePage, ShiftJisDecodesToUnicode) {
  struct Case {
    const char* label;
    std::string bytes;
    std::vector<WCHAR> units;
  } cases[] = {
      {"ascii", "Ab~\\", {'A', 'b', '~', '\\'}},
      {"hiragana a", "\x82\xA0", {0x3042}},
      {"kanji with 0x5C trail", "\x95\x5C", {0x8868}},
      {"half-width katakana", "\xB1", {0xFF71}},
      {"ideographic space", "\x81\x40", {0x3000}},
      {"wave dash code", "\x81\x60", {0xFF5E}},
      {"NEC row 13 numeral", "\x87\x54", {0x2160}},
      {"IBM extension", "\xFA\x40", {0x2170}},
      {"user-defined area", "\xF0\x40", {0xE000}},
      {"single 0xA0", "\xA0", {0xF8F0}},
      {"single 0xFF", "\xFF", {0xF8F3}},
      {"embedded zero", std::string("a\0b", 3), {'a', 0, 'b'}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToWide(CP_ACP, c.bytes), c.units) << c.label;
    EXPECT_EQ(ToBytes(932, c.units), c.bytes) << c.label;
  }
}

TEST(CodePage, InvalidShiftJisBecomesMiddleDotOrFails) {
  struct Case {
    const char* label;
    std::string bytes;
    std::vector<WCHAR> units;
  } cases[] = {
      {"unassigned pair", "\x85\x40", {0x30FB}},
      {"lead before space keeps the space", "\x81 ", {0x30FB, ' '}},
      {"lead before backslash keeps it", "\x81\x7F\\", {0x30FB, 0x7F, '\\'}},
      {"lone lead at the end", "a\x82", {'a', 0x30FB}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToWide(932, c.bytes), c.units) << c.label;
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, c.bytes.data(),
                                     static_cast<int>(c.bytes.size()), nullptr, 0))
        << c.label;
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError()) << c.label;
  }
}

TEST(CodePage, Utf8RoundTripsAndReplacesInvalidSequences) {
  const std::string text = "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80";
  EXPECT_EQ(ToWide(CP_UTF8, text), (std::vector<WCHAR>{'a', 0xE9, 0x3042, 0xD83D, 0xDE00}));
  EXPECT_EQ(ToBytes(CP_UTF8, ToWide(CP_UTF8, text)), text);

  struct Case {
    const char* label;
    std::string bytes;
    std::vector<WCHAR> units;
  } invalid[] = {
      {"stray continuation",
       "\x80"
       "a",
       {0xFFFD, 'a'}},
      {"truncated sequence", "\xE3\x81", {0xFFFD}},
      {"encoded surrogate", "\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},
      {"overlong", "\xC0\xAF", {0xFFFD, 0xFFFD}},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},
  };
  for (const auto& c : invalid) {
    EXPECT_EQ(ToWide(CP_UTF8, c.bytes), c.units) << c.label;
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(),
                                     static_cast<int>(c.bytes.size()), nullptr, 0))
        << c.label;
  }
}

TEST(CodePage, UnpairedSurrogates) {
  const std::vector<WCHAR> lone = {'x', 0xD800, 'y', 0xDC00};
  EXPECT_EQ(ToBytes(CP_UTF8, lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 4, nullptr, 0,
                                   nullptr, nullptr));
  EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
  BOOL used = 0;
  EXPECT_EQ(ToBytes(932, lone, 0, &used), "x?y?");
  EXPECT_TRUE(used);
  // A valid pair has no Shift-JIS form either: one default character per unit.
  EXPECT_EQ(ToBytes(932, {0xD83D, 0xDE00}), "??");
}

TEST(CodePage, DefaultCharacterAndBestFit) {
  BOOL used = 1;
  EXPECT_EQ(ToBytes(932, {'a', 0x3042}, 0, &used), "a\x82\xA0");
  EXPECT_FALSE(used);

  struct Case {
    const char* label;
    WCHAR unit;
    std::string bestFit;
  } cases[] = {
      {"e acute", 0xE9, "e"},    {"y diaeresis", 0xFF, "y"},        {"yen sign", 0xA5, "\\"},
      {"overline", 0x203E, "~"}, {"wave dash", 0x301C, "\x81\x60"}, {"euro", 0x20AC, "?"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToBytes(932, {c.unit}), c.bestFit) << c.label;
    used = 0;
    EXPECT_EQ(ToBytes(932, {c.unit}, WC_NO_BEST_FIT_CHARS, &used), "?") << c.label;
    EXPECT_TRUE(used) << c.label;
  }
  EXPECT_EQ(ToBytes(932, {0x20AC}, WC_NO_BEST_FIT_CHARS, nullptr, "\x81\x48"), "\x81\x48");
  EXPECT_EQ(ToBytes(932, {0x20AC}, 0, nullptr, "*"), "*");
}

TEST(CodePage, LengthsAndBuffers) {
  const char* text = "\x82\xA0z";
  EXPECT_EQ(3, MultiByteToWideChar(932, 0, text, -1, nullptr, 0));  // with the terminator
  WCHAR exact[3] = {1, 1, 1};
  EXPECT_EQ(3, MultiByteToWideChar(932, 0, text, -1, exact, 3));
  EXPECT_EQ(0, exact[2]);

  WCHAR small[2] = {7, 7};
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(932, 0, text, -1, small, 1));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(7, small[1]);  // nothing written past the given length

  const WCHAR wide[] = {0x3042, 'z', 0};
  EXPECT_EQ(4, WideCharToMultiByte(932, 0, wide, -1, nullptr, 0, nullptr, nullptr));
  char bytes[4] = {1, 1, 1, 1};
  EXPECT_EQ(0, WideCharToMultiByte(932, 0, wide, -1, bytes, 3, nullptr, nullptr));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(1, bytes[3]);

  struct BadCall {
    const char* label;
    UINT codePage;
    DWORD flags;
    int length;
    DWORD error;
  } bad[] = {
      {"zero length", 932, 0, 0, ERROR_INVALID_PARAMETER},
      {"negative length", 932, 0, -2, ERROR_INVALID_PARAMETER},
      {"unknown code page", 1252, 0, 1, ERROR_INVALID_PARAMETER},
      {"unknown flag", 932, 0x4, 1, ERROR_INVALID_FLAGS},
      {"precomposed with UTF-8", CP_UTF8, MB_PRECOMPOSED, 1, ERROR_INVALID_FLAGS},
  };
  for (const auto& b : bad) {
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(b.codePage, b.flags, "a", b.length, nullptr, 0)) << b.label;
    EXPECT_EQ(b.error, GetLastError()) << b.label;
  }
  BOOL used = 0;
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, &used));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

// Heap blocks of exactly the given size, so that a read past the end is caught by the
// address sanitizer.
TEST(CodePage, NeverReadsPastTheGivenLength) {
  struct Case {
    std::string bytes;
    int cp932Units;
    int utf8Units;
  } cases[] = {{"\x82", 1, 1}, {"a\x82", 2, 2}, {"\xE3\x81", 1, 1}};
  for (const auto& c : cases) {
    auto block = std::make_unique<char[]>(c.bytes.size());
    std::copy(c.bytes.begin(), c.bytes.end(), block.get());
    const int length = static_cast<int>(c.bytes.size());
    WCHAR out[4];
    EXPECT_EQ(c.cp932Units, MultiByteToWideChar(932, 0, block.get(), length, out, 4))
        << "size " << length;
    EXPECT_EQ(c.utf8Units, MultiByteToWideChar(CP_UTF8, 0, block.get(), length, out, 4))
        << "size " << length;
  }
  auto wide = std::make_unique<WCHAR[]>(1);
  wide[0] = 0xD800;
  char out[4];
  EXPECT_EQ(1, WideCharToMultiByte(932, 0, wide.get(), 1, out, 4, nullptr, nullptr));
  EXPECT_EQ(3, WideCharToMultiByte(CP_UTF8, 0, wide.get(), 1, out, 4, nullptr, nullptr));
}

// The round-trip table must agree with iconv's own Shift-JIS encoder wherever iconv's answer
// decodes back to the same character.
TEST(CodePage, ReverseTableAgreesWithIconv) {
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP932 in iconv";
  int checked = 0;
  for (unsigned u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    unsigned char in[2] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8)};
    unsigned char encoded[4];
    char* ip = reinterpret_cast<char*>(in);
    char* op = reinterpret_cast<char*>(encoded);
    std::size_t il = 2, ol = sizeof encoded;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) continue;
    const std::string bytes(reinterpret_cast<char*>(encoded), sizeof encoded - ol);
    const auto back = ToWide(932, bytes);
    if (back.size() != 1 || back[0] != u) continue;  // a best fit, not a round trip
    unsigned char ours[2];
    const int n = win32::detail::EncodeCp932Exact(static_cast<WCHAR>(u), ours);
    ASSERT_EQ(bytes, std::string(reinterpret_cast<char*>(ours), static_cast<std::size_t>(n)))
        << "at U+" << std::hex << u;
    ++checked;
  }
  iconv_close(cd);
  EXPECT_GT(checked, 7000);
}

TEST(CodePage, LeadBytesAndCharacterSteps) {
  for (int b = 0; b < 256; ++b) {
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(lead, IsDBCSLeadByte(static_cast<BYTE>(b)) != 0) << "at b=" << b;
    EXPECT_EQ(lead, IsDBCSLeadByteEx(932, static_cast<BYTE>(b)) != 0) << "at b=" << b;
    EXPECT_FALSE(IsDBCSLeadByteEx(CP_UTF8, static_cast<BYTE>(b))) << "at b=" << b;
  }
  const char text[] =
      "a\x95\x5C"
      "b\x82";  // a, kanji, b, lone lead before the terminator
  const char* p = text;
  std::vector<std::ptrdiff_t> steps;
  while (*p != 0) {
    p = CharNextA(p);
    steps.push_back(p - text);
  }
  EXPECT_EQ(steps, (std::vector<std::ptrdiff_t>{1, 3, 4, 5}));
  EXPECT_EQ(CharNextA(p), p);  // never past the terminator
  EXPECT_EQ(CharPrevA(text, text + 3) - text, 1);
  EXPECT_EQ(CharPrevA(text, text + 4) - text, 3);
  EXPECT_EQ(CharPrevA(text, text), text);
}

}  // namespace
