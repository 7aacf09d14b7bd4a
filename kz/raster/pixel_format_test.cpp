#include "kz/raster/pixel_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using namespace kz::pixel;

TEST(PixelDither, BayerMatrixRowAndRange) {
  const std::array<BYTE, 16> firstRow = {0, 128, 32, 160, 8,  136, 40, 168,
                                         2, 130, 34, 162, 10, 138, 42, 170};
  EXPECT_EQ(cbDitherTable256[0], firstRow);
  // Every threshold 0..255 appears exactly once.
  std::vector<int> seen(256, 0);
  for (const auto& row : cbDitherTable256) {
    for (BYTE v : row) ++seen[v];
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 256);
}

TEST(PixelDither, Dither255OnCountsAndEdges) {
  // Over one 16 x 16 tile exactly v + 1 positions are on for 0 < v < 255 (thresholds 0..v),
  // none for 0 and all for 255 and above.
  for (int v = -1; v <= 256; ++v) {
    int on = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) on += GetDitherValue255(v, x, y);
    }
    const int expected = v <= 0 ? 0 : v >= 255 ? 256 : v + 1;
    EXPECT_EQ(on, expected) << "at v=" << v;
  }
  // v = 1 is on only where the matrix holds 0 or 1.
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(GetDitherValue255(1, x, y), cbDitherTable256[y][x] <= 1 ? 1 : 0)
          << "at x=" << x << " y=" << y;
    }
  }
  EXPECT_EQ(GetDitherValue255(1, 0, 0), 1);
  EXPECT_EQ(GetDitherValue255(1, 1, 0), 0);  // threshold 128
  // Columns and rows repeat every 16, negative ones included.
  EXPECT_EQ(GetDitherValue255(129, -15, 0), GetDitherValue255(129, 1, 0));
  EXPECT_EQ(GetDitherValue255(129, 1, -16), GetDitherValue255(129, 1, 0));
}

TEST(PixelDither, SixteenLevelPatternsNestAndCount) {
  for (int level = 0; level <= 16; ++level) {
    int on = 0;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        on += GetDitherValue16(level, x, y);
        if (level > 0 && GetDitherValue16(level - 1, x, y) == 1) {
          EXPECT_EQ(GetDitherValue16(level, x, y), 1) << "level " << level << " drops a dot";
        }
      }
    }
    EXPECT_EQ(on, level) << "at level=" << level;
  }
  // Level 3 is 1010 0000 0010 0000 read row by row: (x 2, y 0) on, (x 0, y 2) off.
  EXPECT_EQ(GetDitherValue16(3, 2, 0), 1);
  EXPECT_EQ(GetDitherValue16(3, 0, 2), 0);
  // Levels outside 0..16 are clamped; positions wrap.
  EXPECT_EQ(GetDitherValue16(17, 1, 1), 1);
  EXPECT_EQ(GetDitherValue16(-3, 0, 0), 0);
  EXPECT_EQ(GetDitherValue16(3, -2, 4), GetDitherValue16(3, 2, 0));
}

TEST(PixelDither, TwoLevelDitherCountsAndOrder) {
  // Each coarse pattern of v / 16 = k holds k cells on and one cell that uses the fine pattern
  // of v mod 16, so a 16 x 16 tile has 16k + (v mod 16) = v dots on.
  for (int v = 0; v <= 255; ++v) {
    int on = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) on += GetDitherValue(v, x, y);
    }
    EXPECT_EQ(on, v) << "at v=" << v;
  }
  struct Row {
    const char* label;
    int v, x, y, expected;
  };
  const Row rows[] = {
      // Fine pattern, x first: level 3 holds [0][2] = 1 and [2][0] = 0.
      {"fine x0 y2", 3, 0, 2, 1},
      {"fine x2 y0", 3, 2, 0, 0},
      // Coarse v / 16 = 3 (1212 2222 0212 2222), x first: [0][2] = 1, [2][0] = 0 (fine level
      // 0 there, so off).
      {"coarse x0 y8", 48, 0, 8, 1},
      {"coarse x8 y0", 48, 8, 0, 0},
      // Out-of-range densities are clamped.
      {"v 300 as 255", 300, 0, 0, 1},
      {"v -5 as 0", -5, 0, 0, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(GetDitherValue(row.v, row.x, row.y), row.expected) << row.label;
  }
  EXPECT_EQ(GetDitherValue(300, 13, 7), GetDitherValue(255, 13, 7));
  EXPECT_EQ(GetDitherValue(100, -3, -9), GetDitherValue(100, 13, 7));
}

TEST(PixelSpecialty, CellsKeepEveryValueAndTheirNeighbours) {
  for (int x = 0; x < 8; ++x) {
    for (int v = 0; v < 256; ++v) {
      BYTE upper = 0x5C;
      BYTE lower = 0xA3;
      SetSpecialtyCell(upper, lower, x, static_cast<BYTE>(v));
      ASSERT_EQ(GetSpecialtyCell(upper, lower, x), v) << "at x=" << x << " v=" << v;
      // The other nibble of both bytes is untouched.
      const BYTE other = x < 4 ? 0x0F : 0xF0;
      ASSERT_EQ(upper & other, 0x5C & other) << "at x=" << x;
      ASSERT_EQ(lower & other, 0xA3 & other) << "at x=" << x;
    }
  }
  // 0xA7 at x mod 8 = 5 lands in the low nibbles: upper 0x?A, lower 0x?7.
  BYTE upper = 0;
  BYTE lower = 0;
  SetSpecialtyCell(upper, lower, 13, 0xA7);
  EXPECT_EQ(upper, 0x0A);
  EXPECT_EQ(lower, 0x07);
}

// The bit depths test partial bytes at both ends of a row's range.
TEST(PixelMemory, AreaClearLooksOnlyInsideTheArea) {
  constexpr int kRowBytes = 1024;
  std::vector<BYTE> block(kRowBytes * 256, 0);
  struct Row {
    const char* label;
    int bits;
    int byteOffset;  // in row 5
    BYTE value;
    int inkX;  // the pixel that byte belongs to
  };
  const Row rows[] = {
      {"1-bit x=9", 1, 1, 0x40, 9},  // byte 1, mask 0x40
      {"2-bit x=6", 2, 1, 0x04, 6},  // byte 1, bits 3-2
      {"8-bit x=9", 8, 9, 0x01, 9},          {"16-bit alpha x=9", 16, 18, 0x01, 9},
      {"32-bit alpha x=9", 32, 39, 0x01, 9},
  };
  for (const Row& row : rows) {
    std::fill(block.begin(), block.end(), 0);
    block[5 * kRowBytes + row.byteOffset] = row.value;
    EXPECT_FALSE(IsAreaClear(block.data(), kRowBytes, row.bits, 0, 0, 256, 256)) << row.label;
    EXPECT_FALSE(IsAreaClear(block.data(), kRowBytes, row.bits, row.inkX, 5, row.inkX + 1, 6))
        << row.label;
    EXPECT_TRUE(IsAreaClear(block.data(), kRowBytes, row.bits, 0, 0, row.inkX, 256)) << row.label;
    EXPECT_TRUE(IsAreaClear(block.data(), kRowBytes, row.bits, row.inkX + 1, 0, 256, 256))
        << row.label;
    EXPECT_TRUE(IsAreaClear(block.data(), kRowBytes, row.bits, 0, 6, 256, 256)) << row.label;
  }
}

}  // namespace
