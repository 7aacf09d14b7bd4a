// Path conversion at the operating-system boundary. The library keeps paths in its own text
// form: code page 932 with backslashes (its path algorithms run on that form); the operating
// system takes UTF-8 with slashes. Every file service of the stand-in converts through these.
#pragma once

#include <string>

namespace win32 {

// Library form -> operating-system form: code page 932 -> UTF-8, `\` -> `/`, and a leading
// drive `X:` -> `/` ("C:\\work\\a.txt" -> "/work/a.txt", "C:" -> "/"). Returns "" for a null
// or empty path, and "" with last error 123 (ERROR_INVALID_NAME) when the text is not valid
// code page 932.
std::string ToNativePath(const char* libraryPath);

// Operating-system form -> library form: UTF-8 -> code page 932, `/` -> `\` (no drive letter is
// added: "/tmp/a" -> "\\tmp\\a"). Returns "" with last error 1113 (ERROR_NO_UNICODE_TRANSLATION)
// when the path is not valid UTF-8 or holds a character code page 932 cannot represent.
std::string FromNativePath(const std::string& nativePath);

}  // namespace win32
