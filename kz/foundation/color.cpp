// Colour value types: packing, widening and the two HSV conversions.
#include "kz/foundation/color.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using Channel16 = std::uint16_t;

constexpr double kInverse65535 = 1.5259021896696422e-5;
constexpr double kUnitsPerDegree = 182.04166666666666;    // 65535 / 360
constexpr double kDegreesPerUnit = 0.005493247882810712;  // 360 / 65535

constexpr Channel16 tagTQRGBCOLOR16::*kRgbChannels[] = {&tagTQRGBCOLOR16::r, &tagTQRGBCOLOR16::g,
                                                        &tagTQRGBCOLOR16::b, &tagTQRGBCOLOR16::a};
constexpr Channel16 tagTQHSVCOLOR16::*kHsvChannels[] = {&tagTQHSVCOLOR16::h, &tagTQHSVCOLOR16::s,
                                                        &tagTQHSVCOLOR16::v, &tagTQHSVCOLOR16::a};

bool IsChannelIndex(int index) { return index >= 0 && index <= 3; }

// The record's channel `index` in the common numbering, 0 for an index out of range.
template <typename Record, std::size_t N>
Channel16 GetIndexed(const Record& record, Channel16 Record::*const (&fields)[N], int index) {
  return IsChannelIndex(index) ? record.*fields[index] : 0;
}

template <typename Record, std::size_t N>
void SetIndexed(Record& record, Channel16 Record::*const (&fields)[N], int index, Channel16 value) {
  if (IsChannelIndex(index)) record.*fields[index] = value;
}

// Truncation toward zero of a non-negative value; the conversions stay within 0..65535 and the
// clamp only keeps a stray rounding from overflowing.
Channel16 Truncate16(double value) { return static_cast<Channel16>(std::min(value, 65535.0)); }

std::uint8_t HighByte(Channel16 value) { return static_cast<std::uint8_t>(value >> 8); }

TQCOLORREF Pack(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | g << 8 | b << 16 | a << 24;
}

TQCOLORREF PackHighBytes(const tagTQRGBCOLOR16& color) {
  return Pack(HighByte(color.a), HighByte(color.r), HighByte(color.g), HighByte(color.b));
}

// Each byte x becomes x * 257, the byte repeated in both halves.
tagTQRGBCOLOR16 Widen(TQCOLORREF color) {
  auto widen = [color](int shift) {
    return static_cast<Channel16>(((color >> shift) & 0xFF) * 257);
  };
  return {widen(24), widen(0), widen(8), widen(16)};
}

double Clamp01(double value) { return std::clamp(value, 0.0, 1.0); }

struct UnitRgb {
  double r;
  double g;
  double b;
};

// Hue in degrees (reduced into 0..360 here), saturation and value in 0..1.
UnitRgb HsvToUnitRgb(double hue, double saturation, double value) {
  hue = std::fmod(hue, 360.0);
  if (hue < 0) hue += 360.0;
  hue /= 60.0;
  int sector = std::min(static_cast<int>(hue), 5);
  double fraction = hue - sector;
  double p = value * (1 - saturation);
  double q = value * (1 - saturation * fraction);
  double t = value * (1 - saturation * (1 - fraction));
  switch (sector) {
    case 0:
      return {value, t, p};
    case 1:
      return {q, value, p};
    case 2:
      return {p, value, t};
    case 3:
      return {p, q, value};
    case 4:
      return {t, p, value};
    default:
      return {value, p, q};
  }
}

// The 16-bit scale: hue 0..65535 over a full turn, saturation and value 0..65535.
tagTQRGBCOLOR16 HsvToRgb16(const tagTQHSVCOLOR16& color) {
  double hue = color.h * kDegreesPerUnit;
  if (hue >= 360.0) hue = 0.0;
  UnitRgb rgb = HsvToUnitRgb(hue, Clamp01(color.s / 65535.0), Clamp01(color.v / 65535.0));
  return {color.a, Truncate16(rgb.r * 65535), Truncate16(rgb.g * 65535), Truncate16(rgb.b * 65535)};
}

// Whole degrees and percent; the hue stops at 359 rather than wrapping to red.
TQCOLORREF HsvPercentToColor(const tagTQHSVCOLOR16& color) {
  double hue = color.h >= 360 ? 359.0 : color.h;
  UnitRgb rgb = HsvToUnitRgb(hue, Clamp01(color.s * 0.01), Clamp01(color.v * 0.01));
  auto byte = [](double unit) { return static_cast<std::uint32_t>(unit * 255); };
  return Pack(color.a & 0xFF, byte(rgb.r), byte(rgb.g), byte(rgb.b));
}

tagTQHSVCOLOR16 RgbToHsv16(const tagTQRGBCOLOR16& color) {
  double r = color.r * kInverse65535;
  double g = color.g * kInverse65535;
  double b = color.b * kInverse65535;
  double max = std::max({r, g, b});
  double delta = max - std::min({r, g, b});
  double hue = 0;
  double saturation = 0;
  if (max != 0 && delta / max * 65535 != 0) {
    saturation = delta / max * 65535;
    double sixths = 0;
    // Later tests win when two channels share the maximum.
    if (r == max) sixths = (g - b) / delta;
    if (g == max) sixths = 2 + (b - r) / delta;
    if (b == max) sixths = 4 + (r - g) / delta;
    double degrees = sixths * 60;
    if (degrees < 0) degrees += 360;
    hue = degrees * kUnitsPerDegree;
  }
  return {color.a, Truncate16(hue), Truncate16(saturation), Truncate16(max * 65535)};
}

}  // namespace

// --- KzColor ------------------------------------------------------------------------------------

KzColor::KzColor(TQCOLORREF color) : m_color(color) {}

KzColor::KzColor(const tagTQRGBCOLOR16& color) : m_color(PackHighBytes(color)) {}

KzColor::KzColor(const tagTQHSVCOLOR16& color) : m_color(HsvPercentToColor(color)) {}

KzColor::~KzColor() = default;

KzColor& KzColor::operator=(TQCOLORREF color) {
  m_color = color;
  return *this;
}

KzColor& KzColor::operator=(const tagTQRGBCOLOR16& color) {
  m_color = PackHighBytes(color);
  return *this;
}

KzColor& KzColor::operator=(const tagTQHSVCOLOR16& color) {
  m_color = HsvPercentToColor(color);
  return *this;
}

void KzColor::SetChannel(int index, unsigned char value) {
  if (!IsChannelIndex(index)) return;
  int shift = 8 * index;
  m_color = (m_color & ~(TQCOLORREF{0xFF} << shift)) | TQCOLORREF{value} << shift;
}

// --- KzRgbColor ---------------------------------------------------------------------------------

KzRgbColor::KzRgbColor(TQCOLORREF color) : tagTQRGBCOLOR16(Widen(color)) {}

KzRgbColor::KzRgbColor(const tagTQHSVCOLOR16& color) : tagTQRGBCOLOR16(HsvToRgb16(color)) {}

KzRgbColor& KzRgbColor::operator=(TQCOLORREF color) {
  tagTQRGBCOLOR16::operator=(Widen(color));
  return *this;
}

KzRgbColor& KzRgbColor::operator=(const tagTQRGBCOLOR16& color) {
  tagTQRGBCOLOR16::operator=(color);
  return *this;
}

KzRgbColor& KzRgbColor::operator=(const tagTQHSVCOLOR16& color) {
  tagTQRGBCOLOR16::operator=(HsvToRgb16(color));
  return *this;
}

KzRgbColor& KzRgbColor::operator=(const KzColor& color) { return *this = color.GetColor(); }

KzRgbColor::operator TQCOLORREF() const { return PackHighBytes(*this); }

bool KzRgbColor::operator==(const KzRgbColor& color) const {
  return *this == static_cast<const tagTQRGBCOLOR16&>(color);
}

bool KzRgbColor::operator==(const tagTQRGBCOLOR16& color) const {
  return a == color.a && r == color.r && g == color.g && b == color.b;
}

unsigned short KzRgbColor::GetChannel(int index) const {
  return GetIndexed<tagTQRGBCOLOR16>(*this, kRgbChannels, index);
}

void KzRgbColor::SetChannel(int index, unsigned short value) {
  SetIndexed<tagTQRGBCOLOR16>(*this, kRgbChannels, index, value);
}

void KzRgbColor::SetColor(unsigned short alpha, unsigned short red, unsigned short green,
                          unsigned short blue) {
  tagTQRGBCOLOR16::operator=({alpha, red, green, blue});
}

// --- KzHsvColor ---------------------------------------------------------------------------------

KzHsvColor::KzHsvColor(const tagTQRGBCOLOR16& color) : tagTQHSVCOLOR16(RgbToHsv16(color)) {}

KzHsvColor::KzHsvColor(TQCOLORREF color) : tagTQHSVCOLOR16(RgbToHsv16(Widen(color))) {}

KzHsvColor::KzHsvColor(unsigned short alpha, unsigned short red, unsigned short green,
                       unsigned short blue)
    : tagTQHSVCOLOR16(RgbToHsv16({alpha, red, green, blue})) {}

KzHsvColor& KzHsvColor::operator=(const tagTQRGBCOLOR16& color) {
  tagTQHSVCOLOR16::operator=(RgbToHsv16(color));
  return *this;
}

KzHsvColor& KzHsvColor::operator=(TQCOLORREF color) {
  tagTQHSVCOLOR16::operator=(RgbToHsv16(Widen(color)));
  return *this;
}

KzHsvColor::operator tagTQRGBCOLOR16() const { return HsvToRgb16(*this); }

KzHsvColor::operator TQCOLORREF() const { return PackHighBytes(HsvToRgb16(*this)); }

void KzHsvColor::SetColor(unsigned short alpha, unsigned short hue, unsigned short saturation,
                          unsigned short value) {
  tagTQHSVCOLOR16::operator=({alpha, hue, saturation, value});
}

unsigned short KzHsvColor::GetChannel(int index) const {
  return GetIndexed<tagTQHSVCOLOR16>(*this, kHsvChannels, index);
}

void KzHsvColor::SetChannel(int index, unsigned short value) {
  SetIndexed<tagTQHSVCOLOR16>(*this, kHsvChannels, index, value);
}

// --- KzComplexColor -----------------------------------------------------------------------------

void KzComplexColor::SetColor(TQCOLORREF color) {
  SetColor(static_cast<int>(color >> 24), static_cast<int>(color & 0xFF),
           static_cast<int>((color >> 8) & 0xFF), static_cast<int>((color >> 16) & 0xFF));
}

void KzComplexColor::SetColor64(std::uint64_t color) {
  SetColor64(static_cast<int>(color >> 48), static_cast<int>(color & 0xFFFF),
             static_cast<int>((color >> 16) & 0xFFFF), static_cast<int>((color >> 32) & 0xFFFF));
}

void KzComplexColor::SetColor(int alpha, int red, int green, int blue) {
  m_depth = 0;
  m_a = alpha;
  m_r = red;
  m_g = green;
  m_b = blue;
}

void KzComplexColor::SetColor64(int alpha, int red, int green, int blue) {
  SetColor(alpha, red, green, blue);
  m_depth = 1;
}

TQCOLORREF KzComplexColor::GetColor() const {
  return Pack(static_cast<std::uint32_t>(m_a), static_cast<std::uint32_t>(m_r),
              static_cast<std::uint32_t>(m_g), static_cast<std::uint32_t>(m_b));
}

std::uint64_t KzComplexColor::GetColor64() const {
  auto field = [](std::int32_t value) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value));
  };
  return field(m_a) << 48 | field(m_b) << 32 | field(m_g) << 16 | field(m_r);
}

void KzComplexColor::Convert(int depth) {
  if (depth == m_depth) return;
  // Unsigned arithmetic: the fields are never range-checked, and a stray value must not
  // overflow a signed int.
  auto widen = [](std::int32_t x) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(x) << 8) + 255u);
  };
  auto narrow = [](std::int32_t x) { return x >> 8; };
  if (depth == 0) {
    m_a = narrow(m_a), m_r = narrow(m_r), m_g = narrow(m_g), m_b = narrow(m_b);
  } else if (m_depth == 0) {
    // A colour that already has 16 bits a channel is not widened a second time.
    m_a = widen(m_a), m_r = widen(m_r), m_g = widen(m_g), m_b = widen(m_b);
  }
  m_depth = depth;
}
