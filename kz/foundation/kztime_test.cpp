#include "kz/foundation/kztime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <tuple>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/foundation/kzstring_testing.h"

using kz_testing::TimeZone;

namespace {

// The nine fields of a broken-down time, year first.
std::vector<int> FieldsOf(const struct tm& t) {
  return {t.tm_year, t.tm_mon,  t.tm_mday, t.tm_hour, t.tm_min,
          t.tm_sec,  t.tm_wday, t.tm_yday, t.tm_isdst};
}
std::vector<int> UtcOf(const KzTime& t) {
  struct tm utc {};
  t.GetUTCTime(utc);
  return FieldsOf(utc);
}

// A local broken-down time.
struct tm Local(int year, int mon, int mday, int hour, int min = 0, int sec = 0) {
  struct tm local {};
  std::tie(local.tm_year, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec) =
      std::tuple{year - 1900, mon, mday, hour, min, sec};
  return local;
}

void ExpectCleared(const KzTime& t, const char* label) {
  EXPECT_TRUE(t == -1) << label;
  EXPECT_EQ(FieldsOf(static_cast<struct tm>(t)), std::vector<int>(9, 0)) << label;
  EXPECT_EQ(UtcOf(t), std::vector<int>(9, 0)) << label;
}

TEST(KzTime, ValuesRecordsAndForms) {
  TimeZone zone("JST-9");
  KzTime t;
  ExpectCleared(t, "default");
  t = 1700000000;  // 2023-11-14 22:13:20 UTC, a Tuesday, day 317 of the year (0-based)
  const KzTime copy(t);
  EXPECT_EQ(FieldsOf(static_cast<struct tm>(copy)),
            (std::vector<int>{123, 10, 15, 7, 13, 20, 3, 318, 0}));
  EXPECT_EQ(UtcOf(copy), (std::vector<int>{123, 10, 14, 22, 13, 20, 2, 317, 0}));
  char buffer[32];
  EXPECT_EQ(t.FormatTime(buffer, sizeof buffer, 4), 19);
  EXPECT_STREQ(buffer, "2023/11/15 07:13:20");
  EXPECT_EQ(t.FormatTime(buffer, sizeof buffer, 1), 8);
  EXPECT_STREQ(buffer, "23/11/15");
  char small[5] = "junk";
  EXPECT_EQ(t.FormatTime(small, sizeof small, 2), 0);
  EXPECT_STREQ(small, "");
  t = -1;
  ExpectCleared(t, "assigned -1");
  EXPECT_EQ(t.RestoreTimeValue(-1), 1);
  ExpectCleared(t, "restored -1");

  // 2000-02-30 is normalised to March 1st; 2000-02-29 12:00 JST = 946684800 + 59 days + 3 hours.
  t = Local(2000, 1, 30, 12);
  EXPECT_TRUE(t == 951793200 + 86400);
  const SYSTEMTIME in{2024, 3, 0, 1, 10, 20, 30, 999};  // Friday, after Feb 29
  EXPECT_EQ(&(t = in), &in);
  EXPECT_EQ(static_cast<struct tm>(t).tm_yday, 60);
  const SYSTEMTIME out = t;
  const SYSTEMTIME expected{2024, 3, 5, 1, 10, 20, 30, 0};
  EXPECT_EQ(std::memcmp(&out, &expected, sizeof out), 0);
}

TEST(KzTime, UnrepresentableTimesClearAndThrow) {
  TimeZone zone("UTC0");
  // Beyond 2038, before 1901-12-13, and one second before the epoch, which is the value -1.
  for (const struct tm& local :
       {Local(2040, 0, 1, 0), Local(1901, 0, 1, 0), Local(1969, 11, 31, 23, 59, 59)}) {
    KzTime t;
    t = 5;
    EXPECT_EQ(kzThrownCode([&] { t = local; }), kKzErrorTime) << "in " << local.tm_year + 1900;
    ExpectCleared(t, "unrepresentable");
  }
  for (WORD month : {0, 13}) {
    KzTime t;
    t = 5;
    const SYSTEMTIME in{2020, month, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(kzThrownCode([&] { t = in; }), kKzErrorTime) << "at month " << month;
    ExpectCleared(t, "bad month");
  }
}

}  // namespace
