// Fault injection into the file services, for tests of the layers above: the next reads or
// writes fail as a full disk or a broken device would make them fail.
#pragma once

#include "win32/types.h"

namespace win32 {

// The next `count` WriteFile calls (process-wide) fail with `error` before touching the file,
// reporting 0 bytes written. Count 0 disarms.
void FailNextFileWrites(int count, DWORD error);
// The same for ReadFile.
void FailNextFileReads(int count, DWORD error);

}  // namespace win32
