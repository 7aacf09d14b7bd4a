// Thread identities of the stand-in: small non-zero ids handed out once per thread, and the
// set of threads alive, which message posting checks.
#pragma once

#include "win32/types.h"

namespace win32::detail {

// True while the thread with this id has not ended.
bool IsLiveThread(DWORD threadId);

}  // namespace win32::detail
