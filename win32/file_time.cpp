// FILETIME conversions: 100 ns ticks since 1601-01-01 UTC.
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "win32/file_system_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr std::int64_t kSecondsPerDay = 86'400;

std::uint64_t Ticks(const FILETIME& t) {
  return std::uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// The local time zone's offset from UTC, in seconds, at a moment.
std::int64_t LocalOffset(std::int64_t unixSeconds) {
  const auto t = static_cast<std::time_t>(unixSeconds);
  std::tm parts{};
  if (localtime_r(&t, &parts) == nullptr) return 0;
  return parts.tm_gmtoff;
}

std::int64_t UnixSeconds(std::uint64_t ticks) {
  return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
}

bool Arguments(const void* in, const void* out) {
  if (in != nullptr && out != nullptr) return true;
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

// Stores ticks + delta through `out`; false with last error 87 when the sum leaves 0..2^64-1.
bool StoreShifted(std::uint64_t ticks, std::int64_t delta, FILETIME* out) {
  if ((delta < 0 && ticks < static_cast<std::uint64_t>(-delta)) ||
      (delta > 0 && ticks > UINT64_MAX - static_cast<std::uint64_t>(delta))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  *out = FromTicks(ticks + static_cast<std::uint64_t>(delta));
  return true;
}

}  // namespace

FILETIME ToFileTime(const timespec& time) {
  const std::int64_t seconds = time.tv_sec + kSecondsFrom1601To1970;
  if (seconds < 0) return {0, 0};
  return FromTicks(static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
                   static_cast<std::uint64_t>(time.tv_nsec) / 100);
}

timespec FromFileTime(const FILETIME& time) {
  const std::uint64_t ticks = Ticks(time);
  timespec out{};
  out.tv_sec = static_cast<std::time_t>(UnixSeconds(ticks));
  out.tv_nsec = static_cast<long>(ticks % kTicksPerSecond) * 100;
  return out;
}

bool ReadFileTimes(int dirFd, const char* path, int flags, FileTimes& out) {
  struct statx sx {};
  if (statx(dirFd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
  auto convert = [](const statx_timestamp& t) {
    timespec ts{};
    ts.tv_sec = static_cast<std::time_t>(t.tv_sec);
    ts.tv_nsec = static_cast<long>(t.tv_nsec);
    return ts;
  };
  out.lastAccess = convert(sx.stx_atime);
  out.lastWrite = convert(sx.stx_mtime);
  out.creation = (sx.stx_mask & STATX_BTIME) ? convert(sx.stx_btime) : out.lastWrite;
  return true;
}

}  // namespace win32::detail

extern "C" {

void GetSystemTimeAsFileTime(FILETIME* out) {
  if (out == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  *out = win32::detail::ToFileTime(now);
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
  using namespace win32::detail;
  if (!Arguments(fileTime, localFileTime)) return 0;
  const std::uint64_t ticks = Ticks(*fileTime);
  const std::int64_t offset = LocalOffset(UnixSeconds(ticks)) * kTicksPerSecond;
  return StoreShifted(ticks, offset, localFileTime) ? 1 : 0;
}

// The offset is the one in force at the resulting UTC moment (found in two steps).
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime) {
  using namespace win32::detail;
  if (!Arguments(localFileTime, fileTime)) return 0;
  const std::uint64_t local = Ticks(*localFileTime);
  const std::int64_t guess = UnixSeconds(local) - LocalOffset(UnixSeconds(local));
  const std::int64_t offset = LocalOffset(guess) * kTicksPerSecond;
  return StoreShifted(local, -offset, fileTime) ? 1 : 0;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
  using namespace win32::detail;
  if (!Arguments(fileTime, systemTime)) return 0;
  const std::uint64_t ticks = Ticks(*fileTime);
  if (ticks > static_cast<std::uint64_t>(INT64_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto totalSeconds = static_cast<std::int64_t>(ticks / kTicksPerSecond);
  const std::int64_t days = totalSeconds / kSecondsPerDay;
  const std::int64_t seconds = totalSeconds % kSecondsPerDay;
  std::int64_t year;
  unsigned month, day;
  CivilFromDays(days - kSecondsFrom1601To1970 / kSecondsPerDay, year, month, day);
  systemTime->wYear = static_cast<WORD>(year);
  systemTime->wMonth = static_cast<WORD>(month);
  systemTime->wDay = static_cast<WORD>(day);
  systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  systemTime->wHour = static_cast<WORD>(seconds / 3600);
  systemTime->wMinute = static_cast<WORD>(seconds / 60 % 60);
  systemTime->wSecond = static_cast<WORD>(seconds % 60);
  systemTime->wMilliseconds = static_cast<WORD>(ticks % kTicksPerSecond / 10'000);
  return 1;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
  using namespace win32::detail;
  if (!Arguments(systemTime, fileTime)) return 0;
  const SYSTEMTIME& s = *systemTime;
  if (s.wYear < 1601 || s.wYear > 30827 || s.wMonth < 1 || s.wMonth > 12 || s.wDay < 1 ||
      s.wDay > DaysInMonth(s.wYear, s.wMonth) || s.wHour > 23 || s.wMinute > 59 || s.wSecond > 59 ||
      s.wMilliseconds > 999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::int64_t days =
      DaysFromCivil(s.wYear, s.wMonth, s.wDay) + kSecondsFrom1601To1970 / kSecondsPerDay;
  const std::int64_t seconds = days * kSecondsPerDay + s.wHour * 3600 + s.wMinute * 60 + s.wSecond;
  *fileTime = FromTicks(static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
                        std::uint64_t{s.wMilliseconds} * 10'000);
  return 1;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  const std::uint64_t ta = win32::detail::Ticks(*a);
  const std::uint64_t tb = win32::detail::Ticks(*b);
  return ta < tb ? -1 : ta > tb ? 1 : 0;
}

}  // extern "C"
