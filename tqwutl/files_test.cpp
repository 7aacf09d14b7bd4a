#include "tqwutl/files.h"

#include <gtest/gtest.h>

#include <string>

#include "tqwutl/tqwutl.h"
#include "win32/files_p.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

// Opens with the share mode and codes the library passes for plain files.
int Open(const std::string& path, TQFILE* file, DWORD access, DWORD disposition, int* error) {
  return tqOpenFile(path.c_str(), file, access, 1, disposition, 0, 0x41414141, 0x41414141, error);
}

TEST(TqFiles, CallsReportWin32CodesAndStaleNumbersFail) {
  win32::testing::TempFolder folder;
  TQFILE file = 7, reader = kTqNoFile;
  int error = -1;
  DWORD done = 0;
  char buffer[16] = {};
  EXPECT_EQ(Open(folder.Lib("none"), &file, GENERIC_READ, OPEN_EXISTING, &error), 0);
  EXPECT_TRUE(error == 2 && tqGetLastError() == 2 && file == kTqNoFile);
  ASSERT_TRUE(Open(folder.Lib("f"), &file, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, &error));
  ASSERT_TRUE(tqWriteFile(file, "0123456789", 10, &done, &error) && error == 0);
  ASSERT_TRUE(tqSeekFile(file, -4, FILE_END, &error));
  ASSERT_TRUE(tqReadFile(file, buffer, sizeof buffer, &done, &error));
  EXPECT_EQ(std::string(buffer, done), "6789") << "a read past the end returns what is there";
  ASSERT_TRUE(tqSeekFile(file, 3, FILE_BEGIN, &error) && tqSeekFile(file, 2, FILE_CURRENT, &error));
  EXPECT_TRUE(tqSeekFile(file, 0, 3, &error) == 0 && error == 87);
  EXPECT_EQ(tqGetFilePointer(file), 5) << "failed seeks leave the position";
  ASSERT_TRUE(tqSetEndOfFile(file) && tqGetFileSize(file) == 5);
  win32::FailNextFileWrites(1, ERROR_HANDLE_DISK_FULL);
  EXPECT_TRUE(tqWriteFile(file, "xyz", 3, &done, &error) == 0 && error == 39);
  ASSERT_TRUE(tqCloseFile(file));
  EXPECT_EQ(folder.Read("f"), "01234");

  ASSERT_TRUE(Open(folder.Lib("f"), &reader, GENERIC_READ, OPEN_EXISTING, &error));
  EXPECT_NE(reader, file) << "a closed number is not handed out again";
  EXPECT_TRUE(tqWriteFile(reader, "x", 1, &done, &error) == 0 && error == 5 && done == 0);
  for (TQFILE stale : {file, kTqNoFile, TQFILE{0}}) {
    EXPECT_TRUE(tqReadFile(stale, buffer, 1, &done, &error) == 0 && error == 6) << stale;
    EXPECT_TRUE(tqGetFileSize(stale) == -1 && !tqCloseFile(stale) && tqGetLastError() == 6)
        << stale;
  }
  ASSERT_TRUE(tqCloseFile(reader));

  ASSERT_TRUE(tqCreateFolder(folder.Lib("a\\b\\c\\").c_str())) << "every missing level is made";
  EXPECT_TRUE(tqCreateFolder(folder.Lib("a\\b").c_str())) << "an existing folder is success";
  folder.Write("a/f", "x");
  EXPECT_TRUE(tqCreateFolder(folder.Lib("a\\f").c_str()) == 0 && tqGetLastError() == 183);
  EXPECT_TRUE(tqDeleteFile(folder.Lib("a\\b").c_str()) == 0 && tqGetLastError() == 5);
  EXPECT_TRUE(tqDeleteFile(folder.Lib("a\\f").c_str()) && !folder.Exists("a/f"));
}

}  // namespace
