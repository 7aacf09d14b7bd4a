// Module handles and file names: a module is a loaded ELF object, and its handle is the start
// of its mapping (what dladdr reports as the base), however the handle is reached.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "win32/code_page_p.h"
#include "win32/paths.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

struct LoadedModule {
  HMODULE handle;
  std::string path;  // as the dynamic loader found it (a link, maybe)
};

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// The loaded objects in load order; the main executable comes first.
std::vector<LoadedModule> LoadedModules() {
  std::vector<LoadedModule> modules;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          if (info->dlpi_phdr[i].p_type != PT_LOAD) continue;
          const auto* inside =
              reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
          auto* list = static_cast<std::vector<LoadedModule>*>(data);
          HMODULE handle = win32::ModuleFromAddress(inside);
          if (handle != nullptr) {
            const bool main = list->empty();
            list->push_back({handle, main ? ExecutablePath() : std::string(info->dlpi_name)});
          }
          break;
        }
        return 0;
      },
      &modules);
  return modules;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string result(resolved);
  std::free(resolved);
  return result;
}

// "libkz.so" names "libkz.so", "libkz.so.0" and "libkz.so.0.1.0"; so does "libkz.so.0".
bool NamesFile(const std::string& name, const std::string& file) {
  return file == name || (file.size() > name.size() && file.compare(0, name.size(), name) == 0 &&
                          file[name.size()] == '.');
}

bool Matches(const LoadedModule& module, const std::string& name, bool byPath) {
  if (module.path.empty()) return false;
  const std::string real = RealPath(module.path);
  if (byPath) return !real.empty() && real == RealPath(name);
  return NamesFile(name, BaseName(module.path)) || NamesFile(name, BaseName(real));
}

std::string ModulePath(HMODULE module) {
  const auto modules = LoadedModules();
  if (module == nullptr) return modules.empty() ? ExecutablePath() : modules.front().path;
  for (const auto& m : modules) {
    if (m.handle == module) return m.path;
  }
  return {};
}

// The longest prefix of at most `limit` bytes that does not split a double-byte character.
std::size_t WholeCharacters(const std::string& text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t step =
        IsCp932LeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
    if (end + step > limit) break;
    end += step;
  }
  return end;
}

}  // namespace
}  // namespace win32::detail

namespace win32 {

HMODULE ModuleFromAddress(const void* address) {
  Dl_info info;
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fbase == nullptr) {
    return nullptr;
  }
  return static_cast<HMODULE>(info.dli_fbase);
}

}  // namespace win32

extern "C" {

// A name with a slash or backslash is a path (library form) compared after resolving links;
// a bare name matches a loaded file name, with or without the version suffixes.
HMODULE GetModuleHandleA(LPCSTR name) {
  const auto modules = win32::detail::LoadedModules();
  if (name == nullptr) {
    if (!modules.empty()) return modules.front().handle;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const bool byPath = std::strpbrk(name, "\\/") != nullptr;
  const std::string wanted = byPath ? win32::ToNativePath(name) : std::string(name);
  if (!wanted.empty()) {
    for (const auto& m : modules) {
      if (win32::detail::Matches(m, wanted, byPath)) return m.handle;
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

// The path in the library's form (code page 932, backslashes). When it does not fit, the
// buffer gets as much as fits without splitting a character, zero-terminated, and the result
// is `size` with last error 122, as on the original.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (buffer == nullptr && size != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string native = win32::detail::ModulePath(module);
  if (native.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const std::string path = win32::FromNativePath(native);
  if (path.empty()) return 0;
  if (path.size() < size) {
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  if (size == 0) return 0;
  const std::size_t kept = win32::detail::WholeCharacters(path, size - 1);
  std::memcpy(buffer, path.data(), kept);
  buffer[kept] = 0;
  return size;
}

}  // extern "C"
