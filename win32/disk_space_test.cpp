#include "gtest/gtest.h"
#include "win32/temp_folder_testing.h"
#include "win32/win32.h"

namespace {

TEST(DiskSpace, FiguresAreConsistent) {
  win32::testing::TempFolder dir;
  ASSERT_TRUE(dir.ok());
  ULARGE_INTEGER toCaller, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA(dir.Lib().c_str(), &toCaller, &total, &free));
  EXPECT_TRUE(total.QuadPart > 0 && free.QuadPart <= total.QuadPart);
  EXPECT_LE(toCaller.QuadPart, free.QuadPart);
  EXPECT_TRUE(GetDiskFreeSpaceExA(nullptr, nullptr, &total, nullptr));  // the current folder

  DWORD perCluster = 0, sector = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA(dir.Lib().c_str(), &perCluster, &sector, &freeClusters, &clusters));
  EXPECT_TRUE(sector >= 512 && (sector & (sector - 1)) == 0) << "a power of two: " << sector;
  EXPECT_TRUE(perCluster >= 1 && freeClusters <= clusters);
  const ULONGLONG clusterBytes = ULONGLONG{perCluster} * sector;
  if (clusters < 0xFFFFFFFF) {
    ASSERT_TRUE(GetDiskFreeSpaceExA(dir.Lib().c_str(), &toCaller, &total, &free));
    EXPECT_LE(clusters * clusterBytes, total.QuadPart);
    EXPECT_GT((clusters + 1) * clusterBytes, total.QuadPart);
  }
  SetLastError(0);
  EXPECT_FALSE(GetDiskFreeSpaceExA(dir.Lib("none\\deeper").c_str(), &toCaller, nullptr, nullptr));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
}

}  // namespace
