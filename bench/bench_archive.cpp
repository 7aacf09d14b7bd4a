// Typed writes and reads through a big-endian file archive, one int at a time, beside one
// fwrite/fread of the same (already big-endian) bytes in the same folder. Bytes per second on
// both sides; the archive should reach at least half of the raw throughput.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "kz/persistence/archive_file.h"
#include "kz/persistence/archive_mem.h"

namespace {

constexpr int kCount = 16 * 1024 * 1024;
constexpr std::int64_t kBytes = std::int64_t{kCount} * 4;

std::string NativeFile(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

KzFilePath LibraryPath(const std::string& native) {
  KzFilePath path;
  path.SetNativePath(native.c_str());
  return path;
}

// The ints 0 .. kCount - 1, most significant byte first.
const std::vector<unsigned int>& SwappedInts() {
  static const std::vector<unsigned int> ints = [] {
    std::vector<unsigned int> out(kCount);
    for (int i = 0; i < kCount; ++i) out[i] = __builtin_bswap32(static_cast<unsigned int>(i));
    return out;
  }();
  return ints;
}

void WriteArchiveFile(const KzFilePath& path) {
  KzArchiveFile out(9, KzArchiveFile::kDefaultCacheSize);
  out.FileCreate(path, 0, 0, 0x40000000, 2, 2, 0);
  for (int i = 0; i < kCount; ++i) out << i;
  out.DoFlush();
  out.FileClose();
}

void BM_ArchiveFileWriteInts(benchmark::State& state) {
  const std::string native = NativeFile("kz_bench_archive_a.bin");
  const KzFilePath path = LibraryPath(native);
  for (auto _ : state) WriteArchiveFile(path);
  state.SetBytesProcessed(state.iterations() * kBytes);
  std::filesystem::remove(native);
}

void BM_FwriteInts(benchmark::State& state) {
  const std::string native = NativeFile("kz_bench_archive_f.bin");
  const auto& ints = SwappedInts();
  for (auto _ : state) {
    std::FILE* file = std::fopen(native.c_str(), "wb");
    std::fwrite(ints.data(), 4, ints.size(), file);
    std::fclose(file);
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
  std::filesystem::remove(native);
}

void BM_ArchiveFileReadInts(benchmark::State& state) {
  const std::string native = NativeFile("kz_bench_archive_r.bin");
  const KzFilePath path = LibraryPath(native);
  WriteArchiveFile(path);
  for (auto _ : state) {
    KzArchiveFile in(10, KzArchiveFile::kDefaultCacheSize);
    in.FileOpen(path, static_cast<int>(0x80000000), 1, 3, 0);
    unsigned int sum = 0;
    int value = 0;
    for (int i = 0; i < kCount; ++i) {
      in >> value;
      sum += static_cast<unsigned int>(value);
    }
    benchmark::DoNotOptimize(sum);
    in.FileClose();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
  std::filesystem::remove(native);
}

void BM_FreadInts(benchmark::State& state) {
  const std::string native = NativeFile("kz_bench_archive_g.bin");
  {
    std::FILE* file = std::fopen(native.c_str(), "wb");
    std::fwrite(SwappedInts().data(), 4, kCount, file);
    std::fclose(file);
  }
  std::vector<unsigned int> ints(kCount);
  for (auto _ : state) {
    std::FILE* file = std::fopen(native.c_str(), "rb");
    benchmark::DoNotOptimize(std::fread(ints.data(), 4, ints.size(), file));
    std::fclose(file);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
  std::filesystem::remove(native);
}

// The memory archive for scale: no cache, every value reaches the block.
void BM_ArchiveMemWriteInts(benchmark::State& state) {
  for (auto _ : state) {
    KzArchiveMem out(9, 0);
    for (int i = 0; i < kCount; ++i) out << i;
    benchmark::DoNotOptimize(out.GetLength());
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

BENCHMARK(BM_ArchiveFileWriteInts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FwriteInts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArchiveFileReadInts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreadInts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArchiveMemWriteInts)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
