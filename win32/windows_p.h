// The window registry, as the message queues and the thread services reach it.
#pragma once

#include <vector>

#include "win32/types.h"

namespace win32::detail {

// Removes every window of an ended thread without sending messages.
void ForgetThreadWindows(DWORD threadId);
// The thread owning a window, or 0 when the handle is not a window (last error untouched).
DWORD WindowThread(HWND window);
// A window and all of its descendants, or empty when it is not a window.
std::vector<HWND> WindowAndDescendants(HWND window);
// The top-level windows of every thread, in z-order.
std::vector<HWND> TopLevelWindows();

}  // namespace win32::detail
