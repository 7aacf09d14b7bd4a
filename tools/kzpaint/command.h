// Running a kzpaint command: the virtual memory it works in, and how what it throws becomes
// a message and an exit status.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "tools/kzpaint/console.h"
#include "tools/kzpaint/options.h"

namespace kzpaint {

// A failure kzpaint finds itself (not one of the library's); what() is the whole message.
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates the process-wide virtual memory with a budget of `budgetMiB` and its swap file in
// `swapFolder` (empty: $TMPDIR or /tmp). Does nothing when it was created already. Throws
// CommandError when the folder is not one, the library's exception otherwise.
void SetUpVirtualMemory(int budgetMiB, const std::string& swapFolder);

// Runs `body`, which keeps `step` saying what it is doing ("reading x.kzimg"), and turns what
// it throws into a message on the console and an exit status: the abort code "cancelled" and
// 130; a KzException "<step>: <alert text> (error 0x...)" and 1; any other exception its text
// and 1. Otherwise returns what `body` returns.
int RunGuarded(Console& console, const std::function<int(std::string& step)>& body);

// Runs a parsed command line: prints help or the version, or sets up the virtual memory and
// runs demo or convert. Returns the exit status.
int RunCommand(const Options& options, Console& console);

}  // namespace kzpaint
