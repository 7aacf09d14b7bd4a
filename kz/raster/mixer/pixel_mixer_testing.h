// Test support for the mixer family: one-call mixing, exhaustive loops, random values, a
// recording mixer and mixers made by class.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "kz/raster/mixer/pixel_mixer.h"
#include "kz/raster/mixer/pixel_mixer_arith.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"
#include "kz/raster/mixer/pixel_mixer_edit.h"
#include "kz/raster/mixer/pixel_mixer_kind.h"
#include "kz/raster/mixer/pixel_mixer_smudge.h"

namespace kz::mixer_testing {

// The 8-bit result of `mixer` for destination d, source s and opacity a; likewise 24 and 32.
inline int Mix8(KzPixelMixer& mixer, int d, int s, int a) {
  auto value = static_cast<unsigned char>(d);
  mixer.Do8Bit(&value, static_cast<unsigned char>(s), static_cast<unsigned char>(a));
  return value;
}
inline TQCOLORREF Mix24(KzPixelMixer& mixer, TQCOLORREF d, TQCOLORREF s, int a) {
  mixer.Do24Bit(&d, s, static_cast<unsigned char>(a));
  return d;
}
inline TQCOLORREF Mix32(KzPixelMixer& mixer, TQCOLORREF d, TQCOLORREF s, int a) {
  mixer.Do32Bit(&d, s, static_cast<unsigned char>(a));
  return d;
}

// Channel c (0 R, 1 G, 2 B, 3 A) of a packed colour.
inline int Channel(TQCOLORREF color, int c) { return static_cast<int>((color >> (8 * c)) & 0xFF); }

// Optimised builds try every source byte; unoptimised ones keep to 0, 5, ..., 255 so that the
// suite stays quick there.
#ifdef NDEBUG
inline constexpr int kSourceStride = 1;
#else
inline constexpr int kSourceStride = 5;
#endif

// Runs `check(d, s, a)` over every byte triple (the source on kSourceStride). The check returns
// null when the triple passes and otherwise what went wrong; the first failure is reported with
// its inputs.
template <class Check>
::testing::AssertionResult ForEveryByteTriple(Check check) {
  for (int d = 0; d < 256; ++d) {
    for (int s = 0; s < 256; s += kSourceStride) {
      for (int a = 0; a < 256; ++a) {
        if (const char* what = check(d, s, a)) {
          return ::testing::AssertionFailure() << what << " at d=" << d << " s=" << s << " a=" << a;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// A fixed-seed source of numbers, bytes that favour the edge values 0, 1, 254 and 255, and
// colours.
class Random {
 public:
  explicit Random(std::uint32_t seed = 20240611u) : m_engine(seed) {}
  int Pick(int n) { return static_cast<int>(m_engine() % static_cast<unsigned>(n)); }
  int Between(int lo, int hi) { return lo + Pick(hi - lo + 1); }
  bool Chance(int percent) { return Pick(100) < percent; }
  int Byte() {
    constexpr int kEdges[] = {0, 255, 1, 254};
    const int pick = Pick(12);
    return pick < 4 ? kEdges[pick] : Pick(256);
  }
  TQCOLORREF Next() {
    TQCOLORREF color = 0;
    for (int shift = 0; shift < 32; shift += 8) color |= static_cast<TQCOLORREF>(Byte()) << shift;
    return color;
  }

 private:
  std::mt19937 m_engine;
};

// Records every call it receives.
struct Recorder : KzPixelMixer {
  struct Call {
    int slot;
    void* dst;
    TQCOLORREF src;
    int alpha;
    bool operator==(const Call&) const = default;
  };
  void Do2Bit(BYTE* d, BYTE s, BYTE a) override { calls.push_back({2, d, s, a}); }
  void Do8Bit(BYTE* d, BYTE s, BYTE a) override { calls.push_back({8, d, s, a}); }
  void Do24Bit(TQCOLORREF* d, TQCOLORREF s, BYTE a) override { calls.push_back({24, d, s, a}); }
  void Do32Bit(TQCOLORREF* d, TQCOLORREF s, BYTE a) override { calls.push_back({32, d, s, a}); }
  std::vector<Call> calls;
};

// A mixer held as a member, so that it is destroyed as the very class it was made as.
template <class Mixer>
struct Owned final {
  Mixer mixer;
};

// A new mixer of the `index`th class of Mixers, made as that very class, its mode set.
template <class... Mixers>
std::shared_ptr<KzPixelMixer> MakeNth(int index, int mode) {
  std::shared_ptr<KzPixelMixer> made;
  int i = 0;
  const auto make = [&]<class Mixer>(Mixer*) {
    if (i++ != index) return;
    auto owner = std::make_shared<Owned<Mixer>>();
    if constexpr (requires { owner->mixer.SetMode(mode); }) owner->mixer.SetMode(mode);
    made = std::shared_ptr<KzPixelMixer>(owner, &owner->mixer);
  };
  (make(static_cast<Mixers*>(nullptr)), ...);
  return made;
}

// A new mixer of `mixerClass` made directly (not by the factory), its mode set. The classes
// are listed in the order of KzPixelMixerClass.
inline std::shared_ptr<KzPixelMixer> MakeMixer(KzPixelMixerClass mixerClass, int mode) {
  return MakeNth<KzPixelMixer, KzPixelMixerBlend, KzPixelMixerWeightCopy,
                 KzPixelMixerDarkenAndLighten, KzPixelMixerAddAndSubtract, KzPixelMixerAlphaEdit,
                 KzPixelMixerCorrect, KzPixelMixerSmudge>(static_cast<int>(mixerClass), mode);
}

// A hand-derived 24- or 32-bit result of one mixer, labelled.
struct ColourRow {
  const char* label;
  KzPixelMixer* mixer;
  TQCOLORREF d, s;
  int a;
  TQCOLORREF expected;
};

// Checks every row on the 32-bit slot (the 24-bit one when `bits` is 24).
inline void ExpectColourRows(std::initializer_list<ColourRow> rows, int bits = 32) {
  for (const ColourRow& row : rows) {
    const TQCOLORREF r = bits == 24 ? Mix24(*row.mixer, row.d, row.s, row.a)
                                    : Mix32(*row.mixer, row.d, row.s, row.a);
    EXPECT_EQ(r, row.expected) << row.label;
  }
}

// Over random triples: each channel whose bit is set in `ruled` (bit c for Channel c) of the
// 32-bit result is the 8-bit rule on that channel; every other channel is kept.
inline ::testing::AssertionResult Follows8BitRulePerChannel(KzPixelMixer& mixer, unsigned ruled) {
  Random random;
  for (int i = 0; i < 50000; ++i) {
    const TQCOLORREF d = random.Next(), s = random.Next();
    const int a = random.Byte();
    const TQCOLORREF r = Mix32(mixer, d, s, a);
    for (int c = 0; c < 4; ++c) {
      const int dc = Channel(d, c);
      if (Channel(r, c) != ((ruled >> c) & 1 ? Mix8(mixer, dc, Channel(s, c), a) : dc)) {
        return ::testing::AssertionFailure()
               << "channel " << c << " at d=" << d << " s=" << s << " a=" << a;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kz::mixer_testing
