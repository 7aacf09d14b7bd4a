#include "win32/paths.h"

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(Paths, LibraryFormToNative) {
  struct Case {
    const char* label;
    const char* library;
    std::string native;
  } cases[] = {
      {"drive and folders", "C:\\work\\a.txt", "/work/a.txt"},
      {"drive alone", "D:", "/"},
      {"drive-relative", "c:tmp", "/tmp"},
      {"rooted", "\\tmp\\x", "/tmp/x"},
      {"relative", "sub\\file", "sub/file"},
      {"slashes kept", "a/b", "a/b"},
      {"0x5C trail byte is no separator", "\\\x95\x5C\\x", "/\xE8\xA1\xA8/x"},
      {"half-width katakana", "\xB1", "\xEF\xBD\xB1"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(win32::ToNativePath(c.library), c.native) << c.label;
  EXPECT_EQ(win32::ToNativePath(nullptr), "");
}

TEST(Paths, NativeToLibraryForm) {
  struct Case {
    const char* label;
    std::string native;
    std::string library;
  } cases[] = {
      {"absolute", "/tmp/a b.txt", "\\tmp\\a b.txt"},
      {"japanese", "/\xE8\xA1\xA8/\xE3\x81\x82", "\\\x95\x5C\\\x82\xA0"},
      {"relative", "x/y", "x\\y"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(win32::FromNativePath(c.native), c.library) << c.label;
    EXPECT_EQ(win32::ToNativePath(c.library.c_str()), c.native) << c.label << " back";
  }
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
