#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string Format(DWORD code) {
  char buffer[768];
  const DWORD n = FormatMessageA(kFromSystem, nullptr, code, 0x400, buffer, sizeof buffer, nullptr);
  return std::string(buffer, n);
}

TEST(SystemErrors, EveryCodeTheLibraryUsesHasAText) {
  const DWORD codes[] = {2,   3,   4,   5,    6,    8,  14,  18,   19,   21,   25,  29,  30,
                         32,  33,  38,  39,   50,   80, 87,  109,  112,  122,  123, 131, 145,
                         161, 183, 206, 1113, 1400, 31, 126, 1413, 1004, 1460, 317};
  for (DWORD code : codes) {
    const std::string text = Format(code);
    ASSERT_GT(text.size(), 3u) << "at code " << code;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "at code " << code;
    EXPECT_EQ(text, win32::SystemErrorText(code)) << "at code " << code;
  }
  EXPECT_EQ(Format(5), "Access is denied.\r\n");
  EXPECT_EQ(Format(8), "Not enough memory resources are available to process this command.\r\n");
  EXPECT_EQ(Format(112), "There is not enough space on the disk.\r\n");
}

TEST(SystemErrors, FormatMessageFailures) {
  char buffer[64];
  SetLastError(0);
  EXPECT_EQ(0u,
            FormatMessageA(kFromSystem, nullptr, 0x20010000, 0, buffer, sizeof buffer, nullptr));
  EXPECT_EQ(ERROR_MR_MID_NOT_FOUND, GetLastError());
  EXPECT_STREQ("", win32::SystemErrorText(0x20010000));

  // "Access is denied.\r\n" is 19 characters: it needs 20 with the terminator.
  EXPECT_EQ(19u, FormatMessageA(kFromSystem, nullptr, 5, 0, buffer, 20, nullptr));
  EXPECT_EQ(0u, FormatMessageA(kFromSystem, nullptr, 5, 0, buffer, 19, nullptr));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

  struct Refused {
    const char* label;
    DWORD flags;
    DWORD language;
    DWORD error;
  } refused[] = {
      {"allocated buffer", kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, 0,
       ERROR_INVALID_PARAMETER},
      {"from a string", FORMAT_MESSAGE_FROM_STRING, 0, ERROR_INVALID_PARAMETER},
      {"line width", kFromSystem | 80, 0, ERROR_INVALID_PARAMETER},
      {"japanese", kFromSystem, 0x411, ERROR_RESOURCE_LANG_NOT_FOUND},
  };
  for (const auto& r : refused) {
    SetLastError(0);
    EXPECT_EQ(0u, FormatMessageA(r.flags, nullptr, 5, r.language, buffer, sizeof buffer, nullptr))
        << r.label;
    EXPECT_EQ(r.error, GetLastError()) << r.label;
  }
  // A text with inserts needs IGNORE_INSERTS: there are no arguments to put in.
  EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 317, 0, buffer, sizeof buffer,
                               nullptr));
  // English (United States) is served like the neutral language.
  EXPECT_GT(
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0x409, buffer, sizeof buffer, nullptr),
      0u);
}

TEST(SystemErrors, ErrnoMapping) {
  struct Case {
    int error;
    DWORD code;
  } cases[] = {
      {ENOSPC, 39},     {EDQUOT, 39}, {ENOENT, 2},   {ENOTDIR, 3},     {EACCES, 5},
      {EPERM, 5},       {EROFS, 19},  {EEXIST, 80},  {ENOMEM, 8},      {EMFILE, 4},
      {EBADF, 6},       {EBUSY, 32},  {ETXTBSY, 32}, {EINVAL, 87},     {ENAMETOOLONG, 206},
      {ENOTEMPTY, 145}, {EIO, 30},    {EXDEV, 17},   {ECONNRESET, 31}, {0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.code, win32::ErrorFromErrno(c.error))
        << "at errno " << c.error << " (" << std::strerror(c.error) << ")";
    EXPECT_STRNE("", win32::SystemErrorText(win32::ErrorFromErrno(c.error)))
        << "at errno " << c.error;
  }
}

TEST(SystemErrors, LastErrorIsPerThread) {
  SetLastError(1234);
  DWORD seenByOther = 0;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(99);
  });
  other.join();
  EXPECT_EQ(0u, seenByOther);
  EXPECT_EQ(1234u, GetLastError());
}

}  // namespace
