// The virtual memory's swap traffic beside raw file I/O, and its bookkeeping costs.
//
// Swap: a working set of tiles four times the budget, locked for editing in turn, so that
// every lock reads one tile back and evicts (writes) an older one; bytes per second count both
// directions. Reference: sequential pwrite then pread of the same block sizes in the same
// folder, opened the way the swap file is (direct I/O where the file system takes it). Goal:
// the swap reaches at least half the raw throughput.
// Bookkeeping: Lock + Unlock of a tile already in memory (goal <= 50 ns) beside tqLock +
// tqUnlock of a movable block; Allocate + Free of 8 KiB tiles (goal <= 1 us) beside malloc +
// free of the same size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "kz/persistence/file_path.h"
#include "kz/vmem/virtual_memory.h"

namespace {

constexpr unsigned int kBudget = 32 << 20;
constexpr std::size_t kWorkingSet = std::size_t{kBudget} * 4;

using bench::MakeVM;

void BM_SwapThroughEviction(benchmark::State& state) {
  const auto size = static_cast<unsigned int>(state.range(0));
  auto vm = MakeVM(kBudget);
  std::vector<KzSwapBlock*> tiles(kWorkingSet / size);
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    tiles[i] = vm->Allocate(size);
    std::memset(vm->Lock(tiles[i], 1, nullptr), static_cast<int>(i), size);
    vm->Unlock(tiles[i]);
  }
  // One round first, so that every tile has its place in the file.
  for (KzSwapBlock* tile : tiles) {
    vm->Lock(tile, 1, nullptr);
    vm->Unlock(tile);
  }
  for (auto _ : state) {
    for (KzSwapBlock* tile : tiles) {
      int loaded = 0;
      auto* data = static_cast<unsigned char*>(vm->Lock(tile, 1, &loaded));
      if (data == nullptr || !loaded) state.SkipWithError("a tile did not come back");
      data[0] ^= 1;
      vm->Unlock(tile);
    }
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{2} * std::int64_t(kWorkingSet));
}
BENCHMARK(BM_SwapThroughEviction)
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_RawPwritePread(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string path = bench::Folder() + "/kz_bench_vmem_raw.bin";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_DIRECT, 0600);
  if (fd < 0) fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  unlink(path.c_str());
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(kWorkingSet)) != 0) {
    state.SkipWithError("no scratch file");
    return;
  }
  void* buffer = nullptr;
  if (posix_memalign(&buffer, 4096, size) != 0) return;
  std::memset(buffer, 1, size);
  const std::size_t count = kWorkingSet / size;
  for (auto _ : state) {
    bool ok = true;
    for (std::size_t i = 0; i < count; ++i) {
      ok &= pwrite(fd, buffer, size, static_cast<off_t>(i * size)) == static_cast<ssize_t>(size);
    }
    for (std::size_t i = 0; i < count; ++i) {
      ok &= pread(fd, buffer, size, static_cast<off_t>(i * size)) == static_cast<ssize_t>(size);
    }
    if (!ok) state.SkipWithError("raw I/O failed");
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{2} * std::int64_t(kWorkingSet));
  std::free(buffer);
  close(fd);
}
BENCHMARK(BM_RawPwritePread)
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_LockUnlockInMemory(benchmark::State& state) {
  auto vm = MakeVM(kBudget);
  KzSwapBlock* tile = vm->Allocate(64 << 10);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vm->Lock(tile, 1, nullptr));
    vm->Unlock(tile);
  }
  vm->Free(tile);
}
BENCHMARK(BM_LockUnlockInMemory);

void BM_TqLockUnlock(benchmark::State& state) {
  TQHANDLE handle = tqAlloc(64 << 10, 0, nullptr);
  for (auto _ : state) {
    benchmark::DoNotOptimize(tqLock(handle));
    tqUnlock(handle);
  }
  tqFree(handle);
}
BENCHMARK(BM_TqLockUnlock);

// 128 tiles at a time: a whole chunk is made and given back once per round.
constexpr int kRound = 128;

void BM_AllocateFree8KiB(benchmark::State& state) {
  auto vm = MakeVM(kBudget);
  KzSwapBlock* tiles[kRound];
  for (auto _ : state) {
    for (KzSwapBlock*& tile : tiles) tile = vm->Allocate(8 << 10);
    for (KzSwapBlock* tile : tiles) vm->Free(tile);
  }
  state.SetItemsProcessed(state.iterations() * kRound);
}
BENCHMARK(BM_AllocateFree8KiB);

void BM_MallocFree8KiB(benchmark::State& state) {
  void* blocks[kRound];
  for (auto _ : state) {
    for (void*& block : blocks) benchmark::DoNotOptimize(block = std::malloc(8 << 10));
    for (void* block : blocks) std::free(block);
  }
  state.SetItemsProcessed(state.iterations() * kRound);
}
BENCHMARK(BM_MallocFree8KiB);

}  // namespace
