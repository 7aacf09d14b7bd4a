#include "kz/foundation/library_init.h"

#include <new>

#include "kz/foundation/string_table.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

const char s_anchor = 0;  // an address inside this library

struct LibraryModule {
  HINSTANCE module;
  LibraryModule() : module(win32::ModuleFromAddress(&s_anchor)) {
    const auto table = kzGetLibraryStringTable();
    tqRegisterStringTable(module, table.data(), static_cast<int>(table.size()));
  }
};

// Recorded on first use, so that callers running before this file's own initialiser (another
// translation unit's static object) find the module and its strings too.
const LibraryModule& Module() {
  static const LibraryModule s_module;
  return s_module;
}

[[noreturn]] void ThrowBadAlloc() { throw std::bad_alloc(); }

class LoadRoutine {
 public:
  LoadRoutine() : m_previous(std::set_new_handler(ThrowBadAlloc)) { Module(); }
  LoadRoutine(const LoadRoutine&) = delete;
  LoadRoutine& operator=(const LoadRoutine&) = delete;
  ~LoadRoutine() {
    // Someone may have installed a handler of their own since; that one stays.
    if (std::get_new_handler() == ThrowBadAlloc) std::set_new_handler(m_previous);
    tqRegisterStringTable(Module().module, nullptr, 0);
  }

 private:
  std::new_handler m_previous;
};

LoadRoutine s_loadRoutine;

}  // namespace

HINSTANCE kzGetLibraryModule() { return Module().module; }
