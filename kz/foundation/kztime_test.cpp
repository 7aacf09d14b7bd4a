#include "kz/foundation/kztime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <ostream>
#include <vector>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring.h"
#include "kz/foundation/kzstring_testing.h"

using kz_testing::ThrownCode;
using kz_testing::TimeZone;

namespace {

// The nine fields of a broken-down time.
struct Fields {
  int sec, min, hour, mday, mon, year, wday, yday, isdst;
  bool operator==(const Fields&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Fields& f) {
  return out << (f.year + 1900) << '-' << (f.mon + 1) << '-' << f.mday << ' ' << f.hour << ':'
             << f.min << ':' << f.sec << " wday " << f.wday << " yday " << f.yday;
}
Fields FieldsOf(const struct tm& t) {
  return {t.tm_sec,  t.tm_min,  t.tm_hour, t.tm_mday, t.tm_mon,
          t.tm_year, t.tm_wday, t.tm_yday, t.tm_isdst};
}
Fields LocalOf(const KzTime& t) { return FieldsOf(static_cast<struct tm>(t)); }
Fields UtcOf(const KzTime& t) {
  struct tm utc {};
  t.GetUTCTime(utc);
  return FieldsOf(utc);
}

void ExpectCleared(const KzTime& t, const char* label) {
  EXPECT_TRUE(t == -1) << label;
  EXPECT_EQ(LocalOf(t), Fields{}) << label;
  EXPECT_EQ(UtcOf(t), Fields{}) << label;
}

TEST(KzTimeValue, ClearedTime) {
  KzTime t;
  ExpectCleared(t, "default");
  t = 1000;
  EXPECT_TRUE(t != -1);
  t = -1;
  ExpectCleared(t, "assigned -1");
  char buffer[32];
  EXPECT_EQ(t.FormatTime(buffer, sizeof buffer, 5), 0);
  EXPECT_EQ(t.FormatTime(buffer, sizeof buffer, -1), 0);
}

TEST(KzTimeValue, RecordsFollowTheTimeZone) {
  // 1700000000 is 2023-11-14 22:13:20 UTC, a Tuesday, day 317 of the year (0-based).
  const Fields utc{20, 13, 22, 14, 10, 123, 2, 317, 0};
  struct Row {
    const char* zone;
    Fields local;
  } rows[] = {{"UTC0", utc},
              {"JST-9", {20, 13, 7, 15, 10, 123, 3, 318, 0}},
              {"EST5", {20, 13, 17, 14, 10, 123, 2, 317, 0}}};
  for (const Row& r : rows) {
    TimeZone zone(r.zone);
    KzTime t;
    t = 1700000000;
    const KzTime copy(t);
    EXPECT_EQ(LocalOf(copy), r.local) << "in " << r.zone;
    EXPECT_EQ(UtcOf(copy), utc) << "in " << r.zone;
  }
}

TEST(KzTimeValue, MakeTimeFromLocalRecords) {
  TimeZone zone("JST-9");
  struct tm leapDay {};  // 2000-02-29 12:00 JST = 03:00 UTC: 946684800 + 59 days + 3 hours
  leapDay.tm_year = 100;
  leapDay.tm_mon = 1;
  leapDay.tm_mday = 29;
  leapDay.tm_hour = 12;
  KzTime t;
  t = leapDay;
  EXPECT_TRUE(t == 951793200);
  leapDay.tm_mday = 30;  // normalised to March 1st
  t.MakeTime(leapDay);
  EXPECT_TRUE(t == 951793200 + 86400);
  EXPECT_EQ(LocalOf(t).mon, 2);
}

TEST(KzTimeValue, UnrepresentableTimesClearAndThrow) {
  TimeZone zone("UTC0");
  struct Row {
    const char* label;
    int year, mon, mday, hour, min, sec;
  } rows[] = {
      {"beyond 2038", 2040, 0, 1, 0, 0, 0},
      {"before 1901-12-13", 1901, 0, 1, 0, 0, 0},
      {"one second before the epoch is the value -1", 1969, 11, 31, 23, 59, 59},
  };
  for (const Row& r : rows) {
    struct tm local {};
    local.tm_year = r.year - 1900;
    local.tm_mon = r.mon;
    local.tm_mday = r.mday;
    local.tm_hour = r.hour;
    local.tm_min = r.min;
    local.tm_sec = r.sec;
    KzTime t;
    t = 5;
    EXPECT_EQ(ThrownCode([&] { t = local; }), kKzErrorTime) << r.label;
    ExpectCleared(t, r.label);
  }
  for (WORD month : {0, 13}) {
    KzTime t;
    t = 5;
    const SYSTEMTIME in{2020, month, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(ThrownCode([&] { t = in; }), kKzErrorTime) << "at month " << month;
    ExpectCleared(t, "bad month");
  }
}

TEST(KzTimeSystemTime, DayOfYearAndRoundTrip) {
  TimeZone zone("JST-9");
  struct Row {
    SYSTEMTIME in;
    int yday;
    WORD wday;
  } rows[] = {
      {{2024, 3, 0, 1, 10, 20, 30, 999}, 60, 5},  // leap year: Jan 31 + Feb 29
      {{2023, 3, 0, 1, 10, 20, 30, 0}, 59, 3},
      {{2000, 12, 0, 31, 0, 0, 0, 0}, 365, 0},  // divisible by 400: leap
      {{2001, 12, 0, 31, 23, 59, 59, 0}, 364, 1},
  };
  for (const Row& r : rows) {
    KzTime t;
    const SYSTEMTIME& returned = (t = r.in);
    EXPECT_EQ(&returned, &r.in);
    EXPECT_EQ(static_cast<struct tm>(t).tm_yday, r.yday) << "in " << r.in.wYear;
    const SYSTEMTIME out = t;
    SYSTEMTIME expected = r.in;
    expected.wDayOfWeek = r.wday;
    expected.wMilliseconds = 0;
    EXPECT_EQ(std::memcmp(&out, &expected, sizeof out), 0) << "in " << r.in.wYear;
  }
}

TEST(KzTimeFormat, FormsAndElements) {
  TimeZone zone("JST-9");
  KzTime t;
  t = 1700000000;  // 2023-11-15 07:13:20 JST
  const char* forms[] = {"07:13:20", "23/11/15", "2023/11/15", "23/11/15 07:13:20",
                         "2023/11/15 07:13:20"};
  for (int form = 0; form < 5; ++form) {
    char buffer[64];
    EXPECT_EQ(t.FormatTime(buffer, sizeof buffer, form), static_cast<int>(strlen(forms[form])))
        << "at form " << form;
    EXPECT_STREQ(buffer, forms[form]) << "at form " << form;
  }
  char small[5] = "junk";
  EXPECT_EQ(t.FormatTime(small, sizeof small, 2), 0);
  EXPECT_STREQ(small, "");

  KzString text("old");
  KzTime::GetTimeFormatedString(t, text);
  EXPECT_STREQ(static_cast<const char*>(text), "2023/11/15 07:13");
  unsigned short year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 9;
  KzTime::GetTimeElements(t, &year, &month, &day, &hour, &minute, &second, &ms);
  EXPECT_EQ((std::vector<int>{year, month, day, hour, minute, second, ms}),
            (std::vector<int>{2023, 11, 15, 7, 13, 20, 0}));
  KzTime::GetTimeElements(t, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(KzTimeValue, CurrentTimeAndStoredValues) {
  TimeZone zone("JST-9");
  KzTime now;
  now.GetTime();
  struct tm utc {};
  now.GetUTCTime(utc);
  EXPECT_TRUE(now == static_cast<LONG>(timegm(&utc)));

  KzTime stored;
  EXPECT_EQ(stored.RestoreTimeValue(86400), 1);
  EXPECT_EQ(stored.GetTimeValue(), 86400);
  EXPECT_EQ(LocalOf(stored).hour, 9);
  EXPECT_EQ(stored.RestoreTimeValue(-1), 1);
  ExpectCleared(stored, "restored -1");

  unsigned int elapsed = 7;
  KzTime::SetElapsedTime(elapsed, 0x100000005ULL);
  EXPECT_EQ(elapsed, 5u);
  EXPECT_EQ(KzTime::IsZeroElapsedTime(0), 1);
  EXPECT_EQ(KzTime::IsZeroElapsedTime(elapsed), 0);
}

}  // namespace
