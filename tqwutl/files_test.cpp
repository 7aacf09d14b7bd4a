#include "tqwutl/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tqwutl/tqwutl.h"
#include "win32/files_p.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

class Folder : public win32::testing::TempFolder {
 public:
  Folder() : TempFolder(std::getenv("TMPDIR")) {}
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Native(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Native(name), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
  }
};

// Opens with the share mode and codes the library passes for plain files.
int Open(const std::string& path, TQFILE* file, DWORD access, DWORD disposition, int* error) {
  return tqOpenFile(path.c_str(), file, access, 1, disposition, 0, 0x41414141, 0x41414141, error);
}

TEST(TqFiles, OpenFailuresGiveWin32CodesAndNoFile) {
  Folder folder;
  ASSERT_TRUE(folder.ok());
  folder.Write("there", "x");
  const struct {
    const char* label;
    std::string path;
    DWORD access, disposition;
    int code;
  } rows[] = {
      {"missing file", folder.Lib("missing"), GENERIC_READ, OPEN_EXISTING, 2},
      {"missing folder", folder.Lib("no\\such"), GENERIC_READ, OPEN_EXISTING, 3},
      {"creating over an existing file", folder.Lib("there"), GENERIC_WRITE, CREATE_NEW, 80},
      {"a folder", folder.Lib(), GENERIC_READ, OPEN_EXISTING, 5},
      {"unknown disposition", folder.Lib("there"), GENERIC_READ, 9, 87},
  };
  for (const auto& row : rows) {
    TQFILE file = 7;
    int error = -1;
    EXPECT_EQ(Open(row.path, &file, row.access, row.disposition, &error), 0) << row.label;
    EXPECT_EQ(error, row.code) << "at " << row.label;
    EXPECT_EQ(tqGetLastError(), row.code) << "at " << row.label;
    EXPECT_EQ(file, kTqNoFile) << "at " << row.label;
  }
}

TEST(TqFiles, WriteSeekReadSizeAndCutRoundTrip) {
  Folder folder;
  ASSERT_TRUE(folder.ok());
  TQFILE file = kTqNoFile;
  int error = -1;
  DWORD done = 0;
  ASSERT_TRUE(Open(folder.Lib("f"), &file, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, &error));
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(file != kTqNoFile && file != 0);
  ASSERT_TRUE(tqWriteFile(file, "0123456789", 10, &done, &error));
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(tqGetFileSize(file), 10);
  EXPECT_EQ(tqGetFilePointer(file), 10);
  ASSERT_TRUE(tqSeekFile(file, -4, FILE_END, &error));
  char buffer[16] = {};
  ASSERT_TRUE(tqReadFile(file, buffer, sizeof buffer, &done, &error));
  EXPECT_EQ(std::string(buffer, done), "6789") << "a read past the end returns what is there";
  ASSERT_TRUE(tqSeekFile(file, 3, FILE_BEGIN, &error) && tqSeekFile(file, 2, FILE_CURRENT, &error));
  ASSERT_TRUE(tqSetEndOfFile(file));
  EXPECT_EQ(tqGetFileSize(file), 5);
  ASSERT_TRUE(tqSeekFile(file, 8, FILE_BEGIN, &error) && tqSetEndOfFile(file));
  ASSERT_TRUE(tqCloseFile(file));
  EXPECT_EQ(folder.Read("f"), std::string("01234\0\0\0", 8));
}

TEST(TqFiles, FailedCallsReportTheirCodeAndChangeNothing) {
  Folder folder;
  ASSERT_TRUE(folder.ok());
  folder.Write("f", "abc");
  TQFILE reader = kTqNoFile;
  int error = -1;
  DWORD done = 99;
  ASSERT_TRUE(Open(folder.Lib("f"), &reader, GENERIC_READ, OPEN_EXISTING, &error));
  ASSERT_TRUE(tqSeekFile(reader, 1, FILE_BEGIN, &error));
  EXPECT_EQ(tqSeekFile(reader, -5, FILE_CURRENT, &error), 0);
  EXPECT_EQ(error, 131);
  EXPECT_EQ(tqSeekFile(reader, 0, 3, &error), 0);
  EXPECT_EQ(error, 87);
  EXPECT_EQ(tqGetFilePointer(reader), 1) << "failed seeks leave the position";
  EXPECT_EQ(tqWriteFile(reader, "x", 1, &done, &error), 0);
  EXPECT_EQ(error, 5);
  EXPECT_EQ(done, 0u);
  ASSERT_TRUE(tqCloseFile(reader));

  TQFILE writer = kTqNoFile;
  ASSERT_TRUE(Open(folder.Lib("f"), &writer, GENERIC_WRITE, OPEN_EXISTING, &error));
  win32::FailNextFileWrites(1, ERROR_HANDLE_DISK_FULL);
  EXPECT_EQ(tqWriteFile(writer, "xyz", 3, &done, &error), 0);
  EXPECT_EQ(error, 39);
  ASSERT_TRUE(tqCloseFile(writer));
  EXPECT_EQ(folder.Read("f"), "abc");
}

TEST(TqFiles, ClosedOrForeignNumbersFailWithInvalidHandle) {
  Folder folder;
  ASSERT_TRUE(folder.ok());
  folder.Write("f", "abc");
  TQFILE first = kTqNoFile, second = kTqNoFile;
  int error = -1;
  ASSERT_TRUE(Open(folder.Lib("f"), &first, GENERIC_READ, OPEN_EXISTING, &error));
  ASSERT_TRUE(tqCloseFile(first));
  ASSERT_TRUE(Open(folder.Lib("f"), &second, GENERIC_READ, OPEN_EXISTING, &error));
  EXPECT_NE(second, first) << "a closed number is not handed out again";
  char byte = 0;
  DWORD done = 0;
  for (TQFILE stale : {first, kTqNoFile, TQFILE{0}}) {
    EXPECT_EQ(tqReadFile(stale, &byte, 1, &done, &error), 0) << "at " << stale;
    EXPECT_EQ(error, 6) << "at " << stale;
    EXPECT_EQ(tqGetFileSize(stale), -1) << "at " << stale;
    EXPECT_EQ(tqGetFilePointer(stale), -1) << "at " << stale;
    EXPECT_EQ(tqCloseFile(stale), 0) << "at " << stale;
    EXPECT_EQ(tqGetLastError(), 6) << "at " << stale;
  }
  ASSERT_TRUE(tqCloseFile(second));
}

TEST(TqFiles, CreateFolderMakesEveryMissingLevel) {
  Folder folder;
  ASSERT_TRUE(folder.ok());
  ASSERT_TRUE(tqCreateFolder(folder.Lib("a\\b\\c\\").c_str()));
  EXPECT_NE(GetFileAttributesA(folder.Lib("a\\b\\c").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_TRUE(tqCreateFolder(folder.Lib("a\\b").c_str())) << "an existing folder is success";
  folder.Write("file", "x");
  EXPECT_EQ(tqCreateFolder(folder.Lib("file").c_str()), 0);
  EXPECT_EQ(tqGetLastError(), 183);
  EXPECT_EQ(tqCreateFolder(folder.Lib("file\\below").c_str()), 0) << "a file in the way";
  EXPECT_EQ(tqDeleteFile(folder.Lib("a").c_str()), 0) << "not a file";
  EXPECT_EQ(tqGetLastError(), 5);
}

}  // namespace
