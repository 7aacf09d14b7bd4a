#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <tuple>

#include "gtest/gtest.h"
#include "win32/scoped_env_testing.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

using win32::testing::TempFolder;

using Stat = struct stat;

TEST(FileSystem, Attributes) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  dir.Write("plain", "x");
  dir.Write(".dot", "x");
  mkdir(dir.Native("sub").c_str(), 0755);
  const std::tuple<std::string, DWORD, DWORD> cases[] = {
      {dir.Lib("plain"), FILE_ATTRIBUTE_ARCHIVE, 0},
      {dir.Lib(".dot"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, 0},
      {dir.Lib("sub"), FILE_ATTRIBUTE_DIRECTORY, 0},
      {dir.Lib("sub") + "\\", FILE_ATTRIBUTE_DIRECTORY, 0},
      {dir.Lib("nothing"), INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
      {dir.Lib("none\\x"), INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
      {dir.Lib("plain\\x"), INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& [path, attributes, error] : cases) {
    SetLastError(0);
    EXPECT_EQ(attributes, GetFileAttributesA(path.c_str())) << path;
    EXPECT_EQ(error, GetLastError()) << path;
  }
  const std::string plain = dir.Lib("plain");
  ASSERT_TRUE(SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
            GetFileAttributesA(plain.c_str()));
  // The hidden mark follows the file when it is renamed.
  ASSERT_TRUE(MoveFileA(plain.c_str(), dir.Lib("renamed").c_str()));
  EXPECT_TRUE(GetFileAttributesA(dir.Lib("renamed").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(SetFileAttributesA(dir.Lib("renamed").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA(dir.Lib("renamed").c_str()));
  // Folders never become read-only: files could no longer be made in them.
  ASSERT_TRUE(SetFileAttributesA(dir.Lib("sub").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(dir.Lib("sub").c_str()));
}

TEST(FileSystem, DeleteMoveCopyAndFolders) {
  TempFolder dir;
  dir.Write("a", "alpha");
  dir.Write("b", "beta");
  mkdir(dir.Native("d").c_str(), 0755);
  dir.Write("d/f", "");
  const std::string paths[] = {dir.Lib("a"),    dir.Lib("b"),       dir.Lib("c"),   dir.Lib("d"),
                               dir.Lib("none"), dir.Lib("none\\x"), dir.Lib("d\\f")};
  const char *a = paths[0].c_str(), *b = paths[1].c_str(), *c = paths[2].c_str();
  const char *d = paths[3].c_str(), *none = paths[4].c_str(), *inNone = paths[5].c_str();
  const char* inD = paths[6].c_str();
  // Calls that fail with a code and change nothing.
  const std::pair<std::function<BOOL()>, DWORD> refused[] = {
      {[&] { return MoveFileA(a, b); }, ERROR_ALREADY_EXISTS},
      {[&] { return MoveFileExA(a, d, MOVEFILE_REPLACE_EXISTING); }, ERROR_ACCESS_DENIED},
      {[&] { return CopyFileA(b, b, 0); }, ERROR_SHARING_VIOLATION},
      {[&] { return CopyFileA(a, b, 1); }, ERROR_FILE_EXISTS},
      {[&] { return CopyFileA(none, c, 0); }, ERROR_FILE_NOT_FOUND},
      {[&] { return DeleteFileA(none); }, ERROR_FILE_NOT_FOUND},
      {[&] { return DeleteFileA(inNone); }, ERROR_PATH_NOT_FOUND},
      {[&] { return DeleteFileA(d); }, ERROR_ACCESS_DENIED},
      {[&] { return CreateDirectoryA(d, nullptr); }, ERROR_ALREADY_EXISTS},
      {[&] { return CreateDirectoryA(inNone, nullptr); }, ERROR_PATH_NOT_FOUND},
      {[&] { return RemoveDirectoryA(d); }, ERROR_DIR_NOT_EMPTY},
      {[&] { return RemoveDirectoryA(inD); }, ERROR_DIRECTORY},
  };
  for (std::size_t i = 0; i < std::size(refused); ++i) {
    SetLastError(0);
    EXPECT_FALSE(refused[i].first()) << "row " << i;
    EXPECT_EQ(refused[i].second, GetLastError()) << "row " << i;
  }
  EXPECT_TRUE(dir.Read("a") == "alpha" && dir.Read("b") == "beta" && !dir.Exists("c"));

  ASSERT_TRUE(MoveFileExA(a, b, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_TRUE(dir.Read("b") == "alpha" && !dir.Exists("a"));
  chmod(dir.Native("b").c_str(), 0640);
  ASSERT_TRUE(CopyFileA(b, c, 1));
  Stat source{}, copy{};
  stat(dir.Native("b").c_str(), &source);
  stat(dir.Native("c").c_str(), &copy);
  EXPECT_TRUE(dir.Read("c") == "alpha" && (copy.st_mode & 07777) == 0640);
  EXPECT_EQ(copy.st_mtim.tv_sec, source.st_mtim.tv_sec);
  EXPECT_TRUE(DeleteFileA(c) && DeleteFileA(inD) && RemoveDirectoryA(d));
  EXPECT_FALSE(dir.Exists("c") || dir.Exists("d"));

  TempFolder memory("/dev/shm");
  Stat here{}, there{};
  if (memory.ok() && stat(dir.native().c_str(), &here) == 0 &&
      stat(memory.native().c_str(), &there) == 0 && here.st_dev != there.st_dev) {
    EXPECT_FALSE(MoveFileExA(b, memory.Lib("f").c_str(), 0));
    EXPECT_EQ(ERROR_NOT_SAME_DEVICE, GetLastError());
    ASSERT_TRUE(MoveFileA(b, memory.Lib("f").c_str())) << "copied across file systems";
    EXPECT_TRUE(memory.Read("f") == "alpha" && !dir.Exists("b"));
  }
}

TEST(FileSystem, CurrentFolderAndFullPaths) {
  TempFolder dir;
  mkdir(dir.Native("work").c_str(), 0755);
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.Lib("work").c_str()));
  char buffer[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  EXPECT_EQ(std::string(buffer, length), dir.Lib("work"));
  EXPECT_EQ(length + 1, GetCurrentDirectoryA(3, buffer)) << "the size needed";

  const std::string work = dir.Lib("work");
  // Rows: name, full path, the part after the last separator.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"a.txt", work + "\\a.txt", "a.txt"},
      {"x\\.\\..\\..\\b", dir.Lib("b"), "b"},
      {"\\tmp\\.\\c", "\\tmp\\c", "c"},
      {"C:\\one\\..\\two", "C:\\two", "two"},
      {"C:\\one\\", "C:\\one\\", ""},
      {"\\..\\..\\r", "\\r", "r"},
      {"D:", "D:\\", ""},
      {"\\\\srv\\share\\p\\..\\q", "\\\\srv\\share\\q", "q"},
      {"\\\x95\x5C\\f", "\\\x95\x5C\\f", "f"},  // a double-byte character with a 0x5C trail
  };
  for (const auto& [name, full, filePart] : cases) {
    char* part = reinterpret_cast<char*>(1);
    const DWORD n = GetFullPathNameA(name.c_str(), sizeof buffer, buffer, &part);
    EXPECT_EQ(std::string(buffer, n), full) << name;
    EXPECT_EQ(part == nullptr ? std::string() : std::string(part), filePart) << name;
  }
  EXPECT_EQ(work.size() + 7, GetFullPathNameA("a.txt", 4, buffer, nullptr));
  ASSERT_EQ(0, chdir(saved));
}

TEST(FileSystem, TemporaryNames) {
  TempFolder dir;
  char path[MAX_PATH];
  {
    win32::testing::ScopedEnv tmp("TMPDIR", dir.native().c_str());
    const DWORD length = GetTempPathA(sizeof path, path);
    EXPECT_EQ(std::string(path, length), dir.Lib() + "\\");
    EXPECT_EQ(length + 1, GetTempPathA(length, path));
  }
  const UINT first = GetTempFileNameA(dir.Lib().c_str(), "kzpaint", 0, path);
  ASSERT_NE(first, 0u);
  char expected[MAX_PATH];
  std::snprintf(expected, sizeof expected, "%s\\kzp%X.tmp", dir.Lib().c_str(), first);
  EXPECT_STREQ(path, expected);
  EXPECT_NE(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << "the file is made";
  EXPECT_NE(GetTempFileNameA((dir.Lib() + "\\").c_str(), "kzp", 0, path), first);
  // A given number only builds the name (of its low 16 bits); the prefix keeps three characters,
  // double-byte ones whole.
  const char* kana = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6";
  EXPECT_EQ(0xABCDEu, GetTempFileNameA(dir.Lib().c_str(), kana, 0xABCDE, path));
  EXPECT_EQ(std::string(path), dir.Lib(std::string(kana, 6) + "BCDE.tmp"));
  EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES);
  SetLastError(0);
  EXPECT_EQ(0u, GetTempFileNameA(dir.Lib("none").c_str(), "x", 0, path));
  EXPECT_EQ(ERROR_DIRECTORY, GetLastError());
}

}  // namespace
