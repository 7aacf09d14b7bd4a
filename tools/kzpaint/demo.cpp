#include "tools/kzpaint/demo.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "kz/foundation/abort.h"
#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"
#include "kz/vmem/virtual_memory.h"
#include "tools/kzpaint/archive_io.h"
#include "tools/kzpaint/errors.h"
#include "tools/kzpaint/image_rows.h"
#include "tools/kzpaint/owned_image.h"
#include "tools/kzpaint/picture.h"
#include "tools/kzpaint/png_writer.h"
#include "tools/kzpaint/scale.h"

namespace kzpaint {
namespace {

constexpr double kResolution = 600.0;  // pixels per inch of a printed comic page

template <class Depth>
OwnedImage<Depth> MakeImage(int size) {
  OwnedImage<Depth> image(new Depth);
  image->Create(kzGetVirtualMemory(), size, size, kResolution);
  return image;
}

// Removes a file being written unless it was completed.
class PartialFile {
 public:
  explicit PartialFile(std::string path) : m_path(std::move(path)) {}
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;
  ~PartialFile() {
    if (!m_kept) std::remove(m_path.c_str());
  }
  void Keep() { m_kept = true; }

 private:
  std::string m_path;
  bool m_kept = false;
};

// Bytes the swap file took and gave back.
struct SwapTraffic {
  std::uint64_t read = 0;
  std::uint64_t written = 0;
};

SwapTraffic ReadSwapTraffic(const KzVirtualMemory& vm) {
  return {vm.GetSwapBytesRead(), vm.GetSwapBytesWritten()};
}

// Time and swap traffic of one phase.
struct Phase {
  const char* name = "";
  double seconds = 0;
  SwapTraffic io;
};

class PhaseClock {
 public:
  PhaseClock(const char* name, const KzVirtualMemory& vm)
      : m_vm(vm), m_start(std::chrono::steady_clock::now()), m_io(ReadSwapTraffic(vm)) {
    m_phase.name = name;
  }
  Phase Stop() {
    const SwapTraffic now = ReadSwapTraffic(m_vm);
    m_phase.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    m_phase.io.read = now.read - m_io.read;
    m_phase.io.written = now.written - m_io.written;
    return m_phase;
  }

 private:
  const KzVirtualMemory& m_vm;
  std::chrono::steady_clock::time_point m_start;
  SwapTraffic m_io;
  Phase m_phase;
};

// What the summary reports besides the options and the virtual memory.
struct Outcome {
  std::string archive;
  std::uint64_t archiveBytes = 0;
  std::uint64_t peakSwapUsed = 0;  // bytes of blocks in the swap file, the most seen
  int blocks = 0;                  // blocks of each image
  bool colorEqual = false;
  bool inkEqual = false;
  int pngSide = 0;
  int factor = 1;
  std::vector<Phase> phases;
};

void PrintSummary(std::ostream& out, const Options& options, const KzVirtualMemory& vm,
                  const Outcome& r) {
  const std::uint64_t pixels = static_cast<std::uint64_t>(options.size) * options.size;
  char line[160];
  out << "kzpaint demo: " << options.size << " x " << options.size
      << " pixels, a 32-bit colour image and an 8-bit ink image\n";
  out << "  blocks        " << r.blocks << " + " << r.blocks << " of 256 x 256 pixels ("
      << FormatMiB(pixels * 4) << " + " << FormatMiB(pixels) << " of pixels)\n";
  out << "  budget        " << FormatMiB(vm.GetPhysicalMemorySize()) << " of tile memory\n";
  out << "  swap file     " << FormatMiB(vm.GetSwapFileSize()) << ", at most "
      << FormatMiB(r.peakSwapUsed) << " of it in use\n";
  out << "  archive       " << r.archive << ", " << FormatMiB(r.archiveBytes) << " (compressed)\n";
  out << "  round trip    colour " << (r.colorEqual ? "equal" : "NOT EQUAL") << ", ink "
      << (r.inkEqual ? "equal" : "NOT EQUAL") << '\n';
  out << "  PNG           " << options.output << ", " << r.pngSide << " x " << r.pngSide;
  if (r.factor > 1) out << " (area average of " << r.factor << " x " << r.factor << " pixels)";
  out << "\n\n";
  std::snprintf(line, sizeof line, "  %-17s %9s %13s %13s\n", "phase", "time", "swap read",
                "swap written");
  out << line;
  Phase total;
  total.name = "total";
  for (const Phase& phase : r.phases) {
    std::snprintf(line, sizeof line, "  %-17s %7.2f s %13s %13s\n", phase.name, phase.seconds,
                  FormatMiB(phase.io.read).c_str(), FormatMiB(phase.io.written).c_str());
    out << line;
    total.seconds += phase.seconds;
    total.io.read += phase.io.read;
    total.io.written += phase.io.written;
  }
  std::snprintf(line, sizeof line, "  %-17s %7.2f s %13s %13s\n", total.name, total.seconds,
                FormatMiB(total.io.read).c_str(), FormatMiB(total.io.written).c_str());
  out << line;
}

}  // namespace

std::string ArchivePathFor(const std::string& pngPath) {
  std::string path = pngPath;
  if (path.size() > 4) {
    std::string ending = path.substr(path.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ending == ".png") path.resize(path.size() - 4);
  }
  return path + ".kzimg";
}

int RunDemo(const Options& options, Console& console, std::string& step) {
  KzVirtualMemory& vm = *kzGetVirtualMemory();
  const int size = options.size;
  Outcome r;
  r.archive = ArchivePathFor(options.output);
  const std::string& archive = r.archive;
  auto finish = [&](PhaseClock& clock) {
    console.EndProgress();
    r.phases.push_back(clock.Stop());
    r.peakSwapUsed = std::max(r.peakSwapUsed, vm.GetUsedDiskSize());
  };
  KzAbort abort(1, 0);

  step = "drawing";
  PhaseClock drawClock("drawing", vm);
  auto color = MakeImage<KzVOffscreen32Bit>(size);
  auto ink = MakeImage<KzVOffscreen8Bit>(size);
  r.blocks = color->GetBlockCount(nullptr, nullptr);
  const DemoPicture picture(size, size);
  picture.Draw(*color, *ink, [&](std::int64_t done, std::int64_t total) {
    console.Progress("drawing", done, total);
  });
  finish(drawClock);

  step = "writing " + archive;
  PhaseClock writeClock("writing archive", vm);
  {
    CancellableArchiveFile file(9, [&](std::uint64_t bytes) {
      console.Status("writing " + archive + ' ' + FormatMiB(bytes));
    });
    file.Create(archive);
    PartialFile partial(archive);
    console.Status("writing " + archive);
    KzVOffscreen::Write(file, color.get(), 1);
    KzVOffscreen::Write(file, ink.get(), 1);
    file.DoFlush();
    file.FileClose();
    partial.Keep();
  }
  finish(writeClock);
  std::error_code sizeError;
  r.archiveBytes = std::filesystem::file_size(archive, sizeError);

  step = "reading " + archive;
  PhaseClock readClock("reading archive", vm);
  OwnedImage<> colorBack, inkBack;
  {
    CancellableArchiveFile file(10, [&](std::uint64_t bytes) {
      console.Progress("reading " + archive, static_cast<std::int64_t>(bytes),
                       static_cast<std::int64_t>(r.archiveBytes));
    });
    file.Open(archive);
    colorBack.reset(KzVOffscreen::Read(file));
    inkBack.reset(KzVOffscreen::Read(file));
    file.FileClose();
  }
  finish(readClock);

  step = "comparing";
  PhaseClock compareClock("comparing", vm);
  console.Status("comparing the images read back");
  r.colorEqual = colorBack && KzVOffscreen::IsEqual(color.get(), colorBack.get()) != 0;
  r.inkEqual = inkBack && KzVOffscreen::IsEqual(ink.get(), inkBack.get()) != 0;
  colorBack.reset();
  inkBack.reset();
  finish(compareClock);

  step = "writing " + options.output;
  PhaseClock pngClock("writing PNG", vm);
  r.factor = BoxScaler::FactorFor(size, size, kMaxPngSide);
  {
    KzVOffscreenAutoLock colorLock(color.get(), 0);
    KzVOffscreenAutoLock inkLock(ink.get(), 0);
    std::unique_ptr<PngWriter> png;
    BoxScaler scaler(size, size, 3, r.factor,
                     [&](const std::uint8_t* row, int) { png->WriteRow(row); });
    r.pngSide = scaler.GetOutputWidth();
    png = std::make_unique<PngWriter>(options.output, r.pngSide, scaler.GetOutputHeight(), 3);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(size) * 3);
    for (int y = 0; y < size; ++y) {
      abort.CheckAbort();
      ReadCompositeRow(*color, *ink, y, row.data());
      scaler.AddRow(row.data());
      console.Progress("writing " + options.output, y + 1, size);
    }
    png->Finish();
  }
  finish(pngClock);

  PrintSummary(console.Out(), options, vm, r);
  if (!r.colorEqual || !r.inkEqual) {
    const char* which = !r.colorEqual && !r.inkEqual ? "colour and ink images are"
                        : !r.colorEqual              ? "colour image is"
                                                     : "ink image is";
    console.Error(std::string("the ") + which + " not the same after the round trip through " +
                  archive);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace kzpaint
