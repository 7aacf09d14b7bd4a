// Abort polling: a process-wide request flag that the application raises (the command-line
// tool from its SIGINT handler) and long operations poll.
#include <atomic>

#include "tqwutl/tqwutl.h"

namespace {

// Lock-free, so that raising it from a signal handler is safe.
std::atomic<int> g_abortRequest{0};
static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

extern "C" {

int tqAbort() { return g_abortRequest.load(std::memory_order_acquire) != 0 ? 1 : 0; }

int tqAbortEx() { return tqAbort(); }

void tqSetAbortRequest(int raised) {
  g_abortRequest.store(raised != 0 ? 1 : 0, std::memory_order_release);
}

}  // extern "C"
