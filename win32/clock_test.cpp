#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(Clock, MillisecondClocksAgree) {
  const ULONGLONG before = GetTickCount64();
  const DWORD tick = GetTickCount(), mm = timeGetTime();
  const ULONGLONG after = GetTickCount64();
  EXPECT_LE(before, after);
  // The 32-bit clocks are the low half of the 64-bit one (modulo a wrap between the reads).
  EXPECT_LE(static_cast<DWORD>(tick - static_cast<DWORD>(before)), after - before);
  EXPECT_LE(static_cast<DWORD>(mm - static_cast<DWORD>(before)), after - before);
}

}  // namespace
