// Test support for the mixer family: one-call mixing, exhaustive loops and random colours.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "kz/raster/mixer/pixel_mixer.h"

namespace kz::mixer_testing {

// The 8-bit result of `mixer` for destination d, source s and opacity a.
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

// A fixed-seed source of packed colours that favours the edge values 0 and 255 per channel.
class ColorSource {
 public:
  TQCOLORREF Next() {
    TQCOLORREF color = 0;
    for (int shift = 0; shift < 32; shift += 8) color |= static_cast<TQCOLORREF>(Byte()) << shift;
    return color;
  }
  int Byte() {
    const unsigned pick = m_engine() % 8;
    return pick == 0 ? 0 : pick == 1 ? 255 : static_cast<int>(m_engine() % 256);
  }

 private:
  std::mt19937 m_engine{20240611u};
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
  void Do2Bit(unsigned char* d, unsigned char s, unsigned char a) override {
    calls.push_back({2, d, s, a});
  }
  void Do8Bit(unsigned char* d, unsigned char s, unsigned char a) override {
    calls.push_back({8, d, s, a});
  }
  void Do24Bit(TQCOLORREF* d, TQCOLORREF s, unsigned char a) override {
    calls.push_back({24, d, s, a});
  }
  void Do32Bit(TQCOLORREF* d, TQCOLORREF s, unsigned char a) override {
    calls.push_back({32, d, s, a});
  }
  std::vector<Call> calls;
};

// Channel c (0 R, 1 G, 2 B, 3 A) of a packed colour.
inline int Channel(TQCOLORREF color, int c) { return static_cast<int>((color >> (8 * c)) & 0xFF); }

}  // namespace kz::mixer_testing
