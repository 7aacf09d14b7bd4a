#include "kz/raster/mixer/row_fast_path.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "kz/raster/block_access.h"
#include "kz/raster/mixer/pixel_mixer_gaussian.h"
#include "kz/raster/mixer/pixel_mixer_testing.h"
#include "kz/raster/mixer/row_fast_path_p.h"
#include "kz/raster/mixer/voff_mixer_testing.h"
#include "kz/raster/mixer/voff_pixel_mask.h"
#include "kz/raster/mixer/voff_pixel_mixer.h"

namespace {

using kz::mixer_testing::MakeMixer;
using kz::mixer_testing::Random;
using kz::row_fast_path::PaintRow;
using voff_mixer_testing::BlockBytes;
using voff_mixer_testing::ImagePtr;
using voff_mixer_testing::MakeImage;

constexpr int kDepths[] = {1, 2, 8, 16, 24, 32};

// Every depth with every class of the family, made by the factory or directly, takes a fast
// path. What none covers is left alone: a class derived from one of them (it may change a
// rule), another mixer, a routine family the depth does not pick, a mask reading the destination.
TEST(RowFastPath, CoversEveryDepthAndClassOfTheFamily) {
  struct Derived final : KzPixelMixerBlend {};
  Derived derived;
  KzPixelMixerGaussian gaussian;
  KzPixelMixer* const uncovered[] = {&derived, &gaussian};
  KzPixelMixerBlend blend;
  for (int bits : kDepths) {
    auto image = MakeImage(bits, 300, 2);
    KzVOffscreenAutoLock lock(image.get(), 1);
    const int family = bits == 1 || bits == 8 ? 8 : bits == 16 || bits == 24 ? 24 : 32;
    kz::row_fast_path::RowRequest row;
    row.image = image.get();
    row.routineBits = family;
    row.left = 250;
    row.right = 260;
    for (int kind = 0; kind <= 12; ++kind) {
      const std::shared_ptr<KzPixelMixer> heads[] = {
          kzCreateCompositeMixer(kind), MakeMixer(kzGetCompositeKind(kind).mixerClass, 0)};
      for (const auto& head : heads) {
        row.head = head.get();
        EXPECT_TRUE(PaintRow(row)) << "at bits=" << bits << " kind=" << kind;
      }
    }
    for (KzPixelMixer* other : uncovered) {
      row.head = other;
      EXPECT_FALSE(PaintRow(row)) << "at bits=" << bits;
    }
    row.head = &blend;
    row.routineBits = family == 8 ? 32 : 8;
    EXPECT_FALSE(PaintRow(row)) << "at bits=" << bits;
    row.routineBits = family;
    KzVOffPixelMask mask;
    mask.SetMaskInfo(1, {0, image.get(), 0, 0, 0});
    row.mask = &mask;
    EXPECT_FALSE(PaintRow(row)) << "mask on the destination, bits=" << bits;
  }
}

// --- the same bytes from both paths, over random rows ------------------------------------------

// Rows to run in total: KZ_FAST_PATH_ROWS, else millions in optimised builds and fewer where
// every access is checked (sanitizers) or nothing is optimised.
long RowBudget() {
  const char* env = std::getenv("KZ_FAST_PATH_ROWS");
  if (const long rows = env != nullptr ? std::strtol(env, nullptr, 10) : 0; rows > 0) return rows;
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
  return 250'000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
  return 250'000;
#endif
#endif
  return 2'000'000;
}

// An image of `bits` whose size, thresholds, index colours and blocks (absent, random bytes or
// one byte value) all follow from `seed`: the same seed makes the same image, byte for byte.
ImagePtr MakeRandomImage(std::uint32_t seed, int bits, double resolution = 72.0) {
  Random random(seed);
  const int width = random.Chance(30) ? random.Between(1, 40) : random.Between(1, 800);
  const int height = random.Chance(70) ? random.Between(1, 20) : random.Between(240, 300);
  ImagePtr image = MakeImage(bits, width, height, resolution);
  if (random.Chance(30)) {
    image->SetMonoTransThreshold(random.Pick(256));
    image->SetMonoBWThreshold(random.Pick(256));
  }
  for (int i = 1; i < 4; ++i) image->SetIndexColor(i, random.Next());
  for (int i = 0; i < static_cast<int>(image->GetBlockTable().size()); ++i) {
    if (random.Chance(35)) continue;
    const bool uniform = random.Chance(40);
    std::uint32_t state = random.Next() | 1;
    const KzRect rect = image->GetBlockRect(i);
    KzVOffscreenAutoLock lock(image.get(), rect.left, rect.top, 1);  // creates the block
    BYTE* bytes = image->GetBaseAddress();
    for (DWORD k = 0, n = image->GetBlockBytes(); k < n; ++k) {
      if (!uniform) {  // xorshift
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
      }
      bytes[k] = static_cast<BYTE>(state >> 8);
    }
  }
  return image;
}

// One path's destination, head and mask; both paths are set up alike.
struct PathState {
  ImagePtr destination;
  std::shared_ptr<KzPixelMixer> head;
  KzVOffPixelMixer mixer;
  KzVOffPixelMask mask;
};

TEST(RowFastPath, SameBytesAsTheGeneralPathOverRandomRows) {
  const long budget = RowBudget();
  const int saved = kzGetFastPathsEnabled();
  Random random(0x6B7A5EEDu);
  long rows = 0;
  for (int scenario = 1; rows < budget; ++scenario) {
    const std::uint32_t imageSeed = random.Next();
    const int bits = kDepths[random.Pick(6)];
    const int kind = random.Pick(14);
    const bool madeByFactory = random.Chance(50);
    const int mode = random.Chance(80) ? random.Pick(3) : random.Between(-1, 5);
    const bool customRange = random.Chance(30);
    const int channelMin = random.Between(-10, 200), channelMax = random.Between(50, 270);
    const int alpha = random.Chance(50) ? 255 : random.Byte();
    const KzComplexColor color(random.Next());
    const int lockMode = random.Pick(100);  // < 75 write lock, < 85 read lock, else none

    PathState runs[2];
    // Mask images read by both paths (one entry may be each path's own destination), some
    // left unlocked.
    std::vector<ImagePtr> maskImages;
    std::vector<std::unique_ptr<KzVOffscreenAutoLock>> locks;
    KzVOffPixelMask::MaskInfo masks[4];
    int selfEntry = -1;
    for (int i = random.Chance(30) ? random.Between(1, 4) : 0; i > 0; --i) {
      const double resolutions[] = {72.0, 72.0, 36.0, 144.0, 50.0};
      maskImages.push_back(
          MakeRandomImage(random.Next(), kDepths[random.Pick(6)], resolutions[random.Pick(5)]));
      const TQCOLORREF values[] = {0, 0xFF000000, 0xFFFFFFFF, 0x00FFFFFF, random.Next()};
      masks[i - 1] = {random.Between(0, 4), random.Chance(92) ? maskImages.back().get() : nullptr,
                      values[random.Pick(5)], random.Between(-8, 8), random.Between(-3, 3)};
      if (random.Chance(4)) selfEntry = i - 1;
      if (random.Chance(80)) {
        locks.push_back(std::make_unique<KzVOffscreenAutoLock>(maskImages.back().get(), 0));
      }
    }

    for (PathState& run : runs) {
      run.destination = MakeRandomImage(imageSeed, bits);
      run.head = madeByFactory ? std::shared_ptr<KzPixelMixer>(kzCreateCompositeMixer(kind))
                               : MakeMixer(kzGetCompositeKind(kind).mixerClass, mode);
      if (customRange) run.head->SetChannelRange(channelMin, channelMax);
      run.mixer.SetDstOffscreen(run.destination.get());
      run.mixer.SetNode(run.head.get());
      run.mixer.SetAlpha(alpha);
      run.mixer.SetColor(color);
      for (int i = 0; i < 4; ++i) {
        run.mask.SetMaskInfo(i, masks[i]);
        if (i == selfEntry) run.mask.GetMaskInfo(i)->image = run.destination.get();
      }
      if (lockMode < 85) {
        locks.push_back(
            std::make_unique<KzVOffscreenAutoLock>(run.destination.get(), lockMode < 75));
      }
    }

    // Rows often take the columns of the previous one a row down, as fills and stamps go; else
    // columns near a block edge, anywhere, or far outside, some empty.
    const int width = runs[0].destination->GetWidth(), height = runs[0].destination->GetHeight();
    const int count = random.Between(50, 400);
    for (int r = 0, x1 = 0, x2 = 0, y = 0; r < count; ++r) {
      if (r > 0 && random.Chance(40)) {
        ++y;
      } else {
        const int pick = random.Pick(100), length = random.Pick(100);
        y = random.Chance(3) ? (random.Chance(50) ? -1 : height) : random.Pick(height);
        x1 = pick < 40   ? 256 * random.Between(0, (width + 255) / 256) + random.Between(-6, 6)
             : pick < 95 ? random.Between(-10, width + 10)
                         : random.Between(-3000, 3000);
        x2 = length < 85   ? x1 + random.Between(0, 47)
             : length < 95 ? x1 + random.Between(48, 700)
                           : x1 - random.Between(1, 5);
      }
      const bool buffer = random.Chance(40), usePattern = random.Chance(50);
      const bool useMask = random.Chance(85), useColor = random.Chance(20);
      BYTE pattern[4];
      for (BYTE& b : pattern) b = static_cast<BYTE>(random.Chance(40) ? 0 : random.Byte());
      std::vector<BYTE> coverage(buffer ? static_cast<std::size_t>(std::max(x2 - x1 + 1, 1)) : 0);
      for (BYTE& b : coverage) b = static_cast<BYTE>(random.Byte());
      const KzComplexColor own(random.Next());
      for (int path = 0; path < 2; ++path) {
        kzSetFastPathsEnabled(path == 0);
        KzVOffPixelMask* mask = useMask ? &runs[path].mask : nullptr;
        const KzComplexColor* given = useColor ? &own : nullptr;
        if (buffer) {
          runs[path].mixer.DoLineRowBuffer(coverage.data(), x1, x2, y, mask, given);
        } else {
          runs[path].mixer.DoLineRow(x1, x2, y, mask, given, usePattern ? pattern : nullptr);
        }
      }
    }
    kzSetFastPathsEnabled(saved);
    rows += count;
    locks.clear();

    SCOPED_TRACE(::testing::Message() << "scenario " << scenario << ": " << bits << "-bit, kind "
                                      << kind << ", mode " << mode << ", alpha " << alpha);
    ASSERT_TRUE(BlockBytes(runs[0].destination.get()) == BlockBytes(runs[1].destination.get()))
        << "the blocks differ";
    if (kzGetCompositeKind(kind).mixerClass == KzPixelMixerClass::kSmudge) {
      TQCOLORREF fast = 0, general = 0;
      static_cast<KzPixelMixerSmudge*>(runs[0].head.get())->GetAverageColor(fast);
      static_cast<KzPixelMixerSmudge*>(runs[1].head.get())->GetAverageColor(general);
      ASSERT_EQ(fast, general) << "the smudge averages differ";
    }
  }
}

}  // namespace
