#include "kz/raster/mixer/pixel_mixer_edit.h"

#include <gtest/gtest.h>

#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::ExpectColourRows;
using kz::mixer_testing::Follows8BitRulePerChannel;
using kz::mixer_testing::ForEveryByteTriple;
using kz::mixer_testing::Mix8;

template <class Mixer>
Mixer WithMode(int mode) {
  Mixer mixer;
  mixer.SetMode(mode);
  mixer.SetChannelRange(30, 200);  // the editing rules keep to 0..255 whatever the range
  return mixer;
}

// Each rule, whatever the source: which way it moves, by how much (alpha / divisor), and
// whether it also acts on an empty pixel.
TEST(KzPixelMixerEdit, Rules8BitMoveByTheirStepAndSaturate) {
  auto erase = WithMode<KzPixelMixerCorrect>(0), darken = WithMode<KzPixelMixerCorrect>(1),
       lighten = WithMode<KzPixelMixerCorrect>(2), idleCorrect = WithMode<KzPixelMixerCorrect>(3);
  auto raise = WithMode<KzPixelMixerAlphaEdit>(0), lower = WithMode<KzPixelMixerAlphaEdit>(1),
       idleEdit = WithMode<KzPixelMixerAlphaEdit>(2);
  const struct {
    const char* label;
    KzPixelMixer* mixer;
    int direction;  // +1 raises, -1 lowers, 0 leaves
    int divisor;
    bool actsOnZero;
  } rules[] = {
      {"correct 0 erases", &erase, -1, 1, true},      {"correct 1 darkens", &darken, +1, 5, false},
      {"correct 2 lightens", &lighten, -1, 5, false}, {"correct 3", &idleCorrect, 0, 1, true},
      {"alpha edit 0 raises", &raise, +1, 1, true},   {"alpha edit 1 lowers", &lower, -1, 1, true},
      {"alpha edit 2", &idleEdit, 0, 1, true},
  };
  for (const auto& rule : rules) {
    EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
      const int r = Mix8(*rule.mixer, d, s, a), step = a / rule.divisor;
      const bool idle = a == 0 || rule.direction == 0 || (d == 0 && !rule.actsOnZero);
      if (idle) return r == d ? nullptr : "changed a pixel it should leave";
      const int moved = (r - d) * rule.direction;
      if (moved < 0) return "moved the wrong way";
      if (moved != step && r != (rule.direction > 0 ? 255 : 0)) return "did not move by the step";
      return moved > step ? "moved past the step" : nullptr;
    })) << rule.label;
  }
  EXPECT_EQ(Mix8(darken, 100, 0, 4), 100);    // step 4 / 5 = 0
  EXPECT_EQ(Mix8(darken, 100, 0, 255), 151);  // step 51
  EXPECT_EQ(Mix8(erase, 100, 0, 60), 40);
  KzPixelMixerAlphaEdit defaultEdit;  // mode 1 lowers
  EXPECT_EQ(Mix8(defaultEdit, 100, 0, 60), 40);
}

TEST(KzPixelMixerEdit, Colour32BitRows) {
  auto erase = WithMode<KzPixelMixerCorrect>(0), darken = WithMode<KzPixelMixerCorrect>(1),
       lighten = WithMode<KzPixelMixerCorrect>(2), idle = WithMode<KzPixelMixerCorrect>(3);
  auto raise = WithMode<KzPixelMixerAlphaEdit>(0), lower = WithMode<KzPixelMixerAlphaEdit>(1);
  const TQCOLORREF p = 0x80102030, s = 0xFFFFFFFF;
  ExpectColourRows({
      {"erase lowers A", &erase, p, s, 100, 0x1C102030},
      {"erase stops at 0", &erase, p, s, 200, 0x00102030},
      // step 20: R 0x30 - 20 = 28, G 0x20 - 20 = 12, B 0x10 - 20 -> 0.
      {"darken lowers R G B", &darken, p, s, 100, 0x80000C1C},
      {"lighten raises R G B", &lighten, p, s, 100, 0x80243444},
      {"lighten stops at 255", &lighten, 0x80F02030, s, 100, 0x80FF3444},
      {"darken needs A above 0", &darken, 0x00102030, s, 255, 0x00102030},
      {"step 4 / 5 is 0", &lighten, p, s, 4, p},
      {"correct mode 3", &idle, p, s, 255, p},
      {"alpha edit raises", &raise, p, 0, 100, 0xE4102030},
      {"alpha edit stops at 255", &raise, p, 0, 200, 0xFF102030},
      {"alpha edit lowers", &lower, p, 0, 100, 0x1C102030},
  });
  for (int mode : {0, 1, 2}) {
    auto edit = WithMode<KzPixelMixerAlphaEdit>(mode);
    EXPECT_TRUE(Follows8BitRulePerChannel(edit, 0b1000)) << "mode " << mode;
  }
}

}  // namespace
