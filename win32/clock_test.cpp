#include <ctime>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

// The precise clock: time() may lag it by a scheduler tick.
std::time_t Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec;
}

TEST(Clock, MillisecondClocksAgree) {
  const ULONGLONG before = GetTickCount64();
  const DWORD tick = GetTickCount();
  const DWORD mm = timeGetTime();
  const ULONGLONG after = GetTickCount64();
  EXPECT_LE(before, after);
  // The 32-bit clocks are the low half of the 64-bit one (modulo a wrap between the reads).
  EXPECT_LE(static_cast<DWORD>(tick - static_cast<DWORD>(before)), after - before);
  EXPECT_LE(static_cast<DWORD>(mm - static_cast<DWORD>(before)), after - before);
}

TEST(Clock, CalendarTimeMatchesTheSystemClock) {
  // Retried when a second boundary falls between the reads.
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = Now();
    SYSTEMTIME utc{}, local{};
    GetSystemTime(&utc);
    GetLocalTime(&local);
    if (Now() != before) continue;
    std::tm u{}, l{};
    gmtime_r(&before, &u);
    localtime_r(&before, &l);
    EXPECT_EQ(utc.wYear, u.tm_year + 1900);
    EXPECT_EQ(utc.wMonth, u.tm_mon + 1);
    EXPECT_EQ(utc.wDay, u.tm_mday);
    EXPECT_EQ(utc.wDayOfWeek, u.tm_wday);
    EXPECT_EQ(utc.wHour, u.tm_hour);
    EXPECT_EQ(utc.wSecond, u.tm_sec);
    EXPECT_EQ(local.wHour, l.tm_hour);
    EXPECT_EQ(local.wMinute, l.tm_min);
    EXPECT_LT(utc.wMilliseconds, 1000);
    return;
  }
  FAIL() << "the clock kept crossing second boundaries";
}

}  // namespace
