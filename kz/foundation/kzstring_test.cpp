#include "kz/foundation/kzstring.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring_testing.h"
#include "kz/foundation/window_state.h"
#include "tqwutl/tqwutl.h"

using kz_testing::FailAllocations;
using kz_testing::Hex;
using kz_testing::ThrownCode;

namespace {

std::string Text(const KzString& s) { return std::string(static_cast<const char*>(s)); }

TEST(KzStringBasics, EmptyStringsOwnAMarkedBlock) {
  KzString s;
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_EQ(s.IsEmpty(), 1);
  const char* text = s;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text[0], '\0');
  EXPECT_EQ(text[-1], 0x2D);  // the Pascal byte is not kept current
  EXPECT_EQ(KzString(static_cast<const char*>(nullptr)).IsEmpty(), 1);
}

TEST(KzStringBasics, AssignmentAndAppendMayUseTheirOwnText) {
  KzString s("abcdef");
  s = static_cast<const char*>(s) + 2;
  EXPECT_EQ(Text(s), "cdef");
  s += s;
  s += static_cast<const char*>(s) + 6;
  EXPECT_EQ(Text(s), "cdefcdefef");
  KzString& alias = s;
  s = alias;
  EXPECT_EQ(Text(s), "cdefcdefef");
  s = 'x';
  s += 'y';
  s += '\0';  // adds nothing
  EXPECT_EQ(Text(s), "xy");
}

TEST(KzStringBasics, SetLengthCutsOrZeroExtends) {
  KzString s("abcdef");
  s.SetLength(3);
  EXPECT_EQ(Text(s), "abc");
  s.SetLength(6);
  EXPECT_EQ(s.GetLength(), 3);  // added bytes are zero
  std::memcpy(static_cast<char*>(s) + 3, "xyz", 3);
  EXPECT_EQ(Text(s), "abcxyz");
}

TEST(KzStringBasics, AtGivesTheTerminatorAndThrowsBeyond) {
  KzString s("ab");
  EXPECT_EQ(s.At(2), '\0');
  EXPECT_EQ(ThrownCode([&] { s.At(3); }), kKzErrorParameter);
  EXPECT_EQ(ThrownCode([&] { s.At(-1); }), kKzErrorParameter);
  EXPECT_EQ(ThrownCode([&] { static_cast<const KzString&>(s).At(3); }), kKzErrorParameter);
  s[0] = 'x';
  EXPECT_EQ(Text(s), "xb");
}

TEST(KzStringBasics, GetStrCutsWithoutSplittingACharacter) {
  struct Row {
    const char* text;
    int size;
    const char* expected;
  } rows[] = {{"abc", 4, "abc"}, {"abcdef", 4, "abc"}, {"abc", 1, ""}, {"a\x82\xA0", 3, "a"}};
  for (const Row& r : rows) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    KzString(r.text).GetStr(buffer, r.size);
    EXPECT_STREQ(buffer, r.expected) << "at " << Hex(r.text) << "size " << r.size;
    EXPECT_EQ(buffer[r.size], '#') << "wrote past the size at " << Hex(r.text);
  }
  KzString("abc").GetStr(nullptr, 5);
}

TEST(KzStringCompare, MultibyteAwareOrder) {
  struct Row {
    const char* label;
    const char* a;
    const char* b;
    int compare;  // signs
    int compareNoCase;
  } rows[] = {
      {"equal", "abc", "abc", 0, 0},
      {"case", "ABC", "abc", -1, 0},
      {"prefix", "ab", "abc", -1, -1},
      {"double-byte after single-byte", "\x82\xA0", "z", 1, 1},
      {"trail byte letters keep their case", "\x82\x61", "\x82\x41", 1, 1},
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const Row& r : rows) {
    const KzString a(r.a);
    EXPECT_EQ(sign(a.Compare(KzString(r.b))), r.compare) << "at " << r.label;
    EXPECT_EQ(sign(a.CompareNoCase(r.b)), r.compareNoCase) << "at " << r.label;
    EXPECT_EQ(a == r.b, r.compare == 0) << "at " << r.label;
    EXPECT_EQ(r.b<a, r.compare> 0) << "at " << r.label;
    EXPECT_EQ(a >= KzString(r.b), r.compare >= 0) << "at " << r.label;
  }
}

TEST(KzStringSearch, FindAndReverseFind) {
  struct Row {
    const char* label;
    const char* text;
    const char* needle;
    int start;
    int caseSensitive;
    int find;
    int reverse;
  } rows[] = {
      {"ignore case", "abc", "B", 0, 0, 1, 1},
      {"exact case", "abc", "B", 0, 1, -1, -1},
      {"start", "abcabc", "bc", 2, 1, 4, 4},
      {"start at last fit", "abcabc", "bc", 4, 1, 4, 4},
      {"start beyond last fit", "abcabc", "bc", 5, 1, -1, 4},
      {"negative start", "abca", "a", -3, 1, 0, 3},
      {"empty needle", "abc", "", 0, 1, -1, -1},
      {"empty text", "", "a", 0, 1, -1, -1},
      {"needle too long", "abc", "abcd", 0, 1, -1, -1},
      {"trail byte is no match",
       "\x82\x61"
       "a",
       "a", 0, 1, 2, 2},
      {"trail byte ignoring case",
       "\x82\x61"
       "A",
       "a", 0, 0, 2, 2},
      {"only trail bytes", "\x82\x61\x82\x61", "a", 0, 1, -1, -1},
      {"start inside a character", "\x82\x61\x82\x61", "\x82\x61", 1, 1, 2, 2},
      {"half a character", "\x82\xA0", "\x82", 0, 1, -1, -1},
  };
  for (const Row& r : rows) {
    const KzString s(r.text);
    EXPECT_EQ(s.Find(r.needle, r.start, r.caseSensitive), r.find) << "at " << r.label;
    EXPECT_EQ(s.ReverseFind(r.needle, r.caseSensitive), r.reverse) << "at " << r.label;
  }
}

TEST(KzStringSearch, MidBounds) {
  struct Row {
    int start;
    int count;
    const char* expected;
  } rows[] = {{2, 100, "cdef"}, {10, 2, ""}, {0, 0, ""},  {-1, 2, "ab"},
              {5, 1, "f"},      {6, 1, ""},  {1, -3, ""}, {0, INT_MAX, "abcdef"}};
  KzString s("abcdef");
  for (const Row& r : rows) {
    EXPECT_STREQ(s.Mid(r.start, r.count), r.expected) << "at " << r.start << ", " << r.count;
  }
  EXPECT_EQ(Text(s), "abcdef");
}

TEST(KzStringCase, LettersChangeTrailBytesStay) {
  struct Row {
    const char* text;
    const char* upper;
    const char* lower;
  } rows[] = {
      {"aBc1!", "ABC1!", "abc1!"},
      {"\x82\x61z", "\x82\x61Z", "\x82\x61z"},  // trail byte 'a'
      {"\x83\x41Q", "\x83\x41Q", "\x83\x41q"},  // trail byte 'A'
      {"a\x82", "A\x82", "a\x82"},              // lone lead byte at the end
      {"\xB1x", "\xB1X", "\xB1x"},              // half-width katakana is single-byte
  };
  for (const Row& r : rows) {
    KzString upper(r.text);
    upper.MakeUpper();
    EXPECT_EQ(Text(upper), r.upper) << "at " << Hex(r.text);
    KzString lower(r.text);
    lower.MakeLower();
    EXPECT_EQ(Text(lower), r.lower) << "at " << Hex(r.text);
  }
  KzString s("\x95\x5C\\a\\");  // the trail byte of this character is a backslash
  s.Replace('\\', '/');
  EXPECT_EQ(Text(s), "\x95\x5C/a/");
  EXPECT_NE(s.IsDoubleByte(1), 0);
  EXPECT_EQ(s.IsDoubleByte(2), 0);
  EXPECT_EQ(s.IsDoubleByte(100), 0);
}

TEST(KzStringNumbers, IsNumber) {
  struct Row {
    const char* text;
    int expected;
  } rows[] = {{"", 1},  {"-12.5", 1}, {"1.2.3", 1}, {"1-2", 0},      {"12a", 0},
              {"-", 1}, {" 1", 0},    {"+1", 0},    {"\x82\x4F", 0}, {"1e5", 0}};
  for (const Row& r : rows) {
    EXPECT_EQ(KzString(r.text).IsNumber(), r.expected) << "at \"" << r.text << "\"";
  }
}

TEST(KzStringNumbers, SetAndAddNumber) {
  KzString s;
  s.SetNumber(-7, "%05d");
  s.AddNumber(4000000000u);
  EXPECT_EQ(Text(s), "-00074000000000");
  s.SetNumber(3.5f, "%.2f");
  s.AddNumber(0.25, " (%g)");
  EXPECT_EQ(Text(s), "3.50 (0.25)");
  s.SetNumber(1e300, "%f");  // 301 digits and ".000000": cut to the 260-byte buffer
  EXPECT_EQ(s.GetLength(), 259);
}

TEST(KzStringNumbers, FormatsThatDoNotSuitTheValueThrow) {
  for (const char* format : {"%s", "%d %d", "none", "%ld", "%n", "%*d", "%f", "%", "%%"}) {
    KzString s("keep");
    EXPECT_EQ(ThrownCode([&] { s.SetNumber(1, format); }), kKzErrorParameter) << format;
    EXPECT_EQ(Text(s), "keep") << format;
  }
  for (const char* format : {"%d", "%Lf", "%.*f", "%f%f"}) {
    KzString s("keep");
    EXPECT_EQ(ThrownCode([&] { s.AddNumber(1.0, format); }), kKzErrorParameter) << format;
  }
}

TEST(KzStringNumbers, ReadingNumbers) {
  struct Row {
    const char* text;
    int int32;
    double value;
  } rows[] = {{"123", 123, 123.0},
              {"", 0, 0.0},
              {"  -45x", -45, -45.0},
              {" 2.5", 2, 2.5},
              {"99999999999", INT_MAX, 99999999999.0},
              {"-99999999999", INT_MIN, -99999999999.0}};
  for (const Row& r : rows) {
    const KzString s(r.text);
    EXPECT_EQ(s.GetINT32(), r.int32) << "at \"" << r.text << "\"";
    EXPECT_DOUBLE_EQ(s.GetDOUBLE(), r.value) << "at \"" << r.text << "\"";
  }
  EXPECT_TRUE(std::isinf(KzString("1e39").GetFLOAT()));
}

TEST(KzStringFormat, FormatsAndMayReadItself) {
  KzString s;
  s.Format("%s-%d", "ab", 5);
  s.Format("%s%s", static_cast<const char*>(s), static_cast<const char*>(s));
  EXPECT_EQ(Text(s), "ab-5ab-5");
  s.Format("%5000d", 1);
  EXPECT_EQ(s.GetLength(), 5000);
  EXPECT_EQ(s.At(4999), '1');
}

TEST(KzStringFormat, ByteToString) {
  struct Row {
    std::int64_t bytes;
    const char* expected;
  } rows[] = {{0, "0 byte"},
              {1023, "1023 byte"},
              {1024, " 1.0 KB"},
              {1536, " 1.5 KB"},
              {1048575, "1024.0 KB"},  // 1023.999 rounds up in "%4.1f"
              {1048576, " 1.0 MB"},
              {std::int64_t{1} << 30, " 1.0 GB"},
              {std::int64_t{3} << 29, " 1.5 GB"},
              {std::int64_t{1} << 40, " 1.0 TB"},
              {std::int64_t{10} << 40, "10.0 TB"}};
  for (const Row& r : rows) {
    KzString s("old");
    s.ByteToString(r.bytes);
    EXPECT_EQ(Text(s), r.expected) << "at " << r.bytes;
  }
}

TEST(KzStringFormat, ConvertFileName) {
  struct Row {
    const char* text;
    const char* expected;
  } rows[] = {
      {"a:b.txt", "\x61\x81\x46\x62\x81\x44\x74\x78\x74"},
      {"\\/:*?\"<>|.",
       "\x81\x8F\x81\x5E\x81\x46\x81\x96\x81\x48\x81\x68\x81\x83\x81\x84\x81\x62\x81\x44"},
      {"\x95\x5C", "\x95\x5C"},  // a double-byte character with a backslash trail stays
      {"a\x81", "a\x81"},        // lone lead byte at the end
      {"name", "name"},
  };
  for (const Row& r : rows) {
    KzString s(r.text);
    EXPECT_EQ(s.ConvertFileName(), 1);
    EXPECT_EQ(Text(s), r.expected) << "at " << Hex(r.text) << "got " << Hex(Text(s));
  }
}

TEST(KzStringPascal, LengthByteAndCopies) {
  KzString s(std::string(300, 'x').c_str());
  EXPECT_EQ(static_cast<unsigned char>(s.GetPascal()[0]), 255);
  char out[300];
  std::memset(out, '#', sizeof out);
  s.GetPascal(out);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), 255);
  EXPECT_EQ(out[255], 'x');
  EXPECT_EQ(out[256], '#');  // 256 bytes at most
  EXPECT_EQ(s.GetLength(), 300);

  s.SetPascal(
      "\x03"
      "abcdef");
  EXPECT_EQ(Text(s), "abc");
  EXPECT_EQ(s.GetPascal()[0], 3);
  s.SetPascal(
      "\x05"
      "ab\0cd");
  EXPECT_EQ(Text(s), "ab");
  EXPECT_EQ(s.GetPascal()[0], 2);
  s = "again";
  EXPECT_EQ(static_cast<const char*>(s)[-1], 0x2D);
}

TEST(KzStringLoad, LoadsFromTheModuleOrTheInstance) {
  static int moduleTag;
  static const tagTQSTRINGRES kTable[] = {{1, "first", "\x88\xEA"}, {7, "seven %s", "7"}};
  auto* module = reinterpret_cast<HINSTANCE>(&moduleTag);
  tqRegisterStringTable(module, kTable, 2);
  tqSetLanguage(1033);
  KzString s("old");
  EXPECT_EQ(s.LoadStringA(1, 0, module), 5);
  EXPECT_EQ(Text(s), "first");
  EXPECT_EQ(s.LoadStringA(2, 0, module), 0);
  EXPECT_EQ(s.IsEmpty(), 1);
  const HINSTANCE previous = kzwSetInstanceHandle(module);
  s.LoadStringA(7);
  kzwSetInstanceHandle(previous);
  tqSetLanguage(0);
  EXPECT_EQ(Text(s), "seven %s");
}

// Every operation that allocates leaves the string as it was when the allocation fails (and
// the sanitizer run checks that nothing leaks).
TEST(KzStringFailure, AllocationFailureLeavesTheStringUnchanged) {
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
    int code = 0;
    {
      FailAllocations fail(0);
      code = ThrownCode([&] { actions[i](s); });
    }
    EXPECT_EQ(code, kKzErrorNotEnoughMemory) << "at action " << i;
    EXPECT_EQ(Text(s), "a:b.c") << "at action " << i;
  }
  FailAllocations fail(0);
  EXPECT_EQ(ThrownCode([] { KzString s("x"); }), kKzErrorNotEnoughMemory);
}

}  // namespace
