#include "kz/raster/mixer/pixel_mixer_smudge.h"

#include <gtest/gtest.h>

#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;
using kz::mixer_testing::Random;

TEST(KzPixelMixerSmudge, AveragesTruncatePerChannelAndNeedASample) {
  KzPixelMixerSmudge smudge;
  TQCOLORREF color = 0xDEADBEEF;
  std::uint64_t color64 = 42;
  EXPECT_EQ(smudge.GetAverageColor(color), 0);
  EXPECT_EQ(smudge.GetAverageColor64(color64), 0);
  EXPECT_EQ(color, 0xDEADBEEFu);
  EXPECT_EQ(color64, 42u);
  // A 255, B 0, G 128, R 1 then A 0, B 255, G 129, R 2: (127, 127, 128, 1).
  smudge.AddColorChannel32(0xFF008001);
  smudge.AddColorChannel32(0x00FF8102);
  for (int read = 0; read < 2; ++read) {  // reading changes nothing
    EXPECT_EQ(smudge.GetAverageColor(color), 1);
    EXPECT_EQ(color, 0x7F7F8001u);
  }
  smudge.ClearAverageColor();
  EXPECT_EQ(smudge.GetAverageColor(color), 0);
}

TEST(KzPixelMixerSmudge, SixteenBitSamplesAverageWithoutWrapping) {
  KzPixelMixerSmudge smudge;
  // A 0x1000, B 0x0300, G 0x0020, R 0xFFFF and A 0x3000, B 0x0100, G 0x0040, R 0xFFFD.
  smudge.AddColorChannel64(0x1000'0300'0020'FFFFull);
  smudge.AddColorChannel64(0x3000'0100'0040'FFFDull);
  std::uint64_t color = 0;
  EXPECT_EQ(smudge.GetAverageColor64(color), 1);
  EXPECT_EQ(color, 0x2000'0200'0030'FFFEull);
  // 70000 full-scale samples sum past 32 bits long before the fold.
  KzPixelMixerSmudge many;
  for (int i = 0; i < 70000; ++i) many.AddColorChannel64(0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(many.GetAverageColor64(color), 1);
  EXPECT_EQ(color, 0xFFFFFFFFFFFFFFFFull);
}

TEST(KzPixelMixerSmudge, FoldKeepsOneAveragedSample) {
  KzPixelMixerSmudge smudge;
  for (std::uint32_t i = 1; i < KzPixelMixerSmudge::kFoldCount; ++i) smudge.AddColorChannel32(0);
  smudge.AddColorChannel32(0xFFFFFFFF);  // the fold: 255 / 16843009 = 0, one sample
  TQCOLORREF color = 1;
  EXPECT_EQ(smudge.GetAverageColor(color), 1);
  EXPECT_EQ(color, 0u);
  smudge.AddColorChannel32(0xC8C8C8C8);  // (0 + 200) / 2
  EXPECT_EQ(smudge.GetAverageColor(color), 1);
  EXPECT_EQ(color, 0x64646464u);
}

TEST(KzPixelMixerSmudge, SamplesTheDestinationBeforeBlending) {
  Random random;
  KzPixelMixerBlend blend;
  for (int mode : {0, 1, 2}) {
    KzPixelMixerSmudge smudge;
    smudge.SetMode(mode);
    for (int i = 0; i < 1000; ++i) {
      const TQCOLORREF d = random.Next(), s = random.Next();
      const int a = random.Byte();
      smudge.ClearAverageColor();
      const TQCOLORREF expected = mode == 0 ? Mix32(blend, d, s, a) : d;
      ASSERT_EQ(Mix32(smudge, d, s, a), expected) << "mode " << mode << " at d=" << d;
      TQCOLORREF sampled = 0;
      ASSERT_EQ(smudge.GetAverageColor(sampled), 1);
      ASSERT_EQ(sampled, d) << "mode " << mode;
    }
  }
  KzPixelMixerSmudge smudge;  // the other slots copy and sample nothing
  EXPECT_EQ(Mix8(smudge, 10, 200, 128), 200);
  TQCOLORREF sampled = 0;
  EXPECT_EQ(smudge.GetAverageColor(sampled), 0);
}

}  // namespace
