#include "kz/raster/mixer/pixel_mixer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "kz/raster/mixer/pixel_mixer_testing.h"

namespace {

using kz::mixer_testing::MakeMixer;
using kz::mixer_testing::Mix24;
using kz::mixer_testing::Mix32;
using kz::mixer_testing::Mix8;
using kz::mixer_testing::Random;
using kz::mixer_testing::Recorder;

TEST(KzPixelMixer, EverySlotCopiesWhateverTheOpacity) {
  KzPixelMixer mixer;
  mixer.SetChannelRange(10, 20);
  for (int a : {0, 1, 128, 255}) {
    unsigned char byte = 7;
    mixer.Do2Bit(&byte, 3, static_cast<unsigned char>(a));
    EXPECT_EQ(byte, 3) << "at a=" << a;
    EXPECT_EQ(Mix8(mixer, 200, 250, a), 250) << "at a=" << a;
    EXPECT_EQ(Mix24(mixer, 0x12345678, 0x00ABCDEF, a), 0x00ABCDEFu) << "at a=" << a;
    EXPECT_EQ(Mix32(mixer, 0x12345678, 0x80FEDCBA, a), 0x80FEDCBAu) << "at a=" << a;
  }
}

TEST(KzPixelMixer, ChannelRangeDerivesTheWideMaximumAndStaysWithinBytes) {
  const struct {
    int min, max, expectedMin, expectedMax, expectedMax16;
  } cases[] = {
      {0, 100, 0, 100, 25855},  // 100 << 8 = 25600, + 255
      {-5, 300, 0, 255, 65535},
      {400, -1, 255, 0, 255},
  };
  for (const auto& c : cases) {
    KzPixelMixer mixer;
    mixer.SetChannelRange(c.min, c.max);
    EXPECT_EQ(std::tuple(mixer.GetChannelMin(), mixer.GetChannelMax(), mixer.GetChannelMax16()),
              std::tuple(c.expectedMin, c.expectedMax, c.expectedMax16))
        << "at " << c.min << ".." << c.max;
  }
  // A range beyond the bytes cannot make a rule wrap its result.
  KzPixelMixerAddAndSubtract add;
  add.SetChannelRange(-100, 1000);
  EXPECT_EQ(Mix8(add, 200, 255, 255), 255);  // 200 + 255 capped, not 455 & 255
  add.SetMode(1);
  EXPECT_EQ(Mix8(add, 10, 255, 255), 0);  // 10 - 255 floored, not wrapped
}

TEST(KzPixelMixerChain, NextForwardsTheSameArgumentsToEachSlot) {
  struct Open : KzPixelMixer {  // opens the protected forwards
    using KzPixelMixer::Do24BitNext, KzPixelMixer::Do2BitNext, KzPixelMixer::Do32BitNext,
        KzPixelMixer::Do8BitNext;
  } head;
  Recorder next;
  unsigned char byte = 0;
  TQCOLORREF word = 0;
  head.Do8BitNext(&byte, 1, 2);  // no next yet: nothing happens
  head.SetNext(&next);
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

// The composite kind table; a made mixer behaves as one of its class and mode made by hand.
TEST(KzCompositeKind, EachKindMakesItsMixerAndMode) {
  using C = KzPixelMixerClass;
  // Kinds 1 to 12 in turn; any other kind selects the copy mixer.
  const C classes[] = {
      C::kBlend,          C::kWeightCopy,     C::kDarkenAndLighten, C::kDarkenAndLighten,
      C::kAddAndSubtract, C::kAddAndSubtract, C::kAlphaEdit,        C::kAlphaEdit,
      C::kCorrect,        C::kCorrect,        C::kCorrect,          C::kSmudge};
  const int modes[] = {0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 2, 0};
  for (int kind : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 1000}) {
    const bool listed = kind >= 1 && kind <= 12;
    const C mixerClass = listed ? classes[kind - 1] : C::kCopy;
    const int mode = listed ? modes[kind - 1] : 0;
    const KzCompositeKind selected = kzGetCompositeKind(kind);
    EXPECT_EQ(selected.mixerClass, mixerClass) << "at kind=" << kind;
    EXPECT_EQ(selected.mode, mode) << "at kind=" << kind;
    KzPixelMixerPtr made = kzCreateCompositeMixer(kind);
    ASSERT_NE(made, nullptr);
    const auto expected = MakeMixer(mixerClass, mode);
    Random random;
    for (int i = 0; i < 500; ++i) {
      const int d = random.Byte(), s = random.Byte(), a = random.Byte();
      ASSERT_EQ(Mix8(*made, d, s, a), Mix8(*expected, d, s, a))
          << "at kind=" << kind << " d=" << d << " s=" << s << " a=" << a;
      const TQCOLORREF dc = random.Next(), sc = random.Next();
      ASSERT_EQ(Mix32(*made, dc, sc, a), Mix32(*expected, dc, sc, a))
          << "at kind=" << kind << " d=" << dc << " s=" << sc << " a=" << a;
    }
  }
}

}  // namespace
