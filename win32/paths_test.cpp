#include "win32/paths.h"

#include <tuple>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(Paths, LibraryFormToNativeAndBack) {
  // Rows: library form, native form, whether the native form converts back to the same text.
  const std::tuple<const char*, std::string, bool> cases[] = {
      {"C:\\work\\a.txt", "/work/a.txt", false},
      {"D:", "/", false},
      {"c:tmp", "/tmp", false},  // drive-relative
      {"\\tmp\\a b.txt", "/tmp/a b.txt", true},
      {"sub\\file", "sub/file", true},
      {"a/b", "a/b", false},                                         // slashes are kept
      {"\\\x95\x5C\\\x82\xA0", "/\xE8\xA1\xA8/\xE3\x81\x82", true},  // 0x5C trail: no separator
      {"\xB1", "\xEF\xBD\xB1", true},                                // half-width katakana
      {"", "", true},
  };
  for (const auto& [library, native, back] : cases) {
    EXPECT_EQ(win32::ToNativePath(library), native) << library;
    if (back) {
      EXPECT_EQ(win32::FromNativePath(native), library) << native;
    }
  }
  EXPECT_EQ(win32::ToNativePath(nullptr), "");
}

TEST(Paths, UnconvertibleTextFailsInsteadOfGuessing) {
  SetLastError(0);
  EXPECT_EQ(win32::ToNativePath("a\x85\x40"), "");  // an unassigned double-byte code
  EXPECT_EQ(ERROR_INVALID_NAME, GetLastError());
  SetLastError(0);
  EXPECT_EQ(win32::FromNativePath("/tmp/\xE2\x82\xAC"), "");  // the euro sign has no CP932 form
  EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
  EXPECT_EQ(win32::FromNativePath("/tmp/\xFF"), "");  // not UTF-8
}

}  // namespace
