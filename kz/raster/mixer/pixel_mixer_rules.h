// The per-pixel combination rules of the mixer family as plain inline functions.
//
// The mixers' virtual operations call these, and so may any row loop that wants to skip the
// virtual call: both give the same bytes. Arithmetic is int; a division by 255 is a true
// division truncating toward zero, never a shift, so (x * 255) / 255 gives x back. Values are
// bytes: d the destination, s the source, alpha the opacity (0..255). Packed colours are
// TQCOLORREF words (R bits 0-7, G 8-15, B 16-23, A 24-31). `min` and `max` are a mixer's channel
// range, which the mixer keeps within 0..255.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "tqwutl/types.h"

namespace kz::mixer_rules {

inline constexpr int kFull = 255;

// --- channel plumbing ---------------------------------------------------------------------------

constexpr int ChannelA(TQCOLORREF c) { return static_cast<int>(c >> 24); }
constexpr int ChannelB(TQCOLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int ChannelG(TQCOLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int ChannelR(TQCOLORREF c) { return static_cast<int>(c & 0xFF); }

// Packs four channel values of 0..255.
constexpr TQCOLORREF PackColor(int a, int r, int g, int b) {
  return static_cast<TQCOLORREF>(a) << 24 | static_cast<TQCOLORREF>(b) << 16 |
         static_cast<TQCOLORREF>(g) << 8 | static_cast<TQCOLORREF>(r);
}

// Applies `rule(d_c, s_c)` to R, G and B; the result carries A `alpha`.
template <class Rule>
constexpr TQCOLORREF MapColorChannels(TQCOLORREF dst, TQCOLORREF src, int alpha, Rule rule) {
  return PackColor(alpha, rule(ChannelR(dst), ChannelR(src)), rule(ChannelG(dst), ChannelG(src)),
                   rule(ChannelB(dst), ChannelB(src)));
}

// Applies `rule(c)` to R, G and B of one colour; A is kept.
template <class Rule>
constexpr TQCOLORREF MapOwnColorChannels(TQCOLORREF c, Rule rule) {
  return PackColor(ChannelA(c), rule(ChannelR(c)), rule(ChannelG(c)), rule(ChannelB(c)));
}

// c with its A replaced by `alpha`.
constexpr TQCOLORREF WithAlpha(TQCOLORREF c, int alpha) {
  return (c & 0x00FFFFFFu) | static_cast<TQCOLORREF>(alpha) << 24;
}

// Applies `rule(d_c, s_c)` to all four channels, A included.
template <class Rule>
constexpr TQCOLORREF MapAllChannels(TQCOLORREF dst, TQCOLORREF src, Rule rule) {
  return MapColorChannels(dst, src, rule(ChannelA(dst), ChannelA(src)), rule);
}

// --- shared per-channel steps -------------------------------------------------------------------

// value * alpha / 255, truncated: a value weighted by an opacity.
constexpr int ScaleByOpacity(int value, int alpha) { return value * alpha / kFull; }

// d + (s - d) * weight / 255, the quotient truncated toward zero: d moved toward s.
constexpr int Lerp(int d, int s, int weight) { return d + (s - d) * weight / kFull; }

// min(d + step, limit) and max(d - step, limit).
constexpr int RaiseChannel(int d, int step, int limit = kFull) { return std::min(d + step, limit); }
constexpr int LowerChannel(int d, int step, int limit = 0) { return std::max(d - step, limit); }

// n / k for 0 <= n < 2^17 and 1 <= k <= 255, by a multiply with ceil(2^25 / k): the error
// of that reciprocal, below k / 2^25, times n stays below 1 / k, so the quotient truncates
// exactly as the division does. Blend32 divides by a k of this range per channel.
inline constexpr int kSmallQuotientShift = 25;
inline constexpr std::array<std::uint32_t, 256> kSmallReciprocals = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t k = 1; k < table.size(); ++k) {
    table[k] = ((std::uint32_t{1} << kSmallQuotientShift) + k - 1) / k;
  }
  return table;
}();
constexpr int DivideSmall(int n, int k) {
  return static_cast<int>((static_cast<std::uint64_t>(n) * kSmallReciprocals[k]) >>
                          kSmallQuotientShift);
}

// Mode 0 adds s weighted by alpha, capped at max; other modes subtract it, floored at min.
constexpr int AddSubtractChannel(int d, int s, int alpha, int mode, int min, int max) {
  const int v = ScaleByOpacity(s, alpha);
  return mode == 0 ? RaiseChannel(d, v, max) : LowerChannel(d, v, min);
}

// Mode 0 keeps the larger of d and v, other modes the smaller.
constexpr bool ShouldReplace(int d, int v, int mode) { return mode == 0 ? d < v : d > v; }

// --- blend --------------------------------------------------------------------------------------

// Coverage accumulates: d gains (255 - d) * (s * alpha / 255) / 255, then is capped at max.
constexpr unsigned char Blend8(unsigned char d, unsigned char s, unsigned char alpha, int max) {
  const int a = ScaleByOpacity(s, alpha) & 0xFF;
  return static_cast<unsigned char>(std::min(d + (kFull - d) * a / kFull, max));
}

// Each colour channel moves toward the source by sA * alpha / 255; the result's A is 0.
constexpr TQCOLORREF Blend24(TQCOLORREF d, TQCOLORREF s, unsigned char alpha) {
  const int a = ScaleByOpacity(ChannelA(s), alpha);
  return MapColorChannels(d, s, 0, [a](int dc, int sc) { return Lerp(dc, sc, a); });
}

// What the 32-bit blend takes from the source and the opacity alone, worked out once for a run
// of pixels that share them.
struct Blend32Source {
  TQCOLORREF opaque = 0;   // the result when the weight is full
  unsigned weight = 0;     // a = sA * alpha / 255
  unsigned ink[3] = {};    // (255 - s) * a / 255 for R, G, B
};

constexpr Blend32Source PrepareBlend32(TQCOLORREF s, unsigned char alpha) {
  const unsigned a = static_cast<unsigned>(ScaleByOpacity(ChannelA(s), alpha));
  const auto ink = [a](int c) { return static_cast<unsigned>(kFull - c) * a / kFull; };
  return {PackColor(kFull, ChannelR(s), ChannelG(s), ChannelB(s)), a,
          {ink(ChannelR(s)), ink(ChannelG(s)), ink(ChannelB(s))}};
}

// "Over" compositing with the colours premultiplied against white. Every term is
// non-negative, so the arithmetic runs unsigned (the same quotients, fewer instructions).
constexpr TQCOLORREF Blend32(TQCOLORREF d, const Blend32Source& source) {
  const unsigned a = source.weight;
  if (a == kFull) return source.opaque;
  const unsigned dA = static_cast<unsigned>(ChannelA(d));
  const unsigned w = dA * (kFull - a) / kFull;  // what remains of the destination's weight
  const unsigned aOut = kFull - (kFull - dA) * (kFull - a) / kFull;
  const int k = static_cast<int>(((aOut + 1) * kFull) >> 8);
  if (k <= 0) return PackColor(static_cast<int>(aOut), kFull, kFull, kFull);
  const auto channel = [w, k](unsigned ink, int dc) {
    const unsigned p = ink + static_cast<unsigned>(kFull - dc) * w / kFull;  // at most 510
    return std::max(kFull - DivideSmall(static_cast<int>(p * 256), k), 0);
  };
  return PackColor(static_cast<int>(aOut), channel(source.ink[0], ChannelR(d)),
                   channel(source.ink[1], ChannelG(d)), channel(source.ink[2], ChannelB(d)));
}

constexpr TQCOLORREF Blend32(TQCOLORREF d, TQCOLORREF s, unsigned char alpha) {
  return Blend32(d, PrepareBlend32(s, alpha));
}

// --- weighted copy ------------------------------------------------------------------------------

constexpr unsigned char WeightCopy8(unsigned char d, unsigned char s, unsigned char alpha) {
  return alpha >= kFull ? s : static_cast<unsigned char>(Lerp(d, s, alpha));
}

// Every byte, A included, moves toward the source by alpha; the source's A does not weight it.
constexpr TQCOLORREF WeightCopy32(TQCOLORREF d, TQCOLORREF s, unsigned char alpha) {
  if (alpha >= kFull) return s;
  return MapAllChannels(d, s, [alpha](int dc, int sc) { return Lerp(dc, sc, alpha); });
}

// --- add and subtract ---------------------------------------------------------------------------

constexpr unsigned char AddAndSubtract8(unsigned char d, unsigned char s, unsigned char alpha,
                                        int mode, int min, int max) {
  if (alpha == 0) return d;
  return static_cast<unsigned char>(AddSubtractChannel(d, s, alpha, mode, min, max));
}

// R, G and B as the 8-bit rule; the source's A is unused and the destination's A kept.
constexpr TQCOLORREF AddAndSubtract32(TQCOLORREF d, TQCOLORREF s, unsigned char alpha, int mode,
                                      int min, int max) {
  if (alpha == 0) return d;
  return MapColorChannels(d, s, ChannelA(d), [=](int dc, int sc) {
    return AddSubtractChannel(dc, sc, alpha, mode, min, max);
  });
}

// --- keep larger or smaller ---------------------------------------------------------------------

constexpr unsigned char DarkenAndLighten8(unsigned char d, unsigned char s, unsigned char alpha,
                                          int mode) {
  const int v = ScaleByOpacity(s, alpha);
  return ShouldReplace(d, v, mode) ? static_cast<unsigned char>(v) : d;
}

// Compares A with sA * alpha / 255; a replaced pixel takes the source colour with that A.
constexpr TQCOLORREF DarkenAndLighten32(TQCOLORREF d, TQCOLORREF s, unsigned char alpha, int mode) {
  const int v = ScaleByOpacity(ChannelA(s), alpha);
  if (!ShouldReplace(ChannelA(d), v, mode)) return d;
  return PackColor(v, ChannelR(s), ChannelG(s), ChannelB(s));
}

// --- correct (erase, darken, lighten) -----------------------------------------------------------

// Mode 0 erases by alpha; on inked pixels mode 1 adds density and mode 2 removes it by alpha / 5.
constexpr unsigned char Correct8(unsigned char d, unsigned char alpha, int mode) {
  if (alpha == 0) return d;
  const int step = alpha / 5;
  if (mode == 0) return static_cast<unsigned char>(LowerChannel(d, alpha));
  if (d == 0) return d;
  if (mode == 1) return static_cast<unsigned char>(RaiseChannel(d, step));
  if (mode == 2) return static_cast<unsigned char>(LowerChannel(d, step));
  return d;
}

// Mode 0 erases A by alpha; on pixels with A > 0 mode 1 darkens and mode 2 lightens R, G, B.
constexpr TQCOLORREF Correct32(TQCOLORREF d, unsigned char alpha, int mode) {
  if (alpha == 0) return d;
  const int step = alpha / 5;
  const int dA = ChannelA(d);
  if (mode == 0) return WithAlpha(d, LowerChannel(dA, alpha));
  if (dA == 0) return d;
  if (mode == 1) return MapOwnColorChannels(d, [step](int c) { return LowerChannel(c, step); });
  if (mode == 2) return MapOwnColorChannels(d, [step](int c) { return RaiseChannel(c, step); });
  return d;
}

// --- alpha edit ---------------------------------------------------------------------------------

// Mode 0 raises the value by alpha, mode 1 lowers it; other modes and alpha 0 leave it.
constexpr int AlphaEditChannel(int d, unsigned char alpha, int mode) {
  if (alpha == 0) return d;
  if (mode == 0) return RaiseChannel(d, alpha);
  if (mode == 1) return LowerChannel(d, alpha);
  return d;
}

constexpr unsigned char AlphaEdit8(unsigned char d, unsigned char alpha, int mode) {
  return static_cast<unsigned char>(AlphaEditChannel(d, alpha, mode));
}

// The 8-bit rule on the A byte; R, G and B are kept.
constexpr TQCOLORREF AlphaEdit32(TQCOLORREF d, unsigned char alpha, int mode) {
  return WithAlpha(d, AlphaEditChannel(ChannelA(d), alpha, mode));
}

}  // namespace kz::mixer_rules
