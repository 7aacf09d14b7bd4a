#include "kz/persistence/time_archive.h"

KzArchive& operator<<(KzArchive& archive, const KzTime& time) {
  return archive << time.GetTimeValue();
}

KzArchive& operator>>(KzArchive& archive, KzTime& time) {
  LONG value = 0;
  archive >> value;
  time.RestoreTimeValue(value);  // -1 clears
  return archive;
}
