#include <sys/stat.h>

#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "win32/file_system_p.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

using Names = std::vector<std::string>;

TEST(FindFiles, PatternRules) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"a.txt", "*.TXT", true},
      {"A.TXT", "a.t?t", true},
      {"a.txt", "*.tx", false},
      {"ab.txt", "?.txt", false},
      {"abc", "*.", true},
      {"a.b", "*.", false},
      {"a.b.c", "*.c", true},
      {"a.b.c", "a*b", false},
      {".", "*.txt", false},
      {"mississippi", "m*s*s*x", false},
      {"\xE8\xA1\xA8.txt", "?.txt", true},      // one character, three bytes
      {"\xEF\xBC\xA1", "\xEF\xBD\x81", false},  // full-width letters keep their case
  };
  for (const auto& [name, pattern, matches] : cases) {
    EXPECT_EQ(matches, win32::detail::MatchesPattern(name, pattern))
        << "name '" << name << "' pattern '" << pattern << "'";
  }
}

Names List(const std::string& pattern) {
  Names names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {  // folders marked with a trailing slash
    names.push_back(data.cFileName +
                    std::string(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "/" : ""));
  } while (FindNextFileA(h, &data));
  EXPECT_EQ(ERROR_NO_MORE_FILES, GetLastError());
  EXPECT_TRUE(FindClose(h));
  return names;
}

TEST(FindFiles, ListsSortedWithDotEntries) {
  win32::testing::TempFolder dir;
  ASSERT_TRUE(dir.ok());
  for (const char* name : {"b.txt", "A.txt", "c.dat", "\xE8\xA1\xA8.txt", "\xE2\x82\xAC.txt"}) {
    dir.Write(name, "12345");
  }
  mkdir(dir.Native("Sub").c_str(), 0755);
  // The euro sign has no Shift-JIS form: "?".
  EXPECT_EQ(List(dir.Lib("*")),
            (Names{"./", "../", "A.txt", "b.txt", "c.dat", "Sub/", "?.txt", "\x95\x5C.txt"}));
  EXPECT_EQ(List(dir.Lib("*.TXT")), (Names{"A.txt", "b.txt", "?.txt", "\x95\x5C.txt"}));

  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(dir.Lib("c.dat").c_str(), &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(data.nFileSizeLow == 5 && data.nFileSizeHigh == 0 && data.cAlternateFileName[0] == 0);
  EXPECT_TRUE(data.dwFileAttributes == FILE_ATTRIBUTE_ARCHIVE &&
              data.ftLastWriteTime.dwHighDateTime);
  FindClose(h);

  for (auto [pattern, error] : {std::pair{dir.Lib("*.none"), ERROR_FILE_NOT_FOUND},
                                {dir.Lib("none\\*"), ERROR_PATH_NOT_FOUND},
                                {dir.Lib() + "\\", ERROR_FILE_NOT_FOUND}}) {
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(pattern.c_str(), &data)) << pattern;
    EXPECT_EQ(error, GetLastError()) << pattern;
  }
}

}  // namespace
