#include <iconv.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "win32/code_page_p.h"
#include "win32/win32.h"

namespace {

using Units = std::vector<WCHAR>;

// Converts with a measuring call first, as callers do; the second call must agree with it.
Units ToWide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
  const int length = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  Units out(static_cast<std::size_t>(n));
  if (n > 0) {
    EXPECT_EQ(n, MultiByteToWideChar(codePage, flags, bytes.data(), length, out.data(), n));
  }
  return out;
}

std::string ToBytes(UINT codePage, const Units& units, DWORD flags = 0, BOOL* usedDefault = nullptr,
                    const char* defaultChar = nullptr) {
  const int length = static_cast<int>(units.size());
  const int n = WideCharToMultiByte(codePage, flags, units.data(), length, nullptr, 0, defaultChar,
                                    usedDefault);
  std::string out(static_cast<std::size_t>(n), '\0');
  if (n > 0) {
    EXPECT_EQ(n, WideCharToMultiByte(codePage, flags, units.data(), length, out.data(), n,
                                     defaultChar, usedDefault));
  }
  return out;
}

TEST(CodePage, ShiftJisRoundTrips) {
  const std::tuple<const char*, std::string, Units> cases[] = {
      {"ascii", "Ab~\\", {'A', 'b', '~', '\\'}},
      {"kanji with 0x5C trail", "\x95\x5C", {0x8868}},
      {"half-width katakana", "\xB1", {0xFF71}},
      {"wave dash code", "\x81\x60", {0xFF5E}},
      {"NEC row 13 numeral", "\x87\x54", {0x2160}},
      {"IBM extension", "\xFA\x40", {0x2170}},
      {"user-defined area", "\xF0\x40", {0xE000}},
      {"single 0xA0", "\xA0", {0xF8F0}},
      {"embedded zero", std::string("a\0b", 3), {'a', 0, 'b'}},
  };
  for (const auto& [label, bytes, units] : cases) {
    EXPECT_EQ(ToWide(CP_ACP, bytes), units) << label;
    EXPECT_EQ(ToBytes(932, units), bytes) << label;
  }
}

TEST(CodePage, InvalidInputBecomesMiddleDotOrFails) {
  const std::tuple<UINT, const char*, std::string, Units> cases[] = {
      {932, "unassigned pair", "\x85\x40", {0x30FB}},
      {932, "lead before space keeps the space", "\x81 ", {0x30FB, ' '}},
      {932, "lead before backslash keeps it", "\x81\x7F\\", {0x30FB, 0x7F, '\\'}},
      {932, "lone lead at the end", "a\x82", {'a', 0x30FB}},
      {CP_UTF8, "stray continuation", "\x80z", {0xFFFD, 'z'}},
      {CP_UTF8, "truncated sequence", "\xE3\x81", {0xFFFD}},
      {CP_UTF8, "overlong", "\xC0\xAF", {0xFFFD, 0xFFFD}},
  };
  for (const auto& [codePage, label, bytes, units] : cases) {
    EXPECT_EQ(ToWide(codePage, bytes), units) << label;
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, 0))
        << label;
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError()) << label;
  }
  const std::string text = "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80";
  EXPECT_EQ(ToWide(CP_UTF8, text), (Units{'a', 0xE9, 0x3042, 0xD83D, 0xDE00}));
  EXPECT_EQ(ToBytes(CP_UTF8, ToWide(CP_UTF8, text)), text);
}

TEST(CodePage, DefaultCharacterBestFitAndSurrogates) {
  BOOL used = 1;
  EXPECT_EQ(ToBytes(932, {'a', 0x3042}, 0, &used), "a\x82\xA0");
  EXPECT_FALSE(used);
  // Rows: a character without a Shift-JIS form and its best fit.
  const std::pair<WCHAR, std::string> cases[] = {
      {0xE9, "e"}, {0xA5, "\\"}, {0x203E, "~"}, {0x301C, "\x81\x60"}, {0x20AC, "?"}};
  for (const auto& [unit, bestFit] : cases) {
    EXPECT_EQ(ToBytes(932, {unit}), bestFit) << "at U+" << std::hex << unit;
    used = 0;
    EXPECT_TRUE(ToBytes(932, {unit}, WC_NO_BEST_FIT_CHARS, &used) == "?" && used) << unit;
  }
  EXPECT_EQ(ToBytes(932, {0x20AC}, WC_NO_BEST_FIT_CHARS, nullptr, "\x81\x48"), "\x81\x48");
  const Units lone = {'x', 0xD800, 'y', 0xDC00};
  EXPECT_EQ(ToBytes(CP_UTF8, lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 4, nullptr, 0,
                                   nullptr, nullptr));
  EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
  used = 0;
  EXPECT_TRUE(ToBytes(932, lone, 0, &used) == "x?y?" && used);
  EXPECT_EQ(ToBytes(932, {0xD83D, 0xDE00}), "??") << "a pair has no Shift-JIS form either";
}

TEST(CodePage, LengthsAndBuffersAreKept) {
  const char* text = "\x82\xA0z";
  EXPECT_EQ(3, MultiByteToWideChar(932, 0, text, -1, nullptr, 0));  // with the terminator
  WCHAR wide[3] = {7, 7, 7};
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(932, 0, text, -1, wide, 1));
  EXPECT_TRUE(GetLastError() == ERROR_INSUFFICIENT_BUFFER && wide[1] == 7) << "nothing past it";
  EXPECT_TRUE(MultiByteToWideChar(932, 0, text, -1, wide, 3) == 3 && wide[2] == 0);
  char bytes[4] = {1, 1, 1, 1};
  EXPECT_EQ(4, WideCharToMultiByte(932, 0, wide, -1, nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(0, WideCharToMultiByte(932, 0, wide, -1, bytes, 3, nullptr, nullptr));
  EXPECT_TRUE(GetLastError() == ERROR_INSUFFICIENT_BUFFER && bytes[3] == 1);
  // Rows: code page, flags, length, error: zero and negative lengths, an unknown code page, an
  // unknown flag, a flag UTF-8 does not take.
  const std::tuple<UINT, DWORD, int, DWORD> bad[] = {
      {932, 0, 0, ERROR_INVALID_PARAMETER},
      {932, 0, -2, ERROR_INVALID_PARAMETER},
      {1252, 0, 1, ERROR_INVALID_PARAMETER},
      {932, 0x4, 1, ERROR_INVALID_FLAGS},
      {CP_UTF8, MB_PRECOMPOSED, 1, ERROR_INVALID_FLAGS}};
  for (const auto& [codePage, flags, length, error] : bad) {
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(codePage, flags, "a", length, nullptr, 0)) << codePage;
    EXPECT_EQ(error, GetLastError()) << codePage << " flags " << flags << " length " << length;
  }
  // Exactly sized heap blocks: a sanitised build reports any read past their ends.
  // Rows: bytes, units from Shift-JIS, units from UTF-8.
  const std::tuple<std::string, int, int> unfinished[] = {
      {"\x82", 1, 1}, {"a\x82", 2, 2}, {"\xE3\x81", 1, 1}};
  for (const auto& [input, cp932Units, utf8Units] : unfinished) {
    auto block = std::make_unique<char[]>(input.size());
    std::copy(input.begin(), input.end(), block.get());
    const int length = static_cast<int>(input.size());
    WCHAR out[4];
    EXPECT_EQ(cp932Units, MultiByteToWideChar(932, 0, block.get(), length, out, 4)) << length;
    EXPECT_EQ(utf8Units, MultiByteToWideChar(CP_UTF8, 0, block.get(), length, out, 4)) << length;
  }
  auto surrogate = std::make_unique<WCHAR[]>(1);
  surrogate[0] = 0xD800;
  EXPECT_EQ(1, WideCharToMultiByte(932, 0, surrogate.get(), 1, bytes, 4, nullptr, nullptr));
  EXPECT_EQ(3, WideCharToMultiByte(CP_UTF8, 0, surrogate.get(), 1, bytes, 4, nullptr, nullptr));
}

// The round-trip table must agree with iconv's own Shift-JIS encoder wherever iconv's answer
// decodes back to the same character.
TEST(CodePage, ReverseTableAgreesWithIconv) {
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP932 in iconv";
  int checked = 0;
  for (unsigned u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    char in[2] = {static_cast<char>(u), static_cast<char>(u >> 8)}, encoded[4];
    char *ip = in, *op = encoded;
    std::size_t il = 2, ol = sizeof encoded;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) continue;
    const std::string bytes(encoded, sizeof encoded - ol);
    if (ToWide(932, bytes) != Units{static_cast<WCHAR>(u)}) continue;  // a best fit
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
  const char text[] = "a\x95\x5Cz\x82";  // a, kanji, z, lone lead before the terminator
  EXPECT_TRUE(CharNextA(text + 1) == text + 3 && CharNextA(text + 4) == text + 5);
  EXPECT_EQ(CharNextA(text + 5), text + 5) << "never past the terminator";
  EXPECT_TRUE(CharPrevA(text, text + 3) == text + 1 && CharPrevA(text, text + 4) == text + 3);
}

}  // namespace
