// String resources: per-module tables of English and Japanese texts, registered at start-up.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

constexpr int kEnglish = 1033;
constexpr int kJapanese = 1041;
constexpr DWORD kErrorResourceNameNotFound = 1814;

using StringTable = std::unordered_map<UINT, const tagTQSTRINGRES*>;

struct Registry {
  std::mutex mutex;
  std::unordered_map<HINSTANCE, StringTable> tables;
};

// Never destroyed: libraries unregister their tables from their own static destructors, in
// whatever order the process runs them.
Registry& GetRegistry() {
  static Registry* const registry = new Registry;
  return *registry;
}

std::atomic<int> g_language{0};  // 0: follow the locale

const tagTQSTRINGRES* FindEntry(HINSTANCE module, UINT id) {
  Registry& registry = GetRegistry();
  std::lock_guard lock(registry.mutex);
  auto table = registry.tables.find(module);
  if (table == registry.tables.end()) return nullptr;
  auto entry = table->second.find(id);
  return entry == table->second.end() ? nullptr : entry->second;
}

bool HasText(const char* text) { return text != nullptr && *text != 0; }

}  // namespace

extern "C" {

void tqRegisterStringTable(HINSTANCE module, const tagTQSTRINGRES* entries, int count) {
  StringTable table;
  if (entries != nullptr) {
    for (int i = 0; i < count; ++i) table.emplace(entries[i].id, &entries[i]);
  }
  Registry& registry = GetRegistry();
  std::lock_guard lock(registry.mutex);
  if (table.empty()) {
    registry.tables.erase(module);
  } else {
    registry.tables[module] = std::move(table);
  }
}

int tqLoadString(HINSTANCE module, UINT id, UINT /*selector*/, char* buffer, int size) {
  if (buffer == nullptr || size < 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  buffer[0] = 0;
  const tagTQSTRINGRES* entry = FindEntry(module, id);
  const char* text = nullptr;
  if (entry != nullptr) {
    text =
        tqGetLanguage() == kJapanese && HasText(entry->japanese) ? entry->japanese : entry->english;
  }
  if (text == nullptr) {
    SetLastError(kErrorResourceNameNotFound);
    return 0;
  }
  std::size_t length = std::strlen(text);
  if (length > static_cast<std::size_t>(size - 1)) {
    length = static_cast<std::size_t>(size - 1);
    // Cutting between a lead byte and its trail byte would leave half a character.
    if (tqIsDoubleByteCheckEx(text, static_cast<int>(length))) --length;
  }
  std::memcpy(buffer, text, length);
  buffer[length] = 0;
  return static_cast<int>(length);
}

int tqGetLanguage() {
  int language = g_language.load(std::memory_order_relaxed);
  if (language != 0) return language;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (HasText(value)) {
      return std::string_view(value).starts_with("ja") ? kJapanese : kEnglish;
    }
  }
  return kEnglish;
}

void tqSetLanguage(int language) { g_language.store(language, std::memory_order_relaxed); }

}  // extern "C"
