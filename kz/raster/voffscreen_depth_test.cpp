#include "kz/raster/voffscreen_depth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

#include "kz/raster/block_access.h"
#include "kz/raster/raster_testing.h"
#include "kz/raster/voffscreen_1bit.h"

namespace {

using namespace raster_testing;

constexpr int kDepths[] = {1, 2, 8, 16, 24, 32};
// 600 x 300: three blocks across (the last cut at 600), two down.
constexpr int kWidth = 600, kHeight = 300;

// A stored pixel as its bytes: 1- and 2-bit the value in [0]; 16-bit (alpha, grey); 24-bit
// (blue, green, red); 32-bit (blue, green, red, alpha).
using Raw = std::array<BYTE, 4>;
// Stored by no row: the pixel's block stays absent, read under a read lock.
constexpr Raw kNoBlock = {0xDE, 0xAD, 0xBE, 0xEF};

// The pixel under the cursor, after storing `put` there when given.
Raw Pixel(KzVOffscreen* image, const Raw* put = nullptr) {
  BYTE* p = image->GetCurrentAddress();
  const int mask = image->GetCursor().bitMask, low = mask & -mask;
  const int bytes = image->GetBitCount() < 8 ? 0 : image->GetBitCount() / 8;
  if (put != nullptr && bytes == 0) *p = static_cast<BYTE>((*p & ~mask) | ((*put)[0] * low & mask));
  if (put != nullptr) std::copy_n(put->begin(), bytes, p);
  Raw raw{};
  if (bytes == 0) raw[0] = static_cast<BYTE>((*p & mask) / low);
  std::copy_n(p, bytes, raw.begin());
  return raw;
}

// Every read of the pixel under the cursor: the 1-, 2-, 8-, 16-, 24- and 32-bit getters, the
// 8- and 24-bit image, the 8-bit mask and GetColor.
using Reads = std::array<TQCOLORREF, 10>;

Reads ReadAll(KzVOffscreen* im, bool fast) {
  if (fast) {
    return {im->Get1BitColorFast(),  im->Get2BitColorFast(),  im->Get8BitColorFast(),
            im->Get16BitColorFast(), im->Get24BitColorFast(), im->Get32BitColorFast(),
            im->Get8BitImageFast(),  im->Get24BitImageFast(), im->Get8BitMaskFast(),
            im->GetColor()};
  }
  return {im->Get1BitColor(),  im->Get2BitColor(),  im->Get8BitColor(), im->Get16BitColor(),
          im->Get24BitColor(), im->Get32BitColor(), im->Get8BitImage(), im->Get24BitImage(),
          im->Get8BitMask(),   im->GetColor()};
}

// kind: which setter, 0 for SetColor (the native value).
// clang-format off
void CallSetter(KzVOffscreen* im, int kind, TQCOLORREF v) {
  const auto b = static_cast<BYTE>(v);
  switch (kind) {
    case 0: return im->SetColor(v);           case 1: return im->Set1BitColor(b);
    case 2: return im->Set2BitColor(b);       case 8: return im->Set8BitColor(b);
    case 16: return im->Set16BitColor(v);     case 24: return im->Set24BitColor(v);
    default: return im->Set32BitColor(v);
  }
}
// clang-format on

TEST(VOffscreenGetters, EveryDepthReadsAsEveryDepth) {
  const struct {
    int bits;
    Raw raw;
    Reads expect;
    int trans = 127, bw = 128;
    std::array<TQCOLORREF, 4> index = {};  // all 0: the depth's defaults stay
  } rows[] = {
      // clang-format off
      // Absent pixels: their block does not exist (read lock).
      {1, kNoBlock, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255, 0}},
      {2, kNoBlock, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0}},
      {8, kNoBlock, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255, 0}},
      {16, kNoBlock, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0}},
      {24, kNoBlock, {0, 2, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255, 0xFFFFFF}},
      {32, kNoBlock, {0, 0, 0, 0xFFFFFFFF, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0}},
      // 1-bit: set = opaque black ink; index colour 1 is the 32-bit colour of ink.
      {1, {0}, {0, 0, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 255, 0}},
      {1, {1}, {1, 3, 255, 0xFF000000, 0, 0xFF000000, 255, 0, 255, 1}},
      {1, {1}, {1, 3, 255, 0xFF000000, 0, 0xFF0000FF, 255, 0, 255, 1}, 127, 128, {0, 0xFF0000FF}},
      // 2-bit: 1 is ink only for the image getters; 2 and 3 take index colours 2 and 3.
      {2, {1}, {0, 0, 0, 0, 0xFFFFFF, 0, 255, 0, 0, 1}},
      {2, {2}, {0, 2, 0, 0xFFFFFFFF, 0xFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFF, 255, 2}},
      {2, {3}, {1, 3, 255, 0xFF000000, 0, 0xFF000000, 255, 0, 255, 3}},
      {2, {2}, {0, 2, 0, 0xFFFFFFFF, 0xFFFFFF, 0x80402010, 0, 0xFFFFFF, 255, 2}, 127, 128,
       {0, 0, 0x80402010, 0xFF000001}},
      {2, {3}, {1, 3, 255, 0xFF000000, 0, 0xFF000001, 255, 0, 255, 3}, 127, 128,
       {0, 0, 0x80402010, 0xFF000001}},
      // 8-bit d: 1-bit d > T; 24-bit 0xFF000000 + (255 - d) x 0x010101; 32-bit ink colour, alpha d.
      {8, {127}, {0, 0, 127, 0x7F000000, 0xFF808080, 0x7F000000, 127, 0xFF808080, 255, 127}},
      {8, {128}, {1, 3, 128, 0x80000000, 0xFF7F7F7F, 0x80123456, 128, 0xFF7F7F7F, 255, 128},
       127, 128, {0, 0xFF123456}},
      {8, {150}, {0, 0, 150, 0x96000000, 0xFF696969, 0x96000000, 150, 0xFF696969, 255, 150},
       200, 50},
      // 16-bit (a, g): 2-bit a <= T: 0, g >= W: 2, else 3; image8 255 - g.
      {16, {0, 0}, {0, 0, 0, 0, 0, 0, 255, 0xFF000000, 0, 0}},
      {16, {200, 100},
       {1, 3, 200, 0xC8646464, 0xC8646464, 0xC8646464, 155, 0xFF646464, 200, 0xC8646464}},
      {16, {127, 128},
       {0, 0, 127, 0x7F808080, 0x7F808080, 0x7F808080, 127, 0xFF808080, 127, 0x7F808080}},
      {16, {128, 128},
       {1, 2, 128, 0x80808080, 0x80808080, 0x80808080, 127, 0xFF808080, 128, 0x80808080}},
      // 24-bit (B, G, R): L = (2B + 4G + R) / 7; 8-bit 255 - L; 2-bit L < W ? 3 : 2.
      // red: L = 255 / 7 = 36, 255 - 36 = 219; green: L = 1020 / 7 = 145, 110 is not ink at T 127
      {24, {0, 0, 255}, {1, 3, 219, 0xFF0000FF, 0xFF, 0xFF0000FF, 219, 0xFF, 255, 0xFF}},
      {24, {0, 255, 0}, {0, 2, 110, 0xFF00FF00, 0xFF00, 0xFF00FF00, 110, 0xFF00, 255, 0xFF00}},
      // grey 127: L = 889 / 7 = 127, 128 is ink; grey 128: 127 is not
      {24, {127, 127, 127},
       {1, 3, 128, 0xFF7F7F7F, 0x7F7F7F, 0xFF7F7F7F, 128, 0x7F7F7F, 255, 0x7F7F7F}},
      {24, {128, 128, 128},
       {0, 2, 127, 0xFF808080, 0x808080, 0xFF808080, 127, 0x808080, 255, 0x808080}},
      // 32-bit (B, G, R, A): D = (255 - L)(A + 1) >> 8; 24-bit each channel x (A + 1) >> 8.
      {32, {255, 255, 255, 0},
       {0, 0, 0, 0x00FFFFFF, 0xFF000000, 0x00FFFFFF, 0, 0xFFFFFFFF, 0, 0x00FFFFFF}},
      {32, {0, 0, 0, 255},
       {1, 3, 255, 0xFF000000, 0xFF000000, 0xFF000000, 255, 0xFF000000, 255, 0xFF000000}},
      // red a128: L 36 (0x24); D = 219 x 129 >> 8 = 110; red 255 x 129 >> 8 = 128 (0x80)
      {32, {0, 0, 255, 128},
       {0, 3, 110, 0x80242424, 0xFF000080, 0x800000FF, 219, 0xFF0000FF, 128, 0x800000FF}},
      // B 64 G 128 R 192 A 200: L = 832 / 7 = 118 (0x76); D = 137 x 201 >> 8 = 107;
      // over black: R 192 x 201 >> 8 = 150 (0x96), G 100 (0x64), B 50 (0x32)
      {32, {0x40, 0x80, 0xC0, 200},
       {0, 3, 107, 0xC8767676, 0xFF326496, 0xC84080C0, 137, 0xFF4080C0, 200, 0xC84080C0}},
      // clang-format on
  };
  for (const auto& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    const bool present = row.raw != kNoBlock;
    const auto label = ::testing::Message()
                       << row.bits << "-bit " << ::testing::PrintToString(row.raw) << " T "
                       << row.trans << " index " << ::testing::PrintToString(row.index);
    KzVOffscreenAutoLock lock(image.get(), 301, 260, present ? 1 : 0);
    image->SetMonoTransThreshold(row.trans);
    image->SetMonoBWThreshold(row.bw);
    for (int i = 0; i < 4 && row.index != std::array<TQCOLORREF, 4>{}; ++i) {
      image->SetIndexColor(i, row.index[i]);
    }
    ASSERT_EQ(image->GetCurrentAddress() != nullptr, present) << label;
    if (present) {
      Pixel(image.get(), &row.raw);
      EXPECT_EQ(ReadAll(image.get(), true), row.expect) << label << " (Fast)";
    } else {  // an opaque mask needs no pixel; setters have nowhere to write
      if (row.expect[8] == 255) {
        EXPECT_EQ(image->Get8BitMaskFast(), 255) << label;
      }
      image->SetColor(0xFFFFFFFF);
      EXPECT_EQ(image->GetBlockExist(image->GetCursor().blockIndex), 0) << label;
    }
    EXPECT_EQ(ReadAll(image.get(), false), row.expect) << label;
    // CopyCurrentColor stores what the getter of the destination's depth reads, as its setter.
    for (int d = 0; d < 6; ++d) {
      ImagePtr dest = MakeImage(kDepths[d], 4, 4);
      KzVOffscreenAutoLock destLock(dest.get(), 1, 1, 1);
      CallSetter(dest.get(), kDepths[d], row.expect[d]);
      const TQCOLORREF expected = dest->GetColor();
      for (bool fast : {false, present}) {  // the Fast form needs a source pixel
        dest->SetColor(~expected);          // something the copy must replace
        fast ? dest->CopyCurrentColorFast(image.get()) : dest->CopyCurrentColor(image.get());
        EXPECT_EQ(dest->GetColor(), expected)
            << label << " copied into " << kDepths[d] << "-bit, fast " << fast;
      }
    }
  }
}

TEST(VOffscreenSetters, EveryDepthWritesIntoEveryDepth) {
  const struct {
    int bits, kind;
    TQCOLORREF value;
    Raw expect;
    int trans = 127, bw = 128;
  } rows[] = {
      // clang-format off
      // Into 1-bit. 16-bit: (alpha + 1)(255 - blue byte) >> 8 > T; native: the low byte.
      {1, 0, 0x100, {0}},       {1, 1, 7, {1}},           {1, 2, 1, {0}},           {1, 2, 2, {1}},
      {1, 8, 127, {0}},         {1, 8, 128, {1}},         {1, 8, 150, {0}, 200, 50},
      {1, 16, 0x80000000, {1}}, {1, 16, 0x7F000000, {0}}, {1, 16, 0xFF0000FF, {1}},
      {1, 24, 0x7F7F7F, {1}},   {1, 24, 0x808080, {0}},
      {1, 32, 0x800000FF, {0}},  // D = 219 x 129 >> 8 = 110
      {1, 32, 0x80000000, {1}},  // D = 255 x 129 >> 8 = 128
      // Into 2-bit: only 2 and 3 stay; a <= T is transparent, then grey >= W white, else black.
      {2, 0, 0x103, {3}},       {2, 1, 1, {3}},           {2, 2, 1, {0}},           {2, 2, 2, {2}},
      {2, 2, 4, {0}},           {2, 8, 127, {0}},         {2, 8, 128, {3}},
      {2, 16, 0x7FFFFFFF, {0}}, {2, 16, 0x80FFFFFF, {2}}, {2, 16, 0x807F7F7F, {3}},
      {2, 16, 0xFF000080, {3}}, {2, 24, 0x7F7F7F, {3}},   {2, 24, 0x808080, {2}},
      {2, 24, 0x808080, {3}, 127, 200},
      {2, 32, 0x7FFFFFFF, {0}}, {2, 32, 0x80FFFFFF, {2}}, {2, 32, 0xFF000000, {3}},
      // Into 8-bit: 16-bit 129 x 191 >> 8 = 96; 24-bit blue L 72.
      {8, 0, 0x1C8, {200}},     {8, 1, 1, {255}},         {8, 2, 1, {255}},         {8, 2, 0, {0}},
      {8, 8, 77, {77}},         {8, 16, 0x80404040, {96}},
      {8, 24, 0x0000FF, {219}}, {8, 24, 0xFF0000, {183}},
      {8, 32, 0x800000FF, {110}}, {8, 32, 0xC84080C0, {107}},
      // Into 16-bit (alpha, grey): the 16-bit word's grey is its blue byte.
      {16, 0, 0x80123456, {0x80, 0x12}}, {16, 1, 1, {255, 0}}, {16, 2, 1, {0, 0}},
      {16, 2, 2, {255, 255}},   {16, 8, 200, {200, 0}},   {16, 16, 0x80123456, {0x80, 0x12}},
      {16, 24, 0x0000FF, {255, 36}}, {16, 32, 0xC84080C0, {200, 118}},
      // Into 24-bit (blue, green, red).
      {24, 0, 0x80123456, {0x12, 0x34, 0x56}}, {24, 1, 1, {0, 0, 0}}, {24, 2, 1, {255, 255, 255}},
      {24, 8, 200, {55, 55, 55}}, {24, 16, 0x80123456, {0x12, 0x34, 0x56}},
      {24, 24, 0x123456, {0x12, 0x34, 0x56}}, {24, 32, 0x80123456, {0x12, 0x34, 0x56}},
      // Into 32-bit (blue, green, red, alpha).
      {32, 0, 0x80123456, {0x12, 0x34, 0x56, 0x80}}, {32, 1, 1, {0, 0, 0, 255}},
      {32, 2, 1, {0, 0, 0, 0}}, {32, 2, 2, {255, 255, 255, 255}}, {32, 8, 200, {0, 0, 0, 200}},
      {32, 16, 0x80123456, {0x12, 0x34, 0x56, 0x80}}, {32, 24, 0x123456, {0x12, 0x34, 0x56, 255}},
      {32, 32, 0x80123456, {0x12, 0x34, 0x56, 0x80}},
      // clang-format on
  };
  for (const auto& row : rows) {
    ImagePtr image = MakeImage(row.bits, kWidth, kHeight);
    FillBlock(image.get(), 301, 260, 7);
    const std::vector<BYTE> before = BlockBytes(image.get(), 301, 260);
    KzVOffscreenAutoLock lock(image.get(), 301, 260, 1);
    image->SetMonoTransThreshold(row.trans);
    image->SetMonoBWThreshold(row.bw);
    CallSetter(image.get(), row.kind, row.value);
    const auto label = ::testing::Message() << row.bits << "-bit from the setter of " << row.kind
                                            << " with 0x" << std::hex << row.value;
    EXPECT_EQ(Pixel(image.get()), row.expect) << label;
    if (row.kind == 32) {  // the native form of a colour word is stored as the word would be
      image->SetColor(image->MakeNativeColor(row.value));
      EXPECT_EQ(Pixel(image.get()), row.expect) << label << " through MakeNativeColor";
    }
    // Nothing but the pixel changed: put the old bits back and compare the whole block.
    const BYTE* base = image->GetBaseAddress();
    const std::size_t at = static_cast<std::size_t>(image->GetCurrentAddress() - base);
    std::vector<BYTE> after(base, base + image->GetBlockBytes());
    const BYTE mask = row.bits < 8 ? image->GetCursor().bitMask : 0xFF;
    for (int i = 0; i < std::max(1, row.bits / 8); ++i) {
      after[at + i] = static_cast<BYTE>((after[at + i] & ~mask) | (before[at + i] & mask));
    }
    EXPECT_EQ(after, before) << label << ": bytes beside the pixel changed";
  }
}

TEST(VOffscreenClearBlock, FillsWithTheClearState) {
  constexpr std::int64_t kDefault = -1;  // the depth's own clear colour stays
  // Bits, clear colour, clear byte, the bytes every pixel (1-, 2-bit: every byte) must hold.
  const std::tuple<int, std::int64_t, BYTE, Raw> rows[] = {
      {1, 0x123456, 0xA5, {0xA5}},
      {2, 0x123456, 0xA5, {0}},
      {8, 0x123456, 0xA5, {0}},
      {16, 0x80123456, 0, {0x80, 0x12}},  // alpha, blue byte
      {16, kDefault, 0, {0, 0}},
      {24, 0x123456, 0, {0x12, 0x34, 0x56}},
      {24, kDefault, 0, {0xFF, 0xFF, 0xFF}},
      {32, 0x80123456, 0, {0x12, 0x34, 0x56, 0x80}},
      {32, kDefault, 0, {0xFF, 0xFF, 0xFF, 0}},
  };
  for (const auto& [bits, clear, clearByte, pixel] : rows) {
    ImagePtr image = MakeImage(bits, kWidth, kHeight);
    if (clear != kDefault) image->SetClearColor(static_cast<TQCOLORREF>(clear));
    image->SetClearColor(clearByte);
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) FillBlock(image.get(), 300, 10, 3);
      {
        KzVOffscreenAutoLock lock(image.get(), 300, 10, 1);  // pass 0: cleared as it is created
        if (pass == 1) image->ClearBlock(nullptr);           // pass 1: on request
      }
      const std::vector<BYTE> bytes = BlockBytes(image.get(), 300, 10);
      ASSERT_EQ(bytes.size(), image->GetBlockBytes()) << bits;
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(bytes[i], pixel[i % std::max(1, bits / 8)])
            << bits << "-bit pass " << pass << " at " << i;
      }
    }
  }
}

// Where the cursor stands: block, offset from the block's base and bit mask (-1 and 0 without
// an address).
using CursorSpot = std::tuple<int, std::ptrdiff_t, int>;

CursorSpot SpotOf(KzVOffscreen* image) {
  const KzVOffscreenCursor& c = image->GetCursor();
  const std::ptrdiff_t offset = c.address != nullptr && c.base != nullptr ? c.address - c.base : -1;
  return {c.blockIndex, offset, image->GetBitCount() < 8 && offset >= 0 ? c.bitMask : 0};
}

// Under a read lock, with block 1 absent between blocks 0 and 2, on row 10.
TEST(VOffscreenCursor, StepsMatchMovesAcrossBlocks) {
  // Bits, x, the byte within the row and the bit mask at x in block 0 and at 512 + x in block 2.
  const std::tuple<int, int, int, BYTE> spots[] = {
      {1, 7, 0, 0x01}, {1, 8, 1, 0x80}, {1, 9, 1, 0x40}, {2, 3, 0, 0x03}, {2, 4, 1, 0xC0},
      {2, 6, 1, 0x0C}, {8, 9, 9, 0},    {16, 9, 18, 0},  {24, 9, 27, 0},  {32, 9, 36, 0},
  };
  for (int bits : kDepths) {
    ImagePtr image = MakeImage(bits, kWidth, kHeight);
    FillBlock(image.get(), 0, 0, 1);
    FillBlock(image.get(), kWidth - 1, 0, 2);
    KzVOffscreenAutoLock lock(image.get(), 0, 10, 0);
    std::vector<CursorSpot> forward{SpotOf(image.get())};
    for (int x = 1; x < kWidth; ++x) {
      image->NextCursorX();
      forward.push_back(SpotOf(image.get()));
    }
    for (const auto& [b, x, byte, mask] : spots) {
      for (int block = 0; block <= 2 && b == bits; block += 2) {
        EXPECT_EQ(forward[block * 256 + x],
                  (CursorSpot{block, 10 * image->GetBlockRowBytes() + byte, mask}))
            << bits << "-bit x=" << x << " in block " << block;
      }
    }
    EXPECT_EQ(forward[256], (CursorSpot{1, -1, 0})) << bits << "-bit";
    for (int x = kWidth - 2; x >= 0; --x) {
      image->PrevCursorX();
      ASSERT_EQ(SpotOf(image.get()), forward[x]) << bits << "-bit PrevCursorX at x=" << x;
    }
    for (int x = 0; x < kWidth; ++x) {
      image->MoveCursor(x, 10);
      ASSERT_EQ(SpotOf(image.get()), forward[x]) << bits << "-bit MoveCursor at x=" << x;
    }
    // Off the left edge and back, then the Fastest steps within block 0.
    image->MoveCursor(0, 10);
    image->PrevCursorX();
    EXPECT_EQ(SpotOf(image.get()), (CursorSpot{-1, -1, 0})) << bits << "-bit";
    image->NextCursorX();
    EXPECT_EQ(SpotOf(image.get()), forward[0]) << bits << "-bit";
    for (int i = 0; i < 255; ++i) image->NextCursorXFastest();
    EXPECT_EQ(SpotOf(image.get()), forward[255]) << bits << "-bit";
    for (int i = 0; i < 255; ++i) image->PrevCursorXFastest();
    EXPECT_EQ(SpotOf(image.get()), forward[0]) << bits << "-bit";
  }
}

TEST(VOffscreenOptimize, FreesOnlyBlocksWithoutContent) {
  // Bits, a SetColor value that is content, one that is not.
  const std::tuple<int, TQCOLORREF, TQCOLORREF> rows[] = {
      {1, 1, 0},
      {2, 2, 0},  // white is content in a 2-bit image
      {8, 1, 0},
      {16, 0x01000000, 0x00FFFFFF},  // grey without alpha is empty
      {24, 0x000000, 0xFFFFFF},      // black is content; white is what absent reads
      {32, 0x01000000, 0x00123456},  // colour without alpha is empty
  };
  for (const auto& [bits, ink, empty] : rows) {
    ImagePtr image = MakeImage(bits, kWidth, kHeight);
    {
      KzVOffscreenAutoLock lock(image.get(), 10, 10, 1);
      image->SetColor(ink);  // block 0 keeps content
      image->MoveCursor(300, 10);
      image->SetColor(empty);  // block 1 was only written empty
      image->MoveCursor(40, 270);
      image->SetColor(ink);
      image->SetColor(empty);  // block 3 had content, then lost it
      image->MoveCursor(599, 10);
      image->MoveCursorFastest(700, 10);  // block 2, beyond the image edge
      image->SetColor(ink);
    }
    // A whole-block rect looks at every byte of the block, past the edge too.
    image->OptimizeBlock(KzRect(512, 0, 768, 256));
    EXPECT_NE(image->GetBlockExist(2), 0) << bits << "-bit";
    image->Optimize();  // only pixels inside the image count
    EXPECT_EQ(ExistingBlocks(*image), std::vector<int>{0}) << bits << "-bit";
    // A rect looks at its pixels only: one holding the ink keeps the block, one just past it
    // frees it. An outer lock's cursor comes back.
    KzVOffscreenAutoLock outer(image.get(), 300, 40, 1);
    image->SetColor(ink);
    image->OptimizeBlock(KzRect(10, 10, 11, 11));
    EXPECT_NE(image->GetBlockExist(0), 0) << bits << "-bit";
    image->OptimizeBlock(KzRect(11, 0, 256, 256));
    EXPECT_EQ(image->GetBlockExist(0), 0) << bits << "-bit";
    EXPECT_EQ(image->GetCursorPos(), KzPoint(300, 40)) << bits << "-bit";
    ASSERT_NE(image->GetCurrentAddress(), nullptr) << bits << "-bit";
    EXPECT_EQ(image->GetColor(), ink) << bits << "-bit";
  }
}

TEST(VOffscreen1Bit, SpecialtyCellsHoldBytes) {
  ImagePtr image = MakeImage(1, kWidth, kHeight);
  auto* mono = static_cast<KzVOffscreen1Bit*>(image.get());
  {
    KzVOffscreenAutoLock lock(image.get(), 5, 3, 1);
    mono->SetSpecialty8BitColor(0xA7);  // cell x 4..7, rows 2..3: the low nibbles of byte 0
    const struct { int x, y, cell, byte; } reads[] = {{4, 2, 0xA7, 0x0A}, {0, 3, 0, 0x07}};
    for (const auto& r : reads) {
      image->MoveCursor(r.x, r.y);
      EXPECT_EQ(mono->GetSpecialty8BitColor(), r.cell) << r.x << "," << r.y;
      EXPECT_EQ(image->GetBaseAddress()[r.y * image->GetBlockRowBytes()], r.byte) << r.y;
    }
  }
  KzVOffscreenAutoLock lock(image.get(), 5, 280, 0);  // absent under a read lock: 0, no write
  EXPECT_EQ(mono->GetSpecialty8BitColor(), 0);
  mono->SetSpecialty8BitColor(0xFF);
  EXPECT_EQ(image->GetBlockExist(image->GetBlockIndex(5, 280)), 0);
}

}  // namespace
