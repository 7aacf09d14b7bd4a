// kzpaint demo: draws the generated page into two big images held in a small virtual memory,
// round-trips them through an image archive and writes the page as a PNG.
#pragma once

#include <string>

#include "tools/kzpaint/console.h"
#include "tools/kzpaint/options.h"

namespace kzpaint {

// The largest side of the demo's PNG; bigger pages are shrunk by a whole factor.
inline constexpr int kMaxPngSide = 2048;

// The archive written beside `pngPath`: a ".png" ending (any case) becomes ".kzimg", any other
// name gets ".kzimg" appended.
std::string ArchivePathFor(const std::string& pngPath);

// Runs the demo in the process-wide virtual memory, which the caller has created: draws a
// 32-bit colour image and an 8-bit ink image of options.size pixels a side, writes both
// (compressed) to ArchivePathFor(options.output), reads them back and compares them with
// KzVOffscreen::IsEqual, writes the composited page to options.output and prints a summary.
// Keeps `step` saying what it is doing; a file being written when something throws is removed.
// Returns kExitOk, or kExitFailure (with a message) when a read-back image is not equal.
int RunDemo(const Options& options, Console& console, std::string& step);

}  // namespace kzpaint
