#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

ULONGLONG Ticks(const FILETIME& t) { return ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime; }

FILETIME At(ULONGLONG ticks) {
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

constexpr ULONGLONG kTicksPerSecond = 10'000'000;
constexpr ULONGLONG kUnixEpoch = 11'644'473'600 * kTicksPerSecond;

TEST(FileTime, CalendarConversions) {
  struct Case {
    const char* label;
    SYSTEMTIME time;
    ULONGLONG ticks;
  } cases[] = {
      {"start of 1601 (a Monday)", {1601, 1, 1, 1, 0, 0, 0, 0}, 0},
      {"unix epoch (a Thursday)", {1970, 1, 4, 1, 0, 0, 0, 0}, kUnixEpoch},
      {"leap day 2000",
       {2000, 2, 2, 29, 12, 34, 56, 789},
       kUnixEpoch + 951827696 * kTicksPerSecond + 789 * 10'000},
      {"last day of 2099",
       {2099, 12, 4, 31, 23, 59, 59, 999},
       kUnixEpoch + 4102444799 * kTicksPerSecond + 999 * 10'000},
  };
  for (const auto& c : cases) {
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&c.time, &ft)) << c.label;
    EXPECT_EQ(Ticks(ft), c.ticks) << c.label;
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back)) << c.label;
    EXPECT_EQ(0, std::memcmp(&back, &c.time, sizeof back))
        << c.label << ": " << back.wYear << "-" << back.wMonth << "-" << back.wDay << " dow "
        << back.wDayOfWeek;
  }
  struct Bad {
    const char* label;
    SYSTEMTIME time;
  } bad[] = {
      {"not a leap year", {2001, 2, 0, 29, 0, 0, 0, 0}},
      {"before 1601", {1600, 12, 0, 31, 0, 0, 0, 0}},
      {"month 13", {2001, 13, 0, 1, 0, 0, 0, 0}},
      {"hour 24", {2001, 1, 0, 1, 24, 0, 0, 0}},
      {"millisecond 1000", {2001, 1, 0, 1, 0, 0, 0, 1000}},
  };
  for (const auto& b : bad) {
    FILETIME ft;
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToFileTime(&b.time, &ft)) << b.label;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError()) << b.label;
  }
  const FILETIME tooLate = At(0x8000000000000000ull);
  SYSTEMTIME out;
  EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &out));
}

TEST(FileTime, LocalConversionsUseTheOffsetOfThatMoment) {
  const char* previous = std::getenv("TZ");
  const std::string saved = previous != nullptr ? previous : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  // 2021-01-15 12:00 UTC is winter (+1 h); 2021-07-15 12:00 UTC is summer (+2 h).
  struct Case {
    const char* label;
    ULONGLONG unixSeconds;
    ULONGLONG offsetHours;
  } cases[] = {{"winter", 1610712000, 1}, {"summer", 1626350400, 2}};
  for (const auto& c : cases) {
    const FILETIME utc = At(kUnixEpoch + c.unixSeconds * kTicksPerSecond);
    FILETIME local, back;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local)) << c.label;
    EXPECT_EQ(Ticks(local) - Ticks(utc), c.offsetHours * 3600 * kTicksPerSecond) << c.label;
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back)) << c.label;
    EXPECT_EQ(Ticks(back), Ticks(utc)) << c.label;
  }
  if (previous != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();

  const FILETIME a = At(5), b = At(ULONGLONG{1} << 40);
  EXPECT_EQ(-1, CompareFileTime(&a, &b));
  EXPECT_EQ(1, CompareFileTime(&b, &a));
  EXPECT_EQ(0, CompareFileTime(&a, &a));
}

}  // namespace
