// Critical sections (recursive mutexes) and events.
#include <atomic>
#include <mutex>
#include <string>
#include <unordered_map>

#include "win32/handles_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

class EventObject : public KernelObject {
 public:
  EventObject(bool manualReset, bool initialState) : m_signal(manualReset, initialState) {}
  DWORD Wait(DWORD milliseconds) override { return m_signal.Wait(milliseconds); }
  void Set() { m_signal.Set(); }
  void Reset() { m_signal.Reset(); }

 private:
  Signal m_signal;
};

// Named events are shared inside the process; the name lives as long as one handle does.
class EventNames {
 public:
  std::shared_ptr<EventObject> Open(const std::string& name, bool manualReset, bool initialState,
                                    bool& existed) {
    std::lock_guard lock(m_mutex);
    std::shared_ptr<EventObject> event = m_events[name].lock();
    existed = event != nullptr;
    if (!existed) {
      event = std::make_shared<EventObject>(manualReset, initialState);
      m_events[name] = event;
    }
    return event;
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<std::string, std::weak_ptr<EventObject>> m_events;
};

EventNames& Names() {
  static EventNames& names = *new EventNames;
  return names;
}

// A zero section (never initialised, or deleted) gets its lock on first use.
std::recursive_mutex* SectionLock(CRITICAL_SECTION* section) {
  std::atomic_ref<void*> impl(section->impl);
  void* current = impl.load(std::memory_order_acquire);
  if (current == nullptr) {
    auto* fresh = new std::recursive_mutex;
    if (impl.compare_exchange_strong(current, fresh, std::memory_order_acq_rel)) {
      current = fresh;
    } else {
      delete fresh;
    }
  }
  return static_cast<std::recursive_mutex*>(current);
}

template <typename Action>
BOOL WithEvent(HANDLE event, Action action) {
  auto object = LookupHandleAs<EventObject>(event);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  action(*object);
  return 1;
}

}  // namespace
}  // namespace win32::detail

extern "C" {

void InitializeCriticalSection(CRITICAL_SECTION* section) {
  section->impl = new std::recursive_mutex;
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
  delete static_cast<std::recursive_mutex*>(section->impl);
  section->impl = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
  win32::detail::SectionLock(section)->lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
  win32::detail::SectionLock(section)->unlock();
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) {
  return win32::detail::SectionLock(section)->try_lock() ? 1 : 0;
}

// A named event opens the existing one of that name when there is one (last error 183) and
// keeps its state; a new named event leaves last error 0.
HANDLE CreateEventA(LPVOID /*security*/, BOOL manualReset, BOOL initialState, LPCSTR name) {
  using win32::detail::EventObject;
  std::shared_ptr<EventObject> event;
  bool existed = false;
  if (name != nullptr && *name != 0) {
    event = win32::detail::Names().Open(name, manualReset != 0, initialState != 0, existed);
  } else {
    event = std::make_shared<EventObject>(manualReset != 0, initialState != 0);
  }
  HANDLE handle = win32::detail::RegisterHandle(event);
  if (handle != nullptr && name != nullptr && *name != 0) {
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  }
  return handle;
}

BOOL SetEvent(HANDLE event) {
  return win32::detail::WithEvent(event, [](auto& e) { e.Set(); });
}

BOOL ResetEvent(HANDLE event) {
  return win32::detail::WithEvent(event, [](auto& e) { e.Reset(); });
}

}  // extern "C"
