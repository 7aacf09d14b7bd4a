#include <cstring>
#include <ctime>
#include <utility>

#include "gtest/gtest.h"
#include "win32/scoped_env_testing.h"
#include "win32/win32.h"

namespace {

ULONGLONG Ticks(const FILETIME& t) { return ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime; }

FILETIME At(ULONGLONG ticks) {
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

constexpr ULONGLONG kTicksPerSecond = 10'000'000;
constexpr ULONGLONG kUnixEpoch = 11'644'473'600 * kTicksPerSecond;

TEST(FileTime, CalendarConversions) {
  // Rows: the calendar time (with its day of the week) and its ticks since 1601.
  const std::pair<SYSTEMTIME, ULONGLONG> cases[] = {
      {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, kUnixEpoch},
      {{2000, 2, 2, 29, 12, 34, 56, 789}, kUnixEpoch + 951827696 * kTicksPerSecond + 7'890'000},
      {{2099, 12, 4, 31, 23, 59, 59, 999}, kUnixEpoch + 4102444799 * kTicksPerSecond + 9'990'000},
  };
  for (const auto& [time, ticks] : cases) {
    FILETIME ft;
    SYSTEMTIME back{};
    ASSERT_TRUE(SystemTimeToFileTime(&time, &ft)) << time.wYear;
    EXPECT_EQ(Ticks(ft), ticks) << time.wYear;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back)) << time.wYear;
    EXPECT_EQ(0, std::memcmp(&back, &time, sizeof back))
        << back.wYear << "-" << back.wMonth << "-" << back.wDay << " day " << back.wDayOfWeek;
  }
  // A day that does not exist (not a leap year); a time past what SYSTEMTIME holds.
  SYSTEMTIME bad{2001, 2, 0, 29, 0, 0, 0, 0};
  FILETIME ft;
  EXPECT_TRUE(!SystemTimeToFileTime(&bad, &ft) && GetLastError() == ERROR_INVALID_PARAMETER);
  ft = At(0x8000000000000000ull);
  EXPECT_FALSE(FileTimeToSystemTime(&ft, &bad));
}

TEST(FileTime, LocalConversionsUseTheOffsetOfThatMoment) {
  {
    win32::testing::ScopedEnv zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    // 2021-01-15 12:00 UTC is winter (+1 h); 2021-07-15 12:00 UTC is summer (+2 h).
    for (auto [unixSeconds, hours] : {std::pair{1610712000ull, 1ull}, {1626350400ull, 2ull}}) {
      const FILETIME utc = At(kUnixEpoch + unixSeconds * kTicksPerSecond);
      FILETIME local, back;
      ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local) && LocalFileTimeToFileTime(&local, &back));
      EXPECT_EQ(Ticks(local) - Ticks(utc), hours * 3600 * kTicksPerSecond) << unixSeconds;
      EXPECT_EQ(Ticks(back), Ticks(utc)) << unixSeconds;
    }
  }
  tzset();  // the restored zone, for the tests that follow
}

}  // namespace
