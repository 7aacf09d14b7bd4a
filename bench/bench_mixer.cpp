// The pixel mixer's rows beside a peer library's solid compositing.
//
// Rows: DoLineRow over every row of a 4096 x 4096 image (32-bit and 8-bit, every block present
// and in memory) with a Blend chain at full alpha and a solid colour, once on the fast row path
// and once on the general per-pixel path (kzSetFastPathsEnabled(0)). With an opaque colour the
// blend is a fill; the translucent variants blend every pixel.
// Reference: pixman_image_composite32 with a solid source, operator OVER, onto an a8r8g8b8 (a8
// for the 8-bit rows) image of the same size, in the same run, in one call (and, for context,
// one call a row as the mixer is called). Goal: the fast rows at least a quarter of the one-call
// reference's throughput and at least ten times the general rows. Figures are in megapixels a
// second (the Mpx/s counter).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#if KZ_BENCH_HAVE_PIXMAN
#include <pixman.h>
#endif

#include "bench/bench_support.h"
#include "kz/foundation/color.h"
#include "kz/persistence/file_path.h"
#include "kz/raster/block_access.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"
#include "kz/raster/mixer/row_fast_path.h"
#include "kz/raster/mixer/voff_pixel_mixer.h"
#include "kz/raster/voffscreen.h"
#include "kz/vmem/virtual_memory.h"

namespace {

constexpr int kSide = 4096;
constexpr std::int64_t kPixels = std::int64_t{kSide} * kSide;
constexpr TQCOLORREF kOpaque = 0xFF2040C0;       // A 255
constexpr TQCOLORREF kTranslucent = 0x80102060;  // A 128

using bench::ImagePtr;

// Two images (32-bit and 8-bit) with every block made, on a virtual memory that holds them.
struct Images {
  Images() {
    vm = bench::MakeVM(256u << 20);
    for (int bits : {32, 8}) {
      ImagePtr image = bench::MakeImage(vm.get(), bits, kSide, kSide);
      KzVOffscreenAutoLock lock(image.get(), 1);
      for (const KzVOffscreenBlock& block : image->GetBlockTable()) {
        image->MoveCursor(block.GetRect().left, block.GetRect().top);  // creates and clears it
      }
      (bits == 32 ? image32 : image8) = std::move(image);
    }
  }
  std::unique_ptr<KzVirtualMemory> vm;
  ImagePtr image32;
  ImagePtr image8;
};

Images& TheImages() {
  static Images images;
  return images;
}

void SetPixelCounters(benchmark::State& state) { bench::SetPixelCounters(state, kPixels); }

// Every row of `image` through a Blend chain, fast rows on or off.
void BlendRows(benchmark::State& state, KzVOffscreen* image, TQCOLORREF color, bool fast) {
  KzPixelMixerBlend blend;
  KzVOffPixelMixer mixer;
  mixer.SetDstOffscreen(image);
  mixer.SetNode(&blend);
  mixer.SetColor(KzComplexColor(color));
  mixer.SetAlpha(255);
  const int saved = kzGetFastPathsEnabled();
  kzSetFastPathsEnabled(fast ? 1 : 0);
  for (auto _ : state) {
    KzVOffscreenAutoLock lock(image, 1);
    for (int y = 0; y < kSide; ++y) mixer.DoLineRow(0, kSide - 1, y, nullptr, nullptr, nullptr);
    benchmark::ClobberMemory();
  }
  kzSetFastPathsEnabled(saved);
  SetPixelCounters(state);
}

void BM_BlendRows32Fast(benchmark::State& state) {
  BlendRows(state, TheImages().image32.get(), kOpaque, true);
}
void BM_BlendRows32General(benchmark::State& state) {
  BlendRows(state, TheImages().image32.get(), kOpaque, false);
}
void BM_BlendRows8Fast(benchmark::State& state) {
  BlendRows(state, TheImages().image8.get(), kOpaque, true);
}
void BM_BlendRows8General(benchmark::State& state) {
  BlendRows(state, TheImages().image8.get(), kOpaque, false);
}
void BM_BlendRows32TranslucentFast(benchmark::State& state) {
  BlendRows(state, TheImages().image32.get(), kTranslucent, true);
}
void BM_BlendRows32TranslucentGeneral(benchmark::State& state) {
  BlendRows(state, TheImages().image32.get(), kTranslucent, false);
}
void BM_BlendRows8TranslucentFast(benchmark::State& state) {
  BlendRows(state, TheImages().image8.get(), kTranslucent, true);
}
void BM_BlendRows8TranslucentGeneral(benchmark::State& state) {
  BlendRows(state, TheImages().image8.get(), kTranslucent, false);
}
BENCHMARK(BM_BlendRows32Fast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendRows32General)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendRows8Fast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendRows8General)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendRows32TranslucentFast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendRows32TranslucentGeneral)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendRows8TranslucentFast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendRows8TranslucentGeneral)->Unit(benchmark::kMillisecond)->UseRealTime();

#if KZ_BENCH_HAVE_PIXMAN

// pixman's solid OVER onto a whole image of `format` (a8r8g8b8 or a8), in one call or, like the
// mixer's rows, one call a row.
void PixmanSolidOver(benchmark::State& state, pixman_format_code_t format, TQCOLORREF color,
                     bool byRow = false) {
  const int bpp = PIXMAN_FORMAT_BPP(format) / 8;
  const int stride = kSide * bpp;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(stride) * kSide / 4, 0u);
  pixman_image_t* destination =
      pixman_image_create_bits(format, kSide, kSide, pixels.data(), stride);
  // A premultiplied 16-bit colour, as pixman takes it.
  const auto channel = [color](int shift) {
    const unsigned alpha = color >> 24;
    const unsigned value = (color >> shift) & 0xFF;
    return static_cast<std::uint16_t>(value * alpha / 255 * 257);
  };
  const pixman_color_t solid = {channel(0), channel(8), channel(16),
                                static_cast<std::uint16_t>((color >> 24) * 257)};
  pixman_image_t* source = pixman_image_create_solid_fill(&solid);
  for (auto _ : state) {
    if (byRow) {
      for (int y = 0; y < kSide; ++y) {
        pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, destination, 0, 0, 0, 0, 0, y,
                                 kSide, 1);
      }
    } else {
      pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, destination, 0, 0, 0, 0, 0, 0,
                               kSide, kSide);
    }
    benchmark::ClobberMemory();
  }
  pixman_image_unref(source);
  pixman_image_unref(destination);
  SetPixelCounters(state);
}

void BM_PixmanSolidOver32(benchmark::State& state) {
  PixmanSolidOver(state, PIXMAN_a8r8g8b8, kOpaque);
}
void BM_PixmanSolidOver8(benchmark::State& state) { PixmanSolidOver(state, PIXMAN_a8, kOpaque); }
void BM_PixmanSolidOver32ByRow(benchmark::State& state) {
  PixmanSolidOver(state, PIXMAN_a8r8g8b8, kOpaque, true);
}
void BM_PixmanSolidOver8ByRow(benchmark::State& state) {
  PixmanSolidOver(state, PIXMAN_a8, kOpaque, true);
}
void BM_PixmanSolidOver32Translucent(benchmark::State& state) {
  PixmanSolidOver(state, PIXMAN_a8r8g8b8, kTranslucent);
}
void BM_PixmanSolidOver8Translucent(benchmark::State& state) {
  PixmanSolidOver(state, PIXMAN_a8, kTranslucent);
}
BENCHMARK(BM_PixmanSolidOver32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixmanSolidOver8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixmanSolidOver32ByRow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixmanSolidOver8ByRow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixmanSolidOver32Translucent)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixmanSolidOver8Translucent)->Unit(benchmark::kMillisecond)->UseRealTime();

#endif

}  // namespace
