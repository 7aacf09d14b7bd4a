#include "kz/raster/mixer/voff_pixel_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <tuple>

#include "kz/foundation/error.h"
#include "kz/foundation/exception_testing.h"
#include "kz/raster/block_access.h"
#include "kz/raster/mixer/pixel_mixer_testing.h"
#include "kz/raster/mixer/row_fast_path.h"
#include "kz/raster/mixer/voff_mixer_testing.h"
#include "kz/raster/mixer/voff_pixel_mask.h"

namespace {

using kz::mixer_testing::Recorder;
using voff_mixer_testing::ExistingBlocks;
using voff_mixer_testing::MakeImage;
using voff_mixer_testing::ReadPixel;
using voff_mixer_testing::WritePixel;

KzVOffPixelMixer Mixer(KzVOffscreen* image, KzPixelMixer* head, const KzComplexColor& color,
                       int alpha = 255) {
  KzVOffPixelMixer mixer;
  mixer.SetDstOffscreen(image);
  mixer.SetNode(head);
  mixer.SetColor(color);
  mixer.SetAlpha(alpha);
  return mixer;
}

TEST(KzVOffPixelMixer, RoutinesByDepth) {
  auto image = MakeImage(32, 4, 4);
  // Depths of one routine family share its routines; 4, 0 and 64 have none.
  const int families[][2] = {{1, 8}, {2, 32}, {16, 24}, {4, 4}, {0, 0}, {64, 64}};
  std::vector<KzVOffPixelMixer::DoColorFunc> seen;
  for (const auto& [bits, sameAs] : families) {
    KzVOffPixelMixer a, b;
    a.SetDstOffscreen(bits, image.get());
    b.SetDstOffscreen(sameAs, image.get());
    EXPECT_EQ(a.GetDoColorFunc(), b.GetDoColorFunc()) << "at bits=" << bits;
    EXPECT_EQ(a.GetDoTwoColorFunc(), b.GetDoTwoColorFunc()) << "at bits=" << bits;
    EXPECT_EQ(a.GetDoColorFunc() == nullptr, bits == sameAs) << "at bits=" << bits;
    if (bits == sameAs) continue;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), a.GetDoColorFunc()), 0) << "at bits=" << bits;
    seen.push_back(a.GetDoColorFunc());
  }
}

TEST(KzVOffPixelMixer, ChainOperationsAndCircles) {
  KzPixelMixer a, b, c, d;
  KzVOffPixelMixer mixer;
  EXPECT_EQ(mixer.PushNode(&a), nullptr);  // empty chain: a becomes the head
  EXPECT_EQ(mixer.PushNode(&b), &a);
  EXPECT_EQ(mixer.PushNode(&c), &b);
  EXPECT_EQ(mixer.SetNode(&d), &a);
  mixer.FrontNode(&a);  // a -> b -> c goes before d
  EXPECT_EQ(mixer.GetMixer(), &a);
  EXPECT_EQ(c.GetNext(), &d);
  mixer.FrontNode(nullptr);
  EXPECT_EQ(mixer.GetMixer(), nullptr);

  KzPixelMixer e, f;
  mixer.SetNode(&e);
  mixer.PushNode(&f);
  for (KzPixelMixer* node : {&e, &f}) {
    EXPECT_EQ(kzThrownCode([&] { mixer.PushNode(node); }), kKzErrorParameter);
    EXPECT_EQ(kzThrownCode([&] { mixer.FrontNode(node); }), kKzErrorParameter);
  }
  EXPECT_EQ(f.GetNext(), nullptr);
  f.SetNext(&e);  // a circle made behind the mixer's back
  EXPECT_EQ(kzThrownCode([&] { mixer.PushNode(nullptr); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { mixer.FrontNode(&d); }), kKzErrorParameter);
}

TEST(KzVOffPixelMixer, UseWithoutRoutinesOrChainThrows) {
  auto image = MakeImage(8, 4, 4);
  KzVOffscreenAutoLock lock(image.get(), 0, 0, 1);
  KzPixelMixer copy;
  // No destination, depth 4, no chain; then no clone, no coverage.
  for (int setup = 0; setup < 5; ++setup) {
    KzVOffPixelMixer mixer;
    if (setup > 0) mixer.SetDstOffscreen(setup == 1 ? 4 : 8, image.get());
    if (setup != 2) mixer.SetNode(&copy);
    const auto call = [&] {
      if (setup < 3) mixer.DoLineRow(0, 3, 0, nullptr, nullptr, nullptr);
      if (setup == 3) mixer.DoClone(255);
      if (setup == 4) mixer.DoLineRowBuffer(nullptr, 0, 3, 0, nullptr, nullptr);
    };
    EXPECT_EQ(kzThrownCode(call), kKzErrorParameter) << "setup " << setup;
  }
}

// What each form hands to the chain head: its family's slot, source value and opacity. A
// 16-bit colour is narrowed to its high bytes; opacities are held to 0..255.
TEST(KzVOffPixelMixer, FormsPassTheFamilySourceAndOpacity) {
  KzComplexColor wide;
  wide.SetColor64(0x80FF, 0xA0A0, 0xB000, 0xC012);
  const struct {
    int bits, form;  // form 0: Do(), 1: Do(c), 2: Do(c, 77), 3: Do(other, c, 300)
    int slot;
    TQCOLORREF source;
    int alpha;
  } cases[] = {
      {8, 0, 8, 0x80, 200},         {1, 1, 8, 0x80, 200},         {8, 2, 8, 0x80, 77},
      {16, 1, 24, 0x80C0B0A0, 200}, {24, 3, 24, 0x80C0B0A0, 255}, {2, 2, 32, 0x80C0B0A0, 77},
      {32, 0, 32, 0x80C0B0A0, 200}, {32, 3, 32, 0x80C0B0A0, 255},
  };
  for (const auto& c : cases) {
    for (const KzComplexColor& given : {KzComplexColor(0x80C0B0A0u), wide}) {
      auto image = MakeImage(c.bits, 4, 4);
      Recorder recorder;
      KzVOffPixelMixer mixer = Mixer(image.get(), &recorder, given, 200);
      KzVOffscreenAutoLock lock(image.get(), 1, 1, 1);
      if (c.form == 0) mixer.Do();
      if (c.form == 1) mixer.Do(given);
      if (c.form == 2) mixer.Do(given, 77);
      if (c.form == 3) mixer.Do(KzComplexColor(0x11223344u), given, 300);
      ASSERT_EQ(recorder.calls.size(), 1u) << "at bits=" << c.bits << " form=" << c.form;
      const Recorder::Call& call = recorder.calls[0];
      EXPECT_EQ(std::tuple(call.slot, call.src, call.alpha), std::tuple(c.slot, c.source, c.alpha))
          << "at bits=" << c.bits << " form=" << c.form;
    }
  }
}

TEST(KzVOffPixelMixer, DoCloneReadsTheCloneOrWhite) {
  auto image = MakeImage(32, 8, 8);
  auto clone = MakeImage(32, 4, 4);
  WritePixel(clone.get(), 1, 2, 32, 0x80112233);
  Recorder recorder;
  KzVOffPixelMixer mixer = Mixer(image.get(), &recorder, 0u, 128);
  mixer.SetCloneOffscreen(clone.get(), KzPoint(10, 20));
  mixer.SetCloneLeftTopOffset(KzPoint(3, 4));
  KzVOffscreenAutoLock lock(image.get(), 0, 0, 1);
  KzVOffscreenAutoLock cloneLock(clone.get(), 0);
  mixer.RelativeCloneCursor(-6, -14);  // (-6 + 10 - 3, -14 + 20 - 4) = (1, 2)
  mixer.DoClone(255);
  mixer.RelativeCloneCursorX(-7);  // x 0, y stays 2
  mixer.NextCloneCursorX();
  EXPECT_EQ(clone->GetCursorPos(), KzPoint(1, 2));
  mixer.DoClone(100);
  mixer.RelativeCloneCursorY(-20);  // y -4: off the clone
  mixer.DoClone(255);
  ASSERT_EQ(recorder.calls.size(), 3u);
  EXPECT_EQ(recorder.calls[0].src, 0x80112233u);
  EXPECT_EQ(recorder.calls[0].alpha, 128);
  EXPECT_EQ(recorder.calls[1].alpha, 128 * 100 / 255);
  EXPECT_EQ(recorder.calls[2].src, 0x00FFFFFFu);
}

// Row behaviour, on the fast and on the general path.
class MixerRows : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    m_saved = kzGetFastPathsEnabled();
    kzSetFastPathsEnabled(GetParam() ? 1 : 0);
  }
  void TearDown() override { kzSetFastPathsEnabled(m_saved); }

  int m_saved = 1;
};

// The pattern is anchored to destination columns; coverage scales the colour's A and 0 skips.
TEST_P(MixerRows, PatternAndCoverage) {
  const BYTE patterns[][4] = {{1, 0, 0, 0}, {0, 9, 0, 9}, {0, 0, 0, 0}};
  for (const auto& pattern : patterns) {
    auto image = MakeImage(8, 600, 3);
    KzPixelMixer copy;
    KzVOffPixelMixer mixer = Mixer(image.get(), &copy, 0xC8000000);
    mixer.DoLineRow(5, 530, 1, nullptr, nullptr, pattern);
    for (int x = 0; x < 600; ++x) {
      const bool painted = x >= 5 && x <= 530 && pattern[x & 3] != 0;
      ASSERT_EQ(ReadPixel(image.get(), x, 1, 8), painted ? 200u : 0u) << "at x=" << x;
    }
  }
  const BYTE coverage[] = {0, 255, 128, 1, 51};
  for (int bits : {8, 32}) {
    auto image = MakeImage(bits, 300, 2);
    for (int x = 250; x < 300; ++x) WritePixel(image.get(), x, 1, bits, 7);
    KzPixelMixer copy;
    KzVOffPixelMixer mixer = Mixer(image.get(), &copy, 0xC8102030);
    std::vector<BYTE> cover(320, 0);  // from x = -20, across the block edge at 256
    std::copy(std::begin(coverage), std::end(coverage), cover.begin() + 20 + 253);
    mixer.DoLineRowBuffer(cover.data(), -20, 299, 1, nullptr, nullptr);
    const TQCOLORREF rgb = bits == 8 ? 0 : 0x102030;
    const TQCOLORREF expected[] = {7, 200, 100, 0, 40};  // A = coverage x 200 / 255
    for (int i = 0; i < 5; ++i) {
      const TQCOLORREF value = i == 0 ? 7 : bits == 8 ? expected[i] : expected[i] << 24 | rgb;
      EXPECT_EQ(ReadPixel(image.get(), 253 + i, 1, bits), value) << "bits=" << bits << " i=" << i;
    }
  }
}

TEST_P(MixerRows, MaskedColumnsAreSkipped) {
  auto image = MakeImage(32, 300, 4);
  auto maskImage = MakeImage(8, 300, 4);
  const std::vector<int> inked = {3, 4, 255, 256, 290};
  for (int x : inked) WritePixel(maskImage.get(), x, 2, 8, 255);
  KzVOffPixelMask mask;
  mask.SetMaskInfo(0, {KzVOffPixelMask::kCompareAlphaEqual, maskImage.get(), 0xFF000000, 0, 0});
  KzPixelMixerBlend blend;
  KzVOffPixelMixer mixer = Mixer(image.get(), &blend, 0xFF0000FF);
  mixer.DoLineRow(0, 299, 2, &mask, nullptr, nullptr);
  for (int x = 0; x < 300; ++x) {
    const bool masked = std::find(inked.begin(), inked.end(), x) != inked.end();
    // A new 32-bit block is cleared to white with A 0.
    ASSERT_EQ(ReadPixel(image.get(), x, 2, 32), masked ? 0x00FFFFFFu : 0xFF0000FFu) << "at x=" << x;
  }
  // Both images were left unlocked: locked for the row only, the mask never written.
  for (KzVOffscreen* used : {image.get(), maskImage.get()}) {
    EXPECT_EQ(used->GetLockCount(), 0);
    for (int i = 0; i < static_cast<int>(used->GetBlockTable().size()); ++i) {
      EXPECT_FALSE(used->CheckBlockLock(i)) << "block " << i;
    }
  }
}

// Only the part of a row inside the image is painted, and only the blocks under it are made.
TEST_P(MixerRows, RowsAreClippedToTheImage) {
  const struct {
    int x1, x2, y;
    int first, last;  // painted columns; first > last: none
    std::vector<int> blocks;
  } cases[] = {
      {-10, 5, 0, 0, 5, {0}},
      {250, 255, 0, 250, 255, {0}},
      {255, 256, 258, 255, 256, {2, 3}},
      {256, 1000, 299, 256, 299, {3}},
      {INT_MIN, INT_MAX, 7, 0, 299, {0, 1}},
      {10, 5, 0, 1, 0, {}},
      {-100, -1, 0, 1, 0, {}},
      {300, 400, 0, 1, 0, {}},
      {0, 10, -1, 1, 0, {}},
      {0, 10, 300, 1, 0, {}},
  };
  for (const auto& c : cases) {
    auto image = MakeImage(8, 300, 300);
    KzPixelMixer copy;
    KzVOffPixelMixer mixer = Mixer(image.get(), &copy, 0xFF000000);
    mixer.DoLineRow(c.x1, c.x2, c.y, nullptr, nullptr, nullptr);
    EXPECT_EQ(ExistingBlocks(*image), c.blocks) << "at x1=" << c.x1 << " x2=" << c.x2;
    if (c.y < 0 || c.y >= 300) continue;
    for (int x = 0; x < 300; ++x) {
      ASSERT_EQ(ReadPixel(image.get(), x, c.y, 8), x >= c.first && x <= c.last ? 255u : 0u)
          << "at x=" << x << " x1=" << c.x1 << " x2=" << c.x2;
    }
  }
}

TEST_P(MixerRows, CloneRowsReadTheShiftedClone) {
  auto image = MakeImage(32, 64, 4);
  auto clone = MakeImage(32, 40, 8);
  for (int x = 0; x < 40; ++x) WritePixel(clone.get(), x, 4, 32, 0xFF000000u | (x * 3));
  KzPixelMixerWeightCopy weightCopy;  // copies at opacity 255
  KzVOffPixelMixer mixer = Mixer(image.get(), &weightCopy, 0xFF000000);
  mixer.SetCloneOffscreen(clone.get(), KzPoint(20, 3));
  mixer.SetCloneLeftTopOffset(KzPoint(5, 1));
  // Drawing (x, 2) reads the clone at (x + 20 - 5 - 4, 2 + 3 - 1 - 0) = (x + 11, 4).
  mixer.DoLineRow(10, 40, 2, nullptr, nullptr, nullptr, KzPoint(4, 0));
  std::vector<BYTE> coverage(31, 255);
  coverage[0] = 0;
  mixer.DoLineRowBuffer(coverage.data(), 10, 40, 3, nullptr, nullptr, KzPoint(4, 1));
  for (int x = 10; x <= 40; ++x) {
    const TQCOLORREF expected = x + 11 < 40 ? 0xFF000000u | ((x + 11) * 3) : 0x00FFFFFFu;
    EXPECT_EQ(ReadPixel(image.get(), x, 2, 32), expected) << "at x=" << x;
    EXPECT_EQ(ReadPixel(image.get(), x, 3, 32), x == 10 ? 0x00FFFFFFu : expected) << "at x=" << x;
  }
}

INSTANTIATE_TEST_SUITE_P(FastAndGeneral, MixerRows, ::testing::Bool());

}  // namespace
