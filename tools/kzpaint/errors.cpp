#include "tools/kzpaint/errors.h"

#include <cstdio>
#include <vector>

#include "kz/foundation/exception.h"
#include "kz/foundation/kzstring.h"
#include "win32/win32.h"

namespace kzpaint {

std::string Cp932ToUtf8(const char* text) {
  if (text == nullptr || *text == '\0') return "";
  const int units = MultiByteToWideChar(932, 0, text, -1, nullptr, 0);
  if (units <= 0) return "";
  std::vector<WCHAR> wide(static_cast<std::size_t>(units));
  MultiByteToWideChar(932, 0, text, -1, wide.data(), units);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return "";
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, utf8.data(), bytes, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(bytes) - 1);  // the terminator
  return utf8;
}

std::string DescribeError(const KzException& error) {
  KzString message;
  error.GetAlertMessage(message);
  std::string text = Cp932ToUtf8(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  char code[32];
  std::snprintf(code, sizeof code, "error 0x%08X", static_cast<unsigned>(error.GetErrorCode()));
  return text.empty() ? code : text + " (" + code + ")";
}

void InstallSilentMessageBoxes() {
  win32::SetMessageBoxHandler(
      [](HWND, const char*, const char*, UINT type) { return win32::SafestAnswer(type); });
}

}  // namespace kzpaint
