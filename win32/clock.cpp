// Clocks: monotonic milliseconds and the calendar time.
#include <ctime>

#include "win32/win32.h"

namespace win32::detail {
namespace {

ULONGLONG MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<ULONGLONG>(now.tv_sec) * 1000u +
         static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}

void Fill(SYSTEMTIME* out, bool local) {
  if (out == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  if (local) {
    localtime_r(&now.tv_sec, &parts);
  } else {
    gmtime_r(&now.tv_sec, &parts);
  }
  out->wYear = static_cast<WORD>(parts.tm_year + 1900);
  out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
  out->wDay = static_cast<WORD>(parts.tm_mday);
  out->wHour = static_cast<WORD>(parts.tm_hour);
  out->wMinute = static_cast<WORD>(parts.tm_min);
  out->wSecond = static_cast<WORD>(parts.tm_sec > 59 ? 59 : parts.tm_sec);  // no leap second
  out->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

}  // namespace
}  // namespace win32::detail

extern "C" {

DWORD timeGetTime() { return static_cast<DWORD>(win32::detail::MonotonicMilliseconds()); }

DWORD GetTickCount() { return static_cast<DWORD>(win32::detail::MonotonicMilliseconds()); }

ULONGLONG GetTickCount64() { return win32::detail::MonotonicMilliseconds(); }

void GetLocalTime(SYSTEMTIME* out) { win32::detail::Fill(out, true); }

void GetSystemTime(SYSTEMTIME* out) { win32::detail::Fill(out, false); }

}  // extern "C"
