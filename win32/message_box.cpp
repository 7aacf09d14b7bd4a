// Message boxes go to a handler the application installs; by default they are written to
// standard error and answered with the safest button.
#include <cstdio>
#include <mutex>

#include "win32/code_page_p.h"
#include "win32/win32.h"

int win32::SafestAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
    case MB_CANCELTRYCONTINUE:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDOK;
  }
}

namespace win32::detail {
namespace {

int PrintToStandardError(HWND, const char* text, const char* caption, UINT type) {
  const std::string title = Cp932ToUtf8Lenient(caption != nullptr ? caption : "Error");
  const std::string body = Cp932ToUtf8Lenient(text != nullptr ? text : "");
  std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
  return SafestAnswer(type);
}

class HandlerSlot {
 public:
  win32::MessageBoxHandler Get() {
    std::lock_guard lock(m_mutex);
    return m_handler ? m_handler : PrintToStandardError;
  }
  void Set(win32::MessageBoxHandler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
  }

 private:
  std::mutex m_mutex;
  win32::MessageBoxHandler m_handler;
};

HandlerSlot& Slot() {
  static HandlerSlot& slot = *new HandlerSlot;
  return slot;
}

}  // namespace
}  // namespace win32::detail

namespace win32 {

void SetMessageBoxHandler(MessageBoxHandler handler) { detail::Slot().Set(std::move(handler)); }

}  // namespace win32

extern "C" {

// The handler runs outside any lock: it may show further boxes or install another handler.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return win32::detail::Slot().Get()(owner, text, caption, type);
}

}  // extern "C"
