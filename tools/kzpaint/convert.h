// kzpaint convert: one image of an image archive as a PNG.
#pragma once

#include <string>

#include "tools/kzpaint/console.h"
#include "tools/kzpaint/options.h"

namespace kzpaint {

// Reads image options.index of the archive options.input (images stored one after another)
// onto the process-wide virtual memory, which the caller has created, and writes it to
// options.output at full size in the PNG form of its depth (image_rows.h); prints one line
// about it. Keeps `step` saying what it is doing. Throws CommandError when the file holds
// fewer images or the chosen one is a null image; the library's exceptions propagate.
int RunConvert(const Options& options, Console& console, std::string& step);

}  // namespace kzpaint
