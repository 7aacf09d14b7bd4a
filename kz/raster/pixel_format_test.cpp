#include "kz/raster/pixel_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>

namespace {

using namespace kz::pixel;

using Dither = int (*)(int, int, int);

int DotsInTile(Dither dither, int v, int size) {
  int on = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) on += dither(v, x, y);
  }
  return on;
}

TEST(PixelDither, TablesCountTheirDotsAndReadInTheirOrder) {
  const std::array<BYTE, 16> firstRow = {0, 128, 32, 160, 8,  136, 40, 168,
                                         2, 130, 34, 162, 10, 138, 42, 170};
  EXPECT_EQ(cbDitherTable256[0], firstRow);
  std::set<int> seen;  // 256 entries, 256 different thresholds
  for (const auto& row : cbDitherTable256) seen.insert(row.begin(), row.end());
  EXPECT_EQ(seen.size(), 256u) << "every threshold exactly once";
  // Bayer: thresholds 0..v are on (none at 0, all from 255). Two-level: v dots, each coarse
  // cell on or using the fine pattern of v mod 16. Values outside the range are clamped.
  for (int v = -1; v <= 256; ++v) {
    EXPECT_EQ(DotsInTile(GetDitherValue255, v, 16), v <= 0 ? 0 : std::min(v + 1, 256)) << v;
    EXPECT_EQ(DotsInTile(GetDitherValue, v, 16), std::clamp(v, 0, 255)) << "at v=" << v;
  }
  for (int level = -1; level <= 17; ++level) {
    EXPECT_EQ(DotsInTile(GetDitherValue16, level, 4), std::clamp(level, 0, 16)) << level;
    for (int i = 0; i < 16 && level > 0; ++i) {
      EXPECT_GE(GetDitherValue16(level, i % 4, i / 4), GetDitherValue16(level - 1, i % 4, i / 4))
          << "level " << level << " drops a dot at " << i;
    }
  }
  // The function, v, x, y and whether the dot is on.
  const std::tuple<const char*, Dither, int, int, int, int> rows[] = {
      {"255: threshold 128 at v 128", GetDitherValue255, 128, 1, 0, 1},
      {"255: threshold 128 at v 127", GetDitherValue255, 127, 1, 0, 0},
      {"255: negative positions wrap", GetDitherValue255, 128, -15, -16, 1},
      {"16: rows are y", GetDitherValue16, 3, 2, 0, 1},
      {"16: columns are x", GetDitherValue16, 3, 0, 2, 0},
      {"16: negative positions wrap", GetDitherValue16, 5, -3, -3, 1},
      {"two-level fine is x first", GetDitherValue, 3, 0, 2, 1},
      {"two-level fine, swapped", GetDitherValue, 3, 2, 0, 0},
      {"two-level coarse is x first", GetDitherValue, 48, 0, 8, 1},
      {"two-level coarse, swapped", GetDitherValue, 48, 8, 0, 0},
      {"two-level negative positions wrap", GetDitherValue, 100, -1, -4, 1},
  };
  for (const auto& [label, dither, v, x, y, on] : rows) EXPECT_EQ(dither(v, x, y), on) << label;
}

TEST(PixelSpecialty, CellsKeepEveryValueAndTheOtherNibbles) {
  for (int x = 0; x < 8; ++x) {
    const BYTE other = x < 4 ? 0x0F : 0xF0;
    for (int v = 0; v < 256; ++v) {
      BYTE upper = 0x5C, lower = 0xA3;
      SetSpecialtyCell(upper, lower, x, static_cast<BYTE>(v));
      ASSERT_EQ(GetSpecialtyCell(upper, lower, x), v) << "at x=" << x << " v=" << v;
      ASSERT_EQ((upper & other) << 8 | (lower & other), (0x5C & other) << 8 | (0xA3 & other)) << x;
    }
  }
  BYTE upper = 0, lower = 0;
  SetSpecialtyCell(upper, lower, 13, 0xA7);  // x mod 8 = 5: the low nibbles, high 4 bits above
  EXPECT_EQ(upper << 8 | lower, 0x0A07);
}

}  // namespace
