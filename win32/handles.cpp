// The kernel handle table, CloseHandle and WaitForSingleObject.
#include <unordered_map>

#include "win32/handles_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

class HandleTable {
 public:
  HANDLE Add(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(m_mutex);
    // Handles are multiples of 4 like the original's; they are never handed out twice.
    m_next += 4;
    auto handle = reinterpret_cast<HANDLE>(m_next);
    m_objects.emplace(handle, std::move(object));
    return handle;
  }

  std::shared_ptr<KernelObject> Find(HANDLE handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_objects.find(handle);
    return it != m_objects.end() ? it->second : nullptr;
  }

  // The object is destroyed outside the lock: a file's destructor may take time.
  bool Remove(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    {
      std::lock_guard lock(m_mutex);
      auto it = m_objects.find(handle);
      if (it == m_objects.end()) return false;
      object = std::move(it->second);
      m_objects.erase(it);
    }
    return true;
  }

 private:
  std::mutex m_mutex;
  std::uintptr_t m_next = 0x100;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> m_objects;
};

HandleTable& Table() {
  static HandleTable& table = *new HandleTable;
  return table;
}

}  // namespace

void Signal::Set() {
  {
    std::lock_guard lock(m_mutex);
    m_signalled = true;
  }
  if (m_manualReset) {
    m_changed.notify_all();
  } else {
    m_changed.notify_one();
  }
}

void Signal::Reset() {
  std::lock_guard lock(m_mutex);
  m_signalled = false;
}

DWORD Signal::Wait(DWORD milliseconds) {
  std::unique_lock lock(m_mutex);
  auto ready = [this] { return m_signalled; };
  if (milliseconds == INFINITE) {
    m_changed.wait(lock, ready);
  } else if (!m_changed.wait_until(lock, WaitDeadline(milliseconds), ready)) {
    return WAIT_TIMEOUT;
  }
  if (!m_manualReset) m_signalled = false;
  return WAIT_OBJECT_0;
}

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  if (object == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return Table().Add(std::move(object));
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  return Table().Find(handle);
}

bool ReleaseHandle(HANDLE handle) { return Table().Remove(handle); }

}  // namespace win32::detail

extern "C" {

BOOL CloseHandle(HANDLE object) {
  if (object == nullptr || object == INVALID_HANDLE_VALUE ||
      !win32::detail::ReleaseHandle(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return 1;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  auto target = win32::detail::LookupHandle(object);
  if (target == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return target->Wait(milliseconds);
}

}  // extern "C"
