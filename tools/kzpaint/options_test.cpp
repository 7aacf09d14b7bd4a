#include "tools/kzpaint/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kzpaint {
namespace {

using Args = std::vector<std::string>;

// The parsed settings in one line, so that a table row can state them all.
std::string Settings(const Options& o) {
  const char* names[] = {"help", "version", "demo", "convert"};
  return std::string(names[static_cast<int>(o.command)]) + " out=" + o.output + " in=" + o.input +
         " swap=" + o.swapFolder + " size=" + std::to_string(o.size) +
         " budget=" + std::to_string(o.budgetMiB) + " index=" + std::to_string(o.index);
}

TEST(KzPaintOptions, AcceptedCommandLines) {
  const struct {
    const char* label;
    Args args;
    const char* settings;
  } cases[] = {
      {"demo defaults", {"demo"}, "demo out=demo.png in= swap= size=8192 budget=64 index=0"},
      {"demo options",
       {"demo", "-o", "a.png", "--size", "300", "--budget", "16", "--swap-dir", "/s"},
       "demo out=a.png in= swap=/s size=300 budget=16 index=0"},
      {"values after =",
       {"demo", "--output=b.png", "--size=32768", "--budget=2047"},
       "demo out=b.png in= swap= size=32768 budget=2047 index=0"},
      {"leading zeros",
       {"demo", "--size", "0000512"},
       "demo out=demo.png in= swap= size=512 budget=64 index=0"},
      {"convert",
       {"convert", "--index", "3", "-o", "out.png", "in.kzimg"},
       "convert out=out.png in=in.kzimg swap= size=8192 budget=64 index=3"},
  };
  for (const auto& c : cases) {
    Options options;
    ASSERT_NO_THROW(options = ParseOptions(c.args)) << c.label;
    EXPECT_EQ(Settings(options), c.settings) << c.label;
  }
  const struct {
    Args args;
    Command command;
  } plain[] = {{{"--help"}, Command::kHelp},
               {{"-h"}, Command::kHelp},
               {{"demo", "--size", "5", "--help"}, Command::kHelp},
               {{"--version"}, Command::kVersion},
               {{"convert", "--version"}, Command::kVersion}};
  for (const auto& c : plain) EXPECT_EQ(ParseOptions(c.args).command, c.command) << c.args.back();
}

struct Rejected {
  const char* label;
  Args args;
  const char* message;  // a part of the message
};

TEST(KzPaintOptions, RejectedCommandLinesSayWhy) {
  const Rejected cases[] = {
      {"nothing", {}, "no command"},
      {"unknown command", {"paint"}, "unknown command 'paint'"},
      {"unknown global option", {"--fast"}, "unknown option '--fast'"},
      {"unknown demo option", {"demo", "--index", "1"}, "unknown option '--index' for demo"},
      {"unknown convert option",
       {"convert", "a", "-o", "b", "--size", "5"},
       "unknown option '--size' for convert"},
      {"missing value", {"demo", "--size"}, "--size needs a value"},
      {"empty value", {"demo", "-o="}, "-o needs a value"},
      {"missing output value", {"demo", "-o"}, "-o needs a value"},
      {"zero size", {"demo", "--size", "0"}, "--size must be from 1 to 32768, not 0"},
      {"negative size", {"demo", "--size", "-5"}, "--size needs a positive whole number"},
      {"size with a unit", {"demo", "--size", "100px"}, "not '100px'"},
      {"fractional size", {"demo", "--size=1.5"}, "not '1.5'"},
      {"size too large", {"demo", "--size", "32769"}, "--size must be from 1 to 32768"},
      {"size past int", {"demo", "--size", "99999999999"}, "--size must be from 1 to 32768"},
      {"budget too small", {"demo", "--budget", "15"}, "--budget must be from 16 to 2047 MiB"},
      {"budget too large", {"demo", "--budget", "2048"}, "--budget must be from 16 to 2047 MiB"},
      {"budget not a number",
       {"demo", "--budget", "lots"},
       "--budget needs a positive whole number"},
      {"negative index",
       {"convert", "a", "-o", "b", "--index", "-1"},
       "--index needs a whole number"},
      {"surplus demo argument", {"demo", "extra"}, "unexpected argument 'extra' for demo"},
      {"two inputs", {"convert", "a", "b", "-o", "c"}, "unexpected argument 'b' for convert"},
      {"convert without input", {"convert", "-o", "c.png"}, "needs an image archive"},
      {"convert without output", {"convert", "a.kzimg"}, "needs an output file"},
      {"flag with a value", {"demo", "--help=yes"}, "--help takes no value"},
      {"help with more", {"--help", "demo"}, "unexpected argument 'demo'"},
  };
  for (const Rejected& c : cases) {
    try {
      ParseOptions(c.args);
      ADD_FAILURE() << c.label << ": accepted";
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.label << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace kzpaint
