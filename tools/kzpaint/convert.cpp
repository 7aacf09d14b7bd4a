#include "tools/kzpaint/convert.h"

#include <memory>
#include <vector>

#include "kz/foundation/abort.h"
#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen.h"
#include "tools/kzpaint/archive_io.h"
#include "tools/kzpaint/command.h"
#include "tools/kzpaint/errors.h"
#include "tools/kzpaint/image_rows.h"
#include "tools/kzpaint/owned_image.h"
#include "tools/kzpaint/png_writer.h"

namespace kzpaint {
int RunConvert(const Options& options, Console& console, std::string& step) {
  const std::string& input = options.input;
  step = "reading " + input;
  OwnedImage<> image;
  {
    std::uint64_t length = 0;
    CancellableArchiveFile file(10, [&](std::uint64_t bytes) {
      console.Progress("reading " + input, static_cast<std::int64_t>(bytes),
                       static_cast<std::int64_t>(length));
    });
    file.Open(input);
    length = file.GetLength();
    for (int i = 0; i <= options.index; ++i) {
      if (file.GetPosition() >= file.GetLength()) {
        throw CommandError(input + " holds " + std::to_string(i) + " image" + (i == 1 ? "" : "s") +
                           ", there is no image " + std::to_string(options.index));
      }
      image.reset(KzVOffscreen::Read(file));
    }
    file.FileClose();
  }
  console.EndProgress();
  if (!image) {
    throw CommandError("image " + std::to_string(options.index) + " of " + input +
                       " is a null image (no pixels)");
  }

  const int width = image->GetWidth(), height = image->GetHeight();
  if (width < 1 || height < 1) {
    throw CommandError("image " + std::to_string(options.index) + " of " + input + " is " +
                       std::to_string(width) + " x " + std::to_string(height) +
                       " pixels; a PNG cannot be empty");
  }
  step = "writing " + options.output;
  const int channels = PngChannelsOf(image->GetBitCount());
  KzVOffscreenAutoLock lock(image.get(), 0);
  PngWriter png(options.output, width, height, channels);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * channels);
  KzAbort abort(1, 0);
  for (int y = 0; y < height; ++y) {
    abort.CheckAbort();
    ReadPngRow(*image, y, row.data());
    png.WriteRow(row.data());
    console.Progress("writing " + options.output, y + 1, height);
  }
  png.Finish();
  console.EndProgress();
  console.Out() << "kzpaint: wrote " << options.output << ": " << width << " x " << height
                << ", image " << options.index << " of " << input << " (" << image->GetBitCount()
                << "-bit)\n";
  return kExitOk;
}

}  // namespace kzpaint
