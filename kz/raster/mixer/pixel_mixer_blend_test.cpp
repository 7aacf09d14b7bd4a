#include "kz/raster/mixer/pixel_mixer_blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::Channel;
using kz::mixer_testing::ExpectColourRows;
using kz::mixer_testing::Follows8BitRulePerChannel;
using kz::mixer_testing::ForEveryByteTriple;
using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;
using kz::mixer_testing::Random;

// |r - d| = span * a / 255 truncated (a true division), told by inequalities.
bool IsTruncatedStep(int moved, int span, int a) {
  return 255 * moved <= span * a && span * a < 255 * (moved + 1);
}

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
      // Onto an empty pixel the result is s * a / 255 truncated.
      if (d == 0 && max == 255 && !IsTruncatedStep(r, s, a)) return "not the truncated coverage";
      return nullptr;
    })) << "with maximum "
        << max;
  }
  const struct {
    int d, s, a, expected;
  } rows[] = {
      {100, 100, 255, 160},  // a = 100; 155 * 100 / 255 = 60.8 -> 60
      {10, 200, 128, 106},   // a = 25600 / 255 = 100; 245 * 100 / 255 = 96.1 -> 96
      {128, 1, 255, 128},    // a = 1; 127 / 255 -> 0
  };
  KzPixelMixerBlend blend;
  for (const auto& row : rows) {
    EXPECT_EQ(Mix8(blend, row.d, row.s, row.a), row.expected)
        << "at d=" << row.d << " s=" << row.s << " a=" << row.a;
  }
}

TEST(KzPixelMixerBlend, ColourRows) {
  KzPixelMixerBlend blend;
  ExpectColourRows(
      {
          {"opaque white at full opacity", &blend, 0xFF000000, 0xFFFFFFFF, 255, 0x00FFFFFF},
          // sA 128: G 255 + (0 - 255) * 128 / 255 = 127; B 0 + 255 * 128 / 255 = 128.
          {"half blue over green", &blend, 0x0000FF00, 0x80FF0000, 255, 0x00807F00},
          // a = 100: G 200 + (-200 * 100) / 255 = 200 - 78 (toward zero, not -79).
          {"negative step truncates toward zero", &blend, 0x0000C800, 0x64000000, 255, 0x7A00},
          // a = 255 * 51 / 255 = 51: R 0 + 255 * 51 / 255 = 51.
          {"opacity scales the source alpha", &blend, 0x00000000, 0xFF0000FF, 51, 0x00000033},
      },
      24);
  ExpectColourRows({
      // a 128, w 127, A 255, P 128, k 255: 255 - 32768 / 255 = 127.
      {"black at 128 onto opaque white", &blend, 0xFFFFFFFF, 0xFF000000, 128, 0xFF7F7F7F},
      {"anything at 0 onto transparent", &blend, 0x00123456, 0xFF808080, 0, 0x00FFFFFF},
      // a 128, w 0, A 128, P (0, 128, 128), k 128: G, B 255 - 256 -> 0.
      {"half red onto transparent", &blend, 0x00000000, 0x800000FF, 255, 0x800000FF},
      // a 128, w 127, A 255, P (0, 128, 128), k 255.
      {"half red onto opaque white", &blend, 0xFFFFFFFF, 0x800000FF, 255, 0xFF7F7FFF},
      // a 128, w 63, A 255 - 63 = 192, P (191, 128, 63), k 192:
      // 255 - 48896/192 = 1, 255 - 32768/192 = 85, 255 - 16128/192 = 171.
      {"half blue onto half green", &blend, 0x8000FF00, 0x80FF0000, 255, 0xC0AB5501},
      // a 64, w 0, A 64, P 64, k 16575 >> 8 = 64: 255 - 256 -> 0.
      {"black at 64 onto transparent", &blend, 0x00FFFFFF, 0xFF000000, 64, 0x40000000},
  });
}

TEST(KzPixelMixerBlend, Over32BitProperties) {
  KzPixelMixerBlend blend;
  Random random;
  for (int i = 0; i < 200000; ++i) {
    const TQCOLORREF d = random.Next(), s = random.Next();
    const int a = random.Byte();
    const TQCOLORREF r = Mix32(blend, d, s, a);
    const int dA = Channel(d, 3), sA = Channel(s, 3), rA = Channel(r, 3);
    const char* what = rA < dA                                      ? "lost opacity"
                       : dA == 255 && rA != 255                     ? "opaque became see-through"
                       : sA == 255 && a == 255 && r != s            ? "opaque source did not copy"
                       : (sA == 0 || a == 0) && dA == 255 && r != d ? "changed without coverage"
                       : rA == 0 && r != 0x00FFFFFFu                ? "transparent but not white"
                                                                    : nullptr;
    ASSERT_EQ(what, nullptr) << what << " at d=" << d << " s=" << s << " a=" << a;
  }
}

TEST(KzPixelMixerWeightCopy, WeightedMovesTowardTheSource) {
  KzPixelMixerWeightCopy weight;
  weight.SetChannelRange(30, 200);  // not used by this rule
  EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
    const int r = Mix8(weight, d, s, a);
    if (a == 255 && r != s) return "full opacity did not copy";
    if (a == 0 && r != d) return "opacity 0 changed the pixel";
    if (r < std::min(d, s) || r > std::max(d, s)) return "left the span between d and s";
    return IsTruncatedStep(std::abs(r - d), std::abs(s - d), a) ? nullptr : "not the step";
  }));
  ExpectColourRows({
      {"A 0 to A 255 at 128", &weight, 0x00000000, 0xFF000000, 128, 0x80000000},
      // 255 + (0 - 255) * 128 / 255 = 127 in R, G, B.
      {"transparent white to black", &weight, 0x00FFFFFF, 0xFF000000, 128, 0x807F7F7F},
      {"source A does not weight", &weight, 0x00000000, 0x000000FF, 255, 0x000000FF},
  });
  EXPECT_TRUE(Follows8BitRulePerChannel(weight, 0b1111));
}

}  // namespace
