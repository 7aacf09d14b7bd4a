// KzTime: a calendar time of 32-bit seconds since 1970-01-01 00:00 UTC, kept together with its
// broken-down local and UTC forms, plus elapsed-time helpers on the millisecond clock.
//
// The value -1 means "no time"; a cleared time also has both records zero. Conversions that
// fail clear the time and throw 0x20010009. Local time follows the process time zone (TZ).
#pragma once

#include <cstdint>
#include <ctime>

#include "win32/types.h"

class KzString;

class KzTime {
 public:
  // A cleared time.
  KzTime();
  KzTime(const KzTime& other);
  virtual ~KzTime();
  KzTime& operator=(const KzTime& other);

  // Value -1, both records zero.
  void Clear();

  // Sets the value: -1 clears; otherwise both records are computed from it. A conversion
  // failure clears the time and throws 0x20010009.
  KzTime& operator=(LONG value);
  // Sets the time from a local broken-down time (normalised like mktime). A time that cannot
  // be converted or lies outside the 32-bit range clears the time and throws 0x20010009.
  KzTime& operator=(const struct tm& local);
  void MakeTime(const struct tm& local);
  // Sets the time from a local SYSTEMTIME (milliseconds ignored); returns `time`. A month
  // outside 1-12 or a failed conversion clears the time and throws 0x20010009.
  const SYSTEMTIME& operator=(const SYSTEMTIME& time);

  // The local record, and the local time as a SYSTEMTIME (milliseconds 0).
  operator struct tm() const;
  operator SYSTEMTIME() const;

  // Sets the current time from the system clock; a time beyond the 32-bit range or a failed
  // conversion clears the time and throws 0x20010009.
  void GetTime();
  // Copies the UTC record.
  void GetUTCTime(struct tm& out) const;

  // The seconds value (-1 when no time is set).
  LONG GetTimeValue() const { return m_time; }
  // Sets the value as stored in a file: -1 clears; otherwise each record is recomputed, a record
  // whose conversion fails staying as it was. Returns 1 when both converted. Never throws.
  int RestoreTimeValue(LONG value);

  bool operator==(const LONG& value) const { return m_time == value; }
  bool operator!=(const LONG& value) const { return m_time != value; }

  // Formats the local record into `buffer` of `size` bytes (strftime) in form 0-4:
  //   0 "%X"  1 "%y/%m/%d"  2 "%Y/%m/%d"  3 "%y/%m/%d %X"  4 "%Y/%m/%d %X"
  // Returns strftime's count; 0 for another form, a null buffer, size < 1 or a text that does
  // not fit (the buffer then holds "").
  int FormatTime(char* buffer, int size, int form) const;
  static int FormatTime(char* buffer, int size, const struct tm& time, int form);

  // Year, month (1-12), day, hour, minute, second and milliseconds (always 0) of the local
  // time; null pointers are skipped.
  static void GetTimeElements(KzTime& time, unsigned short* year, unsigned short* month,
                              unsigned short* day, unsigned short* hour, unsigned short* minute,
                              unsigned short* second, unsigned short* milliseconds);
  // "YYYY/MM/DD hh:mm" of the local time.
  static void GetTimeFormatedString(KzTime& time, KzString& out);

  // Elapsed time on the millisecond clock (timeGetTime), modulo 2^32.
  static unsigned int StartElapsedTime();
  static unsigned int GetElapsedTime(unsigned int start);
  static int IsZeroElapsedTime(unsigned int elapsed);
  // Stores the low 32 bits of `value`.
  static void SetElapsedTime(unsigned int& elapsed, std::uint64_t value);

 private:
  // Sets the value and both records from `value` (not -1); throws as operator=(LONG).
  void SetValue(std::int64_t value);

  std::int32_t m_time = -1;
  struct tm m_local {};
  struct tm m_utc {};
};
