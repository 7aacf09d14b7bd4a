#include "kz/raster/mixer/pixel_mixer_arith.h"

#include <gtest/gtest.h>

#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::Channel;
using kz::mixer_testing::ColorSource;
using kz::mixer_testing::ForEveryByteTriple;
using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;

struct Range {
  int min, max;
};

// v = s * a / 255 truncated, told by inequalities: 255 v <= s a < 255 (v + 1).
bool IsWeighted(int v, int s, int a) { return 255 * v <= s * a && s * a < 255 * (v + 1); }

TEST(KzPixelMixerAddAndSubtract, Add8BitSaturatesAtTheMaximum) {
  for (const Range& range : {Range{0, 255}, Range{0, 100}, Range{30, 200}}) {
    const int min = range.min, max = range.max;
    KzPixelMixerAddAndSubtract add;
    add.SetChannelRange(min, max);
    EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
      const int r = Mix8(add, d, s, a);
      if (a == 0) return r == d ? nullptr : "opacity 0 changed the pixel";
      if (r > max) return "above the maximum";
      if (d > max) return r == max ? nullptr : "not brought to the maximum";
      if (r == max) return s * a >= 255 * (max - d) ? nullptr : "capped too early";
      return IsWeighted(r - d, s, a) ? nullptr : "did not add s * a / 255";
    })) << "with range "
        << min << ".." << max;
  }
}

TEST(KzPixelMixerAddAndSubtract, Subtract8BitSaturatesAtTheMinimum) {
  for (int mode : {1, 7}) {
    for (const Range& range : {Range{0, 255}, Range{30, 200}}) {
      const int min = range.min, max = range.max;
      KzPixelMixerAddAndSubtract subtract;
      subtract.SetMode(mode);
      subtract.SetChannelRange(min, max);
      EXPECT_TRUE(ForEveryByteTriple([&](int d, int s, int a) -> const char* {
        const int r = Mix8(subtract, d, s, a);
        if (a == 0) return r == d ? nullptr : "opacity 0 changed the pixel";
        if (r < min) return "below the minimum";
        if (d < min) return r == min ? nullptr : "not brought to the minimum";
        if (r == min) return s * a >= 255 * (d - min) ? nullptr : "floored too early";
        return IsWeighted(d - r, s, a) ? nullptr : "did not subtract s * a / 255";
      })) << "with mode "
          << mode << " range " << min << ".." << max;
    }
  }
}

TEST(KzPixelMixerAddAndSubtract, Colour32BitWorksPerChannelAndKeepsAlpha) {
  const struct {
    const char* label;
    int mode, min, max;
    TQCOLORREF d, s;
    int a;
    TQCOLORREF expected;
  } rows[] = {
      // v = (64, 128, 255) * 128 / 255 = (32, 64, 128) on (0x30, 0x20, 0x10).
      {"add", 0, 0, 255, 0x80102030, 0x00FF8040, 128, 0x80906050},
      {"add capped at 100", 0, 0, 100, 0x80102030, 0x00FF8040, 128, 0x80646050},
      {"subtract", 1, 0, 255, 0x80102030, 0x00FF8040, 128, 0x80000010},
      {"subtract floored at 20", 1, 20, 255, 0x80102030, 0x00FF8040, 128, 0x80141414},
      {"opacity 0", 0, 0, 100, 0x80FFFFFF, 0x00FFFFFF, 0, 0x80FFFFFF},
      {"full add saturates", 0, 0, 255, 0x00010203, 0x00FFFFFF, 255, 0x00FFFFFF},
  };
  for (const auto& row : rows) {
    KzPixelMixerAddAndSubtract mixer;
    mixer.SetMode(row.mode);
    mixer.SetChannelRange(row.min, row.max);
    EXPECT_EQ(Mix32(mixer, row.d, row.s, row.a), row.expected) << row.label;
  }
  for (int mode : {0, 1}) {
    KzPixelMixerAddAndSubtract mixer;
    mixer.SetMode(mode);
    mixer.SetChannelRange(20, 220);
    ColorSource source;
    for (int i = 0; i < 100000; ++i) {
      const TQCOLORREF d = source.Next(), s = source.Next();
      const int a = source.Byte();
      const TQCOLORREF r = Mix32(mixer, d, s, a);
      ASSERT_EQ(Channel(r, 3), Channel(d, 3)) << "at d=" << d << " s=" << s << " a=" << a;
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(Channel(r, c), Mix8(mixer, Channel(d, c), Channel(s, c), a))
            << "mode " << mode << " channel " << c << " at d=" << d << " s=" << s << " a=" << a;
      }
    }
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

TEST(KzPixelMixerDarkenAndLighten, Colour32BitComparesAlpha) {
  const struct {
    const char* label;
    int mode;
    TQCOLORREF d, s;
    int a;
    TQCOLORREF expected;
  } rows[] = {
      {"larger source replaces", 0, 0x40123456, 0xC8AABBCC, 255, 0xC8AABBCC},
      // v = 200 * 64 / 255 = 50 < 64: mode 0 keeps, mode 1 takes the colour with A 50.
      {"weaker source kept out", 0, 0x40123456, 0xC8AABBCC, 64, 0x40123456},
      {"smaller takes the source with A v", 1, 0x40123456, 0xC8AABBCC, 64, 0x32AABBCC},
      {"equal alpha keeps the pixel", 1, 0x32123456, 0xC8AABBCC, 64, 0x32123456},
      {"opacity 0 clears in mode 1", 1, 0x40123456, 0xFFAABBCC, 0, 0x00AABBCC},
  };
  for (const auto& row : rows) {
    KzPixelMixerDarkenAndLighten mixer;
    mixer.SetMode(row.mode);
    EXPECT_EQ(Mix32(mixer, row.d, row.s, row.a), row.expected) << row.label;
  }
}

}  // namespace
