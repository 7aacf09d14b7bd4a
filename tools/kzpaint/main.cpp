// kzpaint: the library's command-line program. Parses the command line, makes Ctrl-C raise
// the library's abort request, and runs the command.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "tools/kzpaint/command.h"
#include "tools/kzpaint/errors.h"
#include "tools/kzpaint/options.h"
#include "tqwutl/tqwutl.h"

namespace {

extern "C" void OnInterrupt(int) { tqSetAbortRequest(1); }

// The first Ctrl-C asks the running phase to stop at its next row or block; a second one,
// with the default action back in place, ends the process at once.
void CatchInterrupt() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  kzpaint::Console console(std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
  kzpaint::Options options;
  try {
    options = kzpaint::ParseOptions(args);
  } catch (const kzpaint::UsageError& e) {
    console.Error(e.what());
    return kzpaint::kExitUsage;
  }
  kzpaint::InstallSilentMessageBoxes();
  CatchInterrupt();
  return kzpaint::RunCommand(options, console);
}
