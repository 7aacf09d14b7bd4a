#include "kz/raster/mixer/row_fast_path.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "kz/raster/block_access.h"
#include "kz/raster/mixer/pixel_mixer_arith.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"
#include "kz/raster/mixer/pixel_mixer_edit.h"
#include "kz/raster/mixer/pixel_mixer_gaussian.h"
#include "kz/raster/mixer/pixel_mixer_kind.h"
#include "kz/raster/mixer/pixel_mixer_smudge.h"
#include "kz/raster/mixer/row_fast_path_p.h"
#include "kz/raster/mixer/voff_mixer_testing.h"
#include "kz/raster/mixer/voff_pixel_mask.h"
#include "kz/raster/mixer/voff_pixel_mixer.h"

namespace {

using kz::row_fast_path::RecogniseMixer;
using voff_mixer_testing::BlockBytes;
using voff_mixer_testing::ExistingBlocks;
using voff_mixer_testing::FillBlock;
using voff_mixer_testing::ImagePtr;
using voff_mixer_testing::MakeImage;

constexpr int kDepths[] = {1, 2, 8, 16, 24, 32};

// A node of a chain, owned whichever way it was made.
using NodePtr = std::shared_ptr<KzPixelMixer>;

// A mixer held as a member, so that it is destroyed as the very class it was made as.
template <class Mixer>
struct Owned final {
  Mixer mixer;
};

// A mixer of the class `kind` selects, made as that very class (not by the factory), mode set.
NodePtr MakeDirect(int kind, int mode) {
  const auto make = [mode]<class Mixer>(Mixer*) {
    auto owner = std::make_shared<Owned<Mixer>>();
    if constexpr (requires { owner->mixer.SetMode(mode); }) owner->mixer.SetMode(mode);
    return NodePtr(owner, &owner->mixer);
  };
  switch (kzGetCompositeKind(kind).mixerClass) {
    case KzPixelMixerClass::kBlend:
      return make(static_cast<KzPixelMixerBlend*>(nullptr));
    case KzPixelMixerClass::kWeightCopy:
      return make(static_cast<KzPixelMixerWeightCopy*>(nullptr));
    case KzPixelMixerClass::kDarkenAndLighten:
      return make(static_cast<KzPixelMixerDarkenAndLighten*>(nullptr));
    case KzPixelMixerClass::kAddAndSubtract:
      return make(static_cast<KzPixelMixerAddAndSubtract*>(nullptr));
    case KzPixelMixerClass::kAlphaEdit:
      return make(static_cast<KzPixelMixerAlphaEdit*>(nullptr));
    case KzPixelMixerClass::kCorrect:
      return make(static_cast<KzPixelMixerCorrect*>(nullptr));
    case KzPixelMixerClass::kSmudge:
      return make(static_cast<KzPixelMixerSmudge*>(nullptr));
    case KzPixelMixerClass::kCopy:
      break;
  }
  return make(static_cast<KzPixelMixer*>(nullptr));
}

TEST(RowFastPath, RecognisesExactlyTheFamilysClasses) {
  for (int kind = 0; kind <= 14; ++kind) {
    const KzPixelMixerClass expected = kzGetCompositeKind(kind).mixerClass;
    EXPECT_EQ(RecogniseMixer(kzCreateCompositeMixer(kind).get()), expected)
        << "made, kind " << kind;
    EXPECT_EQ(RecogniseMixer(MakeDirect(kind, 0).get()), expected) << "direct, kind " << kind;
  }
  // A class derived from one of them may change its rule.
  struct Derived final : KzPixelMixerBlend {};
  KzPixelMixerGaussian gaussian;
  Derived derived;
  EXPECT_FALSE(RecogniseMixer(&gaussian));
  EXPECT_FALSE(RecogniseMixer(&derived));
  EXPECT_FALSE(RecogniseMixer(nullptr));
}

// Every depth with every class takes a fast path; what none covers is left alone.
TEST(RowFastPath, CoversEveryDepthAndClassOfTheFamily) {
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
      const KzPixelMixerPtr head = kzCreateCompositeMixer(kind);
      row.head = head.get();
      EXPECT_TRUE(kz::row_fast_path::PaintRow(row)) << "at bits=" << bits << " kind=" << kind;
    }
    KzPixelMixerBlend blend;
    row.head = &blend;
    row.routineBits = family == 8 ? 32 : 8;  // a family the depth does not pick
    EXPECT_FALSE(kz::row_fast_path::PaintRow(row)) << "at bits=" << bits;
    row.routineBits = family;
    KzVOffPixelMask mask;
    mask.SetMaskInfo(1, {0, image.get(), 0, 0, 0});
    row.mask = &mask;
    EXPECT_FALSE(kz::row_fast_path::PaintRow(row)) << "mask on the destination, bits=" << bits;
  }
}

// --- the same bytes from both paths, over random rows ------------------------------------------

// Rows to run in total: KZ_FAST_PATH_ROWS, else millions in optimised builds and fewer where
// every access is checked (sanitizers) or nothing is optimised.
long RowBudget() {
  if (const char* env = std::getenv("KZ_FAST_PATH_ROWS")) {
    if (const long rows = std::strtol(env, nullptr, 10); rows > 0) return rows;
  }
  bool slow = false;
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
  slow = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
  slow = true;
#endif
#endif
  return slow ? 250'000 : 2'000'000;
}

class Random {
 public:
  explicit Random(std::uint32_t seed) : m_engine(seed) {}
  int Pick(int n) { return static_cast<int>(m_engine() % static_cast<unsigned>(n)); }
  int Between(int lo, int hi) { return lo + Pick(hi - lo + 1); }
  bool Chance(int percent) { return Pick(100) < percent; }
  // A byte that is 0 or 255 more often than the others.
  BYTE Byte() {
    const int pick = Pick(8);
    return static_cast<BYTE>(pick == 0 ? 0 : pick == 1 ? 255 : Pick(256));
  }
  TQCOLORREF Word() {
    TQCOLORREF word = 0;
    for (int shift = 0; shift < 32; shift += 8) word |= static_cast<TQCOLORREF>(Byte()) << shift;
    return word;
  }

 private:
  std::mt19937 m_engine;
};

// An image of random size, thresholds and index colours whose blocks are absent, random or of
// one byte value. Build() makes it again, byte for byte, from the same plan.
struct ImagePlan {
  int bits, width, height;
  double resolution = 72.0;
  int trans = 127, bw = 128;
  TQCOLORREF index[4] = {};
  std::vector<std::uint32_t> blocks;  // 0 absent, else a seed (odd: one byte value)

  ImagePlan(Random& random, int bitCount)
      : bits(bitCount),
        width(random.Chance(30) ? random.Between(1, 40) : random.Between(1, 800)),
        height(random.Chance(70) ? random.Between(1, 20) : random.Between(240, 300)) {
    if (random.Chance(30)) {
      trans = random.Pick(256);
      bw = random.Pick(256);
    }
    for (TQCOLORREF& colour : index) colour = random.Word();
    for (int i = ((width + 255) / 256) * ((height + 255) / 256); i > 0; --i) {
      blocks.push_back(random.Chance(35) ? 0u : static_cast<std::uint32_t>(random.Word() | 2));
    }
  }

  ImagePtr Build() const {
    ImagePtr image = MakeImage(bits, width, height, resolution);
    image->SetMonoTransThreshold(trans);
    image->SetMonoBWThreshold(bw);
    if (bits <= 2) {
      for (int i = 1; i < 4; ++i) image->SetIndexColor(i, index[i]);
    }
    for (int i = 0; i < static_cast<int>(blocks.size()); ++i) {
      std::uint32_t state = blocks[i];
      if (state == 0) continue;
      FillBlock(image.get(), i, [&state](BYTE* p, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
          if ((state & 1) == 0) {  // xorshift bytes; an odd seed keeps one value
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
          }
          p[k] = static_cast<BYTE>(state >> 8);
        }
      });
    }
    return image;
  }
};

// One row, with everything DoLineRow or DoLineRowBuffer takes.
struct RowPlan {
  bool buffer = false;
  int x1 = 0, x2 = 0, y = 0;
  const BYTE* pattern = nullptr;
  BYTE patternBytes[4] = {};
  std::vector<BYTE> coverage;
  bool useMask = false;
  bool ownColor = false;
  KzComplexColor color;

  // Often the columns of `previous` one row down, as fills and stamps go; else columns near a
  // block edge, anywhere, or far outside, some empty (the clipping before either path is
  // tested with the mixer).
  RowPlan(Random& random, int width, int height, const RowPlan* previous) {
    buffer = random.Chance(40);
    y = random.Chance(3) ? (random.Chance(50) ? -1 : height) : random.Pick(height);
    if (previous != nullptr && random.Chance(40)) {
      x1 = previous->x1;
      x2 = previous->x2;
      y = previous->y + 1;
    } else {
      const int pick = random.Pick(100);
      x1 = pick < 40   ? 256 * random.Between(0, (width + 255) / 256) + random.Between(-6, 6)
           : pick < 95 ? random.Between(-10, width + 10)
                       : random.Between(-3000, 3000);
      const int length = random.Pick(100);
      x2 = length < 85   ? x1 + random.Between(0, 47)
           : length < 95 ? x1 + random.Between(48, 700)
                         : x1 - random.Between(1, 5);
    }
    for (BYTE& b : patternBytes) b = random.Chance(40) ? 0 : random.Byte();
    if (!buffer && random.Chance(50)) pattern = patternBytes;
    coverage.resize(buffer ? static_cast<std::size_t>(std::max(x2 - x1 + 1, 1)) : 0);
    for (BYTE& b : coverage) b = random.Byte();
    useMask = random.Chance(85);
    ownColor = random.Chance(20);
    color = KzComplexColor(random.Word());
  }

  void Run(KzVOffPixelMixer& mixer, KzVOffPixelMask* mask) const {
    KzVOffPixelMask* used = useMask ? mask : nullptr;
    const KzComplexColor* given = ownColor ? &color : nullptr;
    if (buffer) {
      mixer.DoLineRowBuffer(coverage.data(), x1, x2, y, used, given);
    } else {
      mixer.DoLineRow(x1, x2, y, used, given, pattern);
    }
  }
};

// The same blocks, block bytes and pixels.
::testing::AssertionResult SameImages(KzVOffscreen* fast, KzVOffscreen* general) {
  if (ExistingBlocks(*fast) != ExistingBlocks(*general)) {
    return ::testing::AssertionFailure() << "the blocks that exist differ";
  }
  for (int index : ExistingBlocks(*fast)) {
    if (BlockBytes(fast, index) != BlockBytes(general, index)) {
      return ::testing::AssertionFailure() << "the bytes of block " << index << " differ";
    }
  }
  if (!KzVOffscreen::IsEqual(fast, general)) {
    return ::testing::AssertionFailure() << "the pixels differ";
  }
  return ::testing::AssertionSuccess();
}

// One path's destination, head and mask; both paths are set up alike.
struct PathState {
  ImagePtr destination;
  NodePtr head;
  KzVOffPixelMixer mixer;
  KzVOffPixelMask mask;
};

TEST(RowFastPath, SameBytesAsTheGeneralPathOverRandomRows) {
  const long budget = RowBudget();
  const int saved = kzGetFastPathsEnabled();
  Random random(0x6B7A5EEDu);
  long rows = 0;
  for (int scenario = 1; rows < budget; ++scenario) {
    const ImagePlan plan(random, kDepths[random.Pick(6)]);
    const int kind = random.Pick(14);
    const bool madeByFactory = random.Chance(50);
    const int mode = random.Chance(80) ? random.Pick(3) : random.Between(-1, 5);
    const bool customRange = random.Chance(30);
    const int channelMin = random.Between(-10, 200), channelMax = random.Between(50, 270);
    const int alpha = random.Chance(50) ? 255 : random.Byte();
    const KzComplexColor color(random.Word());
    const int lockMode = random.Pick(100);  // < 75 write lock, < 85 read lock, else none

    // Mask images read by both paths (one entry may be each path's own destination).
    std::vector<ImagePtr> maskImages;
    KzVOffPixelMask::MaskInfo masks[4];
    int selfEntry = -1;
    for (int i = random.Chance(30) ? random.Between(1, 4) : 0; i > 0; --i) {
      ImagePlan maskPlan(random, kDepths[random.Pick(6)]);
      const double resolutions[] = {72.0, 72.0, 36.0, 144.0, 50.0};
      maskPlan.resolution = resolutions[random.Pick(5)];
      maskImages.push_back(maskPlan.Build());
      const TQCOLORREF values[] = {0, 0xFF000000, 0xFFFFFFFF, 0x00FFFFFF, random.Word()};
      masks[i - 1] = {random.Between(0, 4), random.Chance(92) ? maskImages.back().get() : nullptr,
                      values[random.Pick(5)], random.Between(-8, 8), random.Between(-3, 3)};
      if (random.Chance(4)) selfEntry = i - 1;
    }

    PathState runs[2];
    std::vector<std::unique_ptr<KzVOffscreenAutoLock>> locks;
    for (PathState& run : runs) {
      run.destination = plan.Build();
      run.head = madeByFactory ? NodePtr(kzCreateCompositeMixer(kind)) : MakeDirect(kind, mode);
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
    if (random.Chance(80)) {
      for (ImagePtr& image : maskImages) {
        locks.push_back(std::make_unique<KzVOffscreenAutoLock>(image.get(), 0));
      }
    }

    const int count = random.Between(50, 400);
    std::unique_ptr<RowPlan> row;
    for (int r = 0; r < count; ++r) {
      row = std::make_unique<RowPlan>(random, plan.width, plan.height, row.get());
      kzSetFastPathsEnabled(1);
      row->Run(runs[0].mixer, &runs[0].mask);
      kzSetFastPathsEnabled(0);
      row->Run(runs[1].mixer, &runs[1].mask);
    }
    kzSetFastPathsEnabled(saved);
    rows += count;
    locks.clear();

    const std::string where = "scenario " + std::to_string(scenario) + ": " +
                              std::to_string(plan.bits) + "-bit, kind " + std::to_string(kind) +
                              ", mode " + std::to_string(mode) + ", alpha " + std::to_string(alpha);
    ASSERT_TRUE(SameImages(runs[0].destination.get(), runs[1].destination.get())) << where;
    if (kzGetCompositeKind(kind).mixerClass == KzPixelMixerClass::kSmudge) {
      TQCOLORREF fast = 0, general = 0;
      static_cast<KzPixelMixerSmudge*>(runs[0].head.get())->GetAverageColor(fast);
      static_cast<KzPixelMixerSmudge*>(runs[1].head.get())->GetAverageColor(general);
      ASSERT_EQ(fast, general) << "the smudge averages differ, " << where;
    }
  }
}

}  // namespace
