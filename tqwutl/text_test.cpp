#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>

#include "tqwutl/tqwutl.h"

TEST(DoubleByteCheck, FindsTrailBytesAndNeverReadsPastTheZero) {
  // a, [82 A0], x, [81 5C] (a trail byte that looks like a backslash), a lone lead byte last;
  // a run of lead bytes pairs up only when scanned from the start; 0xB1 is half-width kana.
  const char *mixed = "a\x82\xA0x\x81\x5C\x83", *leads = "\x81\x81\x81", *kana = "\xB1\x82\xA0";
  const std::tuple<const char*, int, bool> cases[] = {
      {mixed, 2, true},    {mixed, 3, false},   {mixed, 5, true},   {mixed, 6, false},
      {mixed, 7, false},   {mixed, 12, false},  {mixed, -1, false}, {leads, 1, true},
      {leads, 2, false},   {kana, 1, false},    {kana, 2, true},    {"\x80Z", 1, false},
      {"\x9FZ", 1, true},  {"\xA0Z", 1, false}, {"\xE0Z", 1, true}, {"\xFCZ", 1, true},
      {"\xFDZ", 1, false}, {"\x82", 1, false},  {"", 0, false},     {nullptr, 1, false}};
  for (const auto& [text, position, trail] : cases) {
    // Exactly sized heap copies: a sanitised build reports any read beyond them.
    std::unique_ptr<char[]> copy;
    if (text != nullptr) copy.reset(std::strcpy(new char[std::strlen(text) + 1], text));
    EXPECT_EQ(tqIsDoubleByteCheckEx(copy.get(), position) != 0, trail)
        << testing::PrintToString(text) << " at " << position;
  }
}

TEST(OnlyNumberString, DigitsOnly) {
  EXPECT_TRUE(tqIsOnlyNumberString("0123456789"));
  for (const char* text : {"", "12a", "-1", "1.5", "\x82\x4F", static_cast<const char*>(nullptr)}) {
    EXPECT_FALSE(tqIsOnlyNumberString(text)) << testing::PrintToString(text);
  }
}
