#include "kz/raster/mixer/pixel_mixer_arith.h"

#include <gtest/gtest.h>

#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::ExpectColourRows;
using kz::mixer_testing::Follows8BitRulePerChannel;
using kz::mixer_testing::ForEveryByteTriple;
using kz::mixer_testing::Mix8;

// v = s * a / 255 truncated, told by inequalities: 255 v <= s a < 255 (v + 1).
bool IsWeighted(int v, int s, int a) { return 255 * v <= s * a && s * a < 255 * (v + 1); }

// Adding moves up to the maximum, subtracting (any mode but 0) down to the minimum.
TEST(KzPixelMixerAddAndSubtract, Rule8BitMovesByTheWeightedSourceWithinTheRange) {
  const struct {
    int mode, min, max;
  } settings[] = {{0, 0, 255}, {0, 0, 100}, {0, 30, 200}, {1, 0, 255}, {1, 30, 200}, {7, 30, 200}};
  for (const auto& setting : settings) {
    KzPixelMixerAddAndSubtract mixer;
    mixer.SetMode(setting.mode);
    mixer.SetChannelRange(setting.min, setting.max);
    const int sign = setting.mode == 0 ? 1 : -1;
    const int limit = setting.mode == 0 ? setting.max : setting.min;
    EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
      const int r = Mix8(mixer, d, s, a);
      if (a == 0) return r == d ? nullptr : "opacity 0 changed the pixel";
      if ((r - limit) * sign > 0) return "beyond the range";
      if ((d - limit) * sign > 0) return r == limit ? nullptr : "not brought into the range";
      if (r == limit) return s * a >= 255 * (limit - d) * sign ? nullptr : "stopped too early";
      return IsWeighted((r - d) * sign, s, a) ? nullptr : "did not move by s * a / 255";
    })) << "with mode "
        << setting.mode << " range " << setting.min << ".." << setting.max;
  }
}

TEST(KzPixelMixerDarkenAndLighten, Keep8BitLargerOrSmaller) {
  KzPixelMixerDarkenAndLighten larger, smaller;
  smaller.SetMode(1);
  for (KzPixelMixer* mixer : {&larger, &smaller}) mixer->SetChannelRange(30, 200);  // unused
  EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
    const int up = Mix8(larger, d, s, a), down = Mix8(smaller, d, s, a);
    if (up < d) return "mode 0 lowered the pixel";
    if (up != d && !IsWeighted(up, s, a)) return "mode 0 did not take s * a / 255";
    if (up == d && s * a >= 255 * (d + 1)) return "mode 0 kept a smaller pixel";
    if (down > d) return "mode 1 raised the pixel";
    if (down != d && !IsWeighted(down, s, a)) return "mode 1 did not take s * a / 255";
    if (down == d && s * a < 255 * d) return "mode 1 kept a larger pixel";
    return nullptr;
  }));
}

TEST(KzPixelMixerArith, Colour32BitRows) {
  KzPixelMixerAddAndSubtract add, add100, subtract, subtract20;
  add100.SetChannelRange(0, 100);
  subtract.SetMode(1);
  subtract20.SetMode(1);
  subtract20.SetChannelRange(20, 255);
  KzPixelMixerDarkenAndLighten larger, smaller;
  smaller.SetMode(1);
  ExpectColourRows({
      // v = (64, 128, 255) * 128 / 255 = (32, 64, 128) on (0x30, 0x20, 0x10); A is kept.
      {"add", &add, 0x80102030, 0x00FF8040, 128, 0x80906050},
      {"add capped at 100", &add100, 0x80102030, 0x00FF8040, 128, 0x80646050},
      {"subtract", &subtract, 0x80102030, 0x00FF8040, 128, 0x80000010},
      {"subtract floored at 20", &subtract20, 0x80102030, 0x00FF8040, 128, 0x80141414},
      {"add at opacity 0", &add100, 0x80FFFFFF, 0x00FFFFFF, 0, 0x80FFFFFF},
      {"larger source replaces", &larger, 0x40123456, 0xC8AABBCC, 255, 0xC8AABBCC},
      // v = 200 * 64 / 255 = 50 < 64: mode 0 keeps, mode 1 takes the colour with A 50.
      {"weaker source kept out", &larger, 0x40123456, 0xC8AABBCC, 64, 0x40123456},
      {"smaller takes the source with A v", &smaller, 0x40123456, 0xC8AABBCC, 64, 0x32AABBCC},
      {"equal alpha keeps the pixel", &smaller, 0x32123456, 0xC8AABBCC, 64, 0x32123456},
      {"opacity 0 clears in mode 1", &smaller, 0x40123456, 0xFFAABBCC, 0, 0x00AABBCC},
  });
  subtract20.SetChannelRange(20, 220);
  for (KzPixelMixer* mixer : {&add100, &subtract20}) {
    EXPECT_TRUE(Follows8BitRulePerChannel(*mixer, 0b0111));
  }
}

}  // namespace
