#include "tools/kzpaint/options.h"

#include <cstddef>

namespace kzpaint {
namespace {

enum class Setting { kHelp, kVersion, kOutput, kSize, kBudget, kSwapFolder, kIndex };

struct OptionName {
  const char* name;
  Setting setting;
  bool takesValue;
};

constexpr OptionName kCommonOptions[] = {
    {"-h", Setting::kHelp, false},
    {"--help", Setting::kHelp, false},
    {"--version", Setting::kVersion, false},
    {"-o", Setting::kOutput, true},
    {"--output", Setting::kOutput, true},
    {"--budget", Setting::kBudget, true},
    {"--swap-dir", Setting::kSwapFolder, true},
};
constexpr OptionName kDemoOptions[] = {{"--size", Setting::kSize, true}};
constexpr OptionName kConvertOptions[] = {{"--index", Setting::kIndex, true}};

template <std::size_t N>
const OptionName* Find(const OptionName (&table)[N], const std::string& name) {
  for (const OptionName& option : table) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

const OptionName* FindOption(Command command, const std::string& name) {
  if (const OptionName* option = Find(kCommonOptions, name)) return option;
  if (command == Command::kDemo) return Find(kDemoOptions, name);
  if (command == Command::kConvert) return Find(kConvertOptions, name);
  return nullptr;
}

const char* CommandName(Command command) { return command == Command::kDemo ? "demo" : "convert"; }

// A whole number from `min` to `max`; the message names `option` and ends the range in `unit`.
int ParseNumber(const std::string& option, const std::string& text, int min, int max,
                const char* unit) {
  bool digits = !text.empty();
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  const std::string range = "from " + std::to_string(min) + " to " + std::to_string(max) + unit;
  if (!digits) {
    throw UsageError(option + " needs a " + (min > 0 ? "positive " : "") + "whole number " + range +
                     ", not '" + text + "'");
  }
  // More than nine digits is out of range whatever they say (and would not fit an int).
  const std::size_t first = text.find_first_not_of('0');
  const bool tooLong = first != std::string::npos && text.size() - first > 9;
  const long long value = tooLong ? -1 : std::stoll(text);
  if (tooLong || value < min || value > max) {
    throw UsageError(option + " must be " + range + ", not " + text);
  }
  return static_cast<int>(value);
}

void Apply(Options& options, const std::string& option, Setting setting, const std::string& value) {
  switch (setting) {
    case Setting::kOutput:
      options.output = value;
      break;
    case Setting::kSwapFolder:
      options.swapFolder = value;
      break;
    case Setting::kSize:
      options.size = ParseNumber(option, value, Options::kMinSize, Options::kMaxSize, "");
      break;
    case Setting::kBudget:
      options.budgetMiB =
          ParseNumber(option, value, Options::kMinBudgetMiB, Options::kMaxBudgetMiB, " MiB");
      break;
    case Setting::kIndex:
      options.index = ParseNumber(option, value, 0, Options::kMaxIndex, "");
      break;
    case Setting::kHelp:
    case Setting::kVersion:
      break;
  }
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  if (args.empty()) throw UsageError("no command given (try 'kzpaint --help')");
  const std::string& first = args[0];
  if (first == "demo") {
    options.command = Command::kDemo;
  } else if (first == "convert") {
    options.command = Command::kConvert;
  } else if (first == "--help" || first == "-h" || first == "--version") {
    if (args.size() > 1) throw UsageError("unexpected argument '" + args[1] + "'");
    options.command = first == "--version" ? Command::kVersion : Command::kHelp;
    return options;
  } else if (!first.empty() && first[0] == '-') {
    throw UsageError("unknown option '" + first + "' (try 'kzpaint --help')");
  } else {
    throw UsageError("unknown command '" + first + "' (try 'kzpaint --help')");
  }
  const char* command = CommandName(options.command);

  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 1 && arg[0] == '-') {
      const std::size_t equals = arg.find('=');
      const std::string name = arg.substr(0, equals);
      const OptionName* option = FindOption(options.command, name);
      if (option == nullptr) {
        throw UsageError("unknown option '" + name + "' for " + command);
      }
      if (!option->takesValue) {
        if (equals != std::string::npos) throw UsageError(name + " takes no value");
        options.command = option->setting == Setting::kHelp ? Command::kHelp : Command::kVersion;
        return options;
      }
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      }
      if (value.empty()) throw UsageError(name + " needs a value");
      Apply(options, name, option->setting, value);
    } else if (options.command == Command::kConvert && options.input.empty() && !arg.empty()) {
      options.input = arg;
    } else {
      throw UsageError(std::string("unexpected argument '") + arg + "' for " + command);
    }
  }

  if (options.command == Command::kConvert) {
    if (options.input.empty()) throw UsageError("convert needs an image archive to read");
    if (options.output.empty()) throw UsageError("convert needs an output file: -o OUT.png");
  } else if (options.output.empty()) {
    options.output = "demo.png";
  }
  return options;
}

std::string UsageText() {
  return "Usage:\n"
         "  kzpaint demo [-o FILE.png] [--size N] [--budget MiB] [--swap-dir DIR]\n"
         "  kzpaint convert FILE -o OUT.png [--index N] [--budget MiB] [--swap-dir DIR]\n"
         "  kzpaint --help | --version\n"
         "\n"
         "demo     draws a generated picture into a 32-bit colour image and an 8-bit ink image\n"
         "         of N x N pixels (default 8192) held in a virtual memory of a small budget\n"
         "         (default 64 MiB), so that tiles swap to disk; writes both images to an\n"
         "         image archive beside the PNG (FILE.kzimg), reads it back and checks that\n"
         "         both are equal, then writes the two composited on white paper as a PNG\n"
         "         (default demo.png), shrunk by an area average to at most 2048 pixels a side.\n"
         "convert  writes image N (default 0, the first) of an image archive as a PNG at full\n"
         "         size: 1- and 2-bit as black, white and transparent, 8-bit ink as grey,\n"
         "         16-bit as grey with alpha, 24-bit as RGB, 32-bit as RGBA.\n"
         "\n"
         "Options:\n"
         "  -o, --output FILE   the PNG to write\n"
         "  --size N            demo: width and height in pixels, 1 to 32768\n"
         "  --budget MiB        memory for image tiles, 16 to 2047 (default 64)\n"
         "  --swap-dir DIR      folder of the swap file (default $TMPDIR or /tmp)\n"
         "  --index N           convert: which image of the file, from 0\n"
         "\n"
         "Ctrl-C cancels (exit status 130). Exit status 1 for a failure, 2 for a bad command\n"
         "line.\n";
}

}  // namespace kzpaint
