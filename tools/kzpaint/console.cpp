#include "tools/kzpaint/console.h"

#include <cstdio>
#include <fstream>

namespace kzpaint {

void Console::Error(const std::string& message) {
  EndProgress();
  m_err << "kzpaint: " << message << '\n' << std::flush;
}

void Console::Status(const std::string& text) {
  if (!m_progress || (m_shown && text == m_status)) return;
  m_status = text;
  m_err << "\rkzpaint: " << text << "\033[K" << std::flush;
  m_shown = true;
}

void Console::Progress(const std::string& phase, std::int64_t done, std::int64_t total) {
  if (!m_progress || total <= 0) return;
  Status(phase + ' ' + std::to_string(done * 100 / total) + '%');
}

void Console::EndProgress() {
  if (!m_shown) return;
  m_err << "\r\033[K" << std::flush;
  m_shown = false;
}

std::string FormatMiB(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace kzpaint
