// Where kzpaint talks: the summary on one stream, messages and the progress line on another,
// and the process's file traffic for the summary's per-phase figures.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace kzpaint {

class Console {
 public:
  // `progress` enables the progress line on `err` (main sets it when stderr is a terminal).
  Console(std::ostream& out, std::ostream& err, bool progress)
      : m_out(out), m_err(err), m_progress(progress) {}

  std::ostream& Out() { return m_out; }
  // Prints "kzpaint: <message>" on its own line (after clearing the progress line).
  void Error(const std::string& message);

  // Shows "kzpaint: <text>" in place of the previous status; redrawn only when it changes.
  void Status(const std::string& text);
  // Status "<phase> NN%".
  void Progress(const std::string& phase, std::int64_t done, std::int64_t total);
  // Erases the progress line, if one is shown.
  void EndProgress();

 private:
  std::ostream& m_out;
  std::ostream& m_err;
  bool m_progress;
  bool m_shown = false;
  std::string m_status;
};

// "12.3 MiB".
std::string FormatMiB(std::uint64_t bytes);

}  // namespace kzpaint
