#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "gtest/gtest.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

using win32::testing::TempFolder;

void Put(const std::string& native, const std::string& data) {
  std::ofstream(native, std::ios::binary) << data;
}

std::string Slurp(const std::string& native) {
  std::ifstream in(native, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& native) {
  struct stat st {};
  return lstat(native.c_str(), &st) == 0;
}

TEST(FileSystem, Attributes) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  Put(dir.Native("plain"), "x");
  Put(dir.Native(".dot"), "x");
  mkdir(dir.Native("sub").c_str(), 0755);
  struct Case {
    const char* label;
    std::string path;
    DWORD attributes;
  } cases[] = {
      {"file", dir.Lib("plain"), FILE_ATTRIBUTE_ARCHIVE},
      {"dot file", dir.Lib(".dot"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
      {"folder", dir.Lib("sub"), FILE_ATTRIBUTE_DIRECTORY},
      {"folder with trailing separator", dir.Lib("sub") + "\\", FILE_ATTRIBUTE_DIRECTORY},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.attributes, GetFileAttributesA(c.path.c_str())) << c.label;

  struct Missing {
    const char* label;
    std::string path;
    DWORD error;
  } missing[] = {
      {"missing file", dir.Lib("nothing"), ERROR_FILE_NOT_FOUND},
      {"missing folder", dir.Lib("none\\x"), ERROR_PATH_NOT_FOUND},
      {"file as folder", dir.Lib("plain\\x"), ERROR_PATH_NOT_FOUND},
  };
  for (const auto& m : missing) {
    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m.path.c_str())) << m.label;
    EXPECT_EQ(m.error, GetLastError()) << m.label;
  }

  const std::string plain = dir.Lib("plain");
  ASSERT_TRUE(SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
            GetFileAttributesA(plain.c_str()));
  struct stat st {};
  stat(dir.Native("plain").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  // The hidden mark follows the file when it is renamed.
  ASSERT_TRUE(MoveFileA(plain.c_str(), dir.Lib("renamed").c_str()));
  EXPECT_TRUE(GetFileAttributesA(dir.Lib("renamed").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(SetFileAttributesA(dir.Lib("renamed").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA(dir.Lib("renamed").c_str()));
  stat(dir.Native("renamed").c_str(), &st);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  // Folders never become read-only: files could no longer be made in them.
  ASSERT_TRUE(SetFileAttributesA(dir.Lib("sub").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(dir.Lib("sub").c_str()));
}

TEST(FileSystem, DeleteMoveAndCopy) {
  TempFolder dir;
  Put(dir.Native("a"), "alpha");
  Put(dir.Native("b"), "beta");
  mkdir(dir.Native("d").c_str(), 0755);

  SetLastError(0);
  EXPECT_FALSE(MoveFileA(dir.Lib("a").c_str(), dir.Lib("b").c_str()));
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
  EXPECT_FALSE(MoveFileExA(dir.Lib("a").c_str(), dir.Lib("d").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  ASSERT_TRUE(MoveFileExA(dir.Lib("a").c_str(), dir.Lib("b").c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(Slurp(dir.Native("b")), "alpha");
  EXPECT_FALSE(Exists(dir.Native("a")));

  EXPECT_FALSE(CopyFileA(dir.Lib("b").c_str(), dir.Lib("b").c_str(), 0));  // onto itself
  EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_EQ(Slurp(dir.Native("b")), "alpha");
  chmod(dir.Native("b").c_str(), 0640);
  ASSERT_TRUE(CopyFileA(dir.Lib("b").c_str(), dir.Lib("c").c_str(), 1));
  EXPECT_EQ(Slurp(dir.Native("c")), "alpha");
  struct stat source {
  }, copy{};
  stat(dir.Native("b").c_str(), &source);
  stat(dir.Native("c").c_str(), &copy);
  EXPECT_EQ(copy.st_mode & 07777, 0640u);
  EXPECT_EQ(copy.st_mtim.tv_sec, source.st_mtim.tv_sec);
  EXPECT_FALSE(CopyFileA(dir.Lib("b").c_str(), dir.Lib("c").c_str(), 1));
  EXPECT_EQ(ERROR_FILE_EXISTS, GetLastError());
  EXPECT_FALSE(CopyFileA(dir.Lib("none").c_str(), dir.Lib("e").c_str(), 0));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_FALSE(Exists(dir.Native("e")));

  struct Refused {
    const char* label;
    std::string path;
    DWORD error;
  } refused[] = {
      {"missing", dir.Lib("none"), ERROR_FILE_NOT_FOUND},
      {"missing folder", dir.Lib("none\\x"), ERROR_PATH_NOT_FOUND},
      {"folder", dir.Lib("d"), ERROR_ACCESS_DENIED},
  };
  for (const auto& r : refused) {
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(r.path.c_str())) << r.label;
    EXPECT_EQ(r.error, GetLastError()) << r.label;
  }
  EXPECT_TRUE(DeleteFileA(dir.Lib("c").c_str()));
  EXPECT_FALSE(Exists(dir.Native("c")));
}

TEST(FileSystem, MoveAcrossFileSystems) {
  TempFolder disk;
  TempFolder memory("/dev/shm");
  struct stat a {
  }, b{};
  if (!memory.ok() || stat(disk.native().c_str(), &a) != 0 ||
      stat(memory.native().c_str(), &b) != 0 || a.st_dev == b.st_dev) {
    GTEST_SKIP() << "needs two file systems";
  }
  Put(disk.Native("f"), "moving");
  SetLastError(0);
  EXPECT_FALSE(MoveFileExA(disk.Lib("f").c_str(), memory.Lib("f").c_str(), 0));
  EXPECT_EQ(ERROR_NOT_SAME_DEVICE, GetLastError());
  ASSERT_TRUE(MoveFileA(disk.Lib("f").c_str(), memory.Lib("f").c_str()));
  EXPECT_EQ(Slurp(memory.Native("f")), "moving");
  EXPECT_FALSE(Exists(disk.Native("f")));
}

TEST(FileSystem, Folders) {
  TempFolder dir;
  const std::string sub = dir.Lib("sub");
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
  EXPECT_FALSE(CreateDirectoryA(dir.Lib("x\\y").c_str(), nullptr));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());

  Put(dir.Native("sub/f"), "");
  EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
  EXPECT_EQ(ERROR_DIR_NOT_EMPTY, GetLastError());
  EXPECT_FALSE(RemoveDirectoryA((sub + "\\f").c_str()));
  EXPECT_EQ(ERROR_DIRECTORY, GetLastError());
  EXPECT_TRUE(DeleteFileA((sub + "\\f").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(sub.c_str()));
  EXPECT_FALSE(Exists(dir.Native("sub")));
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
  EXPECT_EQ(length + 1, GetCurrentDirectoryA(3, buffer));  // the size needed

  const std::string work = dir.Lib("work");
  struct Case {
    const char* label;
    std::string name;
    std::string full;
    std::string filePart;
  } cases[] = {
      {"relative", "a.txt", work + "\\a.txt", "a.txt"},
      {"dots", "x\\.\\..\\..\\b", dir.Lib("b"), "b"},
      {"rooted", "\\tmp\\.\\c", "\\tmp\\c", "c"},
      {"drive kept", "C:\\one\\..\\two", "C:\\two", "two"},
      {"trailing separator", "C:\\one\\", "C:\\one\\", ""},
      {"above the root", "\\..\\..\\r", "\\r", "r"},
      {"drive alone", "D:", "D:\\", ""},
      {"unc", "\\\\srv\\share\\p\\..\\q", "\\\\srv\\share\\q", "q"},
      {"double-byte 0x5C trail", "\\\x95\x5C\\f", "\\\x95\x5C\\f", "f"},
  };
  for (const auto& c : cases) {
    char* part = reinterpret_cast<char*>(1);
    const DWORD n = GetFullPathNameA(c.name.c_str(), sizeof buffer, buffer, &part);
    EXPECT_EQ(std::string(buffer, n), c.full) << c.label;
    EXPECT_EQ(part == nullptr ? std::string() : std::string(part), c.filePart) << c.label;
  }
  EXPECT_EQ(work.size() + 7, GetFullPathNameA("a.txt", 4, buffer, nullptr));
  EXPECT_FALSE(SetCurrentDirectoryA(dir.Lib("none").c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  ASSERT_EQ(0, chdir(saved));
}

TEST(FileSystem, TemporaryNames) {
  TempFolder dir;
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous != nullptr ? previous : "";
  setenv("TMPDIR", dir.native().c_str(), 1);
  char path[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof path, path);
  EXPECT_EQ(std::string(path, length), dir.Lib() + "\\");
  EXPECT_EQ(length + 1, GetTempPathA(length, path));
  if (previous != nullptr) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }

  char name[MAX_PATH];
  const UINT first = GetTempFileNameA(dir.Lib().c_str(), "kzpaint", 0, name);
  ASSERT_NE(first, 0u);
  char expected[MAX_PATH];
  std::snprintf(expected, sizeof expected, "%s\\kzp%X.tmp", dir.Lib().c_str(), first);
  EXPECT_STREQ(name, expected);
  EXPECT_TRUE(Exists(win32::ToNativePath(name)));
  const UINT second = GetTempFileNameA((dir.Lib() + "\\").c_str(), "kzp", 0, name);
  EXPECT_NE(second, first);

  EXPECT_EQ(0xABCDEu,
            GetTempFileNameA(dir.Lib().c_str(), "\x82\xA0\x82\xA2\x82\xA4\x82\xA6", 0xABCDE, name));
  EXPECT_EQ(std::string(name), dir.Lib("\x82\xA0\x82\xA2\x82\xA4"
                                       "BCDE.tmp"));
  EXPECT_FALSE(Exists(win32::ToNativePath(name)));  // a given number only builds the name
  SetLastError(0);
  EXPECT_EQ(0u, GetTempFileNameA(dir.Lib("none").c_str(), "x", 0, name));
  EXPECT_EQ(ERROR_DIRECTORY, GetLastError());
}

}  // namespace
