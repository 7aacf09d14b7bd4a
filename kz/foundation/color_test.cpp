#include "kz/foundation/color.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <tuple>

namespace {

// Expected values are worked out from the conversion rules by hand (degrees to units:
// x 65535 / 360; sectors of 60 degrees; every result truncated).

static_assert(offsetof(KzRgbColor, a) == 0 && offsetof(KzRgbColor, b) == 6);
static_assert(offsetof(KzHsvColor, a) == 0 && offsetof(KzHsvColor, v) == 6);

TEST(KzColor, ChannelsAndWidths) {
  KzColor color(0x80402010u);
  color.SetChannel(2, 0xFF);
  color.SetChannel(4, 0x00);  // no such channel: nothing changes
  EXPECT_EQ(color.GetColor(), 0x80FF2010u);
  EXPECT_EQ(KzColor(tagTQRGBCOLOR16{0x12FF, 0xABCD, 0x00FF, 0xFF00}).GetColor(), 0x12FF00ABu);
  EXPECT_EQ(KzRgbColor(KzColor(0x80FF0100u)), (tagTQRGBCOLOR16{0x8080, 0x0000, 0x0101, 0xFFFF}));
  for (TQCOLORREF x = 0; x < 256; ++x) {  // widening to x * 257 and packing the high bytes
    TQCOLORREF packed = x | (255 - x) << 8 | (x ^ 0x5A) << 16 | (x * 7 & 0xFF) << 24;
    EXPECT_EQ(static_cast<TQCOLORREF>(KzRgbColor(packed)), packed) << "at x=" << x;
  }
}

TEST(KzColor, FromHsvInDegreesAndPercent) {
  // A, h in degrees, s and v in percent.
  const std::tuple<const char*, tagTQHSVCOLOR16, TQCOLORREF> cases[] = {
      {"red, A low byte", {0x1234, 0, 100, 100}, 0x340000FFu},
      // 359 / 60: sector 5, f = 0.98333; (v, p, q) with q = 1 - f = 0.01667 -> 4.25 -> 4.
      {"hue 359", {0, 359, 100, 100}, 0x000400FFu},
      {"blue: sector 4", {0, 240, 100, 100}, 0x00FF0000u},
      {"hue 1000 counts as 359", {0, 1000, 100, 100}, 0x000400FFu},
      {"S and V above 100", {0, 120, 150, 200}, 0x0000FF00u},
      // sector 0, f = 0.5: (v, t, p) = (1, 0.75, 0.5) -> (255, 191.25, 127.5).
      {"orange, half saturated", {0, 30, 50, 100}, 0x007FBFFFu},
      // sector 3, f = 1/3, v 0.6, s 0.4: (p, q, v) = (0.36, 0.52, 0.6) -> (91.8, 132.6, 153).
      {"muted blue", {0xFF, 200, 40, 60}, 0xFF99845Bu},
      {"grey", {0, 77, 0, 50}, 0x007F7F7Fu},
  };
  for (const auto& [label, hsv, rgb] : cases) EXPECT_EQ(KzColor(hsv).GetColor(), rgb) << label;
}

using RgbHsvRow = std::tuple<const char*, tagTQRGBCOLOR16, tagTQHSVCOLOR16>;

TEST(KzHsvColor, FromRgb) {
  const RgbHsvRow cases[] = {
      {"red, A copied", {9, 65535, 0, 0}, {9, 0, 65535, 65535}},
      {"yellow: 60 degrees = 10922.5", {0, 65535, 65535, 0}, {0, 10922, 65535, 65535}},
      {"magenta: 300 degrees = 54612.5", {0, 65535, 0, 65535}, {0, 54612, 65535, 65535}},
      {"grey", {5, 30000, 30000, 30000}, {5, 0, 0, 30000}},
      // g / 65535 sixths = 32768 / 6 units.
      {"orange", {0, 65535, 32768, 0}, {0, 5461, 65535, 65535}},
      // b max: 4 - 1/3 sixths = 220 degrees = 40049.17; S = 0.75 * 65535 = 49151.25.
      {"blue-ish", {100, 10000, 20000, 40000}, {100, 40049, 49151, 40000}},
  };
  for (const auto& [label, rgb, expected] : cases) {
    const KzHsvColor hsv(rgb.a, rgb.r, rgb.g, rgb.b);
    EXPECT_EQ(std::memcmp(static_cast<const tagTQHSVCOLOR16*>(&hsv), &expected, 8), 0)
        << label << ": got " << hsv.a << ", " << hsv.h << ", " << hsv.s << ", " << hsv.v;
  }
  EXPECT_EQ(KzHsvColor(0x80FF0000u).a, 0x8080);  // widened first
}

TEST(KzRgbColor, FromHsvOnThe16BitScale) {
  const RgbHsvRow cases[] = {
      {"hue 120", {0, 0, 65535, 0}, {0, 21845, 65535, 65535}},
      // 65535 units are 360 degrees, the hue 0: (v, t, p) with p = t = 1 - s.
      {"hue 65535", {3, 65535, 32767, 32767}, {3, 65535, 32768, 65535}},
      {"hue 0", {3, 65535, 32767, 32767}, {3, 0, 32768, 65535}},
      // 90.00137 degrees: sector 1, f = 0.50002; q = 1 - f -> 32765.5.
      {"hue 16384", {0, 32765, 65535, 0}, {0, 16384, 65535, 65535}},
      // 164.797 degrees: sector 2, f = 0.74662, s = 0.30518, v = 0.76295:
      // (p, v, t) = (0.53011, 0.76295, 0.70395).
      {"sector 2", {0, 34740, 50000, 46133}, {0, 30000, 20000, 50000}},
  };
  for (const auto& [label, expected, hsv] : cases) {
    const KzRgbColor rgb(hsv);
    EXPECT_EQ(rgb, expected) << label << ": got " << rgb.r << ", " << rgb.g << ", " << rgb.b;
  }
}

TEST(KzComplexColor, ConvertBetweenDepths) {
  KzComplexColor color;
  color.SetColor(0, 0, 128, 255);
  color.Convert(1);
  EXPECT_EQ(color.GetColor64(), 0x00FFFFFF80FF00FFu);  // (255, 255, 33023, 65535)
  color.Convert(1);
  EXPECT_EQ(color.GetG(), 33023) << "already 16 bits: nothing changes";
  color.Convert(0);
  EXPECT_EQ(color.GetDepth(), 0);
  EXPECT_EQ(color.GetColor(), 0x00FF8000u);
  // Any non-zero depth is 16 bits: stored as given, but never widened twice.
  color.Convert(2);
  EXPECT_EQ(color.GetDepth(), 2);
  color.Convert(1);
  EXPECT_EQ(color.GetB(), 65535);
  EXPECT_EQ(color.GetDepth(), 1);
}

}  // namespace
