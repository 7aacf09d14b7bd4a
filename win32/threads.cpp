// Threads on pthreads: ids, CreateThread and _beginthreadex, exit codes, sleeping, COM no-ops.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <functional>
#include <thread>
#include <unordered_set>

#include "win32/handles_p.h"
#include "win32/message_queue_p.h"
#include "win32/threads_p.h"
#include "win32/win32.h"
#include "win32/windows_p.h"

namespace win32::detail {
namespace {

class LiveThreads {
 public:
  DWORD Allocate() {
    std::lock_guard lock(m_mutex);
    const DWORD id = ++m_next;
    m_live.insert(id);
    return id;
  }
  void End(DWORD id) {
    std::lock_guard lock(m_mutex);
    m_live.erase(id);
  }
  bool IsLive(DWORD id) {
    std::lock_guard lock(m_mutex);
    return m_live.count(id) != 0;
  }

 private:
  std::mutex m_mutex;
  DWORD m_next = 0;
  std::unordered_set<DWORD> m_live;
};

LiveThreads& Threads() {
  static LiveThreads& threads = *new LiveThreads;
  return threads;
}

// The calling thread's id; at thread exit its windows and message queue go with it.
class ThreadIdentity {
 public:
  ~ThreadIdentity() { End(); }
  DWORD Id() {
    if (m_id == 0) m_id = Threads().Allocate();
    return m_id;
  }
  void Adopt(DWORD id) { m_id = id; }
  void End() {
    if (m_id == 0 || m_ended) return;
    m_ended = true;
    ForgetThreadWindows(m_id);
    DropThreadQueue(m_id);
    Threads().End(m_id);
  }

 private:
  DWORD m_id = 0;
  bool m_ended = false;
};

thread_local ThreadIdentity t_identity;

class ThreadObject : public KernelObject {
 public:
  explicit ThreadObject(bool suspended) : m_suspended(suspended) {}
  DWORD Wait(DWORD milliseconds) override { return m_done.Wait(milliseconds); }

  // Blocks a thread created suspended until ResumeThread.
  void WaitUntilResumed() {
    std::unique_lock lock(m_mutex);
    m_resumed.wait(lock, [this] { return !m_suspended; });
  }
  // Returns the suspend count before the call (1 or 0).
  DWORD Resume() {
    std::lock_guard lock(m_mutex);
    const DWORD previous = m_suspended ? 1 : 0;
    m_suspended = false;
    m_resumed.notify_all();
    return previous;
  }
  void Finish(DWORD code) {
    m_exitCode.store(code);
    m_done.Set();
  }
  DWORD ExitCode() const { return m_exitCode.load(); }

 private:
  Signal m_done{true, false};
  std::atomic<DWORD> m_exitCode{STILL_ACTIVE};
  std::mutex m_mutex;
  std::condition_variable m_resumed;
  bool m_suspended;
};

struct ThreadStart {
  std::shared_ptr<ThreadObject> object;
  std::function<DWORD()> body;
  DWORD id;
};

void* RunThread(void* argument) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
  t_identity.Adopt(start->id);
  start->object->WaitUntilResumed();
  const DWORD code = start->body();
  // The thread's windows and queue are gone before anyone waiting sees it end.
  t_identity.End();
  start->object->Finish(code);
  return nullptr;
}

// Starts a thread running `body`; null with the last error set on failure.
HANDLE StartThread(std::function<DWORD()> body, std::size_t stackSize, DWORD flags,
                   DWORD* threadId) {
  if ((flags & ~CREATE_SUSPENDED) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_shared<ThreadObject>((flags & CREATE_SUSPENDED) != 0);
  const DWORD id = Threads().Allocate();
  HANDLE handle = RegisterHandle(object);
  auto start = std::make_unique<ThreadStart>(ThreadStart{object, std::move(body), id});

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stackSize != 0) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::size_t size = std::max<std::size_t>(stackSize, PTHREAD_STACK_MIN);
    size = (size + page - 1) / page * page;
    pthread_attr_setstacksize(&attributes, size);
  }
  pthread_t thread;
  const int error = pthread_create(&thread, &attributes, RunThread, start.get());
  pthread_attr_destroy(&attributes);
  if (error != 0) {
    ReleaseHandle(handle);
    Threads().End(id);
    SetLastError(error == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : win32::ErrorFromErrno(error));
    return nullptr;
  }
  start.release();  // the thread owns it now
  if (threadId != nullptr) *threadId = id;
  return handle;
}

}  // namespace

bool IsLiveThread(DWORD threadId) { return threadId != 0 && Threads().IsLive(threadId); }

}  // namespace win32::detail

extern "C" {

// Flags: 0 or CREATE_SUSPENDED (then ResumeThread starts it). The stack size is rounded up to
// whole pages and at least the system minimum; 0 takes the default.
HANDLE CreateThread(LPVOID /*security*/, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID param, DWORD creationFlags, LPDWORD threadId) {
  if (start == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return win32::detail::StartThread([start, param] { return start(param); }, stackSize,
                                    creationFlags, threadId);
}

// Like the C runtime: 0 on failure with errno set (EAGAIN for resources, EINVAL for arguments).
std::uintptr_t _beginthreadex(void* /*security*/, unsigned stackSize, unsigned (*start)(void*),
                              void* arg, unsigned initFlag, unsigned* threadId) {
  if (start == nullptr) {
    errno = EINVAL;
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD id = 0;
  HANDLE handle = win32::detail::StartThread(
      [start, arg] { return static_cast<DWORD>(start(arg)); }, stackSize, initFlag, &id);
  if (handle == nullptr) {
    errno = GetLastError() == ERROR_INVALID_PARAMETER ? EINVAL : EAGAIN;
    return 0;
  }
  if (threadId != nullptr) *threadId = id;
  return reinterpret_cast<std::uintptr_t>(handle);
}

DWORD ResumeThread(HANDLE thread) {
  auto object = win32::detail::LookupHandleAs<win32::detail::ThreadObject>(thread);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return object->Resume();
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  auto object = win32::detail::LookupHandleAs<win32::detail::ThreadObject>(thread);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (exitCode == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  *exitCode = object->ExitCode();
  return 1;
}

DWORD GetCurrentThreadId() { return win32::detail::t_identity.Id(); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

// Sleep(0) gives up the rest of the time slice; INFINITE never returns.
void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) pause();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

LONG CoInitialize(LPVOID /*reserved*/) { return S_OK; }

void CoUninitialize() {}

}  // extern "C"
