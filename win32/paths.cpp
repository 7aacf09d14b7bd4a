// Path conversion between the library's text form and the operating system's.
#include "win32/paths.h"

#include <algorithm>
#include <cctype>

#include "win32/code_page_p.h"
#include "win32/win32.h"

namespace win32 {

std::string ToNativePath(const char* libraryPath) {
  if (libraryPath == nullptr || *libraryPath == 0) return {};
  std::string native;
  // Convert first: a backslash byte may be the trail byte of a double-byte character.
  if (!detail::Cp932ToUtf8(libraryPath, native)) {
    SetLastError(ERROR_INVALID_NAME);
    return {};
  }
  std::replace(native.begin(), native.end(), '\\', '/');
  if (native.size() >= 2 && native[1] == ':' &&
      std::isalpha(static_cast<unsigned char>(native[0]))) {
    const bool rooted = native.size() > 2 && native[2] == '/';
    native.replace(0, 2, rooted ? "" : "/");
  }
  return native;
}

std::string FromNativePath(const std::string& nativePath) {
  std::string slashes = nativePath;
  std::replace(slashes.begin(), slashes.end(), '/', '\\');
  std::string library;
  if (!detail::Utf8ToCp932(slashes, library)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return {};
  }
  return library;
}

}  // namespace win32
