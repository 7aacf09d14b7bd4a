#include "tools/kzpaint/command.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "kz/foundation/abort.h"
#include "kz/raster/block_access.h"
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
  const std::string png = folder.Path("page.png");
  const Outcome demo = Kzpaint({"demo", "-o", png, "--size", "300"});
  ASSERT_EQ(demo.status, kExitOk) << demo.err;
  EXPECT_TRUE(Contains(demo.out, "colour equal, ink equal")) << demo.out;
  EXPECT_EQ(demo.err, "");

  const Outcome color = Kzpaint({"convert", folder.Path("page.kzimg"), "-o", folder.Path("c.png")});
  const Outcome ink =
      Kzpaint({"convert", folder.Path("page.kzimg"), "--index", "1", "-o", folder.Path("i.png")});
  ASSERT_EQ(color.status, kExitOk) << color.err;
  ASSERT_EQ(ink.status, kExitOk) << ink.err;

  const PngFile page = ReadPng(png), layer = ReadPng(folder.Path("c.png")),
                density = ReadPng(folder.Path("i.png"));
  ASSERT_TRUE(page.ok && layer.ok && density.ok);
  EXPECT_EQ(page.channels, 3);
  EXPECT_EQ(layer.channels, 4);
  EXPECT_EQ(density.channels, 1);
  const DemoPicture picture(300, 300);
  for (const PngFile* file : {&page, &layer, &density}) {
    ASSERT_EQ(file->width, 300);
    ASSERT_EQ(file->height, 300);
  }
  for (int y = 0; y < 300; y += 13) {
    for (int x = 0; x < 300; x += 11) {
      const TQCOLORREF c = picture.ColorAt(x, y);
      const BYTE d = picture.InkAt(x, y);
      std::uint8_t rgb[3];
      CompositeOnPaper(c, d, 0xFF000000, rgb);
      EXPECT_EQ(std::vector<std::uint8_t>(page.At(x, y), page.At(x, y) + 3),
                std::vector<std::uint8_t>(rgb, rgb + 3))
          << "page at " << x << "," << y;
      const std::uint8_t* p = layer.At(x, y);
      EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16 | static_cast<TQCOLORREF>(p[3]) << 24, c)
          << "colour at " << x << "," << y;
      EXPECT_EQ(*density.At(x, y), 255 - d) << "ink at " << x << "," << y;
    }
  }
}

TEST(KzPaintCommands, ConvertReadsEveryDepthByIndex) {
  ScratchFolder folder;
  const std::string archive = folder.Path("depths.kzimg");
  const int depths[] = {1, 2, 8, 16, 24, 32};
  {
    CancellableArchiveFile file(9, nullptr);
    file.Create(archive);
    for (int bits : depths) {
      OwnedImage<> image(KzVOffscreen::CreateOffscreen(bits));
      image->Create(kzGetVirtualMemory(), 270 + bits, 3, 72.0);
      {
        KzVOffscreenAutoLock lock(image.get(), 1, 1, 1);
        image->Set32BitColor(0xFF000000);
      }
      KzVOffscreen::Write(file, image.get(), bits % 2);
    }
    file.DoFlush();
    file.FileClose();
  }
  for (int i = 0; i < 6; ++i) {
    const std::string out = folder.Path(std::to_string(i) + ".png");
    const Outcome run = Kzpaint({"convert", archive, "--index", std::to_string(i), "-o", out});
    ASSERT_EQ(run.status, kExitOk) << "at index " << i << ": " << run.err;
    const PngFile png = ReadPng(out);
    ASSERT_TRUE(png.ok) << "at index " << i;
    EXPECT_EQ(png.width, 270 + depths[i]) << "at index " << i;
    EXPECT_EQ(png.height, 3) << "at index " << i;
    EXPECT_EQ(png.channels, PngChannelsOf(depths[i])) << "at index " << i;
  }
  const Outcome past = Kzpaint({"convert", archive, "--index", "6", "-o", folder.Path("x.png")});
  EXPECT_EQ(past.status, kExitFailure);
  EXPECT_TRUE(Contains(past.err, "holds 6 images, there is no image 6")) << past.err;
  EXPECT_FALSE(FileExists(folder.Path("x.png")));
}

TEST(KzPaintCommands, BadFilesGiveAMessageAndAFailureStatus) {
  ScratchFolder folder;
  {
    std::ofstream junk(folder.Path("junk.kzimg"), std::ios::binary);
    junk << "this is not an image archive at all, only some words";
  }
  std::ofstream(folder.Path("empty.kzimg")).close();
  struct {
    const char* label;
    std::vector<std::string> args;
    const char* message;
  } const cases[] = {
      {"missing file",
       {"convert", folder.Path("none.kzimg"), "-o", folder.Path("a.png")},
       "kzpaint: reading "},
      {"not an archive",
       {"convert", folder.Path("junk.kzimg"), "-o", folder.Path("a.png")},
       "(error 0x"},
      {"empty file",
       {"convert", folder.Path("empty.kzimg"), "-o", folder.Path("a.png")},
       "holds 0 images"},
      {"demo output folder missing",
       {"demo", "--size", "20", "-o", folder.Path("no/d.png")},
       "kzpaint: writing "},
  };
  for (const auto& c : cases) {
    const Outcome run = Kzpaint(c.args);
    EXPECT_EQ(run.status, kExitFailure) << c.label;
    EXPECT_TRUE(Contains(run.err, c.message)) << c.label << ": " << run.err;
    EXPECT_EQ(run.err.back(), '\n') << c.label;
    EXPECT_FALSE(FileExists(folder.Path("a.png"))) << c.label;
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
  EXPECT_EQ(ArchivePathFor("demo.png"), "demo.kzimg");
  EXPECT_EQ(ArchivePathFor("/a/Page.PNG"), "/a/Page.kzimg");
  EXPECT_EQ(ArchivePathFor("out"), "out.kzimg");
  EXPECT_EQ(ArchivePathFor(".png"), ".png.kzimg");
}

}  // namespace
}  // namespace kzpaint
