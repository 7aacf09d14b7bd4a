// KzTime: seconds since 1970 with their local and UTC records.
#include "kz/foundation/kztime.h"

#include <cstring>
#include <iterator>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring.h"
#include "win32/win32.h"

namespace {

constexpr const char* kTimeForms[] = {"%X", "%y/%m/%d", "%Y/%m/%d", "%y/%m/%d %X", "%Y/%m/%d %X"};

// Days before each month of a common year.
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool FitsValue(std::int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

}  // namespace

KzTime::KzTime() = default;
KzTime::KzTime(const KzTime& other) = default;
KzTime::~KzTime() = default;
KzTime& KzTime::operator=(const KzTime& other) = default;

void KzTime::Clear() {
  m_time = -1;
  m_local = {};
  m_utc = {};
}

void KzTime::SetValue(std::int64_t value) {
  struct tm utc {};
  struct tm local {};
  const time_t seconds = static_cast<time_t>(value);
  if (!FitsValue(value) || gmtime_r(&seconds, &utc) == nullptr ||
      localtime_r(&seconds, &local) == nullptr) {
    Clear();
    kzThrowError(kKzErrorTime);
  }
  m_time = static_cast<std::int32_t>(value);
  m_utc = utc;
  m_local = local;
}

KzTime& KzTime::operator=(LONG value) {
  if (value == -1) {
    Clear();
  } else {
    SetValue(value);
  }
  return *this;
}

KzTime& KzTime::operator=(const struct tm& local) {
  MakeTime(local);
  return *this;
}

void KzTime::MakeTime(const struct tm& local) {
  struct tm copy = local;
  const time_t seconds = mktime(&copy);
  if (seconds == static_cast<time_t>(-1)) {
    Clear();
    kzThrowError(kKzErrorTime);
  }
  SetValue(static_cast<std::int64_t>(seconds));
}

const SYSTEMTIME& KzTime::operator=(const SYSTEMTIME& time) {
  if (time.wMonth < 1 || time.wMonth > 12) {
    Clear();
    kzThrowError(kKzErrorTime);
  }
  struct tm local {};
  local.tm_year = time.wYear - 1900;
  local.tm_mon = time.wMonth - 1;
  local.tm_mday = time.wDay;
  local.tm_hour = time.wHour;
  local.tm_min = time.wMinute;
  local.tm_sec = time.wSecond;
  local.tm_wday = time.wDayOfWeek;
  local.tm_yday = kDaysBeforeMonth[local.tm_mon] + time.wDay - 1 +
                  ((time.wMonth > 2 && IsLeapYear(time.wYear)) ? 1 : 0);
  local.tm_isdst = 0;
  MakeTime(local);
  return time;
}

KzTime::operator struct tm() const { return m_local; }

KzTime::operator SYSTEMTIME() const {
  SYSTEMTIME out{};
  out.wYear = static_cast<WORD>(m_local.tm_year + 1900);
  out.wMonth = static_cast<WORD>(m_local.tm_mon + 1);
  out.wDayOfWeek = static_cast<WORD>(m_local.tm_wday);
  out.wDay = static_cast<WORD>(m_local.tm_mday);
  out.wHour = static_cast<WORD>(m_local.tm_hour);
  out.wMinute = static_cast<WORD>(m_local.tm_min);
  out.wSecond = static_cast<WORD>(m_local.tm_sec);
  out.wMilliseconds = 0;
  return out;
}

void KzTime::GetTime() {
  const time_t now = time(nullptr);
  if (now == static_cast<time_t>(-1)) {
    Clear();
    kzThrowError(kKzErrorTime);
  }
  SetValue(static_cast<std::int64_t>(now));
}

void KzTime::GetUTCTime(struct tm& out) const { out = m_utc; }

int KzTime::RestoreTimeValue(LONG value) {
  if (value == -1) {
    Clear();
    return 1;
  }
  m_time = value;
  const time_t seconds = value;
  struct tm record {};
  int converted = 1;
  if (gmtime_r(&seconds, &record) != nullptr) {
    m_utc = record;
  } else {
    converted = 0;
  }
  if (localtime_r(&seconds, &record) != nullptr) {
    m_local = record;
  } else {
    converted = 0;
  }
  return converted;
}

int KzTime::FormatTime(char* buffer, int size, int form) const {
  return FormatTime(buffer, size, m_local, form);
}

int KzTime::FormatTime(char* buffer, int size, const struct tm& time, int form) {
  if (buffer == nullptr || size < 1) return 0;
  buffer[0] = '\0';
  if (form < 0 || form >= static_cast<int>(std::size(kTimeForms))) return 0;
  const size_t written = strftime(buffer, static_cast<size_t>(size), kTimeForms[form], &time);
  if (written == 0) buffer[0] = '\0';
  return static_cast<int>(written);
}

void KzTime::GetTimeElements(KzTime& time, unsigned short* year, unsigned short* month,
                             unsigned short* day, unsigned short* hour, unsigned short* minute,
                             unsigned short* second, unsigned short* milliseconds) {
  const struct tm& local = time.m_local;
  if (year != nullptr) *year = static_cast<unsigned short>(local.tm_year + 1900);
  if (month != nullptr) *month = static_cast<unsigned short>(local.tm_mon + 1);
  if (day != nullptr) *day = static_cast<unsigned short>(local.tm_mday);
  if (hour != nullptr) *hour = static_cast<unsigned short>(local.tm_hour);
  if (minute != nullptr) *minute = static_cast<unsigned short>(local.tm_min);
  if (second != nullptr) *second = static_cast<unsigned short>(local.tm_sec);
  if (milliseconds != nullptr) *milliseconds = 0;
}

void KzTime::GetTimeFormatedString(KzTime& time, KzString& out) {
  const struct tm& local = time.m_local;
  out.Format("%04d/%02d/%02d %02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min);
}

unsigned int KzTime::StartElapsedTime() { return timeGetTime(); }

unsigned int KzTime::GetElapsedTime(unsigned int start) { return timeGetTime() - start; }

int KzTime::IsZeroElapsedTime(unsigned int elapsed) { return elapsed == 0 ? 1 : 0; }

void KzTime::SetElapsedTime(unsigned int& elapsed, std::uint64_t value) {
  elapsed = static_cast<unsigned int>(value & 0xFFFFFFFFu);
}
