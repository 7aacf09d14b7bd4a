// Colour value types.
//
// KzColor is one packed 32-bit colour (TQCOLORREF: red in bits 0-7, green 8-15, blue 16-23, A
// in 24-31). KzRgbColor and KzHsvColor hold 16 bits a channel in RGB and in HSV and have
// exactly the layout of the utility library's records tagTQRGBCOLOR16 and tagTQHSVCOLOR16, so
// they pass wherever a record is expected. KzComplexColor is a drawing colour of either 8 or 16
// bits a channel, the form that pixel mixers and image operations take.
//
// Channel numbers (SetChannel, GetChannel): 0 red (or hue), 1 green (or saturation), 2 blue
// (or value), 3 A. The HSV conversions work in doubles and truncate toward zero.
#pragma once

#include <cstdint>

#include "tqwutl/types.h"

// A packed 32-bit colour.
class KzColor {
 public:
  // Black with A 0.
  KzColor() = default;
  KzColor(const KzColor& color) = default;
  KzColor(TQCOLORREF color);
  // Each channel is the high byte of the 16-bit channel, A included.
  KzColor(const tagTQRGBCOLOR16& color);
  // Reads the record in whole degrees (hue) and percent (saturation, value): S and V above 100
  // count as 100, a hue of 360 or more as 359. A is the low byte of the A word.
  KzColor(const tagTQHSVCOLOR16& color);
  virtual ~KzColor();

  KzColor& operator=(const KzColor& color) = default;
  KzColor& operator=(TQCOLORREF color);
  KzColor& operator=(const tagTQRGBCOLOR16& color);
  KzColor& operator=(const tagTQHSVCOLOR16& color);

  TQCOLORREF GetColor() const { return m_color; }
  operator TQCOLORREF() const { return m_color; }
  void SetColor(TQCOLORREF color) { m_color = color; }

  unsigned char GetChannelR() const { return GetByte(0); }
  unsigned char GetChannelG() const { return GetByte(1); }
  unsigned char GetChannelB() const { return GetByte(2); }
  unsigned char GetChannelA() const { return GetByte(3); }
  // The setters replace one channel and keep the other three.
  void SetChannelR(unsigned char value) { SetChannel(0, value); }
  void SetChannelG(unsigned char value) { SetChannel(1, value); }
  void SetChannelB(unsigned char value) { SetChannel(2, value); }
  void SetChannelA(unsigned char value) { SetChannel(3, value); }
  // Replaces channel `index` (0 R, 1 G, 2 B, 3 A); any other index changes nothing.
  void SetChannel(int index, unsigned char value);

 private:
  unsigned char GetByte(int index) const {
    return static_cast<unsigned char>(m_color >> (8 * index));
  }

  TQCOLORREF m_color = 0;
};

// A colour of 16 bits a channel (full scale 65535) in RGB.
class KzRgbColor : public tagTQRGBCOLOR16 {
 public:
  // All four channels 0.
  KzRgbColor() : tagTQRGBCOLOR16{0, 0, 0, 0} {}
  KzRgbColor(const KzRgbColor& color) = default;
  // Each byte x becomes x * 257: 0 stays 0 and 255 becomes 65535.
  KzRgbColor(TQCOLORREF color);
  KzRgbColor(const tagTQRGBCOLOR16& color) : tagTQRGBCOLOR16(color) {}
  // Converts from HSV on the 16-bit scale (hue 0 to 65535 over a full turn); A is copied.
  KzRgbColor(const tagTQHSVCOLOR16& color);
  KzRgbColor(unsigned short alpha, unsigned short red, unsigned short green, unsigned short blue)
      : tagTQRGBCOLOR16{alpha, red, green, blue} {}

  KzRgbColor& operator=(const KzRgbColor& color) = default;
  KzRgbColor& operator=(TQCOLORREF color);
  KzRgbColor& operator=(const tagTQRGBCOLOR16& color);
  KzRgbColor& operator=(const tagTQHSVCOLOR16& color);
  KzRgbColor& operator=(const KzColor& color);

  // Packs the high byte of each channel.
  operator TQCOLORREF() const;
  // True when all four fields are equal.
  bool operator==(const KzRgbColor& color) const;
  bool operator==(const tagTQRGBCOLOR16& color) const;

  unsigned short GetChannelA() const { return a; }
  unsigned short GetChannelR() const { return r; }
  unsigned short GetChannelG() const { return g; }
  unsigned short GetChannelB() const { return b; }
  void SetChannelA(unsigned short value) { a = value; }
  void SetChannelR(unsigned short value) { r = value; }
  void SetChannelG(unsigned short value) { g = value; }
  void SetChannelB(unsigned short value) { b = value; }
  // Channel `index` (0 R, 1 G, 2 B, 3 A); 0 for any other index.
  unsigned short GetChannel(int index) const;
  // Replaces channel `index`; any other index changes nothing.
  void SetChannel(int index, unsigned short value);
  void SetColor(unsigned short alpha, unsigned short red, unsigned short green,
                unsigned short blue);
};

// A colour of 16 bits a channel in HSV: the hue's 0 to 65535 cover 0 to 360 degrees;
// saturation and value have the full scale 65535.
class KzHsvColor : public tagTQHSVCOLOR16 {
 public:
  // All four channels 0.
  KzHsvColor() : tagTQHSVCOLOR16{0, 0, 0, 0} {}
  KzHsvColor(const KzHsvColor& color) = default;
  // Converts from RGB; a grey (or black) has hue and saturation 0. A is copied.
  KzHsvColor(const tagTQRGBCOLOR16& color);
  // Widens the bytes as KzRgbColor does, then converts.
  KzHsvColor(TQCOLORREF color);
  // Reads the four values as A, R, G, B and converts them.
  KzHsvColor(unsigned short alpha, unsigned short red, unsigned short green, unsigned short blue);

  KzHsvColor& operator=(const KzHsvColor& color) = default;
  KzHsvColor& operator=(const tagTQRGBCOLOR16& color);
  KzHsvColor& operator=(TQCOLORREF color);

  // Converts to RGB on the 16-bit scale; a hue of 65535 is a full turn, the hue 0.
  operator tagTQRGBCOLOR16() const;
  // Converts to RGB and packs the high bytes.
  operator TQCOLORREF() const;

  // Stores the HSV values unchanged.
  void SetColor(unsigned short alpha, unsigned short hue, unsigned short saturation,
                unsigned short value);
  unsigned short GetChannelA() const { return a; }
  unsigned short GetChannelH() const { return h; }
  unsigned short GetChannelS() const { return s; }
  unsigned short GetChannelV() const { return v; }
  void SetChannelA(unsigned short value) { a = value; }
  void SetChannelH(unsigned short value) { h = value; }
  void SetChannelS(unsigned short value) { s = value; }
  void SetChannelV(unsigned short value) { v = value; }
  // Channel `index` (0 H, 1 S, 2 V, 3 A); 0 for any other index.
  unsigned short GetChannel(int index) const;
  // Replaces channel `index`; any other index changes nothing.
  void SetChannel(int index, unsigned short value);
};

static_assert(sizeof(KzRgbColor) == sizeof(tagTQRGBCOLOR16));
static_assert(sizeof(KzHsvColor) == sizeof(tagTQHSVCOLOR16));

// A drawing colour of 8 bits a channel (depth 0: channels 0 to 255) or 16 bits a channel
// (depth 1: channels 0 to 65535). The fields are plain ints that nothing masks or checks; bring
// the colour to the depth you read it in with Convert first.
class KzComplexColor {
 public:
  // Depth 0, all channels 0.
  KzComplexColor() = default;
  KzComplexColor(const KzComplexColor& color) = default;
  KzComplexColor& operator=(const KzComplexColor& color) = default;
  // Depth 0 from a packed colour.
  KzComplexColor(TQCOLORREF color) { SetColor(color); }
  // Depth 1 from a 64-bit colour: R in bits 0-15, G 16-31, B 32-47, A 48-63.
  KzComplexColor(std::uint64_t color) { SetColor64(color); }

  // Depth 0: A from bits 24-31, R 0-7, G 8-15, B 16-23.
  void SetColor(TQCOLORREF color);
  // Depth 1: R from bits 0-15, G 16-31, B 32-47, A 48-63.
  void SetColor64(std::uint64_t color);
  // Store the channels unchanged with depth 0 (or 1 for the 64 form).
  void SetColor(int alpha, int red, int green, int blue);
  void SetColor64(int alpha, int red, int green, int blue);

  // A<<24 | B<<16 | G<<8 | R of the fields as they are, whatever the depth.
  TQCOLORREF GetColor() const;
  // A<<48 | B<<32 | G<<16 | R of the fields as they are, whatever the depth.
  std::uint64_t GetColor64() const;

  // The depth flag: 0 for 8 bits a channel, non-zero for 16.
  int GetDepth() const { return m_depth; }
  int GetA() const { return m_a; }
  int GetA64() const { return m_a; }
  int GetOpacity() const { return m_a; }
  int GetOpacity64() const { return m_a; }
  int GetR() const { return m_r; }
  int GetR64() const { return m_r; }
  int GetG() const { return m_g; }
  int GetG64() const { return m_g; }
  int GetB() const { return m_b; }
  int GetB64() const { return m_b; }
  // Store one channel; the depth stays.
  void SetA(int value) { m_a = value; }
  void SetR(int value) { m_r = value; }
  void SetG(int value) { m_g = value; }
  void SetB(int value) { m_b = value; }

  // Brings the channels to `depth`: 0 keeps the high byte of each channel (x >> 8), any other
  // depth widens a byte x to (x << 8) + 255, so 0 becomes 255 and 255 becomes 65535. Nothing is
  // converted when the colour already has 8 (depth 0) or 16 bits (non-zero) a channel. The
  // depth flag then holds `depth` as given.
  void Convert(int depth);

 private:
  std::int32_t m_depth = 0;
  std::int32_t m_a = 0;
  std::int32_t m_r = 0;
  std::int32_t m_g = 0;
  std::int32_t m_b = 0;
};

static_assert(sizeof(KzComplexColor) == 5 * sizeof(std::int32_t));
