// KzZLib on 256 x 256 drawing-like tiles (8-bit: 64 KiB, 32-bit: 256 KiB) beside the system
// zlib called directly on the same data. Bytes per second of uncompressed data on both sides;
// the ratio should be close to 1.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "kz/persistence/zlib_codec.h"
#include "tqwutl/tqwutl.h"

namespace {

constexpr int kSide = 256;
constexpr int kTiles = 8;

// A tile as drawings look: a smooth gradient, flat paper, a few hard ink edges, some noise.
std::vector<unsigned char> MakeTile(int bytesPerPixel, int seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> tile(kSide * kSide * bytesPerPixel);
  const int cx = static_cast<int>(random() % kSide), cy = static_cast<int>(random() % kSide);
  const int radius = 40 + static_cast<int>(random() % 60);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      int value = (x + y + seed * 13) / 2;  // gradient
      if (y < kSide / 3) value = 255;       // flat paper
      const int dx = x - cx, dy = y - cy;
      const int d = static_cast<int>(std::sqrt(double(dx * dx + dy * dy)));
      if (std::abs(d - radius) < 3) value = 0;                              // ink edge
      if (x % 64 == 17) value = 30;                                         // a straight stroke
      if (random() % 16 == 0) value += static_cast<int>(random() % 9) - 4;  // noise
      value = value < 0 ? 0 : value > 255 ? 255 : value;
      for (int c = 0; c < bytesPerPixel; ++c) {
        tile[(y * kSide + x) * bytesPerPixel + c] =
            static_cast<unsigned char>(c == 3 ? 255 : value + c * 3);
      }
    }
  }
  return tile;
}

const std::vector<std::vector<unsigned char>>& Tiles(int bytesPerPixel) {
  static std::vector<std::vector<unsigned char>> tiles[5];
  auto& set = tiles[bytesPerPixel];
  if (set.empty()) {
    for (int i = 0; i < kTiles; ++i) set.push_back(MakeTile(bytesPerPixel, i + 1));
  }
  return set;
}

std::int64_t TileBytes(int bytesPerPixel) {
  return std::int64_t{kTiles} * kSide * kSide * bytesPerPixel;
}

void BM_KzZLibCompress(benchmark::State& state) {
  const auto& tiles = Tiles(static_cast<int>(state.range(0)));
  KzZLib zlib;
  std::int64_t compressed = 0;
  for (auto _ : state) {
    for (const auto& tile : tiles) {
      void* block = nullptr;
      DWORD length = 0;
      zlib.Compress(&block, tile.data(), static_cast<DWORD>(tile.size()), &length, 1);
      compressed += length;
      tqFreePtr(block);
    }
  }
  state.SetBytesProcessed(state.iterations() * TileBytes(static_cast<int>(state.range(0))));
  state.counters["compressed_fraction"] =
      double(compressed) / double(state.iterations() * TileBytes(static_cast<int>(state.range(0))));
}

void BM_ZlibCompress(benchmark::State& state) {
  const auto& tiles = Tiles(static_cast<int>(state.range(0)));
  std::int64_t compressed = 0;
  for (auto _ : state) {
    for (const auto& tile : tiles) {
      z_stream stream{};
      deflateInit(&stream, Z_DEFAULT_COMPRESSION);
      const uLong bound = deflateBound(&stream, static_cast<uLong>(tile.size()));
      auto* out = static_cast<Bytef*>(std::malloc(bound));
      stream.next_in = const_cast<Bytef*>(tile.data());
      stream.avail_in = static_cast<uInt>(tile.size());
      stream.next_out = out;
      stream.avail_out = static_cast<uInt>(bound);
      deflate(&stream, Z_FINISH);
      compressed += static_cast<std::int64_t>(stream.total_out) + 4;
      deflateEnd(&stream);
      std::free(out);
    }
  }
  state.SetBytesProcessed(state.iterations() * TileBytes(static_cast<int>(state.range(0))));
  state.counters["compressed_fraction"] =
      double(compressed) / double(state.iterations() * TileBytes(static_cast<int>(state.range(0))));
}

void BM_KzZLibDecompress(benchmark::State& state) {
  const auto& tiles = Tiles(static_cast<int>(state.range(0)));
  KzZLib zlib;
  std::vector<void*> blocks;
  std::vector<DWORD> lengths;
  for (const auto& tile : tiles) {
    void* block = nullptr;
    DWORD length = 0;
    zlib.Compress(&block, tile.data(), static_cast<DWORD>(tile.size()), &length, 1);
    blocks.push_back(block);
    lengths.push_back(length);
  }
  std::vector<unsigned char> dest(tiles[0].size());
  for (auto _ : state) {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      zlib.Decompress(blocks[i], lengths[i], dest.data(), static_cast<DWORD>(dest.size()), 1);
      benchmark::ClobberMemory();
    }
  }
  for (void* block : blocks) tqFreePtr(block);
  state.SetBytesProcessed(state.iterations() * TileBytes(static_cast<int>(state.range(0))));
}

void BM_ZlibDecompress(benchmark::State& state) {
  const auto& tiles = Tiles(static_cast<int>(state.range(0)));
  std::vector<std::vector<Bytef>> streams;
  for (const auto& tile : tiles) {
    uLongf length = compressBound(static_cast<uLong>(tile.size()));
    std::vector<Bytef> stream(length);
    compress2(stream.data(), &length, tile.data(), static_cast<uLong>(tile.size()),
              Z_DEFAULT_COMPRESSION);
    stream.resize(length);
    streams.push_back(std::move(stream));
  }
  std::vector<unsigned char> dest(tiles[0].size());
  for (auto _ : state) {
    for (auto& stream : streams) {
      z_stream z{};
      inflateInit(&z);
      z.next_in = stream.data();
      z.avail_in = static_cast<uInt>(stream.size());
      z.next_out = dest.data();
      z.avail_out = static_cast<uInt>(dest.size());
      inflate(&z, Z_FINISH);
      inflateEnd(&z);
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * TileBytes(static_cast<int>(state.range(0))));
}

BENCHMARK(BM_KzZLibCompress)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ZlibCompress)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_KzZLibDecompress)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ZlibDecompress)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
