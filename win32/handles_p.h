// Kernel handles of the stand-in: events, threads and files share one handle table, so that
// CloseHandle and WaitForSingleObject serve them all. Objects are reference-counted: a handle
// holds one reference, and a running thread holds its own, so closing the handle of a running
// thread is safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "win32/types.h"

namespace win32::detail {

// A signalled state that threads wait for; auto-reset signals release one waiter each.
class Signal {
 public:
  Signal(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}
  void Set();
  void Reset();
  // WAIT_OBJECT_0 when signalled within `milliseconds` (INFINITE: no limit), else WAIT_TIMEOUT.
  DWORD Wait(DWORD milliseconds);

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  const bool m_manualReset;
  bool m_signalled;
};

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Waits until the object is signalled; objects without a state answer at once.
  virtual DWORD Wait(DWORD milliseconds) = 0;
};

// Adds an object to the table and returns its new handle (never reused while the process
// lives), or null with last error 8.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
// The object of a handle, or null (last error untouched).
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Removes a handle from the table; false when it was not there.
bool ReleaseHandle(HANDLE handle);

// The deadline of a wait of `milliseconds` (a finite wait).
inline std::chrono::steady_clock::time_point WaitDeadline(DWORD milliseconds) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

}  // namespace win32::detail
