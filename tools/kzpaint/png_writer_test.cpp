#include "tools/kzpaint/png_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "tools/kzpaint/kzpaint_testing.h"

namespace kzpaint {
namespace {

using testing::FileExists;
using testing::ReadPng;
using testing::ScratchFolder;

TEST(KzPaintPngWriter, WrittenPixelsReadBackAndUnfinishedFilesAreRemoved) {
  ScratchFolder folder;
  constexpr int kWidth = 3, kHeight = 2;
  for (int channels = 1; channels <= 4; ++channels) {
    const std::string path = folder.Path("c" + std::to_string(channels) + ".png");
    std::vector<std::uint8_t> pixels(kWidth * kHeight * channels);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<std::uint8_t>(i * 37 + 5);
    {
      PngWriter writer(path, kWidth, kHeight, channels);
      for (int y = 0; y < kHeight; ++y) writer.WriteRow(pixels.data() + y * kWidth * channels);
      writer.Finish();
    }
    const testing::PngFile png = ReadPng(path);
    ASSERT_TRUE(png.ok) << "at channels=" << channels;
    EXPECT_EQ(std::make_pair(png.width, png.height), std::make_pair(kWidth, kHeight));
    EXPECT_EQ(png.channels, channels);
    EXPECT_EQ(png.pixels, pixels) << "at channels=" << channels;
  }

  // Abandoned, short and long files are removed; a file that cannot be made is named.
  const std::uint8_t row[2] = {1, 2};
  const std::string abandoned = folder.Path("abandoned.png"), shortOne = folder.Path("short.png"),
                    longOne = folder.Path("long.png"), missing = folder.Path("missing/x.png");
  {
    PngWriter writer(abandoned, 2, 2, 1);
    writer.WriteRow(row);
  }
  EXPECT_FALSE(FileExists(abandoned));
  PngWriter writer(shortOne, 2, 2, 1);
  writer.WriteRow(row);
  EXPECT_THROW(writer.Finish(), PngError);
  EXPECT_FALSE(FileExists(shortOne));
  EXPECT_THROW(writer.WriteRow(row), PngError);
  PngWriter oneRow(longOne, 2, 1, 1);
  oneRow.WriteRow(row);
  EXPECT_THROW(oneRow.WriteRow(row), PngError);
  EXPECT_FALSE(FileExists(longOne));
  try {
    PngWriter none(missing, 1, 1, 1);
    ADD_FAILURE() << "no exception";
  } catch (const PngError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace kzpaint
