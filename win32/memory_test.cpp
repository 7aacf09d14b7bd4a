#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(Memory, StatusIsConsistent) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  EXPECT_TRUE(status.ullTotalPhys > 0 && status.ullAvailPhys <= status.ullTotalPhys);
  EXPECT_LE(status.dwMemoryLoad, 100u);
  EXPECT_GE(status.ullTotalPageFile, status.ullTotalPhys);
  EXPECT_LE(status.ullAvailPageFile, status.ullTotalPageFile);
  EXPECT_EQ(status.ullTotalVirtual, DWORDLONG{128} << 40);
  EXPECT_LT(status.ullAvailVirtual, status.ullTotalVirtual) << "this process uses some";
  status.dwLength = sizeof status - 1;
  SetLastError(0);
  EXPECT_FALSE(GlobalMemoryStatusEx(&status));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

}  // namespace
