#include "kz/raster/mixer/pixel_mixer_blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "kz/raster/mixer/pixel_mixer_rules.h"
#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::Channel;
using kz::mixer_testing::ColorSource;
using kz::mixer_testing::ForEveryByteTriple;
using kz::mixer_testing::Mix24;
using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;

// The rules are usable at compile time; a few hand rows pin them there too.
static_assert(kz::mixer_rules::Blend32(0xFFFFFFFF, 0xFF000000, 128) == 0xFF7F7F7F);
static_assert(kz::mixer_rules::Blend8(0, 128, 255, 255) == 128);
static_assert(kz::mixer_rules::WeightCopy32(0x00000000, 0xFF000000, 128) == 0x80000000);

TEST(KzPixelMixerBlend, Coverage8BitAccumulatesWithinTheMaximum) {
  for (int max : {255, 100, 200}) {
    KzPixelMixerBlend blend;
    blend.SetChannelRange(max == 200 ? 30 : 0, max);
    int previousA = 0, previousS[256] = {};
    EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
      const int r = Mix8(blend, d, s, a);
      if (r > max) return "above the maximum";
      if (d <= max && r < d) return "lowered the density";
      if (d > max && r != max) return "not brought to the maximum";
      if ((a == 0 || s == 0) && r != std::min(d, max)) return "changed without coverage";
      if (s == 255 && a == 255 && r != max) return "full coverage did not fill";
      // The loops run a fastest, then s: compare with the neighbours already seen.
      const int belowA = a > 0 ? previousA : 0, belowS = s > 0 ? previousS[a] : 0;
      previousA = previousS[a] = r;
      if (r < belowA) return "not monotone in the opacity";
      if (r < belowS) return "not monotone in the source";
      // Onto an empty pixel the result is s * a / 255 truncated: a true division.
      if (d == 0 && max == 255 && !(255 * r <= s * a && s * a < 255 * (r + 1))) {
        return "not the truncated coverage";
      }
      return nullptr;
    })) << "with maximum "
        << max;
  }
}

TEST(KzPixelMixerBlend, Coverage8BitRows) {
  const struct {
    int max, d, s, a, expected;
  } rows[] = {
      {255, 0, 128, 255, 128},   {255, 200, 255, 255, 255},
      {255, 100, 100, 255, 160},  // a = 100; 155 * 100 / 255 = 60.8 -> 60
      {255, 10, 200, 128, 106},   // a = 25600 / 255 = 100; 245 * 100 / 255 = 96.1 -> 96
      {255, 128, 1, 255, 128},    // a = 1; 127 / 255 -> 0
      {255, 254, 255, 255, 255}, {100, 0, 255, 255, 100},
      {100, 150, 0, 0, 100},     // above the maximum: lowered even without coverage
      {100, 50, 128, 255, 100},  // 50 + 205 * 128 / 255 = 152 -> 100
  };
  for (const auto& row : rows) {
    KzPixelMixerBlend blend;
    blend.SetChannelRange(0, row.max);
    EXPECT_EQ(Mix8(blend, row.d, row.s, row.a), row.expected)
        << "at max=" << row.max << " d=" << row.d << " s=" << row.s << " a=" << row.a;
  }
}

TEST(KzPixelMixerBlend, Colour24BitMovesTowardTheSourceByItsAlpha) {
  const struct {
    const char* label;
    TQCOLORREF d, s;
    int a;
    TQCOLORREF expected;
  } rows[] = {
      {"opaque white at full opacity", 0xFF000000, 0xFFFFFFFF, 255, 0x00FFFFFF},
      // sA 128: G 255 + (0 - 255) * 128 / 255 = 127; B 0 + 255 * 128 / 255 = 128.
      {"half blue over green", 0x0000FF00, 0x80FF0000, 255, 0x00807F00},
      // a = 100: G 200 + (-200 * 100) / 255 = 200 - 78 (toward zero, not -79).
      {"negative step truncates toward zero", 0x0000C800, 0x64000000, 255, 0x00007A00},
      // a = 255 * 51 / 255 = 51: R 0 + 255 * 51 / 255 = 51.
      {"opacity scales the source alpha", 0x00000000, 0xFF0000FF, 51, 0x00000033},
      {"source alpha 0 keeps the colour", 0x7F123456, 0x00FFFFFF, 255, 0x00123456},
  };
  for (const auto& row : rows) {
    KzPixelMixerBlend blend;
    EXPECT_EQ(Mix24(blend, row.d, row.s, row.a), row.expected) << row.label;
  }
}

TEST(KzPixelMixerBlend, Over32BitRows) {
  const struct {
    const char* label;
    TQCOLORREF d, s;
    int a;
    TQCOLORREF expected;
  } rows[] = {
      // a 128, w 127, A 255, P 128, k 255: 255 - 32768 / 255 = 127.
      {"black at 128 onto opaque white", 0xFFFFFFFF, 0xFF000000, 128, 0xFF7F7F7F},
      {"opaque source at full opacity copies", 0x40123456, 0xFF0000FF, 255, 0xFF0000FF},
      {"opaque copy ignores the destination", 0x00000000, 0xFFABCDEF, 255, 0xFFABCDEF},
      {"anything at 0 onto transparent", 0x00123456, 0xFF808080, 0, 0x00FFFFFF},
      // a 128, w 0, A 128, P (0, 128, 128), k 128: G, B 255 - 256 -> 0.
      {"half red onto transparent", 0x00000000, 0x800000FF, 255, 0x800000FF},
      // a 128, w 127, A 255, P (0, 128, 128), k 255.
      {"half red onto opaque white", 0xFFFFFFFF, 0x800000FF, 255, 0xFF7F7FFF},
      // a 128, w 63, A 255 - 63 = 192, P (191, 128, 63), k 192:
      // 255 - 48896/192 = 1, 255 - 32768/192 = 85, 255 - 16128/192 = 171.
      {"half blue onto half green", 0x8000FF00, 0x80FF0000, 255, 0xC0AB5501},
      // a 64, w 0, A 64, P 64, k 16575 >> 8 = 64: 255 - 256 -> 0.
      {"black at 64 onto transparent", 0x00FFFFFF, 0xFF000000, 64, 0x40000000},
      {"black at 0 onto opaque grey", 0xFF808080, 0xFF000000, 0, 0xFF808080},
  };
  for (const auto& row : rows) {
    KzPixelMixerBlend blend;
    EXPECT_EQ(Mix32(blend, row.d, row.s, row.a), row.expected) << row.label;
  }
}

TEST(KzPixelMixerBlend, Over32BitProperties) {
  KzPixelMixerBlend blend;
  ColorSource source;
  for (int i = 0; i < 200000; ++i) {
    const TQCOLORREF d = source.Next(), s = source.Next();
    const int a = source.Byte();
    const TQCOLORREF r = Mix32(blend, d, s, a);
    const int dA = Channel(d, 3), sA = Channel(s, 3), rA = Channel(r, 3);
    ASSERT_GE(rA, dA) << "lost opacity at d=" << d << " s=" << s << " a=" << a;
    if (dA == 255) {
      ASSERT_EQ(rA, 255) << "at d=" << d << " s=" << s << " a=" << a;
    }
    if (sA == 255 && a == 255) {
      ASSERT_EQ(r, s) << "at d=" << d << " s=" << s;
    }
    if ((sA == 0 || a == 0) && dA == 255) {
      ASSERT_EQ(r, d) << "at d=" << d << " s=" << s;
    }
    if (rA == 0) {
      ASSERT_EQ(r, 0x00FFFFFFu) << "at d=" << d << " s=" << s << " a=" << a;
    }
  }
}

TEST(KzPixelMixerWeightCopy, Weighted8BitMovesTowardTheSource) {
  KzPixelMixerWeightCopy weight;
  weight.SetChannelRange(30, 200);  // not used by this rule
  EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
    const int r = Mix8(weight, d, s, a);
    if (a == 255 && r != s) return "full opacity did not copy";
    if (a == 0 && r != d) return "opacity 0 changed the pixel";
    if (r < std::min(d, s) || r > std::max(d, s)) return "left the span between d and s";
    // |r - d| is |s - d| * a / 255 truncated: toward d, with a true division.
    const int moved = std::abs(r - d), span = std::abs(s - d);
    if (!(255 * moved <= span * a && span * a < 255 * (moved + 1))) return "not the truncated step";
    return nullptr;
  }));
}

TEST(KzPixelMixerWeightCopy, Weighted32BitIsThe8BitRuleOnEveryByte) {
  const struct {
    const char* label;
    TQCOLORREF d, s;
    int a;
    TQCOLORREF expected;
  } rows[] = {
      {"A 0 to A 255 at 128", 0x00000000, 0xFF000000, 128, 0x80000000},
      // 255 + (0 - 255) * 128 / 255 = 127 in R, G, B.
      {"transparent white to black at 128", 0x00FFFFFF, 0xFF000000, 128, 0x807F7F7F},
      {"full opacity copies the word", 0x11223344, 0x00FFEEDD, 255, 0x00FFEEDD},
      {"source A does not weight", 0x00000000, 0x000000FF, 255, 0x000000FF},
  };
  KzPixelMixerWeightCopy weight;
  for (const auto& row : rows) {
    EXPECT_EQ(Mix32(weight, row.d, row.s, row.a), row.expected) << row.label;
  }
  ColorSource source;
  for (int i = 0; i < 100000; ++i) {
    const TQCOLORREF d = source.Next(), s = source.Next();
    const int a = source.Byte();
    const TQCOLORREF r = Mix32(weight, d, s, a);
    for (int c = 0; c < 4; ++c) {
      ASSERT_EQ(Channel(r, c), Mix8(weight, Channel(d, c), Channel(s, c), a))
          << "channel " << c << " at d=" << d << " s=" << s << " a=" << a;
    }
  }
}

}  // namespace
