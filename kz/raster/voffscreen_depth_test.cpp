#include "kz/raster/voffscreen_depth.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "kz/raster/block_access.h"
#include "kz/raster/raster_testing.h"
#include "kz/raster/voffscreen_16bit.h"
#include "kz/raster/voffscreen_1bit.h"
#include "kz/raster/voffscreen_24bit.h"
#include "kz/raster/voffscreen_2bit.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"

namespace {

using raster_testing::ImagePtr;
using raster_testing::MakeImage;

constexpr int kDepths[] = {1, 2, 8, 16, 24, 32};
// 600 x 300: three blocks across (the last cut at 600), two down.
constexpr int kWidth = 600;
constexpr int kHeight = 300;

// A stored pixel as its bytes: 1- and 2-bit the value in b[0]; 16-bit (alpha, grey); 24-bit
// (blue, green, red); 32-bit (blue, green, red, alpha).
using Raw = std::array<BYTE, 4>;

int BytesPerPixel(int bits) { return bits / 8; }

// The shift of a 2-bit mask (0xC0 -> 6 ... 0x03 -> 0).
int TwoBitShift(BYTE mask) {
  for (int shift = 6; shift >= 0; shift -= 2) {
    if (mask == (3 << shift)) return shift;
  }
  ADD_FAILURE() << "bad 2-bit mask " << int{mask};
  return 0;
}

Raw RawAt(KzVOffscreen* image) {
  const BYTE* p = image->GetCurrentAddress();
  const BYTE mask = image->GetCursor().bitMask;
  Raw raw{};
  switch (image->GetBitCount()) {
    case 1:
      raw[0] = (*p & mask) != 0 ? 1 : 0;
      break;
    case 2:
      raw[0] = static_cast<BYTE>((*p & mask) >> TwoBitShift(mask));
      break;
    default:
      for (int i = 0; i < BytesPerPixel(image->GetBitCount()); ++i) raw[i] = p[i];
  }
  return raw;
}

void PutRaw(KzVOffscreen* image, const Raw& raw) {
  BYTE* p = image->GetCurrentAddress();
  const BYTE mask = image->GetCursor().bitMask;
  switch (image->GetBitCount()) {
    case 1:
      *p = raw[0] != 0 ? static_cast<BYTE>(*p | mask) : static_cast<BYTE>(*p & ~mask);
      break;
    case 2:
      *p = static_cast<BYTE>((*p & ~mask) | (raw[0] << TwoBitShift(mask)));
      break;
    default:
      for (int i = 0; i < BytesPerPixel(image->GetBitCount()); ++i) p[i] = raw[i];
  }
}

// Everything the getters give for the pixel under the cursor.
struct Reads {
  BYTE g1, g2, g8;
  TQCOLORREF g16, g24, g32;
  BYTE image8;
  TQCOLORREF image24;
  BYTE mask8;
};

// The plain getters, and with `fast` the Fast ones too.
void ExpectReads(KzVOffscreen* image, const Reads& e, const char* label, bool fast) {
  if (fast) {
    EXPECT_EQ(image->Get1BitColorFast(), e.g1) << label;
    EXPECT_EQ(image->Get2BitColorFast(), e.g2) << label;
    EXPECT_EQ(image->Get8BitColorFast(), e.g8) << label;
    EXPECT_EQ(image->Get16BitColorFast(), e.g16) << label;
    EXPECT_EQ(image->Get24BitColorFast(), e.g24) << label;
    EXPECT_EQ(image->Get32BitColorFast(), e.g32) << label;
    EXPECT_EQ(image->Get8BitImageFast(), e.image8) << label;
    EXPECT_EQ(image->Get24BitImageFast(), e.image24) << label;
    EXPECT_EQ(image->Get8BitMaskFast(), e.mask8) << label;
  }
  EXPECT_EQ(image->Get1BitColor(), e.g1) << label;
  EXPECT_EQ(image->Get2BitColor(), e.g2) << label;
  EXPECT_EQ(image->Get8BitColor(), e.g8) << label;
  EXPECT_EQ(image->Get16BitColor(), e.g16) << label;
  EXPECT_EQ(image->Get24BitColor(), e.g24) << label;
  EXPECT_EQ(image->Get32BitColor(), e.g32) << label;
  EXPECT_EQ(image->Get8BitImage(), e.image8) << label;
  EXPECT_EQ(image->Get24BitImage(), e.image24) << label;
  EXPECT_EQ(image->Get8BitMask(), e.mask8) << label;
}

struct GetterRow {
  const char* label;
  int bits;
  Raw raw;
  Reads expect;
  int trans = 127;
  int bw = 128;
  std::array<TQCOLORREF, 4> index = {};  // all 0: the depth's defaults stay
};

TEST(VOffscreenGetters, EveryDepthReadsAsEveryDepth) {
  // clang-format off
  const GetterRow rows[] = {
      // Reads: 1-bit, 2-bit, 8-bit, 16-bit, 24-bit, 32-bit, 8-bit image, 24-bit image, mask.
      // 1-bit: set = opaque black ink; index colour 1 is the 32-bit colour of ink.
      {"1-bit clear", 1, {0}, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255}},
      {"1-bit ink", 1, {1}, {1, 3, 255, 0xFF000000, 0, 0xFF000000, 255, 0, 255}},
      {"1-bit ink, red ink colour", 1, {1}, {1, 3, 255, 0xFF000000, 0, 0xFF0000FF, 255, 0, 255},
       127, 128, {0, 0xFF0000FF, 0, 0}},
      // 2-bit: 1 is ink only for the image getters; 2 and 3 take index colours 2 and 3.
      {"2-bit 0", 2, {0}, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0}},
      {"2-bit 1", 2, {1}, {0, 0, 0, 0, 0xFFFFFF, 0, 255, 0, 0}},
      {"2-bit 2", 2, {2}, {0, 2, 0, 0xFFFFFFFF, 0xFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFF, 255}},
      {"2-bit 3", 2, {3}, {1, 3, 255, 0xFF000000, 0, 0xFF000000, 255, 0, 255}},
      {"2-bit 2, own white", 2, {2}, {0, 2, 0, 0xFFFFFFFF, 0xFFFFFF, 0x80402010, 0, 0xFFFFFF, 255},
       127, 128, {0, 0, 0x80402010, 0xFF000001}},
      {"2-bit 3, own black", 2, {3}, {1, 3, 255, 0xFF000000, 0, 0xFF000001, 255, 0, 255},
       127, 128, {0, 0, 0x80402010, 0xFF000001}},
      // 8-bit d: 1-bit d > T; 24-bit 0xFF000000 + (255 - d) x 0x010101.
      {"8-bit 0", 8, {0}, {0, 0, 0, 0, 0xFFFFFFFF, 0, 0, 0xFFFFFFFF, 255}},
      {"8-bit 127", 8, {127},
       {0, 0, 127, 0x7F000000, 0xFF808080, 0x7F000000, 127, 0xFF808080, 255}},
      {"8-bit 128", 8, {128},
       {1, 3, 128, 0x80000000, 0xFF7F7F7F, 0x80000000, 128, 0xFF7F7F7F, 255}},
      {"8-bit 128, own ink", 8, {128},
       {1, 3, 128, 0x80000000, 0xFF7F7F7F, 0x80123456, 128, 0xFF7F7F7F, 255},
       127, 128, {0, 0xFF123456, 0, 0}},
      // Thresholds (200, 50): 150 is not ink.
      {"8-bit 150, T 200", 8, {150},
       {0, 0, 150, 0x96000000, 0xFF696969, 0x96000000, 150, 0xFF696969, 255},
       200, 50},
      // 16-bit (a, g): 2-bit a <= T: 0, g >= W: 2, else 3; image8 255 - g.
      {"16-bit (0, 0)", 16, {0, 0}, {0, 0, 0, 0, 0, 0, 255, 0xFF000000, 0}},
      {"16-bit (255, 255)", 16, {255, 255},
       {1, 2, 255, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFFFF, 255}},
      {"16-bit (200, 100)", 16, {200, 100},
       {1, 3, 200, 0xC8646464, 0xC8646464, 0xC8646464, 155, 0xFF646464, 200}},
      {"16-bit (127, 128)", 16, {127, 128},
       {0, 0, 127, 0x7F808080, 0x7F808080, 0x7F808080, 127, 0xFF808080, 127}},
      {"16-bit (128, 128)", 16, {128, 128},
       {1, 2, 128, 0x80808080, 0x80808080, 0x80808080, 127, 0xFF808080, 128}},
      // 24-bit (B, G, R): L = (2B + 4G + R) / 7; 8-bit 255 - L; 2-bit L < W ? 3 : 2.
      {"24-bit white", 24, {255, 255, 255},
       {0, 2, 0, 0xFFFFFFFF, 0xFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFF, 255}},
      {"24-bit black", 24, {0, 0, 0}, {1, 3, 255, 0xFF000000, 0, 0xFF000000, 255, 0, 255}},
      // red: L = 255 / 7 = 36, 255 - 36 = 219
      {"24-bit red", 24, {0, 0, 255},
       {1, 3, 219, 0xFF0000FF, 0x0000FF, 0xFF0000FF, 219, 0x0000FF, 255}},
      // green: L = 1020 / 7 = 145, 110 (not ink at T 127), white at W 128
      {"24-bit green", 24, {0, 255, 0},
       {0, 2, 110, 0xFF00FF00, 0x00FF00, 0xFF00FF00, 110, 0x00FF00, 255}},
      // grey 127: L = 889 / 7 = 127, 128 is ink; grey 128: L = 128, 127 is not
      {"24-bit grey 127", 24, {127, 127, 127},
       {1, 3, 128, 0xFF7F7F7F, 0x7F7F7F, 0xFF7F7F7F, 128, 0x7F7F7F, 255}},
      {"24-bit grey 128", 24, {128, 128, 128},
       {0, 2, 127, 0xFF808080, 0x808080, 0xFF808080, 127, 0x808080, 255}},
      // 32-bit (B, G, R, A): D = (255 - L)(A + 1) >> 8; 24-bit each channel x (A + 1) >> 8.
      {"32-bit white a0", 32, {255, 255, 255, 0},
       {0, 0, 0, 0x00FFFFFF, 0xFF000000, 0x00FFFFFF, 0, 0xFFFFFFFF, 0}},
      {"32-bit black a255", 32, {0, 0, 0, 255},
       {1, 3, 255, 0xFF000000, 0xFF000000, 0xFF000000, 255, 0xFF000000, 255}},
      // red a128: L 36 (0x24); D = 219 x 129 >> 8 = 110; red 255 x 129 >> 8 = 128 (0x80)
      {"32-bit red a128", 32, {0, 0, 255, 128},
       {0, 3, 110, 0x80242424, 0xFF000080, 0x800000FF, 219, 0xFF0000FF, 128}},
      // B 64 G 128 R 192 A 200: L = 832 / 7 = 118 (0x76); D = 137 x 201 >> 8 = 107;
      // over black: R 192 x 201 >> 8 = 150 (0x96), G 100 (0x64), B 50 (0x32)
      {"32-bit mixed a200", 32, {0x40, 0x80, 0xC0, 200},
       {0, 3, 107, 0xC8767676, 0xFF326496, 0xC84080C0, 137, 0xFF4080C0, 200}},
  };
  // clang-format on
  for (const GetterRow& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 301, 260, 1);
    image->SetMonoTransThreshold(row.trans);
    image->SetMonoBWThreshold(row.bw);
    if (row.index != std::array<TQCOLORREF, 4>{}) {
      for (int i = 0; i < 4; ++i) image->SetIndexColor(i, row.index[i]);
    }
    ASSERT_NE(image->GetCurrentAddress(), nullptr) << row.label;
    PutRaw(image.get(), row.raw);
    ExpectReads(image.get(), row.expect, row.label, true);
  }
}

TEST(VOffscreenGetters, AbsentValuesPerDepth) {
  struct Row {
    int bits;
    Reads expect;
    TQCOLORREF color;  // GetColor
  };
  const Row rows[] = {
      {1, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255}, 0},
      {2, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0}, 0},
      {8, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255}, 0},
      {16, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0}, 0},
      {24, {0, 2, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255}, 0xFFFFFF},
      {32, {0, 0, 0, 0xFFFFFFFF, 0xFFFFFF, 0, 0, 0xFFFFFF, 0}, 0},
  };
  for (const Row& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    const std::string label = std::to_string(row.bits) + "-bit";
    {
      KzVOffscreenAutoLock lock(image.get(), 301, 260, 0);
      ASSERT_EQ(image->GetCurrentAddress(), nullptr) << label;
      ExpectReads(image.get(), row.expect, label.c_str(), false);
      EXPECT_EQ(image->GetColor(), row.color) << label;
      // Depths without coverage read an opaque mask without touching the pixel.
      if (row.expect.mask8 == 255) {
        EXPECT_EQ(image->Get8BitMaskFast(), 255) << label;
      }
      // Setters have nowhere to write and leave the image alone.
      image->SetColor(0xFFFFFFFF);
      image->Set8BitColor(255);
    }
    for (int index = 0; index < 6; ++index) {
      EXPECT_EQ(image->GetBlockExist(index), 0) << label << " block " << index;
    }
  }
}

struct SetterRow {
  const char* label;
  int bits;
  int kind;  // which setter: 1, 2, 8, 16, 24 or 32
  TQCOLORREF value;
  Raw expect;
  int trans = 127;
  int bw = 128;
};

void CallSetter(KzVOffscreen* image, int kind, TQCOLORREF value) {
  switch (kind) {
    case 1:
      image->Set1BitColor(static_cast<BYTE>(value));
      break;
    case 2:
      image->Set2BitColor(static_cast<BYTE>(value));
      break;
    case 8:
      image->Set8BitColor(static_cast<BYTE>(value));
      break;
    case 16:
      image->Set16BitColor(value);
      break;
    case 24:
      image->Set24BitColor(value);
      break;
    default:
      image->Set32BitColor(value);
      break;
  }
}

TEST(VOffscreenSetters, EveryDepthWritesIntoEveryDepth) {
  // clang-format off
  const SetterRow rows[] = {
      // Into 1-bit.
      {"1<-1 0", 1, 1, 0, {0}},                {"1<-1 7 is ink", 1, 1, 7, {1}},
      {"1<-2 1", 1, 2, 1, {0}},                {"1<-2 2", 1, 2, 2, {1}},
      {"1<-2 3", 1, 2, 3, {1}},
      {"1<-8 127", 1, 8, 127, {0}},            {"1<-8 128", 1, 8, 128, {1}},
      {"1<-8 150 T200", 1, 8, 150, {0}, 200, 50},
      // (255 - blue)(alpha + 1) >> 8 > T: white a128 0; black a128 128; a127 127
      {"1<-16 white a128", 1, 16, 0x80FFFFFF, {0}},
      {"1<-16 black a128", 1, 16, 0x80000000, {1}},
      {"1<-16 black a127", 1, 16, 0x7F000000, {0}},
      {"1<-16 reads blue byte", 1, 16, 0xFF0000FF, {1}},
      {"1<-24 grey127", 1, 24, 0x7F7F7F, {1}},    // 255 - 127 = 128
      {"1<-24 grey128", 1, 24, 0x808080, {0}},    // 127
      {"1<-32 red a128", 1, 32, 0x800000FF, {0}},    // D 110
      {"1<-32 black a128", 1, 32, 0x80000000, {1}},  // D 128
      // Into 2-bit.
      {"2<-1 0", 2, 1, 0, {0}},                {"2<-1 1", 2, 1, 1, {3}},
      {"2<-2 1", 2, 2, 1, {0}},                {"2<-2 2", 2, 2, 2, {2}},
      {"2<-2 3", 2, 2, 3, {3}},                {"2<-2 4", 2, 2, 4, {0}},
      {"2<-8 127", 2, 8, 127, {0}},            {"2<-8 128", 2, 8, 128, {3}},
      {"2<-16 a127", 2, 16, 0x7FFFFFFF, {0}},
      {"2<-16 white a128", 2, 16, 0x80FFFFFF, {2}},
      {"2<-16 grey127 a128", 2, 16, 0x807F7F7F, {3}},
      {"2<-16 reads blue byte", 2, 16, 0xFF000080, {3}},
      {"2<-24 grey127", 2, 24, 0x7F7F7F, {3}},
      {"2<-24 grey128", 2, 24, 0x808080, {2}},
      {"2<-24 green", 2, 24, 0x00FF00, {2}},      // L 145
      {"2<-24 blue", 2, 24, 0xFF0000, {3}},       // L 72
      {"2<-24 grey128 W200", 2, 24, 0x808080, {3}, 127, 200},
      {"2<-32 a127", 2, 32, 0x7FFFFFFF, {0}},
      {"2<-32 white a128", 2, 32, 0x80FFFFFF, {2}},
      {"2<-32 black a255", 2, 32, 0xFF000000, {3}},
      // Into 8-bit.
      {"8<-1 1", 8, 1, 1, {255}},              {"8<-2 1", 8, 2, 1, {255}},
      {"8<-2 2", 8, 2, 2, {255}},              {"8<-2 0", 8, 2, 0, {0}},
      {"8<-8 77", 8, 8, 77, {77}},
      {"8<-16 white a128", 8, 16, 0x80FFFFFF, {0}},
      {"8<-16 grey64 a128", 8, 16, 0x80404040, {96}},  // 129 x 191 = 24639 >> 8
      {"8<-16 black a0", 8, 16, 0x00000000, {0}},      // 1 x 255 >> 8
      {"8<-24 red", 8, 24, 0x0000FF, {219}},
      {"8<-24 blue", 8, 24, 0xFF0000, {183}},          // L = 510 / 7 = 72
      {"8<-32 red a128", 8, 32, 0x800000FF, {110}},
      {"8<-32 mixed a200", 8, 32, 0xC84080C0, {107}},
      // Into 16-bit (alpha, grey).
      {"16<-1 1", 16, 1, 1, {255, 0}},         {"16<-2 1", 16, 2, 1, {0, 0}},
      {"16<-2 2", 16, 2, 2, {255, 255}},       {"16<-2 3", 16, 2, 3, {255, 0}},
      {"16<-8 200", 16, 8, 200, {200, 0}},
      {"16<-16 alpha and blue byte", 16, 16, 0x80123456, {0x80, 0x12}},
      {"16<-24 red", 16, 24, 0x0000FF, {255, 36}},
      {"16<-32 mixed a200", 16, 32, 0xC84080C0, {200, 118}},
      // Into 24-bit (blue, green, red).
      {"24<-1 0", 24, 1, 0, {255, 255, 255}},  {"24<-1 1", 24, 1, 1, {0, 0, 0}},
      {"24<-2 1", 24, 2, 1, {255, 255, 255}},  {"24<-2 3", 24, 2, 3, {0, 0, 0}},
      {"24<-8 200", 24, 8, 200, {55, 55, 55}},
      {"24<-16", 24, 16, 0x80123456, {0x12, 0x34, 0x56}},
      {"24<-24", 24, 24, 0x123456, {0x12, 0x34, 0x56}},
      {"24<-32 alpha dropped", 24, 32, 0x80123456, {0x12, 0x34, 0x56}},
      // Into 32-bit (blue, green, red, alpha).
      {"32<-1 1", 32, 1, 1, {0, 0, 0, 255}},   {"32<-2 1", 32, 2, 1, {0, 0, 0, 0}},
      {"32<-2 2", 32, 2, 2, {255, 255, 255, 255}},
      {"32<-2 3", 32, 2, 3, {0, 0, 0, 255}},
      {"32<-8 200", 32, 8, 200, {0, 0, 0, 200}},
      {"32<-16", 32, 16, 0x80123456, {0x12, 0x34, 0x56, 0x80}},
      {"32<-24 opaque", 32, 24, 0x123456, {0x12, 0x34, 0x56, 255}},
      {"32<-32", 32, 32, 0x80123456, {0x12, 0x34, 0x56, 0x80}},
  };
  // clang-format on
  for (const SetterRow& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    raster_testing::FillBlock(image.get(), 301, 260, 7);
    const std::vector<BYTE> before = raster_testing::BlockBytes(image.get(), 301, 260);
    KzVOffscreenAutoLock lock(image.get(), 301, 260, 1);
    image->SetMonoTransThreshold(row.trans);
    image->SetMonoBWThreshold(row.bw);
    CallSetter(image.get(), row.kind, row.value);
    EXPECT_EQ(RawAt(image.get()), row.expect) << row.label;
    // Nothing but the pixel changed: put the old bits back and compare the whole block.
    const BYTE* base = image->GetBaseAddress();
    const std::size_t at = static_cast<std::size_t>(image->GetCurrentAddress() - base);
    std::vector<BYTE> after(base, base + image->GetBlockBytes());
    const int pixelBytes = row.bits < 8 ? 1 : BytesPerPixel(row.bits);
    const BYTE mask = row.bits < 8 ? image->GetCursor().bitMask : 0xFF;
    for (int i = 0; i < pixelBytes; ++i) {
      after[at + i] = static_cast<BYTE>((after[at + i] & ~mask) | (before[at + i] & mask));
    }
    EXPECT_EQ(after, before) << row.label << ": bytes beside the pixel changed";
  }
}

TEST(VOffscreenSetters, RoundTripsOverWholeRanges) {
  for (int bits : kDepths) {
    ImagePtr image = MakeImage(bits, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 300, 100, 1);
    const bool byteDepth = bits >= 8;
    // Every density: the byte depths keep it; all depths keep its ink at T 127 and T 200.
    for (int trans : {127, 200}) {
      image->SetMonoTransThreshold(trans);
      for (int d = 0; d < 256; ++d) {
        image->Set8BitColor(static_cast<BYTE>(d));
        if (byteDepth) {
          ASSERT_EQ(image->Get8BitColor(), d) << bits << "-bit at d=" << d;
        }
        // The bit depths store ink against T, so only T decides.
        ASSERT_EQ(image->Get1BitColor(), d > trans ? 1 : 0)
            << bits << "-bit T " << trans << " at d=" << d;
      }
    }
    image->SetMonoTransThreshold(127);
    // Every 1-bit value comes back.
    for (BYTE b : {0, 1}) {
      image->Set1BitColor(b);
      EXPECT_EQ(image->Get1BitColor(), b) << bits << "-bit at b=" << int{b};
    }
  }
  // Every 2-bit value through each depth.
  struct Row {
    int bits;
    std::array<BYTE, 4> expect;  // Get2BitColor after Set2BitColor(0..3)
  };
  const Row rows[] = {
      {1, {0, 0, 3, 3}},                       // 2 and 3 set the bit, which reads back black
      {2, {0, 0, 2, 3}},                       // the undefined 1 is written as 0
      {8, {0, 3, 3, 3}},                       // any non-zero value is full ink
      {16, {0, 0, 2, 3}}, {24, {2, 2, 2, 3}},  // only black is black, the rest white
      {32, {0, 0, 2, 3}},
  };
  for (const Row& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 5, 5, 1);
    for (int v = 0; v < 4; ++v) {
      image->Set2BitColor(static_cast<BYTE>(v));
      EXPECT_EQ(image->Get2BitColor(), row.expect[v]) << row.bits << "-bit at v=" << v;
    }
  }
  // Every grey/alpha pair survives 16-bit and 32-bit; 24-bit keeps the grey, opaque.
  for (int bits : {16, 24, 32}) {
    ImagePtr image = MakeImage(bits, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 5, 5, 1);
    for (TQCOLORREF a = 0; a < 256; ++a) {
      for (TQCOLORREF g = 0; g < 256; ++g) {
        const TQCOLORREF word = a << 24 | g * 0x010101u;
        image->Set16BitColor(word);
        const TQCOLORREF expected = bits == 24 ? (0xFF000000u | g * 0x010101u) : word;
        ASSERT_EQ(image->Get16BitColor(), expected) << bits << "-bit at a=" << a << " g=" << g;
      }
    }
  }
}

TEST(VOffscreenNative, ColorAndMakeNativeColor) {
  struct Row {
    const char* label;
    int bits;
    TQCOLORREF set;    // SetColor
    Raw raw;           // what is stored
    TQCOLORREF color;  // GetColor
  };
  const Row rows[] = {
      {"1-bit low byte", 1, 0x101, {1}, 1},
      {"2-bit low byte", 2, 0x103, {3}, 3},
      {"8-bit low byte", 8, 0x1C8, {200}, 200},
      {"16-bit word", 16, 0x80123456, {0x80, 0x12}, 0x80121212},
      {"24-bit colour", 24, 0x80123456, {0x12, 0x34, 0x56}, 0x123456},
      {"32-bit colour", 32, 0x80123456, {0x12, 0x34, 0x56, 0x80}, 0x80123456},
  };
  for (const Row& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 40, 40, 1);
    image->SetColor(row.set);
    EXPECT_EQ(RawAt(image.get()), row.raw) << row.label;
    EXPECT_EQ(image->GetColor(), row.color) << row.label;
  }
  // A 2-bit image's GetColor is the stored value, the undefined 1 included.
  {
    ImagePtr image = MakeImage(2, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 41, 40, 1);
    PutRaw(image.get(), {1});
    EXPECT_EQ(image->GetColor(), 1u);
    EXPECT_EQ(image->Get2BitColor(), 0);
  }
  struct NativeRow {
    const char* label;
    int bits;
    TQCOLORREF color;
    TQCOLORREF native;
  };
  const NativeRow natives[] = {
      {"1-bit D 110", 1, 0x800000FF, 0},  // D = 219 x 129 >> 8 = 110
      {"1-bit D 128", 1, 0x80000000, 1},  // D = 255 x 129 >> 8 = 128
      {"2-bit a127", 2, 0x7F000000, 0},
      {"2-bit white", 2, 0xFFFFFFFF, 2},
      {"2-bit black", 2, 0xFF000000, 3},
      {"8-bit D", 8, 0x800000FF, 110},
      {"16-bit alpha and L << 16", 16, 0x800000FF, 0x80240000},  // L 36 = 0x24
      {"24-bit drops alpha", 24, 0x80123456, 0x123456},
      {"32-bit unchanged", 32, 0x80123456, 0x80123456},
  };
  for (const NativeRow& row : natives) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    EXPECT_EQ(image->MakeNativeColor(row.color), row.native) << row.label;
  }
}

TEST(VOffscreenCopyCurrentColor, ReadsTheSourceAsThisDepth) {
  struct Row {
    const char* label;
    int destBits;
    int sourceBits;
    bool sourcePresent;
    TQCOLORREF sourceColor;  // SetColor on the source
    TQCOLORREF expect;       // GetColor of the destination
  };
  const Row rows[] = {
      {"8 from 8", 8, 8, true, 77, 77},
      {"8 from absent 8", 8, 8, false, 0, 0},
      {"32 from 32", 32, 32, true, 0x80123456, 0x80123456},
      {"32 from absent 32", 32, 32, false, 0, 0},
      {"16 from 16", 16, 16, true, 0x80121212, 0x80121212},
      {"24 from absent 24 is white", 24, 24, false, 0, 0xFFFFFF},
      {"2 from 2 drops the undefined 1", 2, 2, true, 1, 0},
      {"2 from 2 black", 2, 2, true, 3, 3},
      {"1 from 1", 1, 1, true, 1, 1},
      // Other depths go through the 1-bit getter: white is no ink, black is.
      {"1 from 24 white", 1, 24, true, 0xFFFFFF, 0},
      {"1 from 24 black", 1, 24, true, 0x000000, 1},
      {"8 from 32 red a128", 8, 32, true, 0x800000FF, 110},
  };
  for (const Row& row : rows) {
    ImagePtr dest = MakeImage(row.destBits, kWidth, kHeight);
    ImagePtr source = MakeImage(row.sourceBits, kWidth, kHeight);
    if (row.sourcePresent) {
      KzVOffscreenAutoLock write(source.get(), 10, 20, 1);
      source->SetColor(row.sourceColor);
    }
    KzVOffscreenAutoLock readSource(source.get(), 10, 20, 0);
    KzVOffscreenAutoLock lock(dest.get(), 30, 40, 1);
    dest->SetColor(0xC8C8C8C8);  // something the copy must replace
    dest->CopyCurrentColor(source.get());
    EXPECT_EQ(dest->GetColor(), row.expect) << row.label;
    if (row.sourcePresent) {
      dest->SetColor(0xC8C8C8C8);
      dest->CopyCurrentColorFast(source.get());
      EXPECT_EQ(dest->GetColor(), row.expect) << row.label << " (Fast)";
    }
  }
}

TEST(VOffscreenDepthState, DefaultsSurviveDestroy) {
  struct Row {
    int bits;
    int rowBytes;
    TQCOLORREF clear;
    std::array<TQCOLORREF, 4> index;
  };
  const Row rows[] = {
      {1, 32, 0xFFFFFF, {0, 0xFF000000, 0, 0}},  {2, 64, 0xFFFFFF, {0, 0, 0xFFFFFFFF, 0xFF000000}},
      {8, 256, 0xFFFFFF, {0, 0xFF000000, 0, 0}}, {16, 512, 0, {0, 0, 0, 0}},
      {24, 768, 0xFFFFFF, {0, 0, 0, 0}},         {32, 1024, 0xFFFFFF, {0, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    ImagePtr image(KzVOffscreen::CreateOffscreen(row.bits));
    for (int round = 0; round < 2; ++round) {
      image->Create(raster_testing::ProcessVM(), kWidth, kHeight, 72.0);
      EXPECT_EQ(image->GetBitCount(), row.bits) << "round " << round;
      EXPECT_EQ(image->GetBlockRowBytes(), row.rowBytes) << row.bits << "-bit round " << round;
      EXPECT_EQ(image->GetClearColor(), row.clear) << row.bits << "-bit round " << round;
      BYTE clearByte = 0xEE;
      image->GetClearColor(clearByte);
      EXPECT_EQ(clearByte, 0) << row.bits << "-bit round " << round;
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(image->GetIndexColor(i), row.index[i]) << row.bits << "-bit index " << i;
      }
      image->SetIndexColor(1, 0x12345678);
      image->SetClearColor(TQCOLORREF{0x123});
      image->Destroy();
    }
  }
}

TEST(VOffscreenClearBlock, FillsWithTheClearState) {
  struct Row {
    const char* label;
    int bits;
    TQCOLORREF clear;
    BYTE clearByte;
    Raw pixel;  // the bytes every pixel (1-, 2-bit: every byte) must hold
  };
  const Row rows[] = {
      {"1-bit clear byte", 1, 0x123456, 0xA5, {0xA5}},
      {"2-bit zero", 2, 0x123456, 0xA5, {0}},
      {"8-bit zero", 8, 0x123456, 0xA5, {0}},
      {"16-bit alpha, blue", 16, 0x80123456, 0, {0x80, 0x12}},
      {"16-bit all ones", 16, 0xFFFFFFFF, 0, {0xFF, 0xFF}},
      {"24-bit colour", 24, 0x123456, 0, {0x12, 0x34, 0x56}},
      {"24-bit default white", 24, 0xFFFFFF, 0, {0xFF, 0xFF, 0xFF}},
      {"32-bit colour", 32, 0x80123456, 0, {0x12, 0x34, 0x56, 0x80}},
      {"32-bit default white a0", 32, 0xFFFFFF, 0, {0xFF, 0xFF, 0xFF, 0}},
  };
  for (const Row& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    image->SetClearColor(row.clear);
    image->SetClearColor(row.clearByte);
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 0) {
        // A new block is cleared as it is created.
        KzVOffscreenAutoLock lock(image.get(), 300, 10, 1);
      } else {
        // An existing block is cleared on request.
        raster_testing::FillBlock(image.get(), 300, 10, 3);
        KzVOffscreenAutoLock lock(image.get(), 300, 10, 1);
        image->ClearBlock(nullptr);
      }
      const std::vector<BYTE> bytes = raster_testing::BlockBytes(image.get(), 300, 10);
      ASSERT_EQ(bytes.size(), image->GetBlockBytes()) << row.label;
      const int size = row.bits < 8 ? 1 : BytesPerPixel(row.bits);
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(bytes[i], row.pixel[i % size]) << row.label << " pass " << pass << " at " << i;
      }
    }
  }
}

// Where the cursor stands: block, offset from the block's base, bit mask.
struct CursorSpot {
  int block;
  std::ptrdiff_t offset;
  BYTE mask;
  friend bool operator==(const CursorSpot&, const CursorSpot&) = default;
};

CursorSpot SpotOf(KzVOffscreen* image) {
  const KzVOffscreenCursor& c = image->GetCursor();
  const std::ptrdiff_t offset = c.address != nullptr && c.base != nullptr ? c.address - c.base : -1;
  return {c.blockIndex, offset, image->GetBitCount() < 8 ? c.bitMask : BYTE{0}};
}

std::ostream& operator<<(std::ostream& out, const CursorSpot& s) {
  return out << "{block " << s.block << ", offset " << s.offset << ", mask " << int{s.mask} << "}";
}

TEST(VOffscreenCursor, AddressOfAPixel) {
  struct Row {
    int bits;
    int x;
    int byte;  // within the row
    BYTE mask;
  };
  const Row rows[] = {
      {1, 9, 1, 0x40}, {1, 7, 0, 0x01}, {1, 8, 1, 0x80}, {2, 6, 1, 0x0C}, {2, 3, 0, 0x03},
      {2, 4, 1, 0xC0}, {8, 9, 9, 0},    {16, 9, 18, 0},  {24, 9, 27, 0},  {32, 9, 36, 0},
  };
  for (const Row& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 0, 0, 1);
    // Row 3 of block 0, and the same place in block 4 (column 1, row 1).
    for (int block : {0, 4}) {
      const int corner = block == 0 ? 0 : 256;
      image->MoveCursor(corner + row.x, corner + 3);
      const CursorSpot expected{block, 3 * image->GetBlockRowBytes() + row.byte, row.mask};
      EXPECT_EQ(SpotOf(image.get()), expected) << row.bits << "-bit x=" << row.x;
    }
  }
}

TEST(VOffscreenCursor, StepsMatchMovesAcrossBlocks) {
  for (int bits : kDepths) {
    ImagePtr image = MakeImage(bits, kWidth, kHeight);
    KzVOffscreenAutoLock lock(image.get(), 0, 10, 1);
    std::vector<CursorSpot> forward;
    forward.push_back(SpotOf(image.get()));
    for (int x = 1; x < kWidth; ++x) {
      image->NextCursorX();
      ASSERT_EQ(image->GetCursorPosX(), x);
      forward.push_back(SpotOf(image.get()));
    }
    std::vector<CursorSpot> backward(kWidth);
    backward[kWidth - 1] = SpotOf(image.get());
    for (int x = kWidth - 2; x >= 0; --x) {
      image->PrevCursorX();
      backward[x] = SpotOf(image.get());
    }
    for (int x = 0; x < kWidth; ++x) {
      image->MoveCursor(x, 10);
      const CursorSpot moved = SpotOf(image.get());
      ASSERT_EQ(forward[x], moved) << bits << "-bit NextCursorX at x=" << x;
      ASSERT_EQ(backward[x], moved) << bits << "-bit PrevCursorX at x=" << x;
    }
    // Off the left edge and back.
    image->MoveCursor(0, 10);
    const CursorSpot start = SpotOf(image.get());
    image->PrevCursorX();
    EXPECT_EQ(image->GetCursor().blockIndex, -1) << bits << "-bit";
    EXPECT_EQ(image->GetCurrentAddress(), nullptr) << bits << "-bit";
    image->NextCursorX();
    EXPECT_EQ(SpotOf(image.get()), start) << bits << "-bit";
    // Fastest steps within block 1.
    image->MoveCursor(256, 10);
    const CursorSpot first = SpotOf(image.get());
    for (int i = 0; i < 255; ++i) image->NextCursorXFastest();
    const CursorSpot stepped = SpotOf(image.get());
    image->MoveCursor(511, 10);
    EXPECT_EQ(stepped, SpotOf(image.get())) << bits << "-bit";
    for (int i = 0; i < 255; ++i) image->PrevCursorXFastest();
    EXPECT_EQ(SpotOf(image.get()), first) << bits << "-bit";
  }
}

TEST(VOffscreenCursor, StepsOverAbsentBlocksUnderAReadLock) {
  for (int bits : kDepths) {
    ImagePtr image = MakeImage(bits, kWidth, kHeight);
    {
      KzVOffscreenAutoLock write(image.get(), 300, 10, 1);  // only block 1 exists
    }
    KzVOffscreenAutoLock lock(image.get(), 250, 10, 0);
    for (int x = 251; x < 256; ++x) {
      image->NextCursorX();
      ASSERT_EQ(image->GetCurrentAddress(), nullptr) << bits << "-bit at x=" << x;
    }
    image->NextCursorX();  // x = 256, block 1
    ASSERT_NE(image->GetCurrentAddress(), nullptr) << bits << "-bit";
    const BYTE firstMask = bits == 1 ? 0x80 : bits == 2 ? 0xC0 : 0;
    const CursorSpot expected{1, 10 * image->GetBlockRowBytes(), firstMask};
    EXPECT_EQ(SpotOf(image.get()), expected) << bits << "-bit";
    image->PrevCursorX();  // back into the absent block 0
    EXPECT_EQ(image->GetCursor().blockIndex, 0) << bits << "-bit";
    EXPECT_EQ(image->GetCurrentAddress(), nullptr) << bits << "-bit";
  }
}

TEST(VOffscreenOptimize, FreesOnlyBlocksWithoutContent) {
  struct Row {
    int bits;
    TQCOLORREF ink;    // SetColor value that is content
    TQCOLORREF empty;  // SetColor value that is not
  };
  const Row rows[] = {
      {1, 1, 0},
      {2, 2, 0},  // white is content in a 2-bit image
      {8, 1, 0},
      {16, 0x01000000, 0x00FFFFFF},  // grey without alpha is empty
      {24, 0x000000, 0xFFFFFF},      // black is content; white is what absent reads
      {32, 0x01000000, 0x00123456},  // colour without alpha is empty
  };
  for (const Row& row : rows) {
    const std::string label = std::to_string(row.bits) + "-bit";
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    {
      KzVOffscreenAutoLock lock(image.get(), 10, 10, 1);
      image->SetColor(row.ink);  // block 0 keeps content
      image->MoveCursor(300, 10);
      image->SetColor(row.empty);  // block 1 was only written empty
      image->MoveCursor(40, 270);
      image->SetColor(row.ink);
      image->SetColor(row.empty);  // block 3 had content, then lost it
      image->MoveCursor(599, 10);
      image->MoveCursorFastest(700, 10);  // block 2, beyond the image edge
      image->SetColor(row.ink);
    }
    // A whole-block rect looks at every byte of the block, past the edge too.
    image->OptimizeBlock(KzRect(512, 0, 768, 256));
    EXPECT_NE(image->GetBlockExist(2), 0) << label;
    image->Optimize();
    EXPECT_NE(image->GetBlockExist(0), 0) << label;
    EXPECT_EQ(image->GetBlockExist(1), 0) << label;
    EXPECT_EQ(image->GetBlockExist(2), 0) << label << ": only pixels inside the image count";
    EXPECT_EQ(image->GetBlockExist(3), 0) << label;
    // A rect that misses the content frees the block.
    image->OptimizeBlock(KzRect(20, 20, 256, 256));
    EXPECT_EQ(image->GetBlockExist(0), 0) << label;
  }
}

TEST(VOffscreenOptimize, RestoresAnOuterCursor) {
  ImagePtr image = MakeImage(8, kWidth, kHeight);
  KzVOffscreenAutoLock outer(image.get(), 10, 10, 1);  // block 0 created, empty
  image->MoveCursor(300, 40);
  image->SetColor(9);
  image->OptimizeBlock(KzRect(0, 0, 256, 256));
  EXPECT_EQ(image->GetBlockExist(0), 0);
  EXPECT_EQ(image->GetCursorPosX(), 300);
  EXPECT_EQ(image->GetCursorPosY(), 40);
  ASSERT_NE(image->GetCurrentAddress(), nullptr);
  EXPECT_EQ(image->GetColor(), 9u);
}

TEST(VOffscreen1Bit, SpecialtyCellsHoldBytes) {
  ImagePtr image = MakeImage(1, kWidth, kHeight);
  auto* mono = static_cast<KzVOffscreen1Bit*>(image.get());
  {
    KzVOffscreenAutoLock lock(image.get(), 5, 3, 1);
    mono->SetSpecialty8BitColor(0xA7);  // cell x 4..7, rows 2..3: low nibbles
    image->MoveCursor(4, 2);
    EXPECT_EQ(mono->GetSpecialty8BitColor(), 0xA7);
    image->MoveCursor(0, 3);  // the neighbouring cell stays empty
    EXPECT_EQ(mono->GetSpecialty8BitColor(), 0);
    // Rows 2 and 3 hold 0x0A and 0x07 in byte 0.
    image->MoveCursor(0, 2);
    EXPECT_EQ(*image->GetCurrentAddress(), 0x0A);
    image->MoveCursor(0, 3);
    EXPECT_EQ(*image->GetCurrentAddress(), 0x07);
    // The same in block 4, whose rows start at 256.
    image->MoveCursor(258, 257);
    mono->SetSpecialty8BitColor(0x3C);
    image->MoveCursor(259, 256);
    EXPECT_EQ(mono->GetSpecialty8BitColor(), 0x3C);
  }
  // Absent block under a read lock: 0 and no write.
  KzVOffscreenAutoLock lock(image.get(), 5, 280, 0);
  EXPECT_EQ(mono->GetSpecialty8BitColor(), 0);
  mono->SetSpecialty8BitColor(0xFF);
  EXPECT_EQ(image->GetBlockExist(image->GetBlockIndex(5, 280)), 0);
}

TEST(VOffscreenDither, MemberFormsUseTheCursor) {
  ImagePtr image = MakeImage(8, kWidth, kHeight);
  auto* ink = static_cast<KzVOffscreen8Bit*>(image.get());
  KzVOffscreenAutoLock lock(image.get(), 2, 0, 0);
  EXPECT_EQ(ink->GetDitherValue16(3), kz::pixel::GetDitherValue16(3, 2, 0));
  EXPECT_EQ(ink->GetDitherValue(3), kz::pixel::GetDitherValue(3, 2, 0));
  image->MoveCursor(1, 0);
  EXPECT_EQ(ink->GetDitherValue255(128), 1);  // threshold 128
  EXPECT_EQ(ink->GetDitherValue255(127), 0);
}

TEST(VOffscreenStatics, ColourWordConversions) {
  struct Row {
    TQCOLORREF color;
    BYTE one, two, eight;
  };
  const Row rows[] = {
      // BYTE1: any top bit set; BYTE2: alpha < 128 is 0, any of B, G, R >= 128 is 2, else 3;
      // BYTE8: 255 - red.
      {0x00000000, 0, 0, 255}, {0x00000080, 1, 0, 127}, {0x7F7F7F7F, 0, 0, 128},
      {0x80FFFFFF, 1, 2, 0},   {0x80000000, 1, 3, 255}, {0x7FFFFFFF, 1, 0, 0},
      {0xFF7F7F7F, 1, 3, 128}, {0xFF800000, 1, 2, 255}, {0x00123456, 0, 0, 0xA9},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KzVOffscreen::TQCOLORREFtoBYTE1(row.color), row.one) << std::hex << row.color;
    EXPECT_EQ(KzVOffscreen::TQCOLORREFtoBYTE2(row.color), row.two) << std::hex << row.color;
    EXPECT_EQ(KzVOffscreen::TQCOLORREFtoBYTE8(row.color), row.eight) << std::hex << row.color;
  }
  EXPECT_EQ(KzVOffscreen::BYTE1toTQCOLORREF(0), 0xFFFFFFu);
  EXPECT_EQ(KzVOffscreen::BYTE1toTQCOLORREF(5), 0u);
  EXPECT_EQ(KzVOffscreen::BYTE8toTQCOLORREF(0), 0xFFFFFFu);
  EXPECT_EQ(KzVOffscreen::BYTE8toTQCOLORREF(255), 0u);
  EXPECT_EQ(KzVOffscreen::BYTE8toTQCOLORREF(0x55), 0xAAAAAAu);
}

}  // namespace
