#include "kz/foundation/wide_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring.h"
#include "kz/foundation/kzstring_testing.h"
#include "tqwutl/tqwutl.h"

using kz_testing::FailAllocations;
using kz_testing::Hex;
using kz_testing::ThrownCode;
using kz_testing::ToU16;
using kz_testing::Units;

namespace {

KzWideString Wide(std::u16string_view text) { return KzWideString(Units(text).data()); }
std::u16string U16(const KzWideString& s) { return ToU16(s); }

TEST(KzWideStringBasics, ConstructionAppendAndAccess) {
  EXPECT_EQ(U16(KzWideString("a\x82\xA0\xB1")), u"a\u3042\uFF71");
  EXPECT_EQ(U16(KzWideString(KzString("\x88\xEA"))), u"\u4E00");
  EXPECT_EQ(KzWideString(static_cast<const char*>(nullptr)).IsEmpty(), 1);

  KzWideString s = Wide(u"ab");
  s += "\x82\xA0";
  s += static_cast<unsigned short>(u'c');
  s += 'd';
  EXPECT_EQ(U16(s), u"ab\u3042cd");
  s += s;
  s = static_cast<const unsigned short*>(s) + 5;
  EXPECT_EQ(U16(s + Wide(u"!")), u"ab\u3042cd!");

  s.SetAt(u'X', 1);
  s.SetAt(u'Y', 5);  // ignored
  EXPECT_EQ(U16(s), u"aX\u3042cd");
  EXPECT_EQ(s.GetAt(5), 0);
  EXPECT_EQ(s.At(5), 0);
  EXPECT_EQ(ThrownCode([&] { s.At(6); }), kKzErrorParameter);
  EXPECT_EQ(KzWideString().At(0), 0);
}

TEST(KzWideStringCompare, OrderAndCase) {
  struct Row {
    std::u16string_view a;
    std::u16string_view b;
    int compare;  // signs
    int compareNoCase;
  } rows[] = {{u"abc", u"abc", 0, 0},
              {u"abc", u"ABC", 1, 0},
              {u"ab", u"abc", -1, -1},
              {u"\u3042", u"\u3044", -1, -1}};
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const Row& r : rows) {
    const KzWideString a = Wide(r.a);
    const std::vector<unsigned short> b = Units(r.b);
    EXPECT_EQ(sign(a.Compare(b.data())), r.compare) << "at row " << (&r - rows);
    EXPECT_EQ(sign(a.CompareNoCase(Wide(r.b))), r.compareNoCase) << "at row " << (&r - rows);
    EXPECT_EQ(b.data() < a, r.compare > 0) << "at row " << (&r - rows);
  }
}

TEST(KzWideStringSearch, FindReverseFindMid) {
  struct Row {
    std::u16string_view text;
    std::u16string_view needle;
    int start;
    int caseSensitive;
    int find;
    int reverse;
  } rows[] = {{u"abc", u"B", 0, 0, 1, 1},
              {u"abc", u"B", 0, 1, -1, -1},
              {u"abcabc", u"bc", 5, 1, -1, 4},
              {u"xyx", u"x", -2, 1, 0, 2},
              {u"\u3042a\u3042", u"\u3042", 1, 1, 2, 2},
              {u"abc", u"", 0, 1, -1, -1}};
  for (const Row& r : rows) {
    const KzWideString s = Wide(r.text);
    const std::vector<unsigned short> needle = Units(r.needle);
    EXPECT_EQ(s.Find(needle.data(), r.start, r.caseSensitive), r.find) << "at row " << (&r - rows);
    EXPECT_EQ(s.ReverseFind(needle.data(), r.caseSensitive), r.reverse) << "at row " << (&r - rows);
  }
  const KzWideString s = Wide(u"abcdef");
  EXPECT_EQ(U16(s.Mid(2, 100)), u"cdef");
  EXPECT_EQ(U16(s.Mid(10, 2)), u"");
  EXPECT_EQ(U16(s.Mid(4)), u"ef");

  KzWideString t = Wide(u"aB\u3042z");
  t.MakeUpper();
  EXPECT_EQ(U16(t), u"AB\u3042Z");
  t.MakeLower();
  t.Replace(u'\u3042', u'-');
  EXPECT_EQ(U16(t), u"ab-z");
}

TEST(KzWideStringFormat, Conversions) {
  const std::vector<unsigned short> kana = Units(u"\u3042\u3044");
  const unsigned short* k = kana.data();
  using Run = std::function<void(KzWideString&, const unsigned short*)>;
  struct Row {
    std::u16string_view format;
    Run run;
    std::u16string_view expected;
  } rows[] = {
      {u"[%s|%S|%hs]", [&](auto& s, auto f) { s.Format(f, k, "\x82\xA0", "b"); },
       u"[\u3042\u3044|\u3042|b]"},
      {u"%4s|%-4s|%.1s|", [&](auto& s, auto f) { s.Format(f, k, k, k); },
       u"  \u3042\u3044|\u3042\u3044  |\u3042|"},
      {u"%s", [](auto& s, auto f) { s.Format(f, nullptr); }, u"(null)"},
      {u"%c%C", [](auto& s, auto f) { s.Format(f, 0x3042, 'x'); }, u"\u3042x"},
      {u"%d %+d %05d %-3d|", [](auto& s, auto f) { s.Format(f, -5, 7, 42, 1); },
       u"-5 +7 00042 1  |"},
      {u"%u %x %X %#o", [](auto& s, auto f) { s.Format(f, 4000000000u, 255, 255, 8); },
       u"4000000000 ff FF 010"},
      {u"%ld %lu", [](auto& s, auto f) { s.Format(f, -1, 0xFFFFFFFFu); }, u"-1 4294967295"},
      {u"%lld %I64u", [](auto& s, auto f) { s.Format(f, -9000000000LL, ~0ULL); },
       u"-9000000000 18446744073709551615"},
      {u"%hd %hhu", [](auto& s, auto f) { s.Format(f, 70000, 257); }, u"4464 1"},
      {u"%.3f %e %g", [](auto& s, auto f) { s.Format(f, 3.14159, 1.5, 0.25); },
       u"3.142 1.500000e+00 0.25"},
      {u"[%*d|%-*d|%.*f]", [](auto& s, auto f) { s.Format(f, 4, 7, 3, 8, 2, 1.005); },
       u"[   7|8  |1.00]"},
      {u"100%%", [](auto& s, auto f) { s.Format(f); }, u"100%"},
  };
  for (const Row& r : rows) {
    KzWideString s = Wide(u"old");
    r.run(s, Units(r.format).data());
    EXPECT_EQ(U16(s), r.expected) << "at row " << (&r - rows);
  }
  for (std::u16string_view f : {u"%q", u"abc%", u"%Lf", u"%5000d", u"%.5000f"}) {
    KzWideString s = Wide(u"keep");
    EXPECT_EQ(ThrownCode([&] { s.Format(Units(f).data(), 1, 1.0); }), kKzErrorParameter)
        << "at a format of " << f.size() << " units";
    EXPECT_EQ(U16(s), u"keep");
  }
}

TEST(KzWideStringConvert, SwapEndianAndUTF8) {
  KzWideString s = Wide(u"\u0102\u3042");
  s.SwapEndian();
  EXPECT_EQ(U16(s), u"\u0201\u4230");
  KzWideString::SwapWideCharEndian(nullptr);

  KzString out("x");                                                // appended to, not replaced
  Wide(u"A\u00E9\u3042\U0001F600\u07FF\u0800").ConvertToUTF8(out);  // a surrogate pair inside
  EXPECT_EQ(std::string(static_cast<const char*>(out)),
            "x\x41\xC3\xA9\xE3\x81\x82\xED\xA0\xBD\xED\xB8\x80\xDF\xBF\xE0\xA0\x80")
      << Hex(static_cast<const char*>(out));
}

TEST(KzWideStringConvert, CodePageRoundTrip) {
  for (const char* text : {"plain", "\x82\xA0\x82\xA2\x88\xEA", "\xB1\xB2", "a\x95\\b", ""}) {
    KzWideString wide;
    ASSERT_EQ(KzString(text).ConvertAnsiToWide(wide), 1) << Hex(text);
    KzString back("junk");
    EXPECT_EQ(wide.ConvertWideToAnsi(back), 1) << Hex(text);
    EXPECT_STREQ(static_cast<const char*>(back), text) << Hex(text);

    unsigned short units[16];
    ASSERT_EQ(KzWideString::ConvertAnsiToWide(units, text, 16), 1) << Hex(text);
    EXPECT_EQ(ToU16(units), U16(wide)) << Hex(text);
    char bytes[16];
    ASSERT_EQ(KzWideString::ConvertWideToAnsi(bytes, units, 16), 1) << Hex(text);
    EXPECT_STREQ(bytes, text) << Hex(text);
  }
}

TEST(KzWideStringConvert, FailuresReportZero) {
  KzString out("junk");
  EXPECT_EQ(Wide(u"caf\u00E9").ConvertWideToAnsi(out), 0);  // no e-acute in the code page
  EXPECT_EQ(out.IsEmpty(), 1);
  char bytes[8];
  std::memset(bytes, '#', sizeof bytes);
  EXPECT_EQ(KzWideString::ConvertWideToAnsi(bytes, Units(u"abc").data(), 3), 0);  // no room
  EXPECT_EQ(bytes[3], '#');
  EXPECT_EQ(KzWideString::ConvertWideToAnsi(nullptr, Units(u"a").data(), 8), 0);
  unsigned short units[4] = {9, 9, 9, 9};
  EXPECT_EQ(KzWideString::ConvertAnsiToWide(units, "abc", 3), 0);  // no room for the zero
  EXPECT_EQ(units[3], 9);
}

TEST(KzWideStringLoad, LoadsAndConverts) {
  static int moduleTag;
  static const tagTQSTRINGRES kTable[] = {{3, "three", "\x82\xA0"}};
  auto* module = reinterpret_cast<HINSTANCE>(&moduleTag);
  tqRegisterStringTable(module, kTable, 1);
  tqSetLanguage(1041);
  KzWideString s;
  EXPECT_EQ(s.LoadStringA(3, 0, module), 1);
  tqSetLanguage(0);
  EXPECT_EQ(U16(s), u"\u3042");
}

TEST(KzWideStringFailure, AllocationFailureLeavesTheStringUnchanged) {
  const std::vector<unsigned short> other = Units(u"other");
  const std::function<void(KzWideString&)> actions[] = {
      [&](KzWideString& s) { s = other.data(); },
      [](KzWideString& s) { s += "more"; },
      [&](KzWideString& s) { s.Format(other.data()); },
      [](KzWideString& s) { s = s + s; },
  };
  for (size_t i = 0; i < std::size(actions); ++i) {
    KzWideString s = Wide(u"keep");
    int code = 0;
    {
      FailAllocations fail(0);
      code = ThrownCode([&] { actions[i](s); });
    }
    EXPECT_EQ(code, kKzErrorNotEnoughMemory) << "at action " << i;
    EXPECT_EQ(U16(s), u"keep") << "at action " << i;
  }
}

}  // namespace
