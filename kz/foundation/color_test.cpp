#include "kz/foundation/color.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Expected values are worked out from the conversion rules by hand (degrees to units:
// x 65535 / 360; sectors of 60 degrees; every result truncated).

static_assert(offsetof(KzRgbColor, a) == 0 && offsetof(KzRgbColor, b) == 6);
static_assert(offsetof(KzHsvColor, a) == 0 && offsetof(KzHsvColor, v) == 6);

TEST(KzColor, ChannelsAndHighBytesOfRgb16) {
  KzColor color(0x80402010u);
  EXPECT_EQ(color.GetChannelR(), 0x10);
  EXPECT_EQ(color.GetChannelB(), 0x40);
  EXPECT_EQ(color.GetChannelA(), 0x80);
  color.SetChannelG(0xAA);
  EXPECT_EQ(static_cast<TQCOLORREF>(color), 0x8040AA10u);
  const struct {
    int index;
    TQCOLORREF expected;
  } cases[] = {
      {0, 0x8040AAFFu}, {2, 0x80FFAA10u}, {3, 0xFF40AA10u}, {4, 0x8040AA10u}, {-1, 0x8040AA10u}};
  for (const auto& c : cases) {
    KzColor copy(color);
    copy.SetChannel(c.index, 0xFF);
    EXPECT_EQ(copy.GetColor(), c.expected) << "at index=" << c.index;
  }
  color = tagTQRGBCOLOR16{0x12FF, 0xABCD, 0x00FF, 0xFF00};
  EXPECT_EQ(color.GetColor(), 0x12FF00ABu);
}

TEST(KzColor, FromHsvInDegreesAndPercent) {
  const struct {
    const char* label;
    tagTQHSVCOLOR16 hsv;  // a, h in degrees, s and v in percent
    TQCOLORREF expected;
  } cases[] = {
      {"red, A low byte", {0x1234, 0, 100, 100}, 0x340000FFu},
      {"green", {0, 120, 100, 100}, 0x0000FF00u},
      {"blue", {0, 240, 100, 100}, 0x00FF0000u},
      // 359 / 60: sector 5, f = 0.98333; (v, p, q) with q = 1 - f = 0.01667 -> 4.25 -> 4.
      {"hue 359", {0, 359, 100, 100}, 0x000400FFu},
      {"hue 360 counts as 359", {0, 360, 100, 100}, 0x000400FFu},
      {"hue 1000 counts as 359", {0, 1000, 100, 100}, 0x000400FFu},
      {"S and V above 100", {0, 120, 150, 200}, 0x0000FF00u},
      // sector 0, f = 0.5: (v, t, p) = (1, 0.75, 0.5) -> (255, 191.25, 127.5).
      {"orange, half saturated", {0, 30, 50, 100}, 0x007FBFFFu},
      // sector 3, f = 1/3, v 0.6, s 0.4: (p, q, v) = (0.36, 0.52, 0.6) -> (91.8, 132.6, 153).
      {"muted blue", {0xFF, 200, 40, 60}, 0xFF99845Bu},
      {"grey", {0, 77, 0, 50}, 0x007F7F7Fu},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KzColor(c.hsv).GetColor(), c.expected) << c.label;
  }
}

TEST(KzRgbColor, WidensBytesAndPacksHighBytes) {
  KzRgbColor white(0x00FFFFFFu);
  EXPECT_EQ(white, KzRgbColor(0, 65535, 65535, 65535));
  EXPECT_EQ(static_cast<TQCOLORREF>(white), 0x00FFFFFFu);
  KzRgbColor assigned;
  assigned = KzColor(0x80FF0100u);
  EXPECT_EQ(assigned, (tagTQRGBCOLOR16{0x8080, 0x0000, 0x0101, 0xFFFF}));
  for (TQCOLORREF x = 0; x < 256; ++x) {
    TQCOLORREF packed = x | (255 - x) << 8 | (x ^ 0x5A) << 16 | (x * 7 & 0xFF) << 24;
    EXPECT_EQ(static_cast<TQCOLORREF>(KzRgbColor(packed)), packed) << "at x=" << x;
  }
}

TEST(KzRgbColor, ChannelsByIndexIgnoreOtherIndices) {
  KzRgbColor color(1, 2, 3, 4);
  EXPECT_EQ(color.GetChannel(0), 2);
  EXPECT_EQ(color.GetChannel(3), 1);
  EXPECT_EQ(color.GetChannel(4), 0);
  EXPECT_EQ(color.GetChannel(-1), 0);
  color.SetChannel(4, 99);
  color.SetChannel(-1, 99);
  EXPECT_EQ(color, KzRgbColor(1, 2, 3, 4));
  color.SetChannel(2, 10);
  EXPECT_EQ(color, KzRgbColor(1, 2, 3, 10));
}

struct RgbHsvRow {
  const char* label;
  tagTQRGBCOLOR16 rgb;
  tagTQHSVCOLOR16 hsv;
};

TEST(KzHsvColor, FromRgb) {
  const RgbHsvRow cases[] = {
      {"red, A copied", {9, 65535, 0, 0}, {9, 0, 65535, 65535}},
      {"green: 120 degrees", {0, 0, 65535, 0}, {0, 21845, 65535, 65535}},
      {"blue: 240 degrees", {0, 0, 0, 65535}, {0, 43690, 65535, 65535}},
      {"yellow: 60 degrees = 10922.5", {0, 65535, 65535, 0}, {0, 10922, 65535, 65535}},
      {"magenta: 300 degrees = 54612.5", {0, 65535, 0, 65535}, {0, 54612, 65535, 65535}},
      {"grey", {5, 30000, 30000, 30000}, {5, 0, 0, 30000}},
      {"black", {0, 0, 0, 0}, {0, 0, 0, 0}},
      // g / 65535 sixths = 32768 / 6 units.
      {"orange", {0, 65535, 32768, 0}, {0, 5461, 65535, 65535}},
      // b max: 4 - 1/3 sixths = 220 degrees = 40049.17; S = 0.75 * 65535 = 49151.25.
      {"blue-ish", {100, 10000, 20000, 40000}, {100, 40049, 49151, 40000}},
  };
  for (const auto& c : cases) {
    KzHsvColor hsv(c.rgb.a, c.rgb.r, c.rgb.g, c.rgb.b);
    EXPECT_EQ(hsv.GetChannelA(), c.hsv.a) << c.label;
    EXPECT_EQ(hsv.GetChannelH(), c.hsv.h) << c.label;
    EXPECT_EQ(hsv.GetChannelS(), c.hsv.s) << c.label;
    EXPECT_EQ(hsv.GetChannelV(), c.hsv.v) << c.label;
  }
  KzHsvColor blue(0x80FF0000u);  // widened first: A 0x8080
  EXPECT_EQ(blue.GetChannelA(), 0x8080);
  EXPECT_EQ(blue.GetChannelH(), 43690);
}

TEST(KzRgbColor, FromHsvOnThe16BitScale) {
  const RgbHsvRow cases[] = {
      {"hue 120", {0, 0, 65535, 0}, {0, 21845, 65535, 65535}},
      {"hue 240", {0, 0, 0, 65535}, {0, 43690, 65535, 65535}},
      // 65535 units are 360 degrees, the hue 0: (v, t, p) with p = t = 1 - s.
      {"hue 65535", {3, 65535, 32767, 32767}, {3, 65535, 32768, 65535}},
      {"hue 0", {3, 65535, 32767, 32767}, {3, 0, 32768, 65535}},
      // 90.00137 degrees: sector 1, f = 0.50002; q = 1 - f -> 32765.5.
      {"hue 16384", {0, 32765, 65535, 0}, {0, 16384, 65535, 65535}},
      {"grey", {0, 40000, 40000, 40000}, {0, 12345, 0, 40000}},
      // 164.797 degrees: sector 2, f = 0.74662, s = 0.30518, v = 0.76295:
      // (p, v, t) = (0.53011, 0.76295, 0.70395).
      {"sector 2", {0, 34740, 50000, 46133}, {0, 30000, 20000, 50000}},
  };
  for (const auto& c : cases) {
    KzRgbColor rgb(c.hsv);
    EXPECT_EQ(rgb, c.rgb) << c.label << ": got " << rgb.r << ", " << rgb.g << ", " << rgb.b;
    KzHsvColor hsv;
    hsv.SetColor(c.hsv.a, c.hsv.h, c.hsv.s, c.hsv.v);
    EXPECT_EQ(KzRgbColor(static_cast<tagTQRGBCOLOR16>(hsv)), c.rgb) << c.label << " by cast";
  }
  KzHsvColor hsv;
  hsv.SetColor(0x1234, 43690, 65535, 65535);
  EXPECT_EQ(static_cast<TQCOLORREF>(hsv), 0x12FF0000u);
}

TEST(ColorConversions, RgbToHsvAndBackStaysClose) {
  // A hue truncated by one unit (1/182 degree) moves a channel by at most 65535 / 182 / 60,
  // about 6; the truncated S, V and channels add a unit each.
  constexpr int kTolerance = 10;
  for (int r = 0; r <= 65535; r += 2521) {
    for (int g = 0; g <= 65535; g += 2339) {
      for (int b = 0; b <= 65535; b += 2113) {
        KzRgbColor original(7, static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(g),
                            static_cast<std::uint16_t>(b));
        KzRgbColor back(KzHsvColor{original});
        int error = std::max({std::abs(back.r - r), std::abs(back.g - g), std::abs(back.b - b)});
        ASSERT_LE(error, kTolerance) << "at r=" << r << " g=" << g << " b=" << b;
        ASSERT_EQ(back.a, 7);
      }
    }
  }
}

TEST(KzComplexColor, UnpacksAndPacksBothDepths) {
  KzComplexColor color(0x80402010u);
  EXPECT_EQ(color.GetDepth(), 0);
  EXPECT_EQ(color.GetOpacity(), 0x80);
  EXPECT_EQ(color.GetR(), 0x10);
  EXPECT_EQ(color.GetB(), 0x40);
  EXPECT_EQ(color.GetColor(), 0x80402010u);
  KzComplexColor wide(std::uint64_t{0x1234DEF09ABC5678});
  EXPECT_EQ(wide.GetDepth(), 1);
  EXPECT_EQ(wide.GetA64(), 0x1234);
  EXPECT_EQ(wide.GetR64(), 0x5678);
  EXPECT_EQ(wide.GetG64(), 0x9ABC);
  EXPECT_EQ(wide.GetColor64(), 0x1234DEF09ABC5678u);
  wide.SetColor(1, 2, 3, 4);
  EXPECT_EQ(wide.GetDepth(), 0);
  EXPECT_EQ(wide.GetColor(), 0x01040302u);
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
  EXPECT_EQ(color.GetB(), 65535);
  color.Convert(1);
  EXPECT_EQ(color.GetB(), 65535);
  EXPECT_EQ(color.GetDepth(), 1);
}

}  // namespace
