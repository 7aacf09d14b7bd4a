// Block raster images beside the plain memory operations they stand on.
//
// CopyAll: two 8192 x 8192 32-bit images whose 1,024 blocks all stay in memory, copied block by
// block; reference: memcpy of the same number of 256 KiB blocks between two sets of buffers.
// Goal: at least half the memcpy bandwidth.
// Cursor walk: every pixel of a 4096 x 4096 image, row by row in a serpentine (NextCursorX,
// PrevCursorX, NextCursorY), reading and writing each pixel with the getter and setter of the
// image's own depth, through the virtual interface and through the depth class itself (whose
// per-pixel slots are final); reference: the same read-modify-write over one flat buffer.
// Archive: writing a drawing-like 4096 x 4096 32-bit page (white paper, strokes) in the
// compressed archive form; reference: deflate of the same block bytes, one stream per block, at
// the same level. Goal: the archive adds little over the compression itself.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "kz/persistence/archive.h"
#include "kz/persistence/file_path.h"
#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"
#include "kz/vmem/virtual_memory.h"

namespace {

using bench::ImagePtr;
using bench::MakeImage;
using bench::MakeVM;

// Creates every block of the image and fills it with bytes that depend on `seed`.
void FillEveryBlock(KzVOffscreen* image, unsigned int seed) {
  KzVOffscreenAutoLock lock(image, 1);
  for (const KzVOffscreenBlock& block : image->GetBlockTable()) {
    image->MoveCursor(block.GetRect().left, block.GetRect().top);
    auto* words = reinterpret_cast<std::uint32_t*>(image->GetBaseAddress());
    for (std::size_t i = 0; i < image->GetBlockBytes() / 4; ++i) {
      words[i] = static_cast<std::uint32_t>(i * 2654435761u + seed);
    }
  }
}

// --- CopyAll -------------------------------------------------------------------------------------

constexpr int kCopySide = 8192;
constexpr std::size_t kCopyBytes = std::size_t{kCopySide} * kCopySide * 4;

struct CopyImages {
  CopyImages() : vm(MakeVM(640u << 20)) {
    source = MakeImage(vm.get(), 32, kCopySide, kCopySide);
    target = MakeImage(vm.get(), 32, kCopySide, kCopySide);
    FillEveryBlock(source.get(), 1);
    FillEveryBlock(target.get(), 2);
  }
  std::unique_ptr<KzVirtualMemory> vm;
  ImagePtr source;
  ImagePtr target;
};

void BM_CopyAll32Bit(benchmark::State& state) {
  static CopyImages images;
  for (auto _ : state) {
    if (!images.target->CopyAll(images.source.get())) state.SkipWithError("CopyAll refused");
  }
  benchmark::DoNotOptimize(images.target->GetBlockTable().data());
  state.SetBytesProcessed(state.iterations() * std::int64_t(kCopyBytes));
}
BENCHMARK(BM_CopyAll32Bit)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemcpyBlocks(benchmark::State& state) {
  constexpr std::size_t kBlock = 256 << 10;
  constexpr std::size_t kCount = kCopyBytes / kBlock;
  static std::vector<std::unique_ptr<std::uint8_t[]>> from;
  static std::vector<std::unique_ptr<std::uint8_t[]>> to;
  if (from.empty()) {
    for (std::size_t i = 0; i < kCount; ++i) {
      from.emplace_back(new std::uint8_t[kBlock]);
      to.emplace_back(new std::uint8_t[kBlock]);
      std::memset(from.back().get(), static_cast<int>(i), kBlock);
      std::memset(to.back().get(), static_cast<int>(i + 1), kBlock);
    }
  }
  for (auto _ : state) {
    for (std::size_t i = 0; i < kCount; ++i) std::memcpy(to[i].get(), from[i].get(), kBlock);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t(kCopyBytes));
}
BENCHMARK(BM_MemcpyBlocks)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- cursor walk ---------------------------------------------------------------------------------

constexpr int kWalkSide = 4096;

// Visits every pixel once in a serpentine and applies `op` to the image under the cursor.
template <class Image, class Op>
void WalkImage(Image* image, Op op) {
  image->Lock(0, 0, 1);
  for (int y = 0; y < kWalkSide; ++y) {
    const bool forward = (y & 1) == 0;
    for (int x = 0; x < kWalkSide; ++x) {
      op(image);
      if (x + 1 < kWalkSide) {
        if (forward) {
          image->NextCursorX();
        } else {
          image->PrevCursorX();
        }
      }
    }
    image->NextCursorY();
  }
  image->Unlock();
}

struct WalkImages {
  WalkImages() : vm(MakeVM(256u << 20)) {
    image8 = MakeImage(vm.get(), 8, kWalkSide, kWalkSide);
    image32 = MakeImage(vm.get(), 32, kWalkSide, kWalkSide);
    FillEveryBlock(image8.get(), 3);
    FillEveryBlock(image32.get(), 4);
  }
  std::unique_ptr<KzVirtualMemory> vm;
  ImagePtr image8;
  ImagePtr image32;
};

WalkImages& Walks() {
  static WalkImages images;
  return images;
}

void SetWalkCounters(benchmark::State& state) {
  bench::SetPixelCounters(state, std::int64_t{kWalkSide} * kWalkSide);
}

void BM_Walk8BitVirtual(benchmark::State& state) {
  KzVOffscreen* image = Walks().image8.get();
  for (auto _ : state) {
    WalkImage(image, [](KzVOffscreen* i) { i->Set8BitColor(i->Get8BitColorFast() + 1); });
  }
  SetWalkCounters(state);
}
BENCHMARK(BM_Walk8BitVirtual)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Walk8BitDepthClass(benchmark::State& state) {
  auto* image = static_cast<KzVOffscreen8Bit*>(Walks().image8.get());
  for (auto _ : state) {
    WalkImage(image, [](KzVOffscreen8Bit* i) { i->Set8BitColor(i->Get8BitColorFast() + 1); });
  }
  SetWalkCounters(state);
}
BENCHMARK(BM_Walk8BitDepthClass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Walk32BitVirtual(benchmark::State& state) {
  KzVOffscreen* image = Walks().image32.get();
  for (auto _ : state) {
    WalkImage(image,
              [](KzVOffscreen* i) { i->Set32BitColor(i->Get32BitColorFast() ^ 0x01010101u); });
  }
  SetWalkCounters(state);
}
BENCHMARK(BM_Walk32BitVirtual)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Walk32BitDepthClass(benchmark::State& state) {
  auto* image = static_cast<KzVOffscreen32Bit*>(Walks().image32.get());
  for (auto _ : state) {
    WalkImage(image,
              [](KzVOffscreen32Bit* i) { i->Set32BitColor(i->Get32BitColorFast() ^ 0x01010101u); });
  }
  SetWalkCounters(state);
}
BENCHMARK(BM_Walk32BitDepthClass)->Unit(benchmark::kMillisecond)->UseRealTime();

template <class Pixel>
void FlatWalk(benchmark::State& state, Pixel change) {
  static std::vector<Pixel> flat(std::size_t{kWalkSide} * kWalkSide, Pixel{7});
  for (auto _ : state) {
    Pixel* p = flat.data();
    for (std::size_t i = 0; i < flat.size(); ++i) p[i] = static_cast<Pixel>(p[i] + change);
    benchmark::ClobberMemory();
  }
  SetWalkCounters(state);
}

void BM_FlatBuffer8Bit(benchmark::State& state) { FlatWalk<std::uint8_t>(state, 1); }
BENCHMARK(BM_FlatBuffer8Bit)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FlatBuffer32Bit(benchmark::State& state) { FlatWalk<std::uint32_t>(state, 0x01010101u); }
BENCHMARK(BM_FlatBuffer32Bit)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- archive
// ---------------------------------------------------------------------------------------

// A store-mode archive over a growing byte vector that keeps its capacity between rounds.
class SinkArchive : public KzArchive {
 public:
  SinkArchive() { Init(kModeStore | kModeBigEndian, 64 << 10); }
  unsigned int WriteSelf(const void* data, unsigned int count) override {
    if (m_at + count > m_bytes.size()) m_bytes.resize(m_at + count);
    std::memcpy(m_bytes.data() + m_at, data, count);
    m_at += count;
    return count;
  }
  unsigned int ReadSelf(void*, unsigned int) override { return 0; }
  unsigned int SeekSelf(int offset, unsigned int origin) override {
    m_at = origin == 0 ? static_cast<unsigned int>(offset) : m_at + offset;
    return static_cast<unsigned int>(m_at);
  }
  void Rewind() {
    Seek(0, 0);
    m_bytes.clear();
  }
  std::size_t size() const { return m_bytes.size(); }

 private:
  std::vector<unsigned char> m_bytes;
  std::size_t m_at = 0;
};

constexpr int kPageSide = 4096;

// White paper with a few hundred strokes of round pens in a handful of inks.
struct Page {
  Page() : vm(MakeVM(256u << 20)) {
    image = MakeImage(vm.get(), 32, kPageSide, kPageSide);
    image->SetClearColor(TQCOLORREF{0xFFFFFFFFu});
    KzVOffscreenAutoLock lock(image.get(), 1);
    for (const KzVOffscreenBlock& block : image->GetBlockTable()) {
      image->MoveCursor(block.GetRect().left, block.GetRect().top);  // cleared to the paper
    }
    const TQCOLORREF inks[] = {0xFF000000u, 0xFF202020u, 0xFF3050C0u, 0xFFC04020u};
    std::uint32_t random = 12345;
    auto next = [&random](int range) {
      random = random * 1103515245u + 12345u;
      return static_cast<int>((random >> 8) % static_cast<std::uint32_t>(range));
    };
    for (int stroke = 0; stroke < 300; ++stroke) {
      double x = next(kPageSide);
      double y = next(kPageSide);
      double angle = next(6283) / 1000.0;
      const int radius = 1 + next(4);
      const TQCOLORREF ink = inks[next(4)];
      for (int step = 0, steps = 200 + next(1500); step < steps; ++step) {
        angle += (next(200) - 100) / 2000.0;
        x += std::cos(angle);
        y += std::sin(angle);
        for (int dy = -radius; dy <= radius; ++dy) {
          for (int dx = -radius; dx <= radius; ++dx) {
            if (dx * dx + dy * dy > radius * radius) continue;
            image->MoveCursor(static_cast<int>(x) + dx, static_cast<int>(y) + dy);
            if (image->GetCurrentAddress() != nullptr) image->Set32BitColor(ink);
          }
        }
      }
    }
  }
  std::unique_ptr<KzVirtualMemory> vm;
  ImagePtr image;
};

Page& ThePage() {
  static Page page;
  return page;
}

std::int64_t PageBytes() { return std::int64_t{kPageSide} * kPageSide * 4; }

void BM_ArchiveWriteCompressed(benchmark::State& state) {
  KzVOffscreen* image = ThePage().image.get();
  SinkArchive archive;
  for (auto _ : state) {
    archive.Rewind();
    KzVOffscreen::Write(archive, image, 1);
    archive.DoFlush();
  }
  state.SetBytesProcessed(state.iterations() * PageBytes());
  state.counters["stored MiB"] = double(archive.size()) / (1 << 20);
}
BENCHMARK(BM_ArchiveWriteCompressed)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeflateBlocksDirect(benchmark::State& state) {
  KzVOffscreen* image = ThePage().image.get();
  std::vector<std::vector<unsigned char>> blocks;
  {
    KzVOffscreenAutoLock lock(image, 0);
    for (const KzVOffscreenBlock& block : image->GetBlockTable()) {
      image->MoveCursor(block.GetRect().left, block.GetRect().top);
      const unsigned char* base = image->GetBaseAddress();
      blocks.emplace_back(base, base + image->GetBlockBytes());
    }
  }
  std::vector<unsigned char> out(compressBound(static_cast<uLong>(blocks[0].size())));
  std::size_t stored = 0;
  for (auto _ : state) {
    stored = 0;
    for (std::vector<unsigned char>& block : blocks) {
      z_stream stream{};
      deflateInit(&stream, Z_DEFAULT_COMPRESSION);
      stream.next_in = block.data();
      stream.avail_in = static_cast<uInt>(block.size());
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      if (deflate(&stream, Z_FINISH) != Z_STREAM_END) state.SkipWithError("deflate failed");
      stored += stream.total_out;
      deflateEnd(&stream);
    }
  }
  state.SetBytesProcessed(state.iterations() * PageBytes());
  state.counters["stored MiB"] = double(stored) / (1 << 20);
}
BENCHMARK(BM_DeflateBlocksDirect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ArchiveWriteRaw(benchmark::State& state) {
  KzVOffscreen* image = ThePage().image.get();
  SinkArchive archive;
  for (auto _ : state) {
    archive.Rewind();
    KzVOffscreen::Write(archive, image, 0);
    archive.DoFlush();
  }
  state.SetBytesProcessed(state.iterations() * PageBytes());
}
BENCHMARK(BM_ArchiveWriteRaw)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
