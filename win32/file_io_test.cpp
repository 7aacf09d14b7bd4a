#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

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

std::string Slurp(const std::string& native) {
  std::ifstream in(native, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& native, const std::string& data) {
  std::ofstream(native, std::ios::binary) << data;
}

TEST(FileIo, Dispositions) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  struct Case {
    const char* label;
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;          // last error after the call
    std::string content;  // afterwards
  } cases[] = {
      {"create new on nothing", CREATE_NEW, false, true, 0, ""},
      {"create new on a file", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {"create always on nothing", CREATE_ALWAYS, false, true, 0, ""},
      {"create always on a file", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {"open existing on nothing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, ""},
      {"open existing on a file", OPEN_EXISTING, true, true, 0, "old"},
      {"open always on nothing", OPEN_ALWAYS, false, true, 0, ""},
      {"open always on a file", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {"truncate on nothing", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, ""},
      {"truncate on a file", TRUNCATE_EXISTING, true, true, 0, ""},
  };
  int i = 0;
  for (const auto& c : cases) {
    const std::string name = "f" + std::to_string(i++);
    if (c.exists) Put(dir.Native(name), "old");
    SetLastError(12345);
    HANDLE h = Open(dir.Lib(name), GENERIC_READ | GENERIC_WRITE, c.disposition);
    EXPECT_EQ(c.opens, h != INVALID_HANDLE_VALUE) << c.label;
    EXPECT_EQ(c.error, GetLastError()) << c.label;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    struct stat st {};
    if (stat(dir.Native(name).c_str(), &st) == 0) {
      EXPECT_EQ(Slurp(dir.Native(name)), c.content) << c.label;
    } else {
      EXPECT_FALSE(c.opens) << c.label;
    }
  }
  SetLastError(0);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.Lib("no\\such"), GENERIC_READ, OPEN_EXISTING));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.Lib("x"), GENERIC_READ, 0));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("", GENERIC_READ, OPEN_EXISTING));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
}

TEST(FileIo, ReadWriteSeekAndSize) {
  TempFolder dir;
  HANDLE h = Open(dir.Lib("data"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &done, nullptr));
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(4u, SetFilePointer(h, -6, nullptr, FILE_CURRENT));
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(h, buffer, 16, &done, nullptr));  // fewer at the end of the file
  EXPECT_EQ(std::string(buffer, done), "456789");
  ASSERT_TRUE(ReadFile(h, buffer, 16, &done, nullptr));
  EXPECT_EQ(done, 0u);

  SetLastError(0);
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -11, nullptr, FILE_END));
  EXPECT_EQ(ERROR_NEGATIVE_SEEK, GetLastError());
  EXPECT_EQ(10u, SetFilePointer(h, 0, nullptr, FILE_CURRENT));  // unchanged
  EXPECT_EQ(0x80000009u, SetFilePointer(h, 0x7FFFFFFF, nullptr, FILE_END));
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, 0x7FFFFFFF, nullptr, FILE_CURRENT));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());  // past 4 GiB needs distanceHigh
  EXPECT_EQ(0x80000009u, SetFilePointer(h, 0, nullptr, FILE_CURRENT));
  EXPECT_EQ(99u, SetFilePointer(h, 99, nullptr, FILE_BEGIN));
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, 9, nullptr, 7));  // no such method
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());

  // Past 4 GiB: the high half travels through distanceHigh and LARGE_INTEGER.
  LONG high = 1;
  EXPECT_EQ(5u, SetFilePointer(h, 5, &high, FILE_BEGIN));
  EXPECT_EQ(high, 1);
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  ASSERT_TRUE(SetEndOfFile(h));  // sparse
  DWORD sizeHigh = 0;
  EXPECT_EQ(5u, GetFileSize(h, &sizeHigh));
  EXPECT_EQ(1u, sizeHigh);
  LARGE_INTEGER distance;
  distance.QuadPart = -((LONGLONG{1} << 32) - 2);
  LARGE_INTEGER position;
  ASSERT_TRUE(SetFilePointerEx(h, distance, &position, FILE_END));
  EXPECT_EQ(position.QuadPart, 7);
  ASSERT_TRUE(SetEndOfFile(h));
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 7);
  EXPECT_TRUE(FlushFileBuffers(h));
  CloseHandle(h);
  EXPECT_EQ(Slurp(dir.Native("data")), "0123456");

  SetLastError(0);
  EXPECT_FALSE(ReadFile(h, buffer, 1, &done, nullptr));  // closed
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(FileIo, AccessIsChecked) {
  TempFolder dir;
  Put(dir.Native("a"), "abc");
  HANDLE reader = Open(dir.Lib("a"), GENERIC_READ, OPEN_EXISTING);
  HANDLE writer = Open(dir.Lib("a"), GENERIC_WRITE, OPEN_EXISTING);
  DWORD done = 7;
  char c;
  SetLastError(0);
  EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ(done, 0u);
  EXPECT_FALSE(SetEndOfFile(reader));
  EXPECT_FALSE(FlushFileBuffers(reader));
  EXPECT_FALSE(ReadFile(writer, &c, 1, &done, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_FALSE(ReadFile(reader, &c, 1, nullptr, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  CloseHandle(reader);
  CloseHandle(writer);

  // A folder opens only for backup semantics.
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.Lib(), GENERIC_READ, OPEN_EXISTING));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  HANDLE folder = Open(dir.Lib(), GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  EXPECT_NE(folder, INVALID_HANDLE_VALUE);
  CloseHandle(folder);
}

TEST(FileIo, ReadOnlyFilesAreNotWrittenReplacedOrDeleted) {
  TempFolder dir;
  HANDLE h = CreateFileA(dir.Lib("ro").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(h, "kept", 4, &done, nullptr));  // the creating handle may write
  CloseHandle(h);
  EXPECT_TRUE(GetFileAttributesA(dir.Lib("ro").c_str()) & FILE_ATTRIBUTE_READONLY);
  for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS, TRUNCATE_EXISTING, OPEN_ALWAYS}) {
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.Lib("ro"), GENERIC_WRITE, disposition))
        << "disposition " << disposition;
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError()) << "disposition " << disposition;
  }
  HANDLE reader = Open(dir.Lib("ro"), GENERIC_READ, OPEN_EXISTING);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  EXPECT_FALSE(DeleteFileA(dir.Lib("ro").c_str()));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ(Slurp(dir.Native("ro")), "kept");
  ASSERT_TRUE(SetFileAttributesA(dir.Lib("ro").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileA(dir.Lib("ro").c_str()));
}

TEST(FileIo, DeleteOnCloseAndFlags) {
  for (const char* base : {"/tmp", "/dev/shm"}) {
    TempFolder dir(base);
    if (!dir.ok()) continue;
    HANDLE h = Open(dir.Lib("gone"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                    FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << base;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.Lib("gone").c_str())) << base;
    // Whole aligned blocks from an aligned buffer, as unbuffered I/O demands.
    constexpr std::size_t kBlock = 4096;
    auto* block = static_cast<char*>(std::aligned_alloc(kBlock, 2 * kBlock));
    std::memset(block, 'x', kBlock);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h, block, kBlock, &done, nullptr)) << base;
    ASSERT_EQ(0u, SetFilePointer(h, 0, nullptr, FILE_BEGIN));
    std::memset(block, 0, 2 * kBlock);
    ASSERT_TRUE(ReadFile(h, block, 2 * kBlock, &done, nullptr)) << base;
    EXPECT_EQ(done, kBlock) << base;
    EXPECT_EQ(block[kBlock - 1], 'x') << base;
    std::free(block);
    CloseHandle(h);
  }
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            Open("\\tmp\\x", GENERIC_READ, CREATE_ALWAYS, FILE_FLAG_OVERLAPPED));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(FileIo, OverlappedOffsetsOnSynchronousHandles) {
  TempFolder dir;
  HANDLE h = Open(dir.Lib("o"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  HANDLE event = CreateEventA(nullptr, 1, 0, nullptr);
  OVERLAPPED at{};
  at.Offset = 4;
  at.hEvent = event;
  ASSERT_TRUE(WriteFile(h, "tail", 4, nullptr, &at));
  EXPECT_EQ(at.InternalHigh, 4u);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event, 0));
  EXPECT_EQ(8u, SetFilePointer(h, 0, nullptr, FILE_CURRENT));  // moved past the range
  char buffer[4];
  OVERLAPPED from{};
  from.Offset = 5;
  DWORD done = 0;
  ASSERT_TRUE(ReadFile(h, buffer, 4, &done, &from));
  EXPECT_EQ(std::string(buffer, done), "ail");
  CloseHandle(event);
  CloseHandle(h);
  EXPECT_EQ(Slurp(dir.Native("o")), std::string("\0\0\0\0tail", 8));
}

TEST(FileIo, InjectedFaultsFailBeforeTouchingTheFile) {
  TempFolder dir;
  HANDLE h = Open(dir.Lib("f"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  win32::FailNextFileWrites(2, ERROR_HANDLE_DISK_FULL);
  DWORD done = 9;
  for (int i = 0; i < 2; ++i) {
    SetLastError(0);
    EXPECT_FALSE(WriteFile(h, "abc", 3, &done, nullptr)) << "at call " << i;
    EXPECT_EQ(ERROR_HANDLE_DISK_FULL, GetLastError()) << "at call " << i;
    EXPECT_EQ(done, 0u);
  }
  EXPECT_EQ(0u, GetFileSize(h, nullptr));
  EXPECT_TRUE(WriteFile(h, "abc", 3, &done, nullptr));

  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  win32::FailNextFileReads(5, ERROR_READ_FAULT);
  char c;
  EXPECT_FALSE(ReadFile(h, &c, 1, &done, nullptr));
  EXPECT_EQ(ERROR_READ_FAULT, GetLastError());
  win32::FailNextFileReads(0, 0);  // disarmed
  ASSERT_TRUE(ReadFile(h, &c, 1, &done, nullptr));
  EXPECT_EQ(c, 'a');  // the failed read did not move the file pointer
  CloseHandle(h);
}

TEST(FileIo, FileTimes) {
  TempFolder dir;
  HANDLE h = Open(dir.Lib("t"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  SYSTEMTIME when{2021, 6, 0, 15, 8, 30, 5, 250};
  FILETIME written;
  ASSERT_TRUE(SystemTimeToFileTime(&when, &written));
  const FILETIME zero{0, 0};
  ASSERT_TRUE(SetFileTime(h, nullptr, &zero, &written));
  FILETIME creation, access, write;
  ASSERT_TRUE(GetFileTime(h, &creation, &access, &write));
  EXPECT_EQ(CompareFileTime(&write, &written), 0);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  EXPECT_LE(CompareFileTime(&creation, &now), 0);
  EXPECT_GT(CompareFileTime(&access, &written), 0);  // left as it was: at creation
  CloseHandle(h);
}

}  // namespace
