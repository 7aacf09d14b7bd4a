#include "kz/foundation/wide_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/foundation/kzstring.h"
#include "kz/foundation/kzstring_testing.h"
#include "tqwutl/memory_p.h"

using kz_testing::Hex;
using kz_testing::ToU16;
using kz_testing::Units;

namespace {

KzWideString Wide(std::u16string_view text) { return KzWideString(Units(text).data()); }

template <typename... Args>
std::u16string Formatted(std::u16string_view format, Args... args) {
  KzWideString s = Wide(u"old");
  s.Format(Units(format).data(), args...);
  return ToU16(s);
}

TEST(KzWideString, EditsSearchesAndBounds) {
  KzWideString s = Wide(u"ab");
  s += "\x82\xA0";  // code-page text is converted
  s += 'c';
  s += s;
  s = static_cast<const unsigned short*>(s) + 4;
  EXPECT_EQ(ToU16(s), u"ab\u3042c");
  s.SetAt(u'X', 1);
  s.SetAt(u'Y', 4);  // ignored
  EXPECT_EQ(ToU16(s), u"aX\u3042c");
  EXPECT_EQ(s.At(4), 0);
  EXPECT_EQ(kzThrownCode([&] { s.At(5); }), kKzErrorParameter);
  EXPECT_EQ(ToU16(s.Mid(2, 100)), u"\u3042c");

  const KzWideString abc = Wide(u"abcabc");
  EXPECT_EQ(abc.Find(Units(u"B").data(), 0, 0), 1);
  EXPECT_EQ(abc.Find(Units(u"B").data(), 0, 1), -1);
  EXPECT_EQ(abc.Find(Units(u"bc").data(), 5, 1), -1) << "beyond the last fit";
  EXPECT_EQ(abc.Find(Units(u"a").data(), -2, 1), 0) << "a negative start counts as 0";
  EXPECT_EQ(abc.Find(Units(u"").data(), 0, 1), -1);
  EXPECT_EQ(abc.ReverseFind(Units(u"bc").data(), 1), 4);
}

TEST(KzWideString, Format) {
  const std::vector<unsigned short> kana = Units(u"\u3042\u3044");
  const unsigned short* k = kana.data();
  EXPECT_EQ(Formatted(u"[%s|%S|%hs]", k, "\x82\xA0", "b"), u"[\u3042\u3044|\u3042|b]");
  EXPECT_EQ(Formatted(u"%4s|%-4s|%.1s|", k, k, k), u"  \u3042\u3044|\u3042\u3044  |\u3042|");
  EXPECT_EQ(Formatted(u"%s", nullptr), u"(null)");
  EXPECT_EQ(Formatted(u"%c%C %hd %hhu", 0x3042, 'x', 70000, 257), u"\u3042x 4464 1");
  EXPECT_EQ(Formatted(u"%+d %05d %-3d|%#o", 7, -42, 1, 8), u"+7 -0042 1  |010");
  EXPECT_EQ(Formatted(u"%lu %lld %I64u", 0xFFFFFFFFu, -9000000000LL, ~0ULL),
            u"4294967295 -9000000000 18446744073709551615");
  EXPECT_EQ(Formatted(u"[%*d|%-*d|%.*f]%%", 4, 7, 3, 8, 2, 1.005), u"[   7|8  |1.00]%");
  for (std::u16string_view f : {u"%q", u"abc%", u"%Lf", u"%5000d", u"%.5000f"}) {
    KzWideString s = Wide(u"keep");
    EXPECT_EQ(kzThrownCode([&] { s.Format(Units(f).data(), 1, 1.0); }), kKzErrorParameter)
        << "at a format of " << f.size() << " units";
    EXPECT_EQ(ToU16(s), u"keep");
  }
}

TEST(KzWideString, Conversions) {
  KzString utf8("x");                                                // appended to, not replaced
  Wide(u"A\u00E9\u3042\U0001F600\u07FF\u0800").ConvertToUTF8(utf8);  // a surrogate pair inside
  EXPECT_EQ(std::string(static_cast<const char*>(utf8)),
            "x\x41\xC3\xA9\xE3\x81\x82\xED\xA0\xBD\xED\xB8\x80\xDF\xBF\xE0\xA0\x80")
      << Hex(static_cast<const char*>(utf8));

  for (const char* text : {"plain", "\x82\xA0\x82\xA2\x88\xEA", "\xB1\xB2", "a\x95\\b", ""}) {
    KzWideString wide;
    ASSERT_EQ(KzString(text).ConvertAnsiToWide(wide), 1) << Hex(text);
    KzString back("junk");
    EXPECT_EQ(wide.ConvertWideToAnsi(back), 1) << Hex(text);
    EXPECT_STREQ(static_cast<const char*>(back), text) << Hex(text);
    unsigned short units[16];
    ASSERT_EQ(KzWideString::ConvertAnsiToWide(units, text, 16), 1) << Hex(text);
    EXPECT_EQ(ToU16(units), ToU16(wide)) << Hex(text);
  }
  EXPECT_EQ(ToU16(KzWideString("a\x82\xA0\xB1")), u"a\u3042\uFF71");

  KzString out("junk");  // failures report 0 and write nothing past the room given
  EXPECT_EQ(Wide(u"caf\u00E9").ConvertWideToAnsi(out), 0);  // no e-acute in the code page
  EXPECT_EQ(out.IsEmpty(), 1);
  char bytes[8];
  std::memset(bytes, '#', sizeof bytes);
  EXPECT_EQ(KzWideString::ConvertWideToAnsi(bytes, Units(u"abc").data(), 3), 0);
  EXPECT_EQ(bytes[3], '#');
  EXPECT_EQ(KzWideString::ConvertWideToAnsi(nullptr, Units(u"a").data(), 8), 0);
  unsigned short units[4] = {9, 9, 9, 9};
  EXPECT_EQ(KzWideString::ConvertAnsiToWide(units, "abc", 3), 0);  // no room for the zero
  EXPECT_EQ(units[3], 9);
}

TEST(KzWideString, AllocationFailureLeavesTheStringUnchanged) {
  const std::vector<unsigned short> other = Units(u"other");
  const std::function<void(KzWideString&)> actions[] = {
      [&](KzWideString& s) { s = other.data(); },
      [](KzWideString& s) { s += "more"; },
      [&](KzWideString& s) { s.Format(other.data()); },
      [](KzWideString& s) { s = s + s; },
  };
  for (const auto& action : actions) {
    KzWideString s = Wide(u"keep");
    tqTestFailAllocations(0);
    const int code = kzThrownCode([&] { action(s); });
    tqTestFailAllocations(-1);
    EXPECT_EQ(code, kKzErrorNotEnoughMemory) << "at action " << (&action - actions);
    EXPECT_EQ(ToU16(s), u"keep") << "at action " << (&action - actions);
  }
}

}  // namespace
