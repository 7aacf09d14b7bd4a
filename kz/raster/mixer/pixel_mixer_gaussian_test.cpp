#include "kz/raster/mixer/pixel_mixer_gaussian.h"

#include <gtest/gtest.h>

#include <climits>

#include "kz/foundation/error.h"
#include "kz/foundation/exception_testing.h"
#include "kz/raster/mixer/pixel_mixer_testing.h"
#include "kz/raster/mixer/voff_mixer_testing.h"
#include "kz/raster/voffscreen_null_device.h"

namespace {

using kz::mixer_testing::Mix24;
using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;
using kz::mixer_testing::Recorder;

// Table of sigma 1 (last index 3): 4096, 2484 (e^-0.5), 554 (e^-2), 45 (e^-4.5). With
// base-up 255 and alpha 255 the result is h = (g * 127 * scale) >> 12 itself.
KzPixelMixerGaussian SigmaOne(double radiusX, double radiusY, tagPOINTD centre = {0.0, 0.0}) {
  KzPixelMixerGaussian gauss;
  gauss.CreateGaussTbl(1);
  gauss.SetMapInfo(nullptr, centre, radiusX, radiusY);
  gauss.SetBaseup(255);
  return gauss;
}

TEST(KzPixelMixerGaussian, FallOffRows) {
  const struct {
    const char* label;
    double radiusX, radiusY;
    int x, y, expected;
  } rows[] = {
      // Radius 16: scale 1, index = 3 * (2|x| - 1) / 16.
      {"centre", 16, 16, 0, 0, 127},   // 4096 * 127 >> 12
      {"index 0", 16, 16, 3, 0, 127},  // 3 * 5 / 16 = 0
      {"index 1", 16, 16, 4, 0, 77},   // 2484 * 127 = 315468 >> 12
      {"index 1 left", 16, 16, -4, 0, 77},
      {"index 2 in y", 16, 16, 0, 6, 17},  // 554 * 127 = 70358 >> 12
      {"index 3", 16, 16, 9, 0, 1},        // 45 * 127 = 5715 >> 12
      {"both index 1", 16, 16, 4, 4, 46},  // 2484 * 2484 >> 12 = 1506; * 127 >> 12
      // Radius 8: scale 0.5.
      {"half scale centre", 8, 8, 0, 0, 63},  // 260096 >> 12
      {"half scale index 2", 8, 8, 4, 0, 8},  // 3 * 7 / 8 = 2; 554 * 127 * 0.5 = 35179 >> 12
      // The larger radius sets the scale; each axis uses its own radius.
      {"radius y 4", 16, 4, 0, 2, 17},  // 3 * 3 / 4 = 2
      // Outside the box of half the radius: the last entry, never beyond the table.
      {"index 4 held", 16, 16, 12, 0, 1},
      {"far down", 16, 16, 0, INT_MAX, 1},
      {"far up left", 16, 16, INT_MIN, INT_MIN, 0},  // 45 * 45 >> 12 = 0
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SigmaOne(row.radiusX, row.radiusY).GetGaussValueAt(row.x, row.y, 255), row.expected)
        << row.label;
  }
  // Centre (2.9, -0.9) truncates to (2, 0): at (6, 3) the indices are 1 and 0.
  EXPECT_EQ(SigmaOne(16, 16, {2.9, -0.9}).GetGaussValueAt(6, 3, 255), 77);
  EXPECT_EQ(SigmaOne(16, 16, {-1e300, 1e300}).GetGaussValueAt(0, 0, 255), 0);
  // A radius below 1 becomes 1: scale 1/16, centre 520192 / 16 >> 12 = 7.
  for (double radius : {0.7, 0.0, -5.0, -1e300}) {
    const auto gauss = SigmaOne(radius, radius), one = SigmaOne(1, 1);
    EXPECT_EQ(gauss.GetGaussValueAt(0, 0, 255), 7) << "at radius=" << radius;
    for (int x : {1, 2, -3}) {
      EXPECT_EQ(gauss.GetGaussValueAt(x, 0, 255), one.GetGaussValueAt(x, 0, 255))
          << "at radius=" << radius << " x=" << x;
    }
  }
}

TEST(KzPixelMixerGaussian, TableIsBuiltOnceSharedByCopiesAndRequired) {
  KzPixelMixerGaussian gauss;
  for (int sigma : {0, -3, KzPixelMixerGaussian::kMaxGaussSigma + 1, INT_MAX}) {
    EXPECT_EQ(kzThrownCode([&] { gauss.CreateGaussTbl(sigma); }), kKzErrorParameter)
        << "at sigma=" << sigma;
  }
  gauss.SetMapInfo(nullptr, {0.0, 0.0}, 16, 16);
  gauss.SetBaseup(255);
  EXPECT_EQ(kzThrownCode([&] { gauss.GetGaussValueAt(4, 0, 255); }), kKzErrorParameter);
  gauss.CreateGaussTbl(1);
  gauss.CreateGaussTbl(128);  // a table exists: nothing happens
  EXPECT_EQ(gauss.GetGaussValueAt(4, 0, 255), 77);
  KzPixelMixerGaussian copy(gauss), assigned;
  assigned = gauss;
  gauss.DestroyGaussTbl();
  EXPECT_EQ(kzThrownCode([&] { gauss.GetGaussValueAt(4, 0, 255); }), kKzErrorParameter);
  EXPECT_EQ(copy.GetGaussValueAt(4, 0, 255), 77);
  copy.DestroyGaussTbl();
  EXPECT_EQ(assigned.GetGaussValueAt(6, 0, 255), 17);
  gauss.CreateGaussTbl(128);  // index 384 * 7 / 16 = 168: 1731 * 127 >> 12 = 53
  EXPECT_EQ(gauss.GetGaussValueAt(4, 0, 255), 53);
  gauss.SetBaseup(127);  // at the centre, base-up 127 keeps every opacity
  for (int a = 0; a < 256; ++a) {
    EXPECT_EQ(gauss.GetGaussValueAt(0, 0, static_cast<unsigned char>(a)), a) << "at a=" << a;
  }

  // Mixing with a fall-off needs a map image; without a next mixer there is nothing to do.
  KzPixelMixerBlend blend;
  EXPECT_EQ(Mix8(gauss, 10, 200, 255), 10);
  gauss.SetNext(&blend);
  EXPECT_EQ(kzThrownCode([&] { Mix8(gauss, 10, 200, 255); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { Mix24(gauss, 0, 0, 255); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { Mix32(gauss, 0, 0, 255); }), kKzErrorParameter);
}

TEST(KzPixelMixerGaussian, ForwardsWithTheOpacityModulatedAtTheMapCursor) {
  // An image that stores nothing still keeps a cursor; (-100, -100) lies outside it.
  voff_mixer_testing::ImagePtr map(KzVOffscreenNullDevice::CreateOffscreen(8));
  map->Create(nullptr, 16, 16, 72.0);
  map->Lock(-100, -100, 0);
  KzPixelMixerGaussian gauss;  // base-up 0: the opacity passes, no table or map needed
  Recorder next;
  gauss.SetNext(&next);
  unsigned char byte = 9;
  TQCOLORREF word = 0x01020304;
  gauss.Do8Bit(&byte, 1, 2);
  gauss.Do24Bit(&word, 0x00AABBCC, 3);
  gauss.Do32Bit(&word, 0x80AABBCC, 4);
  gauss.Do2Bit(&byte, 3, 4);  // the 2-bit slot copies instead
  const std::vector<Recorder::Call> expected = {
      {8, &byte, 1, 2}, {24, &word, 0x00AABBCC, 3}, {32, &word, 0x80AABBCC, 4}};
  EXPECT_EQ(next.calls, expected);
  EXPECT_EQ(byte, 3);
  gauss.CreateGaussTbl(1);
  gauss.SetMapInfo(map.get(), {-100.0, -100.0}, 16, 16);
  gauss.SetBaseup(255);
  const struct {
    int x, y, a, expected;
  } rows[] = {
      {-100, -100, 255, 127},  // the centre: h 127, v = 127 * 255 / 255
      {-96, -100, 255, 77},   {-100, -94, 255, 17},
      {-96, -96, 200, 36},    // h 46: 46 * 200 / 255 = 36.1
      {-100, -100, 100, 49},  // 127 * 100 / 255 = 49.8
  };
  for (const auto& row : rows) {
    map->MoveCursor(row.x, row.y);
    next.calls.clear();
    gauss.Do8Bit(&byte, 9, static_cast<unsigned char>(row.a));
    ASSERT_EQ(next.calls.size(), 1u);
    EXPECT_EQ(next.calls[0].alpha, row.expected) << "at x=" << row.x << " y=" << row.y;
  }
  gauss.SetBaseup(127);
  KzPixelMixerBlend blend;
  gauss.SetNext(&blend);
  map->MoveCursor(-90, -100);  // index 3 * 19 / 16 = 3: h 1, v = 255 / 127 = 2
  EXPECT_EQ(Mix8(gauss, 0, 255, 255), 2);
  map->Unlock();
}

}  // namespace
