#include "tools/kzpaint/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kzpaint {
namespace {

using Args = std::vector<std::string>;

// The command line as typed, to name a table row.
std::string Line(const Args& args) {
  std::string line = "kzpaint";
  for (const std::string& arg : args) line += " " + arg;
  return line;
}

// The parsed settings in one line, so that a table row can state them all.
std::string Settings(const Options& o) {
  const char* names[] = {"help", "version", "demo", "convert"};
  return std::string(names[static_cast<int>(o.command)]) + " out=" + o.output + " in=" + o.input +
         " swap=" + o.swapFolder + " size=" + std::to_string(o.size) +
         " budget=" + std::to_string(o.budgetMiB) + " index=" + std::to_string(o.index);
}

TEST(KzPaintOptions, AcceptedCommandLines) {
  const struct {
    Args args;
    std::string settings;  // all of them, or how they start
  } cases[] = {
      {{"demo"}, "demo out=demo.png in= swap= size=8192 budget=64 index=0"},
      {{"demo", "-o", "a.png", "--size", "32768", "--budget", "16", "--swap-dir", "/s"},
       "demo out=a.png in= swap=/s size=32768 budget=16 index=0"},
      {{"demo", "--output=b.png", "--size=0000512", "--budget=2047"},
       "demo out=b.png in= swap= size=512 budget=2047 index=0"},
      {{"convert", "--index", "3", "-o", "out.png", "in.kzimg"},
       "convert out=out.png in=in.kzimg swap= size=8192 budget=64 index=3"},
      {{"-h"}, "help "},  // help and version ignore the rest
      {{"demo", "--size", "5", "--help"}, "help "},
      {{"convert", "--version"}, "version "},
  };
  for (const auto& c : cases) {
    Options options;
    ASSERT_NO_THROW(options = ParseOptions(c.args)) << Line(c.args);
    EXPECT_EQ(Settings(options).substr(0, c.settings.size()), c.settings) << Line(c.args);
  }
}

TEST(KzPaintOptions, RejectedCommandLinesSayWhy) {
  const struct {
    Args args;
    const char* message;  // a part of the message
  } cases[] = {
      {{}, "no command"},
      {{"paint"}, "unknown command 'paint'"},
      {{"--fast"}, "unknown option '--fast'"},
      {{"demo", "--index", "1"}, "unknown option '--index' for demo"},
      {{"convert", "a", "-o", "b", "--size", "5"}, "unknown option '--size' for convert"},
      {{"demo", "--size"}, "--size needs a value"},
      {{"demo", "-o="}, "-o needs a value"},
      {{"demo", "--size", "0"}, "--size must be from 1 to 32768, not 0"},
      {{"demo", "--size", "-5"}, "--size needs a positive whole number"},
      {{"demo", "--size", "100px"}, "not '100px'"},
      {{"demo", "--size=1.5"}, "not '1.5'"},
      {{"demo", "--size", "32769"}, "--size must be from 1 to 32768"},
      {{"demo", "--size", "99999999999"}, "--size must be from 1 to 32768"},
      {{"demo", "--budget", "15"}, "--budget must be from 16 to 2047 MiB"},
      {{"demo", "--budget", "2048"}, "--budget must be from 16 to 2047 MiB"},
      {{"demo", "--budget", "lots"}, "--budget needs a positive whole number"},
      {{"convert", "a", "-o", "b", "--index", "-1"}, "--index needs a whole number"},
      {{"demo", "extra"}, "unexpected argument 'extra' for demo"},
      {{"convert", "a", "b", "-o", "c"}, "unexpected argument 'b' for convert"},
      {{"convert", "-o", "c.png"}, "needs an image archive"},
      {{"convert", "a.kzimg"}, "needs an output file"},
      {{"demo", "--help=yes"}, "--help takes no value"},
      {{"--help", "demo"}, "unexpected argument 'demo'"},
  };
  for (const auto& c : cases) {
    try {
      ParseOptions(c.args);
      ADD_FAILURE() << Line(c.args) << ": accepted";
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << Line(c.args) << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace kzpaint
