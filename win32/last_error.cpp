// The thread's last error, shared by every service of the stand-in and by the utility library.
#include "win32/win32.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}  // namespace

extern "C" {

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

}  // extern "C"
