#include "kz/raster/mixer/pixel_mixer_edit.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::Channel;
using kz::mixer_testing::ColorSource;
using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;

template <class Mixer>
Mixer WithMode(int mode) {
  Mixer mixer;
  mixer.SetMode(mode);
  mixer.SetChannelRange(30, 200);  // the editing rules keep to 0..255 whatever the range
  return mixer;
}

// One editing rule on 8 bits: which way it moves, by how much (alpha / divisor), and whether
// it also acts on an empty pixel.
struct EditRule {
  const char* label;
  KzPixelMixer* mixer;
  int direction;  // +1 raises, -1 lowers, 0 leaves
  int divisor;
  bool actsOnZero;
};

TEST(KzPixelMixerEdit, Rules8BitMoveByTheirStepAndSaturate) {
  auto erase = WithMode<KzPixelMixerCorrect>(0), darken = WithMode<KzPixelMixerCorrect>(1),
       lighten = WithMode<KzPixelMixerCorrect>(2), idleCorrect = WithMode<KzPixelMixerCorrect>(3);
  auto raise = WithMode<KzPixelMixerAlphaEdit>(0), lower = WithMode<KzPixelMixerAlphaEdit>(1),
       idleEdit = WithMode<KzPixelMixerAlphaEdit>(2);
  const EditRule rules[] = {
      {"correct 0 erases", &erase, -1, 1, true},      {"correct 1 darkens", &darken, +1, 5, false},
      {"correct 2 lightens", &lighten, -1, 5, false}, {"correct 3", &idleCorrect, 0, 1, true},
      {"alpha edit 0 raises", &raise, +1, 1, true},   {"alpha edit 1 lowers", &lower, -1, 1, true},
      {"alpha edit 2", &idleEdit, 0, 1, true},
  };
  // The source is ignored, so every (d, a) is tried with a few sources.
  for (const EditRule& rule : rules) {
    const auto check = [&](int d, int a) -> const char* {
      const int r = Mix8(*rule.mixer, d, 0, a);
      for (int s : {1, 128, 255, d ^ 0x5A}) {
        if (Mix8(*rule.mixer, d, s, a) != r) return "the source mattered";
      }
      const int step = a / rule.divisor;
      const bool idle = a == 0 || rule.direction == 0 || (d == 0 && !rule.actsOnZero);
      if (idle) return r == d ? nullptr : "changed a pixel it should leave";
      const int moved = (r - d) * rule.direction;
      const int limit = rule.direction > 0 ? 255 : 0;
      if (moved < 0) return "moved the wrong way";
      if (moved != step && r != limit) return "did not move by the step";
      if (moved > step) return "moved past the step";
      return nullptr;
    };
    for (int d = 0; d < 256; ++d) {
      for (int a = 0; a < 256; ++a) {
        const char* what = check(d, a);
        ASSERT_EQ(what, nullptr) << what << " in " << rule.label << " at d=" << d << " a=" << a;
      }
    }
  }
}

TEST(KzPixelMixerEdit, Rows8Bit) {
  auto darken = WithMode<KzPixelMixerCorrect>(1);
  EXPECT_EQ(Mix8(darken, 0, 255, 255), 0);    // an empty pixel stays empty
  EXPECT_EQ(Mix8(darken, 100, 0, 4), 100);    // step 4 / 5 = 0
  EXPECT_EQ(Mix8(darken, 100, 0, 255), 151);  // step 51
  EXPECT_EQ(Mix8(darken, 250, 0, 255), 255);
  auto erase = WithMode<KzPixelMixerCorrect>(0);
  EXPECT_EQ(Mix8(erase, 100, 0, 60), 40);
  EXPECT_EQ(Mix8(erase, 100, 0, 160), 0);
  KzPixelMixerAlphaEdit defaultEdit;  // mode 1 lowers
  EXPECT_EQ(Mix8(defaultEdit, 100, 0, 60), 40);
}

TEST(KzPixelMixerCorrect, Colour32BitRows) {
  const struct {
    const char* label;
    int mode;
    TQCOLORREF d;
    int a;
    TQCOLORREF expected;
  } rows[] = {
      {"erase lowers A", 0, 0x80102030, 100, 0x1C102030},
      {"erase stops at 0", 0, 0x80102030, 200, 0x00102030},
      // step 20: R 0x30 - 20 = 28, G 0x20 - 20 = 12, B 0x10 - 20 -> 0.
      {"darken lowers R G B", 1, 0x80102030, 100, 0x80000C1C},
      {"lighten raises R G B", 2, 0x80102030, 100, 0x80243444},
      {"lighten stops at 255", 2, 0x80F02030, 100, 0x80FF3444},
      {"darken needs A above 0", 1, 0x00102030, 255, 0x00102030},
      {"lighten needs A above 0", 2, 0x00102030, 255, 0x00102030},
      {"step 4 / 5 is 0", 2, 0x80102030, 4, 0x80102030},
      {"opacity 0", 0, 0x80102030, 0, 0x80102030},
      {"mode 3", 3, 0x80102030, 255, 0x80102030},
  };
  for (const auto& row : rows) {
    auto correct = WithMode<KzPixelMixerCorrect>(row.mode);
    EXPECT_EQ(Mix32(correct, row.d, 0xFFFFFFFF, row.a), row.expected) << row.label;
  }
}

TEST(KzPixelMixerAlphaEdit, Colour32BitEditsOnlyAlpha) {
  const struct {
    int mode, a;
    TQCOLORREF expected;
  } rows[] = {
      {0, 100, 0xE4102030}, {0, 200, 0xFF102030}, {1, 100, 0x1C102030},
      {1, 200, 0x00102030}, {2, 100, 0x80102030}, {0, 0, 0x80102030},
  };
  for (const auto& row : rows) {
    auto edit = WithMode<KzPixelMixerAlphaEdit>(row.mode);
    EXPECT_EQ(Mix32(edit, 0x80102030, 0x00FFFFFF, row.a), row.expected)
        << "at mode=" << row.mode << " a=" << row.a;
  }
  ColorSource source;
  for (int mode : {0, 1, 2}) {
    auto edit = WithMode<KzPixelMixerAlphaEdit>(mode);
    for (int i = 0; i < 20000; ++i) {
      const TQCOLORREF d = source.Next(), s = source.Next();
      const int a = source.Byte();
      const TQCOLORREF r = Mix32(edit, d, s, a);
      ASSERT_EQ(r & 0x00FFFFFFu, d & 0x00FFFFFFu) << "at d=" << d << " a=" << a;
      ASSERT_EQ(Channel(r, 3), Mix8(edit, Channel(d, 3), 0, a)) << "at d=" << d << " a=" << a;
    }
  }
}

}  // namespace
