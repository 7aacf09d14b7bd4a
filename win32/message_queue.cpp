// Per-thread message queues: posting from any thread, peeking and dispatching on the owner.
#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "win32/message_queue_p.h"
#include "win32/threads_p.h"
#include "win32/win32.h"
#include "win32/windows_p.h"

namespace win32::detail {
namespace {

struct Queue {
  std::mutex mutex;
  std::deque<MSG> messages;
};

class Queues {
 public:
  std::shared_ptr<Queue> Get(DWORD threadId, bool create) {
    std::lock_guard lock(m_mutex);
    auto it = m_queues.find(threadId);
    if (it != m_queues.end()) return it->second;
    if (!create) return nullptr;
    auto queue = std::make_shared<Queue>();
    m_queues.emplace(threadId, queue);
    return queue;
  }
  void Drop(DWORD threadId) {
    std::lock_guard lock(m_mutex);
    m_queues.erase(threadId);
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<DWORD, std::shared_ptr<Queue>> m_queues;
};

Queues& AllQueues() {
  static Queues& queues = *new Queues;
  return queues;
}

// HWND value that PeekMessageA takes for "messages posted to the thread only".
HWND ThreadMessagesOnly() { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)); }

LRESULT CallWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
  if (proc != nullptr) return proc(window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool PostToThread(DWORD threadId, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsLiveThread(threadId)) return false;
  auto queue = AllQueues().Get(threadId, true);
  MSG msg{window, message, wParam, lParam, GetTickCount(), {0, 0}};
  std::lock_guard lock(queue->mutex);
  queue->messages.push_back(msg);
  return true;
}

void DropThreadQueue(DWORD threadId) { AllQueues().Drop(threadId); }

void PurgeWindowMessages(DWORD threadId, HWND window) {
  auto queue = AllQueues().Get(threadId, false);
  if (queue == nullptr) return;
  std::lock_guard lock(queue->mutex);
  std::erase_if(queue->messages, [window](const MSG& m) { return m.hwnd == window; });
}

}  // namespace win32::detail

extern "C" {

// Window filter: null = every message of the thread; (HWND)-1 = messages posted to the thread
// without a window; a window = messages for it and its descendants. Message filter 0, 0 = all.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const bool threadOnly = window == win32::detail::ThreadMessagesOnly();
  std::unordered_set<HWND> accepted;
  if (window != nullptr && !threadOnly) {
    const auto tree = win32::detail::WindowAndDescendants(window);
    if (tree.empty()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    accepted.insert(tree.begin(), tree.end());
  }
  auto queue = win32::detail::AllQueues().Get(GetCurrentThreadId(), false);
  if (queue == nullptr) return 0;
  const bool allMessages = filterMin == 0 && filterMax == 0;
  std::lock_guard lock(queue->mutex);
  auto it = std::find_if(queue->messages.begin(), queue->messages.end(), [&](const MSG& m) {
    const bool windowMatches =
        window == nullptr || (threadOnly ? m.hwnd == nullptr : accepted.count(m.hwnd) != 0);
    const bool messageMatches = allMessages || (m.message >= filterMin && m.message <= filterMax);
    return windowMatches && messageMatches;
  });
  if (it == queue->messages.end()) return 0;
  *msg = *it;
  if (removeFlags & PM_REMOVE) queue->messages.erase(it);
  return 1;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (msg->hwnd == nullptr) return 0;
  if (!IsWindow(msg->hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return win32::detail::CallWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

// A null window posts to the calling thread; HWND_BROADCAST posts to every top-level window.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == nullptr) {
    return PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam);
  }
  if (window == HWND_BROADCAST) {
    for (HWND top : win32::detail::TopLevelWindows()) {
      win32::detail::PostToThread(win32::detail::WindowThread(top), top, message, wParam, lParam);
    }
    return 1;
  }
  if (!win32::detail::PostToThread(win32::detail::WindowThread(window), window, message, wParam,
                                   lParam)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return 1;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!win32::detail::PostToThread(threadId, nullptr, message, wParam, lParam)) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return 0;
  }
  return 1;
}

// The procedure runs on the calling thread, also for a window of another thread: there is no
// window system to marshal the call.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == HWND_BROADCAST) {
    for (HWND top : win32::detail::TopLevelWindows()) {
      win32::detail::CallWindow(top, message, wParam, lParam);
    }
    return 0;
  }
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return win32::detail::CallWindow(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND /*window*/, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  return message == WM_NCHITTEST ? HTCLIENT : 0;
}

}  // extern "C"
