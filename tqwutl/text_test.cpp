#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tqwutl/tqwutl.h"

namespace {

TEST(DoubleByteCheck, PositionsInMixedText) {
  // a, [82 A0], b, [81 5C] (a trail byte that looks like a backslash), a lone lead byte last.
  const char* mixed =
      "a\x82\xA0"
      "b\x81\x5C\x83";
  const char* leads = "\x81\x81\x81";  // only a scan from the start can pair these
  const char* kana = "\xB1\x82\xA0";   // half-width katakana is single-byte
  const struct {
    const char* text;
    int position;
    bool trail;
  } cases[] = {
      {mixed, 0, false},  {mixed, 1, false},  {mixed, 2, true},  {mixed, 3, false},
      {mixed, 4, false},  {mixed, 5, true},   {mixed, 6, false}, {mixed, 7, false},
      {mixed, 12, false}, {mixed, -1, false}, {leads, 1, true},  {leads, 2, false},
      {kana, 1, false},   {kana, 2, true},    {"", 0, false},    {nullptr, 1, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tqIsDoubleByteCheckEx(c.text, c.position) != 0, c.trail)
        << "text \"" << (c.text ? c.text : "(null)") << "\" at position " << c.position;
  }
}

TEST(DoubleByteCheck, LeadByteRangeBoundaries) {
  const struct {
    int byte;
    bool lead;
  } cases[] = {{0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false},
               {0xDF, false}, {0xE0, true}, {0xFC, true}, {0xFD, false}};
  for (const auto& c : cases) {
    const char text[] = {static_cast<char>(c.byte), 'A', 0};
    EXPECT_EQ(tqIsDoubleByteCheckEx(text, 1) != 0, c.lead) << "byte 0x" << std::hex << c.byte;
  }
}

TEST(DoubleByteCheck, NeverReadsPastTheZero) {
  // Exactly sized heap copies: a sanitised build reports any read beyond them.
  for (const char* text : {"\x82", "a\x82", "\x82\xA0"}) {
    std::size_t size = std::strlen(text) + 1;
    auto copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), text, size);
    for (int position = 0; position < 8; ++position) {
      bool trail = position == 1 && size == 3 && text[0] == '\x82';
      EXPECT_EQ(tqIsDoubleByteCheckEx(copy.get(), position) != 0, trail)
          << "text of " << size - 1 << " bytes at position " << position;
    }
  }
}

TEST(OnlyNumberString, DigitsOnly) {
  const struct {
    const char* text;
    bool digits;
  } cases[] = {{"0", true},    {"0123456789", true}, {"", false},    {nullptr, false},
               {"12a", false}, {"-1", false},        {"1.5", false}, {"\x82\x4F", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(tqIsOnlyNumberString(c.text) != 0, c.digits)
        << "text \"" << (c.text ? c.text : "(null)") << "\"";
  }
}

}  // namespace
