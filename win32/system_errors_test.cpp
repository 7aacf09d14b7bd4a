#include <cerrno>
#include <cstring>
#include <string>
#include <tuple>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string Format(DWORD code) {
  char buffer[768];
  const DWORD n = FormatMessageA(kFromSystem, nullptr, code, 0x400, buffer, sizeof buffer, nullptr);
  return std::string(buffer, n);
}

TEST(SystemErrors, TextsOfTheCodesTheLibraryReports) {
  const std::pair<DWORD, const char*> texts[] = {
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {5, "Access is denied."},
      {8, "Not enough memory resources are available to process this command."},
      {32, "The process cannot access the file because it is being used by another process."},
      {39, "The disk is full."},
      {80, "The file exists."},
      {87, "The parameter is incorrect."},
      {112, "There is not enough space on the disk."},
      {183, "Cannot create a file when that file already exists."},
  };
  for (const auto& [code, text] : texts) {
    EXPECT_EQ(Format(code), std::string(text) + "\r\n") << "at code " << code;
  }
  // Every other code the library uses has a text too, the same one SystemErrorText gives.
  for (DWORD code : {4,   6,   14,  18,  19,  21,  25,  29,  30,   31,   33,   38,   50,  109,
                     122, 123, 126, 131, 145, 161, 206, 317, 1004, 1113, 1400, 1413, 1460}) {
    const std::string text = Format(code);
    EXPECT_TRUE(text.ends_with(".\r\n") && text == win32::SystemErrorText(code)) << code;
  }
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
  EXPECT_TRUE(!FormatMessageA(kFromSystem, nullptr, 5, 0, buffer, 19, nullptr) &&
              GetLastError() == ERROR_INSUFFICIENT_BUFFER);
  // English (United States) is served like the neutral language; Japanese is not there.
  EXPECT_GT(FormatMessageA(kFromSystem, nullptr, 2, 0x409, buffer, sizeof buffer, nullptr), 0u);
  // Rows: flags, language, error: an allocated buffer, Japanese, inserts without arguments.
  const std::tuple<DWORD, DWORD, DWORD> refused[] = {
      {kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, 0, ERROR_INVALID_PARAMETER},
      {kFromSystem, 0x411, ERROR_RESOURCE_LANG_NOT_FOUND},
      {FORMAT_MESSAGE_FROM_SYSTEM, 0, ERROR_INVALID_PARAMETER}};
  for (const auto& [flags, language, error] : refused) {
    SetLastError(0);
    EXPECT_EQ(0u, FormatMessageA(flags, nullptr, 317, language, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(error, GetLastError()) << "flags " << flags << " language " << language;
  }
}

TEST(SystemErrors, ErrnoMapping) {
  const std::pair<int, DWORD> cases[] = {
      {ENOSPC, 39},     {EDQUOT, 39}, {ENOENT, 2},   {ENOTDIR, 3},     {EACCES, 5},
      {EPERM, 5},       {EROFS, 19},  {EEXIST, 80},  {ENOMEM, 8},      {EMFILE, 4},
      {EBADF, 6},       {EBUSY, 32},  {ETXTBSY, 32}, {EINVAL, 87},     {ENAMETOOLONG, 206},
      {ENOTEMPTY, 145}, {EIO, 30},    {EXDEV, 17},   {ECONNRESET, 31}, {0, 0},
  };
  for (const auto& [error, code] : cases) {
    EXPECT_EQ(code, win32::ErrorFromErrno(error))
        << "at errno " << error << " (" << std::strerror(error) << ")";
    EXPECT_STRNE("", win32::SystemErrorText(code)) << "at errno " << error;
  }
}

}  // namespace
