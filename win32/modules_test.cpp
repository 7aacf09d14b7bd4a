#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

int g_inMainExecutable = 0;

TEST(Modules, HandlesAgreeWhicheverWayTheyAreReached) {
  HMODULE main = GetModuleHandleA(nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main, win32::ModuleFromAddress(&g_inMainExecutable));

  HMODULE library = win32::ModuleFromAddress(reinterpret_cast<const void*>(&GetLastError));
  ASSERT_NE(library, nullptr);
  EXPECT_NE(library, main);
  for (const char* name : {"libkz_win32.so", "libkz_win32.so.0"}) {
    EXPECT_EQ(GetModuleHandleA(name), library) << name;
  }
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleA("libkz_win3"), nullptr);  // a prefix is no name
  EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
  EXPECT_EQ(GetModuleHandleA("libnothing.so"), nullptr);
  EXPECT_EQ(win32::ModuleFromAddress(nullptr), nullptr);
}

TEST(Modules, FileNamesInTheLibraryForm) {
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  exe[n] = 0;
  std::string expected = win32::FromNativePath(exe);
  ASSERT_FALSE(expected.empty());

  char buffer[PATH_MAX];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, length), expected);
  EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, sizeof buffer), length);
  EXPECT_EQ(std::strchr(buffer, '/'), nullptr);

  // Too small: cut to size - 1, terminated, the result is the size, error 122.
  SetLastError(0);
  EXPECT_EQ(5u, GetModuleFileNameA(nullptr, buffer, 5));
  EXPECT_EQ(std::string(buffer), expected.substr(0, 4));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

  HMODULE library = GetModuleHandleA("libkz_win32.so");
  const DWORD libraryLength = GetModuleFileNameA(library, buffer, sizeof buffer);
  ASSERT_GT(libraryLength, 0u);
  EXPECT_NE(std::string(buffer).find("libkz_win32.so"), std::string::npos);
  EXPECT_EQ(GetModuleHandleA(buffer), library);  // a full path in the library form finds it too

  SetLastError(0);
  EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(std::uintptr_t{0x1000}), buffer,
                                   sizeof buffer));
  EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
}

}  // namespace
