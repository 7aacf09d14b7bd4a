#include <unistd.h>

#include <climits>
#include <string>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

int g_inMainExecutable = 0;

TEST(Modules, HandlesAndFileNames) {
  HMODULE main = GetModuleHandleA(nullptr);
  HMODULE library = win32::ModuleFromAddress(reinterpret_cast<const void*>(&GetLastError));
  ASSERT_TRUE(main != nullptr && library != nullptr && library != main);
  EXPECT_EQ(main, win32::ModuleFromAddress(&g_inMainExecutable));
  EXPECT_TRUE(GetModuleHandleA("libkz_win32.so") == library && !GetModuleHandleA("libkz_win3"));
  EXPECT_EQ(win32::ModuleFromAddress(nullptr), nullptr);

  char exe[PATH_MAX], buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  exe[n] = 0;
  const std::string expected = win32::FromNativePath(exe);
  const DWORD length = GetModuleFileNameA(main, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, length), expected);
  // Too small: cut to size - 1, terminated, the result is the size, error 122.
  EXPECT_EQ(5u, GetModuleFileNameA(nullptr, buffer, 5));
  EXPECT_EQ(std::string(buffer), expected.substr(0, 4));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  ASSERT_GT(GetModuleFileNameA(library, buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetModuleHandleA(buffer), library) << "a full path in the library form finds it too";
  SetLastError(0);
  EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(std::uintptr_t{0x1000}), buffer, 9));
  EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
}

}  // namespace
