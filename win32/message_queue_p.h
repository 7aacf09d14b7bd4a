// Per-thread message queues, as the window registry and the thread services reach them.
#pragma once

#include "win32/types.h"

namespace win32::detail {

// Appends a message to a thread's queue (made on first use); safe from any thread. False when
// no such thread is alive.
bool PostToThread(DWORD threadId, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Drops a thread's queue when the thread ends.
void DropThreadQueue(DWORD threadId);
// Removes the messages queued for a window that is being destroyed.
void PurgeWindowMessages(DWORD threadId, HWND window);

}  // namespace win32::detail
