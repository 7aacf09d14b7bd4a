#include "tools/kzpaint/command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kz/foundation/abort.h"
#include "kz/raster/voffscreen.h"
#include "kz/vmem/virtual_memory.h"
#include "tools/kzpaint/archive_io.h"
#include "tools/kzpaint/demo.h"
#include "tools/kzpaint/errors.h"
#include "tools/kzpaint/image_rows.h"
#include "tools/kzpaint/kzpaint_testing.h"
#include "tools/kzpaint/owned_image.h"
#include "tools/kzpaint/picture.h"
#include "tqwutl/tqwutl.h"

namespace kzpaint {
namespace {

using testing::FileExists;
using testing::PngFile;
using testing::ReadPng;
using testing::ScratchFolder;

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Kzpaint(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  Console console(out, err, false);
  const int status = RunCommand(ParseOptions(args), console);
  return {status, out.str(), err.str()};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(KzPaintCommands, DemoRoundTripsThePageAndConvertGivesItsLayersBack) {
  ScratchFolder folder;
  const std::string png = folder.Path("page.png"), archive = folder.Path("page.kzimg");
  const Outcome demo = Kzpaint({"demo", "-o", png, "--size", "300"});
  ASSERT_EQ(demo.status, kExitOk) << demo.err;
  EXPECT_TRUE(Contains(demo.out, "colour equal, ink equal")) << demo.out;
  EXPECT_EQ(demo.err, "");
  const Outcome convert = Kzpaint({"convert", archive, "-o", folder.Path("layer.png")});
  ASSERT_EQ(convert.status, kExitOk) << convert.err;
  const PngFile page = ReadPng(png), layer = ReadPng(folder.Path("layer.png"));
  ASSERT_TRUE(page.ok && layer.ok);
  for (const PngFile* file : {&page, &layer}) {
    ASSERT_EQ(std::make_pair(file->width, file->height), std::make_pair(300, 300));
  }
  EXPECT_EQ(page.channels, 3);
  EXPECT_EQ(layer.channels, 4);
  // Every pixel as the picture gives it: the page on paper, the colour layer as it is.
  const DemoPicture picture(300, 300);
  int wrong = 0;
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 300; ++x) {
      const TQCOLORREF c = picture.ColorAt(x, y);
      std::uint8_t rgb[3];
      CompositeOnPaper(c, picture.InkAt(x, y), 0xFF000000, rgb);
      const std::uint8_t* p = layer.At(x, y);
      if (std::memcmp(page.At(x, y), rgb, 3) != 0 ||
          (p[0] | p[1] << 8 | p[2] << 16 | static_cast<TQCOLORREF>(p[3]) << 24) != c) {
        if (++wrong < 5) ADD_FAILURE() << "at " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// Convert reads an image of every depth by its index; missing, foreign, empty or short files,
// and folders that are not there, give a message and a failure status and write nothing.
TEST(KzPaintCommands, ConvertFindsEveryDepthByIndexAndBadFilesFail) {
  ScratchFolder folder;
  const std::string archive = folder.Path("depths.kzimg"), out = folder.Path("a.png");
  const int depths[] = {1, 2, 8, 16, 24, 32};
  {
    CancellableArchiveFile file(9, nullptr);
    file.Create(archive);
    for (int bits : depths) {
      OwnedImage<> image(KzVOffscreen::CreateOffscreen(bits));
      image->Create(kzGetVirtualMemory(), 270 + bits, 3, 72.0);
      KzVOffscreen::Write(file, image.get(), bits % 2);
    }
    file.DoFlush();
    file.FileClose();
  }
  for (int i = 0; i < 6; ++i) {
    const Outcome run = Kzpaint({"convert", archive, "--index", std::to_string(i), "-o", out});
    ASSERT_EQ(run.status, kExitOk) << "at index " << i << ": " << run.err;
    const PngFile png = ReadPng(out);
    ASSERT_TRUE(png.ok) << "at index " << i;
    EXPECT_EQ(std::make_pair(png.width, png.height), std::make_pair(270 + depths[i], 3));
    EXPECT_EQ(png.channels, PngChannelsOf(depths[i])) << "at index " << i;
  }
  std::filesystem::remove(out);
  std::ofstream(folder.Path("junk.kzimg"), std::ios::binary) << "not an image archive at all";
  std::ofstream(folder.Path("empty.kzimg")).close();
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"convert", archive, "--index", "6", "-o", out}, "holds 6 images, there is no image 6"},
      {{"convert", folder.Path("none.kzimg"), "-o", out}, "kzpaint: reading "},
      {{"convert", folder.Path("junk.kzimg"), "-o", out}, "(error 0x"},
      {{"convert", folder.Path("empty.kzimg"), "-o", out}, "holds 0 images"},
      {{"demo", "--size", "20", "-o", folder.Path("no/d.png")}, "kzpaint: writing "},
  };
  for (const auto& c : cases) {
    const Outcome run = Kzpaint(c.args);
    EXPECT_EQ(run.status, kExitFailure) << c.message;
    EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
    EXPECT_EQ(run.err.back(), '\n') << c.message;
    EXPECT_FALSE(FileExists(out)) << c.message;
  }
}

// Cancels when the named file has appeared, as if Ctrl-C came while it was being written.
std::string g_cancelWhenExists;
int CancelOnceWritten() { return FileExists(g_cancelWhenExists) ? 1 : 0; }

TEST(KzPaintCommands, CancellingRemovesTheFileBeingWritten) {
  ScratchFolder folder;
  const std::string png = folder.Path("c.png"), archive = folder.Path("c.kzimg");
  for (const std::string& target : {archive, png}) {
    g_cancelWhenExists = target;
    KzAbort::SetCallback(CancelOnceWritten);
    const Outcome run = Kzpaint({"demo", "--size", "300", "-o", png});
    KzAbort::SetCallback(nullptr);
    EXPECT_EQ(run.status, kExitCancelled) << target;
    EXPECT_EQ(run.err, "kzpaint: cancelled\n") << target;
    EXPECT_FALSE(FileExists(target)) << target;
  }
  EXPECT_TRUE(FileExists(archive)) << "finished before the PNG was cancelled";

  tqSetAbortRequest(1);
  const Outcome early = Kzpaint({"demo", "--size", "300", "-o", folder.Path("e.png")});
  tqSetAbortRequest(0);
  EXPECT_EQ(early.status, kExitCancelled);
  EXPECT_FALSE(FileExists(folder.Path("e.kzimg")));
}

TEST(KzPaintCommands, ArchiveGoesBesideThePng) {
  EXPECT_EQ(ArchivePathFor("/a/Page.PNG"), "/a/Page.kzimg");
  EXPECT_EQ(ArchivePathFor("out"), "out.kzimg");
  EXPECT_EQ(ArchivePathFor(".png"), ".png.kzimg");
}

}  // namespace
}  // namespace kzpaint
