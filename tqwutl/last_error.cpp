// The last error: one thread-local value, kept by the Win32 stand-in and read by both names.
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

extern "C" {

int tqGetLastError() { return static_cast<int>(GetLastError()); }

void tqSetLastError(int code) { SetLastError(static_cast<DWORD>(code)); }

}  // extern "C"
