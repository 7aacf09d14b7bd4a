#include "kz/raster/mixer/pixel_mixer_blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "kz/raster/mixer/pixel_mixer_rules.h"
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

// The 32-bit blend divides by multiplying; every quotient it can form must be the true one.
TEST(KzPixelMixerBlend, SmallDivisionIsExactOverItsRange) {
  for (int k = 1; k <= 255; ++k) {
    for (int n = 0; n < (1 << 17); ++n) {
      if (kz::mixer_rules::DivideSmall(n, k) != n / k) {
        FAIL() << n << " / " << k << " gave " << kz::mixer_rules::DivideSmall(n, k);
      }
    }
  }
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

// The rule as stated, with plain signed divisions: the mixer's unsigned, multiplying form must
// give the same bytes for every destination and source alpha, whatever the channels.
TQCOLORREF OverByDivision(TQCOLORREF d, TQCOLORREF s, int alpha) {
  const int a = Channel(s, 3) * alpha / 255, dA = Channel(d, 3);
  if (a == 255) return s | 0xFF000000u;
  const int w = dA * (255 - a) / 255, aOut = 255 - (255 - dA) * (255 - a) / 255;
  const int k = ((aOut + 1) * 255) >> 8;
  TQCOLORREF r = static_cast<TQCOLORREF>(aOut) << 24;
  for (int c = 0; c < 3; ++c) {
    const int p = (255 - Channel(s, c)) * a / 255 + (255 - Channel(d, c)) * w / 255;
    r |= static_cast<TQCOLORREF>(k <= 0 ? 255 : std::max(255 - p * 256 / k, 0)) << (8 * c);
  }
  return r;
}

TEST(KzPixelMixerBlend, Over32BitMatchesPlainDivision) {
  KzPixelMixerBlend blend;
  Random random;
  for (int dA = 0; dA < 256; ++dA) {
    for (int sA = 0; sA < 256; ++sA) {
      for (int trial = 0; trial < 4; ++trial) {
        const TQCOLORREF d = (random.Next() & 0xFFFFFFu) | static_cast<TQCOLORREF>(dA) << 24;
        const TQCOLORREF s = (random.Next() & 0xFFFFFFu) | static_cast<TQCOLORREF>(sA) << 24;
        const int alpha = trial == 0 ? 255 : random.Byte();
        ASSERT_EQ(Mix32(blend, d, s, alpha), OverByDivision(d, s, alpha))
            << std::hex << "d=" << d << " s=" << s << " alpha=" << alpha;
      }
    }
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
