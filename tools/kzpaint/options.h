// The command line of kzpaint: which command to run and its settings.
//
//   kzpaint demo [-o FILE.png] [--size N] [--budget MiB] [--swap-dir DIR]
//   kzpaint convert FILE -o OUT.png [--index N] [--budget MiB] [--swap-dir DIR]
//   kzpaint --help | --version        (also: kzpaint COMMAND --help)
//
// Options take their value as the next argument or after '=' (--size=4096, -o=x.png).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace kzpaint {

enum class Command { kHelp, kVersion, kDemo, kConvert };

struct Options {
  // Limits the parser enforces on the numbers.
  static constexpr int kMinSize = 1;
  static constexpr int kMaxSize = 32768;
  static constexpr int kMinBudgetMiB = 16;
  static constexpr int kMaxBudgetMiB = 2047;  // the virtual memory's budget stays below 2 GiB
  static constexpr int kMaxIndex = 1 << 20;

  Command command = Command::kHelp;
  std::string output;      // the PNG to write; demo: "demo.png" unless given
  std::string input;       // convert: the image archive to read
  std::string swapFolder;  // empty: the system's temporary folder
  int size = 8192;         // demo: width and height of the images
  int budgetMiB = 64;      // the virtual memory's budget
  int index = 0;           // convert: which image of the file (0 = the first)
};

// A command line that cannot be run; what() is the message without the program's prefix.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments that follow the program name. Throws UsageError for an unknown command
// or option, a missing or surplus value, a number that is not a whole number in its range, or
// a missing input or output for convert.
Options ParseOptions(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

}  // namespace kzpaint
