#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "gtest/gtest.h"
#include "win32/files_p.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

using win32::testing::TempFolder;

HANDLE Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags = 0) {
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                     flags | FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(FileIo, Dispositions) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  // Rows: disposition, whether the file exists, whether it opens, the last error, the content.
  const std::tuple<DWORD, bool, bool, DWORD, std::string> cases[] = {
      {CREATE_NEW, false, true, 0, ""},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_ALWAYS, false, true, 0, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
      {OPEN_EXISTING, true, true, 0, "old"},
      {OPEN_ALWAYS, false, true, 0, ""},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
      {TRUNCATE_EXISTING, true, true, 0, ""},
      {0, true, false, ERROR_INVALID_PARAMETER, "old"},
  };
  for (const auto& [disposition, exists, opens, error, content] : cases) {
    const std::string name = std::to_string(disposition) + (exists ? "-on-a-file" : "-on-nothing");
    if (exists) dir.Write(name, "old");
    SetLastError(12345);
    HANDLE h = Open(dir.Lib(name), GENERIC_READ | GENERIC_WRITE, disposition);
    EXPECT_EQ(opens, h != INVALID_HANDLE_VALUE) << name;
    EXPECT_EQ(error, GetLastError()) << name;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    EXPECT_EQ(dir.Read(name), content) << name;
  }
  for (const std::string& path : {dir.Lib("no\\such"), std::string()}) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(path, GENERIC_READ, OPEN_EXISTING)) << path;
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError()) << path;
  }
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.Lib(), GENERIC_READ, OPEN_EXISTING));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError()) << "a folder opens only for backup semantics";
  HANDLE folder = Open(dir.Lib(), GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  EXPECT_NE(folder, INVALID_HANDLE_VALUE);
  CloseHandle(folder);
}

TEST(FileIo, ReadWriteSeekAndSizePast4GiB) {
  TempFolder dir;
  HANDLE h = Open(dir.Lib("data"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  char buffer[16] = {};
  LARGE_INTEGER distance{}, position{}, size{};
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &done, nullptr) && done == 10);
  distance.QuadPart = -6;
  ASSERT_TRUE(SetFilePointerEx(h, distance, &position, FILE_CURRENT) && position.QuadPart == 4);
  ASSERT_TRUE(ReadFile(h, buffer, 16, &done, nullptr));  // fewer at the end of the file
  EXPECT_EQ(std::string(buffer, done), "456789");
  ASSERT_TRUE(ReadFile(h, buffer, 16, &done, nullptr) && done == 0);
  distance.QuadPart = -11;
  EXPECT_FALSE(SetFilePointerEx(h, distance, &position, FILE_END));
  EXPECT_EQ(ERROR_NEGATIVE_SEEK, GetLastError());
  EXPECT_EQ(10u, SetFilePointer(h, 0, nullptr, FILE_CURRENT)) << "failed seeks leave it";
  LONG high = 1;  // the 32-bit form takes the high half apart
  EXPECT_EQ(5u, SetFilePointer(h, 5, &high, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));  // sparse
  DWORD sizeHigh = 0;
  EXPECT_TRUE(GetFileSize(h, &sizeHigh) == 5 && sizeHigh == 1);
  distance.QuadPart = -((LONGLONG{1} << 32) - 2);
  ASSERT_TRUE(SetFilePointerEx(h, distance, &position, FILE_END) && position.QuadPart == 7);
  ASSERT_TRUE(SetEndOfFile(h) && GetFileSizeEx(h, &size) && FlushFileBuffers(h));
  EXPECT_EQ(size.QuadPart, 7);
  CloseHandle(h);
  EXPECT_EQ(dir.Read("data"), "0123456");
  EXPECT_FALSE(ReadFile(h, buffer, 1, &done, nullptr));  // closed
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(FileIo, AccessAndReadOnlyFilesAreChecked) {
  TempFolder dir;
  dir.Write("a", "abc");
  HANDLE reader = Open(dir.Lib("a"), GENERIC_READ, OPEN_EXISTING);
  HANDLE writer = Open(dir.Lib("a"), GENERIC_WRITE, OPEN_EXISTING);
  DWORD done = 7;
  char c;
  EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr) || SetEndOfFile(reader));
  EXPECT_TRUE(GetLastError() == ERROR_ACCESS_DENIED && done == 0);
  EXPECT_FALSE(ReadFile(writer, &c, 1, &done, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_TRUE(CloseHandle(reader) && CloseHandle(writer));

  HANDLE h = CreateFileA(dir.Lib("ro").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_READONLY, nullptr);
  EXPECT_TRUE(WriteFile(h, "kept", 4, &done, nullptr)) << "the creating handle may write";
  CloseHandle(h);
  for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS, TRUNCATE_EXISTING, OPEN_ALWAYS}) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.Lib("ro"), GENERIC_WRITE, disposition)) << disposition;
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError()) << "disposition " << disposition;
  }
  EXPECT_FALSE(DeleteFileA(dir.Lib("ro").c_str()));
  EXPECT_TRUE(GetLastError() == ERROR_ACCESS_DENIED && dir.Read("ro") == "kept");
}

TEST(FileIo, DeleteOnCloseAndUnbufferedWhereverAccepted) {
  // /dev/shm refuses direct I/O: the handle falls back to buffered I/O there.
  for (const char* base : {"/tmp", "/dev/shm"}) {
    TempFolder dir(base);
    if (!dir.ok()) continue;
    HANDLE h = Open(dir.Lib("gone"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                    FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << base;
    EXPECT_FALSE(dir.Exists("gone")) << base;
    // Whole aligned blocks from an aligned buffer, as unbuffered I/O demands.
    constexpr std::size_t kBlock = 4096;
    auto* block = static_cast<char*>(std::aligned_alloc(kBlock, 2 * kBlock));
    std::memset(block, 'x', kBlock);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(h, block, kBlock, &done, nullptr)) << base;
    std::memset(block, 0, 2 * kBlock);
    EXPECT_EQ(0u, SetFilePointer(h, 0, nullptr, FILE_BEGIN));
    EXPECT_TRUE(ReadFile(h, block, 2 * kBlock, &done, nullptr)) << base;
    EXPECT_TRUE(done == kBlock && block[kBlock - 1] == 'x') << base;
    std::free(block);
    CloseHandle(h);
  }
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            Open("\\tmp\\x", GENERIC_READ, CREATE_ALWAYS, FILE_FLAG_OVERLAPPED));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(FileIo, InjectedFaultsFailBeforeTouchingTheFile) {
  TempFolder dir;
  HANDLE h = Open(dir.Lib("f"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  win32::FailNextFileWrites(2, ERROR_HANDLE_DISK_FULL);
  DWORD done = 9;
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(WriteFile(h, "abc", 3, &done, nullptr)) << "at call " << i;
    EXPECT_TRUE(GetLastError() == ERROR_HANDLE_DISK_FULL && done == 0) << "at call " << i;
  }
  EXPECT_TRUE(GetFileSize(h, nullptr) == 0 && WriteFile(h, "abc", 3, &done, nullptr));
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  win32::FailNextFileReads(5, ERROR_READ_FAULT);
  char c;
  EXPECT_FALSE(ReadFile(h, &c, 1, &done, nullptr));
  EXPECT_EQ(ERROR_READ_FAULT, GetLastError());
  win32::FailNextFileReads(0, 0);  // disarmed
  ASSERT_TRUE(ReadFile(h, &c, 1, &done, nullptr));
  EXPECT_EQ(c, 'a') << "the failed read did not move the file pointer";
  CloseHandle(h);
}

TEST(FileIo, FileTimes) {
  TempFolder dir;
  HANDLE h = Open(dir.Lib("t"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  const FILETIME zero{0, 0}, written{0x12345678, 0x01D76000};  // in 2021
  FILETIME creation, access, write;
  ASSERT_TRUE(SetFileTime(h, nullptr, &zero, &written) &&
              GetFileTime(h, &creation, &access, &write));
  EXPECT_EQ(CompareFileTime(&write, &written), 0);
  EXPECT_GT(CompareFileTime(&access, &written), 0) << "a zero time leaves it as it was: now";
  CloseHandle(h);
}

}  // namespace
