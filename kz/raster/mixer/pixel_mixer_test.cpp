#include "kz/raster/mixer/pixel_mixer.h"

#include <gtest/gtest.h>

#include "kz/raster/mixer/pixel_mixer_arith.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"
#include "kz/raster/mixer/pixel_mixer_edit.h"
#include "kz/raster/mixer/pixel_mixer_kind.h"
#include "kz/raster/mixer/pixel_mixer_smudge.h"
#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::ColorSource;
using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;
using kz::mixer_testing::Recorder;

// Opens the protected forwards.
struct Open : KzPixelMixer {
  using KzPixelMixer::Do24BitNext;
  using KzPixelMixer::Do2BitNext;
  using KzPixelMixer::Do32BitNext;
  using KzPixelMixer::Do8BitNext;
};

TEST(KzPixelMixer, EverySlotCopiesWhateverTheOpacity) {
  KzPixelMixer mixer;
  mixer.SetChannelRange(10, 20);
  for (int a : {0, 1, 128, 255}) {
    unsigned char byte = 7;
    mixer.Do2Bit(&byte, 3, static_cast<unsigned char>(a));
    EXPECT_EQ(byte, 3) << "at a=" << a;
    EXPECT_EQ(Mix8(mixer, 200, 250, a), 250) << "at a=" << a;
    TQCOLORREF word = 0x12345678;
    mixer.Do24Bit(&word, 0x00ABCDEF, static_cast<unsigned char>(a));
    EXPECT_EQ(word, 0x00ABCDEFu) << "at a=" << a;
    EXPECT_EQ(Mix32(mixer, 0x12345678, 0x80FEDCBA, a), 0x80FEDCBAu) << "at a=" << a;
  }
}

TEST(KzPixelMixer, ChannelRangeDerivesTheWideMaximumAndStaysWithinBytes) {
  KzPixelMixer mixer;
  EXPECT_EQ(mixer.GetChannelMin(), 0);
  EXPECT_EQ(mixer.GetChannelMax(), 255);
  EXPECT_EQ(mixer.GetChannelMax16(), 65535);
  const struct {
    int min, max, expectedMin, expectedMax, expectedMax16;
  } cases[] = {
      {0, 100, 0, 100, 25855},  // 100 << 8 = 25600, + 255
      {30, 200, 30, 200, 51455}, {0, 0, 0, 0, 255},
      {-5, 300, 0, 255, 65535},  {400, -1, 255, 0, 255},
  };
  for (const auto& c : cases) {
    mixer.SetChannelRange(c.min, c.max);
    EXPECT_EQ(mixer.GetChannelMin(), c.expectedMin) << "at " << c.min << ".." << c.max;
    EXPECT_EQ(mixer.GetChannelMax(), c.expectedMax) << "at " << c.min << ".." << c.max;
    EXPECT_EQ(mixer.GetChannelMax16(), c.expectedMax16) << "at " << c.min << ".." << c.max;
  }
  // A range beyond the bytes cannot make a rule wrap its result.
  KzPixelMixerAddAndSubtract add;
  add.SetChannelRange(-100, 1000);
  EXPECT_EQ(Mix8(add, 200, 255, 255), 255);  // 200 + 255 capped, not 455 & 255
  add.SetMode(1);
  EXPECT_EQ(Mix8(add, 10, 255, 255), 0);  // 10 - 255 floored, not wrapped
}

TEST(KzPixelMixerChain, NextForwardsTheSameArgumentsToEachSlot) {
  Open head;
  Recorder next;
  unsigned char byte = 0;
  TQCOLORREF word = 0;
  head.Do8BitNext(&byte, 1, 2);  // no next yet: nothing happens
  EXPECT_EQ(head.GetNext(), nullptr);
  head.SetNext(&next);
  EXPECT_EQ(head.GetNext(), &next);
  head.Do2BitNext(&byte, 3, 4);
  head.Do8BitNext(&byte, 5, 6);
  head.Do24BitNext(&word, 0x00AABBCC, 7);
  head.Do32BitNext(&word, 0x80AABBCC, 8);
  const std::vector<Recorder::Call> expected = {
      {2, &byte, 3, 4}, {8, &byte, 5, 6}, {24, &word, 0x00AABBCC, 7}, {32, &word, 0x80AABBCC, 8}};
  EXPECT_EQ(next.calls, expected);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(word, 0u);
}

// The composite kind table, checked by behaviour against mixers set up by hand.
TEST(KzCompositeKind, EachKindMakesItsMixerAndMode) {
  KzPixelMixer copy;
  KzPixelMixerBlend blend;
  KzPixelMixerWeightCopy weight;
  KzPixelMixerDarkenAndLighten larger, smaller;
  smaller.SetMode(1);
  KzPixelMixerAddAndSubtract add, subtract;
  subtract.SetMode(1);
  KzPixelMixerAlphaEdit raise, lower;
  raise.SetMode(0);
  lower.SetMode(1);
  KzPixelMixerCorrect erase, darken, lighten;
  darken.SetMode(1);
  lighten.SetMode(2);
  KzPixelMixerSmudge smudge;
  using C = KzPixelMixerClass;
  const struct {
    int kind;
    C mixerClass;
    int mode;
    KzPixelMixer* expected;
  } cases[] = {
      {-1, C::kCopy, 0, &copy},
      {0, C::kCopy, 0, &copy},
      {1, C::kBlend, 0, &blend},
      {2, C::kWeightCopy, 0, &weight},
      {3, C::kDarkenAndLighten, 0, &larger},
      {4, C::kDarkenAndLighten, 1, &smaller},
      {5, C::kAddAndSubtract, 0, &add},
      {6, C::kAddAndSubtract, 1, &subtract},
      {7, C::kAlphaEdit, 0, &raise},
      {8, C::kAlphaEdit, 1, &lower},
      {9, C::kCorrect, 0, &erase},
      {10, C::kCorrect, 1, &darken},
      {11, C::kCorrect, 2, &lighten},
      {12, C::kSmudge, 0, &smudge},
      {13, C::kCopy, 0, &copy},
      {1000, C::kCopy, 0, &copy},
  };
  for (const auto& c : cases) {
    const KzCompositeKind kind = kzGetCompositeKind(c.kind);
    EXPECT_EQ(kind.mixerClass, c.mixerClass) << "at kind=" << c.kind;
    EXPECT_EQ(kind.mode, c.mode) << "at kind=" << c.kind;
    KzPixelMixerPtr made = kzCreateCompositeMixer(c.kind);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetNext(), nullptr);
    EXPECT_EQ(made->GetChannelMax(), 255);
    ColorSource source;
    for (int i = 0; i < 500; ++i) {
      const int d = source.Byte(), s = source.Byte(), a = source.Byte();
      ASSERT_EQ(Mix8(*made, d, s, a), Mix8(*c.expected, d, s, a))
          << "at kind=" << c.kind << " d=" << d << " s=" << s << " a=" << a;
      const TQCOLORREF dc = source.Next(), sc = source.Next();
      ASSERT_EQ(Mix32(*made, dc, sc, a), Mix32(*c.expected, dc, sc, a))
          << "at kind=" << c.kind << " d=" << dc << " s=" << sc << " a=" << a;
    }
  }
}

}  // namespace
