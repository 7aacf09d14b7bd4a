#include "kz/foundation/kzstring.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

#include "kz/foundation/exception_testing.h"
#include "kz/foundation/kzstring_testing.h"
#include "tqwutl/memory_p.h"

using kz_testing::Hex;

namespace {

std::string Text(const KzString& s) { return std::string(static_cast<const char*>(s)); }

TEST(KzString, EditsMayUseTheirOwnTextAndStayInBounds) {
  KzString s("abcdef");
  s = static_cast<const char*>(s) + 2;
  s += s;
  s += static_cast<const char*>(s) + 6;
  EXPECT_EQ(Text(s), "cdefcdefef");
  s.SetLength(2);
  s.SetLength(4);
  EXPECT_EQ(std::string(static_cast<const char*>(s), 4), std::string("cd\0\0", 4));
  EXPECT_EQ(s.At(2), '\0');
  EXPECT_EQ(kzThrownCode([&] { s.At(3); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { static_cast<const KzString&>(s).At(-1); }), kKzErrorParameter);
  s.Format("%s%s", static_cast<const char*>(s), "!");
  EXPECT_EQ(Text(s), "cd!");
  s.Format("%5000d", 1);
  EXPECT_EQ(s.GetLength(), 5000);

  // GetStr never splits a character nor writes past the size.
  const std::tuple<const char*, int, const char*> cuts[] = {
      {"abc", 4, "abc"}, {"abcdef", 4, "abc"}, {"abc", 1, ""}, {"a\x82\xA0", 3, "a"}};
  for (const auto& [text, size, expected] : cuts) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    KzString(text).GetStr(buffer, size);
    EXPECT_STREQ(buffer, expected) << "at " << Hex(text) << "size " << size;
    EXPECT_EQ(buffer[size], '#') << "wrote past the size at " << Hex(text);
  }
  char pascal[300];  // 256 bytes at most
  std::memset(pascal, '#', sizeof pascal);
  KzString(std::string(300, 'x').c_str()).GetPascal(pascal);
  EXPECT_EQ(std::string(pascal, 257), "\xFF" + std::string(255, 'x') + "#");
}

TEST(KzString, CompareAndCaseAreDoubleByteAware) {
  EXPECT_GT(KzString("\x82\xA0").Compare("z"), 0) << "a double-byte character after a byte";
  EXPECT_EQ(KzString("ABC").CompareNoCase("abc"), 0);
  EXPECT_GT(KzString("\x82\x61").CompareNoCase("\x82\x41"), 0) << "trail bytes keep their case";
  // Trail bytes 'a' and 'A' stay, so does a lone lead byte at the end; half-width katakana is
  // single-byte.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"aBc1!", "ABC1!", "abc1!"},
      {"\x82\x61z", "\x82\x61Z", "\x82\x61z"},
      {"\x83\x41Q", "\x83\x41Q", "\x83\x41q"},
      {"a\x82", "A\x82", "a\x82"},
      {"\xB1x", "\xB1X", "\xB1x"}};
  for (const auto& [text, upper, lower] : cases) {
    KzString s(text);
    s.MakeUpper();
    EXPECT_EQ(Text(s), upper) << "at " << Hex(text);
    s = text;
    s.MakeLower();
    EXPECT_EQ(Text(s), lower) << "at " << Hex(text);
  }
  KzString s("\x95\x5C\\a\\");  // the trail byte of this character is a backslash
  s.Replace('\\', '/');
  EXPECT_EQ(Text(s), "\x95\x5C/a/");
  EXPECT_TRUE(s.IsDoubleByte(1) && !s.IsDoubleByte(2) && !s.IsDoubleByte(100));
}

TEST(KzString, FindReverseFindAndMid) {
  // Text, needle, start and case sensitivity; the results of Find and ReverseFind.
  const std::tuple<const char*, const char*, const char*, int, int, int, int> rows[] = {
      {"ignore case", "abc", "B", 0, 0, 1, 1},
      {"exact case", "abc", "B", 0, 1, -1, -1},
      {"start at last fit", "abcabc", "bc", 4, 1, 4, 4},
      {"start beyond last fit", "abcabc", "bc", 5, 1, -1, 4},
      {"negative start", "abca", "a", -3, 1, 0, 3},
      {"empty needle", "abc", "", 0, 1, -1, -1},
      {"trail byte is no match", "\x82zz", "z", 0, 1, 2, 2},
      {"trail byte ignoring case", "\x82zZ", "z", 0, 0, 2, 2},
      {"start inside a character", "\x82\x61\x82\x61", "\x82\x61", 1, 1, 2, 2},
      {"half a character", "\x82\xA0", "\x82", 0, 1, -1, -1},
  };
  for (const auto& [label, text, needle, start, caseSensitive, find, reverse] : rows) {
    const KzString s(text);
    EXPECT_EQ(s.Find(needle, start, caseSensitive), find) << "at " << label;
    EXPECT_EQ(s.ReverseFind(needle, caseSensitive), reverse) << "at " << label;
  }
  const std::tuple<int, int, const char*> mids[] = {
      {2, 100, "cdef"}, {10, 2, ""}, {-1, 2, "ab"},         {5, 1, "f"},
      {6, 1, ""},       {1, -3, ""}, {0, INT_MAX, "abcdef"}};
  KzString s("abcdef");
  for (const auto& [start, count, expected] : mids)
    EXPECT_STREQ(s.Mid(start, count), expected) << "at " << start << ", " << count;
  EXPECT_EQ(Text(s), "abcdef");
}

TEST(KzString, Numbers) {
  const std::pair<const char*, int> numbers[] = {
      {"", 1},   {"-12.5", 1}, {"1.2.3", 1},    {"1-2", 0}, {"12a", 0},
      {" 1", 0}, {"+1", 0},    {"\x82\x4F", 0}, {"1e5", 0}, {"-", 1}};
  for (const auto& [text, number] : numbers)
    EXPECT_EQ(KzString(text).IsNumber(), number) << "at \"" << text << "\"";
  EXPECT_EQ(KzString("99999999999").GetINT32(), INT_MAX);
  KzString s;
  s.SetNumber(-7, "%05d");
  s.AddNumber(4000000000u);
  EXPECT_EQ(Text(s), "-00074000000000");
  s.SetNumber(1e300, "%f");  // 301 digits and ".000000": cut to the 260-byte buffer
  EXPECT_EQ(s.GetLength(), 259);
  for (const char* format : {"%s", "%d %d", "none", "%ld", "%n", "%*d", "%f", "%", "%%"}) {
    KzString kept("keep");  // formats that do not suit the value
    EXPECT_EQ(kzThrownCode([&] { kept.SetNumber(1, format); }), kKzErrorParameter) << format;
    EXPECT_EQ(Text(kept), "keep") << format;
  }
  for (const char* format : {"%d", "%Lf", "%.*f", "%f%f"}) {
    EXPECT_EQ(kzThrownCode([&] { s.AddNumber(1.0, format); }), kKzErrorParameter) << format;
  }
}

TEST(KzString, ByteToStringAndConvertFileName) {
  // 1048575 bytes are 1023.999 KB, which "%4.1f" rounds up; then 1.5 GB and 10 TB.
  const std::pair<std::int64_t, const char*> sizes[] = {
      {1023, "1023 byte"},  {1024, " 1.0 KB"},       {1048575, "1024.0 KB"},
      {1048576, " 1.0 MB"}, {1610612736, " 1.5 GB"}, {10995116277760, "10.0 TB"}};
  for (const auto& [bytes, expected] : sizes) {
    KzString s("old");
    s.ByteToString(bytes);
    EXPECT_EQ(Text(s), expected) << "at " << bytes;
  }
  const std::pair<const char*, const char*> names[] = {
      {"a:b.txt", "\x61\x81\x46\x62\x81\x44\x74\x78\x74"},
      {"\\/:*?\"<>|.",
       "\x81\x8F\x81\x5E\x81\x46\x81\x96\x81\x48\x81\x68\x81\x83\x81\x84\x81\x62\x81\x44"},
      {"\x95\x5C", "\x95\x5C"},  // a double-byte character with a backslash trail stays
      {"a\x81", "a\x81"},        // lone lead byte at the end
  };
  for (const auto& [text, expected] : names) {
    KzString s(text);
    EXPECT_EQ(s.ConvertFileName(), 1);
    EXPECT_EQ(Text(s), expected) << "at " << Hex(text) << "got " << Hex(Text(s));
  }
}

// Every operation that allocates leaves the string as it was when the allocation fails (and
// the sanitizer run checks that nothing leaks).
TEST(KzString, AllocationFailureLeavesTheStringUnchanged) {
  const std::function<void(KzString&)> actions[] = {
      [](KzString& s) { s = "longer text"; },
      [](KzString& s) { s += "more"; },
      [](KzString& s) { s += 'x'; },
      [](KzString& s) { s.SetLength(40); },
      [](KzString& s) { s.Mid(1, 2); },
      [](KzString& s) { s.Format("%d", 12345); },
      [](KzString& s) { s.ConvertFileName(); },
      [](KzString& s) { s.AddNumber(5); },
  };
  for (size_t i = 0; i < std::size(actions); ++i) {
    KzString s("a:b.c");
    tqTestFailAllocations(0);
    const int code = kzThrownCode([&] { actions[i](s); });
    tqTestFailAllocations(-1);
    EXPECT_EQ(code, kKzErrorNotEnoughMemory) << "at action " << i;
    EXPECT_EQ(Text(s), "a:b.c") << "at action " << i;
  }
  tqTestFailAllocations(0);
  EXPECT_EQ(kzThrownCode([] { KzString s("x"); }), kKzErrorNotEnoughMemory);
  tqTestFailAllocations(-1);
}

}  // namespace
