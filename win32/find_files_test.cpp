#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "win32/file_system_p.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

using win32::testing::TempFolder;

TEST(FindFiles, PatternRules) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"a.txt", "*", true},
      {"a.txt", "*.txt", true},
      {"a.txt", "*.TXT", true},
      {"A.TXT", "a.t?t", true},
      {"a.txt", "*.tx", false},
      {"a.txt", "?.txt", true},
      {"ab.txt", "?.txt", false},
      {"abc", "*.*", true},
      {"abc", "a*.*", true},
      {"abc", "*.", true},
      {"a.b", "*.", false},
      {"a.b.c", "*.c", true},
      {"a.b.c", "a*b", false},
      {"", "*", true},
      {".", "*", true},
      {".", "*.txt", false},
      {"mississippi", "*sip*", true},
      {"mississippi", "m*s*s*x", false},
      {"\xE8\xA1\xA8.txt", "?.txt", true},      // one character, three bytes
      {"\xEF\xBC\xA1", "\xEF\xBD\x81", false},  // full-width letters keep their case
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.matches, win32::detail::MatchesPattern(c.name, c.pattern))
        << "name '" << c.name << "' pattern '" << c.pattern << "'";
  }
}

std::vector<std::string> List(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileA(h, &data));
  EXPECT_EQ(ERROR_NO_MORE_FILES, GetLastError());
  EXPECT_TRUE(FindClose(h));
  return names;
}

TEST(FindFiles, ListsSortedWithDotEntries) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  for (const char* name : {"b.txt", "A.txt", "c.dat", "\xE8\xA1\xA8.txt", "\xE2\x82\xAC.txt"}) {
    std::ofstream(dir.Native(name)) << "12345";
  }
  mkdir(dir.Native("Sub").c_str(), 0755);
  EXPECT_EQ(List(dir.Lib("*")), (std::vector<std::string>{".", "..", "A.txt", "b.txt", "c.dat",
                                                          "Sub", "?.txt", "\x95\x5C.txt"}));
  EXPECT_EQ(List(dir.Lib("*.TXT")),
            (std::vector<std::string>{"A.txt", "b.txt", "?.txt", "\x95\x5C.txt"}));

  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(dir.Lib("c.dat").c_str(), &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_STREQ(data.cAlternateFileName, "");
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  FindClose(h);
  h = FindFirstFileA(dir.Lib("su?").c_str(), &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  FindClose(h);

  struct Failure {
    const char* label;
    std::string pattern;
    DWORD error;
  } failures[] = {
      {"no match", dir.Lib("*.none"), ERROR_FILE_NOT_FOUND},
      {"missing folder", dir.Lib("none\\*"), ERROR_PATH_NOT_FOUND},
      {"folder with separator", dir.Lib() + "\\", ERROR_FILE_NOT_FOUND},
  };
  for (const auto& f : failures) {
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(f.pattern.c_str(), &data)) << f.label;
    EXPECT_EQ(f.error, GetLastError()) << f.label;
  }
  HANDLE event = CreateEventA(nullptr, 0, 0, nullptr);
  EXPECT_FALSE(FindClose(event));  // not a search
  CloseHandle(event);
}

}  // namespace
