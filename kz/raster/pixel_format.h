// Pixel formats of the block raster images, as pure functions of the stored bits.
//
// The six depths keep their pixels as: 1-bit b (1 = ink); 2-bit v (0 transparent, 1 not
// defined, 2 white, 3 black); 8-bit d (ink density, 0 none .. 255 full); 16-bit the bytes
// (alpha, grey); 24-bit the bytes (blue, green, red); 32-bit the bytes (blue, green, red,
// alpha). In code the 24- and 32-bit pixels travel as colour words (red in bits 0-7, green
// 8-15, blue 16-23, alpha 24-31; a 24-bit word's alpha byte is 0 and counts as opaque).
//
// Each Format struct reads its stored value as every depth (Get*, the image getters) and turns
// a value of every depth into its stored value (From*, the image setters). A rule that several
// getters or setters share lives in one function of the "rules" section, so every depth class
// uses the same arithmetic. T and W are the image's mono transparency and black-white
// thresholds (MonoThresholds). All arithmetic is integer; divisions truncate.
//
// Also here: the ordered dither tables and functions, and the 4 x 2 cells in which a 1-bit
// image keeps 8-bit values.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "tqwutl/types.h"
#include "win32/types.h"

namespace kz::pixel {

// --- channels and derived quantities ----------------------------------------------------------

constexpr int RedOf(TQCOLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(TQCOLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(TQCOLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int AlphaOf(TQCOLORREF c) { return static_cast<int>(c >> 24); }
// A grey level repeated in red, green and blue; alpha 0.
constexpr TQCOLORREF GreyWord(int g) { return static_cast<TQCOLORREF>(g & 0xFF) * 0x010101u; }

// L = (2 x blue + 4 x green + red) / 7, 0..255 (blue, not red, carries the weight 2).
constexpr int Luminance(TQCOLORREF c) { return (2 * BlueOf(c) + 4 * GreenOf(c) + RedOf(c)) / 7; }
// D = (255 - L) x (alpha + 1) / 256: the ink of a colour with alpha, 0..255.
constexpr int InkDensity(TQCOLORREF c) { return ((255 - Luminance(c)) * (AlphaOf(c) + 1)) >> 8; }
// The ink of an opaque colour: 255 - L.
constexpr int DensityOfOpaque(TQCOLORREF c) { return 255 - Luminance(c); }
// The ink of a grey word (alpha, grey in the blue byte): (alpha + 1) x (255 - blue) / 256.
constexpr int DensityOfGreyWord(TQCOLORREF c) {
  return ((AlphaOf(c) + 1) * (255 - BlueOf(c))) >> 8;
}

// The image's mono thresholds: T (transparency, default 127) and W (black-white, default 128).
struct MonoThresholds {
  int trans = 127;
  int bw = 128;
};

// v > T: the value carries ink. v < W: the value is black.
constexpr bool IsMonoNotTrans(int v, int trans) { return v > trans; }
constexpr bool IsMonoBlack(int v, int bw) { return v < bw; }

// --- rules shared by several getters and setters ----------------------------------------------

// 1-bit of an ink density: d > T.
constexpr BYTE OneBitOfDensity(int d, int trans) { return IsMonoNotTrans(d, trans) ? 1 : 0; }
// 2-bit of a 1-bit value: ink is black.
constexpr BYTE TwoBitOfOneBit(int b) { return b != 0 ? 3 : 0; }
// 2-bit of a 2-bit value: white and black stay, anything else (the undefined 1 included) is
// transparent.
constexpr BYTE TwoBitOfTwoBit(int v) { return v == 2 || v == 3 ? static_cast<BYTE>(v) : 0; }
// 2-bit of an ink density: d > T is black, else transparent.
constexpr BYTE TwoBitOfDensity(int d, int trans) { return IsMonoNotTrans(d, trans) ? 3 : 0; }
// 2-bit of an opaque grey: g >= W is white, else black.
constexpr BYTE TwoBitOfGrey(int g, int bw) { return IsMonoBlack(g, bw) ? 3 : 2; }
// 2-bit of a grey with alpha: a <= T is transparent, else as TwoBitOfGrey.
constexpr BYTE TwoBitOfAlphaGrey(int a, int g, int trans, int bw) {
  return IsMonoNotTrans(a, trans) ? TwoBitOfGrey(g, bw) : 0;
}
// Ink density of a 1-bit value.
constexpr BYTE DensityOfOneBit(int b) { return b != 0 ? 255 : 0; }
// Grey words (alpha, grey) of the mask depths: 1-bit ink is opaque black.
constexpr TQCOLORREF WordOfOneBit(int b) { return b != 0 ? 0xFF000000u : 0u; }
// 2-bit: 3 opaque black, 2 opaque white, else transparent.
constexpr TQCOLORREF WordOfTwoBit(int v) {
  return v == 3 ? 0xFF000000u : v == 2 ? 0xFFFFFFFFu : 0u;
}
// Ink density as a grey word: alpha d over black.
constexpr TQCOLORREF WordOfDensity(int d) { return static_cast<TQCOLORREF>(d & 0xFF) << 24; }
// A colour with alpha as a grey word: alpha << 24 + L in red, green and blue.
constexpr TQCOLORREF GreyWordOfColor(TQCOLORREF c) {
  return (c & 0xFF000000u) | GreyWord(Luminance(c));
}
// Opaque colours of the mask depths (24-bit getters and setters).
constexpr TQCOLORREF OpaqueOfOneBit(int b) { return b != 0 ? 0u : 0xFFFFFFu; }
constexpr TQCOLORREF OpaqueOfTwoBit(int v) { return v == 3 ? 0u : 0xFFFFFFu; }
// Opaque grey of an ink density, with the alpha byte set: 0xFF000000 + (255 - d) x 0x010101.
constexpr TQCOLORREF OpaqueOfDensity(int d) { return 0xFF000000u | GreyWord(255 - (d & 0xFF)); }
// A colour with alpha laid over black: 0xFF000000 + each channel x (alpha + 1) / 256.
constexpr TQCOLORREF OverBlack(TQCOLORREF c) {
  const int a1 = AlphaOf(c) + 1;
  const auto ch = [a1](int v) { return static_cast<TQCOLORREF>((v * a1) >> 8); };
  return 0xFF000000u | ch(RedOf(c)) | ch(GreenOf(c)) << 8 | ch(BlueOf(c)) << 16;
}

// --- pixel masks --------------------------------------------------------------------------------

// The 1-bit mask of column x (leftmost pixel in the top bit); x may be block- or image-relative
// since blocks start on multiples of 8.
constexpr BYTE OneBitMaskOf(int x) { return static_cast<BYTE>(0x80u >> (x & 7)); }
// The 2-bit mask of column x: bits 7-6 for x mod 4 = 0, then 5-4, 3-2, 1-0.
constexpr BYTE TwoBitMaskOf(int x) { return static_cast<BYTE>(0xC0u >> (2 * (x & 3))); }

// --- formats ----------------------------------------------------------------------------------
//
// Every format offers the same members, which the depth classes call:
//   Stored, kBits, kBytesPerPixel (0 for the bit depths); the bit depths' MaskOf(x),
//   kFirstMask and kLastMask;
//   Load(p, mask) / Store(p, mask, s): the pixel at p (bit depths: under mask);
//   Get1Bit .. Get32Bit, Get8BitImage, Get24BitImage, Get8BitMask: the getters;
//   kAbsent*: what the plain getters return for a null address; kMaskIsOpaque: Get8BitMask
//   is 255 without reading the pixel;
//   From1Bit .. From32Bit: the setters; Native / FromNative / kAbsentNative: GetColor and
//   SetColor; MakeNative: MakeNativeColor;
//   kClearColor, kIndexColors: the defaults of Initialize;
//   ClearBytes: ClearBlock.
// Get1Bit .. Get24Bit and the setters take the thresholds; Get32Bit takes a callable index(i)
// giving index colour i (only the mask depths call it); the image and mask getters take the
// stored value alone.

// Fills `bytes` bytes at `p` with copies of a pixel pattern of `size` bytes (1 to 4); a pattern
// of equal bytes is one memset. `bytes` is a multiple of `size`.
void FillPixels(BYTE* p, std::size_t bytes, const BYTE* pattern, std::size_t size);

// FillPixels with the pixel `Format::Store` makes of `colour` (the whole-byte depths).
template <class Format>
void FillWithStored(BYTE* p, std::size_t bytes, TQCOLORREF colour) {
  BYTE pixel[Format::kBytesPerPixel];
  Format::Store(pixel, 0, colour);
  FillPixels(p, bytes, pixel, Format::kBytesPerPixel);
}

// True when every pixel of columns [x0, x1) of rows [y0, y1) of a block at `block` reads as an
// absent pixel would, so the block may go: 1-, 2- and 8-bit all bits 0; 16-bit and 32-bit the
// alpha byte 0; 24-bit white (all three bytes 0xFF), since an absent 24-bit pixel reads white
// and a black block must not turn white. Coordinates are block-relative, within 0..256.
bool IsAreaClear(const BYTE* block, int rowBytes, int bitsPerPixel, int x0, int y0, int x1, int y1);

struct Format1Bit {
  using Stored = BYTE;  // 0 or 1
  static constexpr int kBits = 1;
  static constexpr int kBytesPerPixel = 0;
  static constexpr BYTE kFirstMask = 0x80;
  static constexpr BYTE kLastMask = 0x01;
  static BYTE MaskOf(int x) { return OneBitMaskOf(x); }

  static Stored Load(const BYTE* p, BYTE mask) { return (*p & mask) != 0 ? 1 : 0; }
  static void Store(BYTE* p, BYTE mask, Stored s) {
    *p = s != 0 ? static_cast<BYTE>(*p | mask) : static_cast<BYTE>(*p & ~mask);
  }

  static BYTE Get1Bit(Stored b, const MonoThresholds&) { return b; }
  static BYTE Get2Bit(Stored b, const MonoThresholds&) { return TwoBitOfOneBit(b); }
  static BYTE Get8Bit(Stored b, const MonoThresholds&) { return DensityOfOneBit(b); }
  static TQCOLORREF Get16Bit(Stored b, const MonoThresholds&) { return WordOfOneBit(b); }
  static TQCOLORREF Get24Bit(Stored b, const MonoThresholds&) { return OpaqueOfOneBit(b); }
  template <class Index>
  static TQCOLORREF Get32Bit(Stored b, Index index) {
    return b != 0 ? index(1) : 0u;
  }
  static BYTE Get8BitImage(Stored b) { return DensityOfOneBit(b); }
  static TQCOLORREF Get24BitImage(Stored b) { return OpaqueOfOneBit(b); }
  static BYTE Get8BitMask(Stored) { return 255; }
  static constexpr bool kMaskIsOpaque = true;  // the mask reads 255 whatever is stored

  static constexpr BYTE kAbsent1Bit = 0, kAbsent2Bit = 0, kAbsent8Bit = 0;
  static constexpr TQCOLORREF kAbsent16Bit = 0, kAbsent24Bit = 0xFFFFFF, kAbsent32Bit = 0;
  static constexpr BYTE kAbsent8BitImage = 0;
  static constexpr TQCOLORREF kAbsent24BitImage = 0xFFFFFF;
  static constexpr BYTE kAbsent8BitMask = 255;

  static Stored From1Bit(BYTE b, const MonoThresholds&) { return b != 0 ? 1 : 0; }
  // White and black are both ink in a 1-bit mask.
  static Stored From2Bit(BYTE v, const MonoThresholds&) { return v == 2 || v == 3 ? 1 : 0; }
  static Stored From8Bit(BYTE d, const MonoThresholds& m) { return OneBitOfDensity(d, m.trans); }
  static Stored From16Bit(TQCOLORREF c, const MonoThresholds& m) {
    return OneBitOfDensity(DensityOfGreyWord(c), m.trans);
  }
  static Stored From24Bit(TQCOLORREF c, const MonoThresholds& m) {
    return OneBitOfDensity(DensityOfOpaque(c), m.trans);
  }
  static Stored From32Bit(TQCOLORREF c, const MonoThresholds& m) {
    return OneBitOfDensity(InkDensity(c), m.trans);
  }

  static TQCOLORREF Native(Stored b) { return b; }
  static constexpr TQCOLORREF kAbsentNative = 0;
  static Stored FromNative(TQCOLORREF c, const MonoThresholds& m) {
    return From1Bit(static_cast<BYTE>(c), m);
  }
  static TQCOLORREF MakeNative(TQCOLORREF c, const MonoThresholds& m) { return From32Bit(c, m); }

  static constexpr TQCOLORREF kClearColor = 0xFFFFFF;
  static constexpr std::array<TQCOLORREF, 4> kIndexColors = {0, 0xFF000000u, 0, 0};
  // Every byte takes the clear colour byte.
  static void ClearBytes(BYTE* p, std::size_t bytes, TQCOLORREF, BYTE clearByte) {
    FillPixels(p, bytes, &clearByte, 1);
  }
};

struct Format2Bit {
  using Stored = BYTE;  // 0..3
  static constexpr int kBits = 2;
  static constexpr int kBytesPerPixel = 0;
  static constexpr BYTE kFirstMask = 0xC0;
  static constexpr BYTE kLastMask = 0x03;
  static BYTE MaskOf(int x) { return TwoBitMaskOf(x); }

  static Stored Load(const BYTE* p, BYTE mask) {
    return static_cast<BYTE>((*p & mask) >> std::countr_zero(static_cast<unsigned>(mask | 0x100)));
  }
  // Clears the pixel's two bits, then sets the new value.
  static void Store(BYTE* p, BYTE mask, Stored v) {
    const unsigned shift = std::countr_zero(static_cast<unsigned>(mask | 0x100));
    *p = static_cast<BYTE>((*p & ~mask) | ((static_cast<unsigned>(v) << shift) & mask));
  }

  static BYTE Get1Bit(Stored v, const MonoThresholds&) { return v == 3 ? 1 : 0; }
  static BYTE Get2Bit(Stored v, const MonoThresholds&) { return TwoBitOfTwoBit(v); }
  static BYTE Get8Bit(Stored v, const MonoThresholds&) { return v == 3 ? 255 : 0; }
  static TQCOLORREF Get16Bit(Stored v, const MonoThresholds&) { return WordOfTwoBit(v); }
  static TQCOLORREF Get24Bit(Stored v, const MonoThresholds&) { return OpaqueOfTwoBit(v); }
  template <class Index>
  static TQCOLORREF Get32Bit(Stored v, Index index) {
    return v == 3 ? index(3) : v == 2 ? index(2) : 0u;
  }
  // The undefined value 1 reads as ink in the image getters.
  static BYTE Get8BitImage(Stored v) { return v == 1 || v == 3 ? 255 : 0; }
  static TQCOLORREF Get24BitImage(Stored v) { return v == 1 || v == 3 ? 0u : 0xFFFFFFu; }
  static BYTE Get8BitMask(Stored v) { return v == 2 || v == 3 ? 255 : 0; }
  static constexpr bool kMaskIsOpaque = false;

  static constexpr BYTE kAbsent1Bit = 0, kAbsent2Bit = 0, kAbsent8Bit = 0;
  static constexpr TQCOLORREF kAbsent16Bit = 0, kAbsent24Bit = 0xFFFFFF, kAbsent32Bit = 0;
  static constexpr BYTE kAbsent8BitImage = 0;
  static constexpr TQCOLORREF kAbsent24BitImage = 0xFFFFFF;
  static constexpr BYTE kAbsent8BitMask = 0;

  static Stored From1Bit(BYTE b, const MonoThresholds&) { return TwoBitOfOneBit(b); }
  static Stored From2Bit(BYTE v, const MonoThresholds&) { return TwoBitOfTwoBit(v); }
  static Stored From8Bit(BYTE d, const MonoThresholds& m) { return TwoBitOfDensity(d, m.trans); }
  static Stored From16Bit(TQCOLORREF c, const MonoThresholds& m) {
    return TwoBitOfAlphaGrey(AlphaOf(c), BlueOf(c), m.trans, m.bw);
  }
  static Stored From24Bit(TQCOLORREF c, const MonoThresholds& m) {
    return TwoBitOfGrey(Luminance(c), m.bw);
  }
  static Stored From32Bit(TQCOLORREF c, const MonoThresholds& m) {
    return TwoBitOfAlphaGrey(AlphaOf(c), Luminance(c), m.trans, m.bw);
  }

  // GetColor gives the stored value itself (the undefined 1 included).
  static TQCOLORREF Native(Stored v) { return v; }
  static constexpr TQCOLORREF kAbsentNative = 0;
  static Stored FromNative(TQCOLORREF c, const MonoThresholds& m) {
    return From2Bit(static_cast<BYTE>(c), m);
  }
  static TQCOLORREF MakeNative(TQCOLORREF c, const MonoThresholds& m) { return From32Bit(c, m); }

  static constexpr TQCOLORREF kClearColor = 0xFFFFFF;
  static constexpr std::array<TQCOLORREF, 4> kIndexColors = {0, 0, 0xFFFFFFFFu, 0xFF000000u};
  static void ClearBytes(BYTE* p, std::size_t bytes, TQCOLORREF, BYTE) {
    const BYTE zero = 0;
    FillPixels(p, bytes, &zero, 1);
  }
};

struct Format8Bit {
  using Stored = BYTE;  // ink density
  static constexpr int kBits = 8;
  static constexpr int kBytesPerPixel = 1;

  static Stored Load(const BYTE* p, BYTE) { return *p; }
  static void Store(BYTE* p, BYTE, Stored d) { *p = d; }

  static BYTE Get1Bit(Stored d, const MonoThresholds& m) { return OneBitOfDensity(d, m.trans); }
  static BYTE Get2Bit(Stored d, const MonoThresholds& m) { return TwoBitOfDensity(d, m.trans); }
  static BYTE Get8Bit(Stored d, const MonoThresholds&) { return d; }
  static TQCOLORREF Get16Bit(Stored d, const MonoThresholds&) { return WordOfDensity(d); }
  static TQCOLORREF Get24Bit(Stored d, const MonoThresholds&) { return OpaqueOfDensity(d); }
  // The ink colour (index colour 1) with alpha d.
  template <class Index>
  static TQCOLORREF Get32Bit(Stored d, Index index) {
    return WordOfDensity(d) | (index(1) & 0xFFFFFFu);
  }
  static BYTE Get8BitImage(Stored d) { return d; }
  static TQCOLORREF Get24BitImage(Stored d) { return OpaqueOfDensity(d); }
  static BYTE Get8BitMask(Stored) { return 255; }
  static constexpr bool kMaskIsOpaque = true;  // the mask reads 255 whatever is stored

  static constexpr BYTE kAbsent1Bit = 0, kAbsent2Bit = 0, kAbsent8Bit = 0;
  static constexpr TQCOLORREF kAbsent16Bit = 0, kAbsent24Bit = 0xFFFFFF, kAbsent32Bit = 0;
  static constexpr BYTE kAbsent8BitImage = 0;
  static constexpr TQCOLORREF kAbsent24BitImage = 0xFFFFFF;
  static constexpr BYTE kAbsent8BitMask = 255;

  static Stored From1Bit(BYTE b, const MonoThresholds&) { return DensityOfOneBit(b); }
  // White and black are both full ink in an 8-bit mask.
  static Stored From2Bit(BYTE v, const MonoThresholds&) { return v != 0 ? 255 : 0; }
  static Stored From8Bit(BYTE d, const MonoThresholds&) { return d; }
  static Stored From16Bit(TQCOLORREF c, const MonoThresholds&) {
    return static_cast<BYTE>(DensityOfGreyWord(c));
  }
  static Stored From24Bit(TQCOLORREF c, const MonoThresholds&) {
    return static_cast<BYTE>(DensityOfOpaque(c));
  }
  static Stored From32Bit(TQCOLORREF c, const MonoThresholds&) {
    return static_cast<BYTE>(InkDensity(c));
  }

  static TQCOLORREF Native(Stored d) { return d; }
  static constexpr TQCOLORREF kAbsentNative = 0;
  static Stored FromNative(TQCOLORREF c, const MonoThresholds&) { return static_cast<BYTE>(c); }
  static TQCOLORREF MakeNative(TQCOLORREF c, const MonoThresholds& m) { return From32Bit(c, m); }

  static constexpr TQCOLORREF kClearColor = 0xFFFFFF;
  static constexpr std::array<TQCOLORREF, 4> kIndexColors = {0, 0xFF000000u, 0, 0};
  static void ClearBytes(BYTE* p, std::size_t bytes, TQCOLORREF, BYTE) {
    const BYTE zero = 0;
    FillPixels(p, bytes, &zero, 1);
  }
};

// The stored form of a 16-bit pixel: byte 0 alpha, byte 1 grey (255 white).
struct AlphaGrey {
  BYTE alpha = 0;
  BYTE grey = 0;
  friend constexpr bool operator==(const AlphaGrey&, const AlphaGrey&) = default;
};

struct Format16Bit {
  using Stored = AlphaGrey;
  static constexpr int kBits = 16;
  static constexpr int kBytesPerPixel = 2;

  static Stored Load(const BYTE* p, BYTE) { return {p[0], p[1]}; }
  static void Store(BYTE* p, BYTE, Stored s) {
    p[0] = s.alpha;
    p[1] = s.grey;
  }
  // The 16-bit word: alpha << 24 + the grey in red, green and blue.
  static TQCOLORREF Word(Stored s) { return WordOfDensity(s.alpha) | GreyWord(s.grey); }

  static BYTE Get1Bit(Stored s, const MonoThresholds& m) {
    return OneBitOfDensity(s.alpha, m.trans);
  }
  static BYTE Get2Bit(Stored s, const MonoThresholds& m) {
    return TwoBitOfAlphaGrey(s.alpha, s.grey, m.trans, m.bw);
  }
  static BYTE Get8Bit(Stored s, const MonoThresholds&) { return s.alpha; }
  static TQCOLORREF Get16Bit(Stored s, const MonoThresholds&) { return Word(s); }
  static TQCOLORREF Get24Bit(Stored s, const MonoThresholds&) { return Word(s); }
  template <class Index>
  static TQCOLORREF Get32Bit(Stored s, Index) {
    return Word(s);
  }
  static BYTE Get8BitImage(Stored s) { return static_cast<BYTE>(255 - s.grey); }
  static TQCOLORREF Get24BitImage(Stored s) { return 0xFF000000u | GreyWord(s.grey); }
  static BYTE Get8BitMask(Stored s) { return s.alpha; }
  static constexpr bool kMaskIsOpaque = false;

  static constexpr BYTE kAbsent1Bit = 0, kAbsent2Bit = 0, kAbsent8Bit = 0;
  static constexpr TQCOLORREF kAbsent16Bit = 0, kAbsent24Bit = 0xFFFFFF, kAbsent32Bit = 0;
  static constexpr BYTE kAbsent8BitImage = 0;
  static constexpr TQCOLORREF kAbsent24BitImage = 0xFFFFFF;
  static constexpr BYTE kAbsent8BitMask = 0;

  // A 16-bit word keeps its alpha and its blue byte as the grey.
  static Stored From16Bit(TQCOLORREF c, const MonoThresholds&) {
    return {static_cast<BYTE>(AlphaOf(c)), static_cast<BYTE>(BlueOf(c))};
  }
  static Stored From1Bit(BYTE b, const MonoThresholds& m) { return From16Bit(WordOfOneBit(b), m); }
  static Stored From2Bit(BYTE v, const MonoThresholds& m) { return From16Bit(WordOfTwoBit(v), m); }
  static Stored From8Bit(BYTE d, const MonoThresholds& m) { return From16Bit(WordOfDensity(d), m); }
  static Stored From24Bit(TQCOLORREF c, const MonoThresholds&) {
    return {255, static_cast<BYTE>(Luminance(c))};
  }
  static Stored From32Bit(TQCOLORREF c, const MonoThresholds& m) {
    return From16Bit(GreyWordOfColor(c), m);
  }

  static TQCOLORREF Native(Stored s) { return Word(s); }
  static constexpr TQCOLORREF kAbsentNative = kAbsent16Bit;
  static Stored FromNative(TQCOLORREF c, const MonoThresholds& m) { return From16Bit(c, m); }
  // alpha << 24 + L << 16: the grey sits in the byte the 16-bit setter reads.
  static TQCOLORREF MakeNative(TQCOLORREF c, const MonoThresholds&) {
    return (c & 0xFF000000u) | static_cast<TQCOLORREF>(Luminance(c)) << 16;
  }

  static constexpr TQCOLORREF kClearColor = 0;
  static constexpr std::array<TQCOLORREF, 4> kIndexColors = {0, 0, 0, 0};
  // Each pixel = (alpha, blue byte) of the clear colour word.
  static void ClearBytes(BYTE* p, std::size_t bytes, TQCOLORREF clear, BYTE) {
    const BYTE pixel[2] = {static_cast<BYTE>(AlphaOf(clear)), static_cast<BYTE>(BlueOf(clear))};
    FillPixels(p, bytes, pixel, 2);
  }
};

struct Format24Bit {
  using Stored = TQCOLORREF;  // the colour, alpha byte 0
  static constexpr int kBits = 24;
  static constexpr int kBytesPerPixel = 3;

  static Stored Load(const BYTE* p, BYTE) {
    return static_cast<TQCOLORREF>(p[2]) | static_cast<TQCOLORREF>(p[1]) << 8 |
           static_cast<TQCOLORREF>(p[0]) << 16;
  }
  static void Store(BYTE* p, BYTE, Stored c) {
    p[0] = static_cast<BYTE>(BlueOf(c));
    p[1] = static_cast<BYTE>(GreenOf(c));
    p[2] = static_cast<BYTE>(RedOf(c));
  }

  static BYTE Get1Bit(Stored c, const MonoThresholds& m) {
    return OneBitOfDensity(DensityOfOpaque(c), m.trans);
  }
  static BYTE Get2Bit(Stored c, const MonoThresholds& m) {
    return TwoBitOfGrey(Luminance(c), m.bw);
  }
  static BYTE Get8Bit(Stored c, const MonoThresholds&) {
    return static_cast<BYTE>(DensityOfOpaque(c));
  }
  static TQCOLORREF Get16Bit(Stored c, const MonoThresholds&) { return 0xFF000000u | c; }
  static TQCOLORREF Get24Bit(Stored c, const MonoThresholds&) { return c; }
  template <class Index>
  static TQCOLORREF Get32Bit(Stored c, Index) {
    return 0xFF000000u | c;
  }
  static BYTE Get8BitImage(Stored c) { return static_cast<BYTE>(DensityOfOpaque(c)); }
  static TQCOLORREF Get24BitImage(Stored c) { return c; }
  static BYTE Get8BitMask(Stored) { return 255; }
  static constexpr bool kMaskIsOpaque = true;  // the mask reads 255 whatever is stored

  static constexpr BYTE kAbsent1Bit = 0, kAbsent2Bit = 2, kAbsent8Bit = 0;
  static constexpr TQCOLORREF kAbsent16Bit = 0, kAbsent24Bit = 0xFFFFFF, kAbsent32Bit = 0;
  static constexpr BYTE kAbsent8BitImage = 0;
  static constexpr TQCOLORREF kAbsent24BitImage = 0xFFFFFF;
  static constexpr BYTE kAbsent8BitMask = 255;

  static Stored From1Bit(BYTE b, const MonoThresholds&) { return OpaqueOfOneBit(b); }
  static Stored From2Bit(BYTE v, const MonoThresholds&) { return OpaqueOfTwoBit(v); }
  static Stored From8Bit(BYTE d, const MonoThresholds&) { return OpaqueOfDensity(d) & 0xFFFFFFu; }
  static Stored From16Bit(TQCOLORREF c, const MonoThresholds&) { return c & 0xFFFFFFu; }
  static Stored From24Bit(TQCOLORREF c, const MonoThresholds&) { return c & 0xFFFFFFu; }
  static Stored From32Bit(TQCOLORREF c, const MonoThresholds&) { return c & 0xFFFFFFu; }

  static TQCOLORREF Native(Stored c) { return c; }
  static constexpr TQCOLORREF kAbsentNative = kAbsent24Bit;
  static Stored FromNative(TQCOLORREF c, const MonoThresholds& m) { return From24Bit(c, m); }
  static TQCOLORREF MakeNative(TQCOLORREF c, const MonoThresholds&) { return c & 0xFFFFFFu; }

  static constexpr TQCOLORREF kClearColor = 0xFFFFFF;
  static constexpr std::array<TQCOLORREF, 4> kIndexColors = {0, 0, 0, 0};
  // Each pixel = (blue, green, red) of the clear colour word.
  static void ClearBytes(BYTE* p, std::size_t bytes, TQCOLORREF clear, BYTE) {
    FillWithStored<Format24Bit>(p, bytes, clear);
  }
};

struct Format32Bit {
  using Stored = TQCOLORREF;  // the colour with alpha
  static constexpr int kBits = 32;
  static constexpr int kBytesPerPixel = 4;

  // The 24-bit pixel followed by the alpha byte.
  static Stored Load(const BYTE* p, BYTE) {
    return Format24Bit::Load(p, 0) | static_cast<TQCOLORREF>(p[3]) << 24;
  }
  static void Store(BYTE* p, BYTE, Stored c) {
    Format24Bit::Store(p, 0, c);
    p[3] = static_cast<BYTE>(AlphaOf(c));
  }

  static BYTE Get1Bit(Stored c, const MonoThresholds& m) {
    return OneBitOfDensity(InkDensity(c), m.trans);
  }
  static BYTE Get2Bit(Stored c, const MonoThresholds& m) {
    return TwoBitOfAlphaGrey(AlphaOf(c), Luminance(c), m.trans, m.bw);
  }
  static BYTE Get8Bit(Stored c, const MonoThresholds&) { return static_cast<BYTE>(InkDensity(c)); }
  static TQCOLORREF Get16Bit(Stored c, const MonoThresholds&) { return GreyWordOfColor(c); }
  static TQCOLORREF Get24Bit(Stored c, const MonoThresholds&) { return OverBlack(c); }
  template <class Index>
  static TQCOLORREF Get32Bit(Stored c, Index) {
    return c;
  }
  // The image getters ignore alpha.
  static BYTE Get8BitImage(Stored c) {
    return static_cast<BYTE>(255 - std::min(Luminance(c), 255));
  }
  static TQCOLORREF Get24BitImage(Stored c) { return 0xFF000000u | (c & 0xFFFFFFu); }
  static BYTE Get8BitMask(Stored c) { return static_cast<BYTE>(AlphaOf(c)); }
  static constexpr bool kMaskIsOpaque = false;

  static constexpr BYTE kAbsent1Bit = 0, kAbsent2Bit = 0, kAbsent8Bit = 0;
  static constexpr TQCOLORREF kAbsent16Bit = 0xFFFFFFFFu, kAbsent24Bit = 0xFFFFFF, kAbsent32Bit = 0;
  static constexpr BYTE kAbsent8BitImage = 0;
  static constexpr TQCOLORREF kAbsent24BitImage = 0xFFFFFF;
  static constexpr BYTE kAbsent8BitMask = 0;

  static Stored From1Bit(BYTE b, const MonoThresholds&) { return WordOfOneBit(b); }
  static Stored From2Bit(BYTE v, const MonoThresholds&) { return WordOfTwoBit(v); }
  static Stored From8Bit(BYTE d, const MonoThresholds&) { return WordOfDensity(d); }
  static Stored From16Bit(TQCOLORREF c, const MonoThresholds&) { return c; }
  static Stored From24Bit(TQCOLORREF c, const MonoThresholds&) { return 0xFF000000u | c; }
  static Stored From32Bit(TQCOLORREF c, const MonoThresholds&) { return c; }

  static TQCOLORREF Native(Stored c) { return c; }
  static constexpr TQCOLORREF kAbsentNative = kAbsent32Bit;
  static Stored FromNative(TQCOLORREF c, const MonoThresholds& m) { return From32Bit(c, m); }
  static TQCOLORREF MakeNative(TQCOLORREF c, const MonoThresholds&) { return c; }

  static constexpr TQCOLORREF kClearColor = 0xFFFFFF;
  static constexpr std::array<TQCOLORREF, 4> kIndexColors = {0, 0, 0, 0};
  // Each pixel = the clear colour word as a stored pixel (blue, green, red, alpha).
  static void ClearBytes(BYTE* p, std::size_t bytes, TQCOLORREF clear, BYTE) {
    FillWithStored<Format32Bit>(p, bytes, clear);
  }
};

// --- ordered dither ---------------------------------------------------------------------------

namespace detail {
// The 16 x 16 Bayer matrix: M(2n)[y][x] = 4 M(n)[y mod n][x mod n] + M2[y / n][x / n] with
// M2 = {{0, 2}, {3, 1}}; its entries are exactly 0..255.
constexpr std::array<std::array<BYTE, 16>, 16> MakeBayer16() {
  std::array<std::array<BYTE, 16>, 16> m{};
  for (int n = 1; n < 16; n *= 2) {
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        const int v = 4 * m[y][x];
        m[y][x] = static_cast<BYTE>(v);
        m[y][x + n] = static_cast<BYTE>(v + 2);
        m[y + n][x] = static_cast<BYTE>(v + 3);
        m[y + n][x + n] = static_cast<BYTE>(v + 1);
      }
    }
  }
  return m;
}
}  // namespace detail

// [y mod 16][x mod 16]: the threshold of GetDitherValue255.
inline constexpr std::array<std::array<BYTE, 16>, 16> cbDitherTable256 = detail::MakeBayer16();

// Seventeen 4 x 4 on/off patterns, level 0 (all off) to 16 (all on).
inline constexpr BYTE cbDitherTable[17][4][4] = {
    {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    {{1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    {{1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}},
    {{1, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}},
    {{1, 0, 1, 0}, {0, 0, 0, 0}, {1, 0, 1, 0}, {0, 0, 0, 0}},
    {{1, 0, 1, 0}, {0, 1, 0, 0}, {1, 0, 1, 0}, {0, 0, 0, 0}},
    {{1, 0, 1, 0}, {0, 1, 0, 0}, {1, 0, 1, 0}, {0, 0, 0, 1}},
    {{1, 0, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 0, 0, 1}},
    {{1, 0, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 1}},
    {{1, 1, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 1}},
    {{1, 1, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 1}, {0, 1, 0, 1}},
    {{1, 1, 1, 1}, {0, 1, 0, 1}, {1, 0, 1, 1}, {0, 1, 0, 1}},
    {{1, 1, 1, 1}, {0, 1, 0, 1}, {1, 1, 1, 1}, {0, 1, 0, 1}},
    {{1, 1, 1, 1}, {1, 1, 0, 1}, {1, 1, 1, 1}, {0, 1, 0, 1}},
    {{1, 1, 1, 1}, {1, 1, 0, 1}, {1, 1, 1, 1}, {0, 1, 1, 1}},
    {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 1, 1, 1}},
    {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}},
};

// The coarse level of GetDitherValue, per v / 16: 1 on, 2 off, 0 use the fine pattern.
inline constexpr BYTE cbDitherTable2[16][4][4] = {
    {{0, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}},
    {{1, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 0, 2}, {2, 2, 2, 2}},
    {{1, 2, 0, 2}, {2, 2, 2, 2}, {2, 2, 1, 2}, {2, 2, 2, 2}},
    {{1, 2, 1, 2}, {2, 2, 2, 2}, {0, 2, 1, 2}, {2, 2, 2, 2}},
    {{1, 2, 1, 2}, {2, 0, 2, 2}, {1, 2, 1, 2}, {2, 2, 2, 2}},
    {{1, 2, 1, 2}, {2, 1, 2, 2}, {1, 2, 1, 2}, {2, 2, 2, 0}},
    {{1, 2, 1, 2}, {2, 1, 2, 0}, {1, 2, 1, 2}, {2, 2, 2, 1}},
    {{1, 2, 1, 2}, {2, 1, 2, 1}, {1, 2, 1, 2}, {2, 0, 2, 1}},
    {{1, 0, 1, 2}, {2, 1, 2, 1}, {1, 2, 1, 2}, {2, 1, 2, 1}},
    {{1, 1, 1, 2}, {2, 1, 2, 1}, {1, 2, 1, 0}, {2, 1, 2, 1}},
    {{1, 1, 1, 0}, {2, 1, 2, 1}, {1, 2, 1, 1}, {2, 1, 2, 1}},
    {{1, 1, 1, 1}, {2, 1, 2, 1}, {1, 0, 1, 1}, {2, 1, 2, 1}},
    {{1, 1, 1, 1}, {0, 1, 2, 1}, {1, 1, 1, 1}, {2, 1, 2, 1}},
    {{1, 1, 1, 1}, {1, 1, 2, 1}, {1, 1, 1, 1}, {2, 1, 0, 1}},
    {{1, 1, 1, 1}, {1, 1, 0, 1}, {1, 1, 1, 1}, {2, 1, 1, 1}},
    {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 1, 1, 1}},
};

// Positions index the tables modulo their size by their low bits, so negative coordinates
// wrap like positive ones instead of reading before a table.

// 1 when density v is on at (x, y): v >= 255 always, v <= 0 never, else the matrix entry at
// [y mod 16][x mod 16] is at most v.
constexpr int GetDitherValue255(int v, int x, int y) {
  if (v >= 255) return 1;
  if (v <= 0) return 0;
  return cbDitherTable256[y & 15][x & 15] <= v ? 1 : 0;
}
// Pattern `level` (0..16; outside that range clamped) at [y mod 4][x mod 4].
constexpr int GetDitherValue16(int level, int x, int y) {
  return cbDitherTable[std::clamp(level, 0, 16)][y & 3][x & 3];
}
// Two-level dither of density v (0..255; outside clamped): the coarse entry of v / 16 at
// [(x / 4) mod 4][(y / 4) mod 4] decides, or, where it is 0, the fine pattern of v mod 16 at
// [x mod 4][y mod 4] (both x first).
constexpr int GetDitherValue(int v, int x, int y) {
  const int d = std::clamp(v, 0, 255);
  const int coarse = cbDitherTable2[d >> 4][(x >> 2) & 3][(y >> 2) & 3];
  if (coarse == 1) return 1;
  if (coarse == 2) return 0;
  return cbDitherTable[d & 15][x & 3][y & 3];
}

// --- 8-bit values in 4 x 2 cells of a 1-bit image ----------------------------------------------

// The cell's nibble of column x: high for x mod 8 < 4, else low.
constexpr int SpecialtyShift(int x) { return (x & 7) < 4 ? 4 : 0; }
// The value of the cell whose upper-row byte is `upper` and lower-row byte `lower`: the upper
// nibble gives the high 4 bits, the lower nibble the low 4 bits.
constexpr BYTE GetSpecialtyCell(BYTE upper, BYTE lower, int x) {
  const int shift = SpecialtyShift(x);
  return static_cast<BYTE>((((upper >> shift) & 0x0F) << 4) | ((lower >> shift) & 0x0F));
}
// Stores `value` into the cell, leaving the byte's other nibbles alone.
constexpr void SetSpecialtyCell(BYTE& upper, BYTE& lower, int x, BYTE value) {
  const int shift = SpecialtyShift(x);
  const int keep = ~(0x0F << shift);
  upper = static_cast<BYTE>((upper & keep) | (((value >> 4) & 0x0F) << shift));
  lower = static_cast<BYTE>((lower & keep) | ((value & 0x0F) << shift));
}

}  // namespace kz::pixel
