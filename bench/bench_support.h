// What the benchmark programs share: a virtual memory with its swap file in the system temp
// folder, images owned by a smart pointer, and the pixel-rate counter.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kz/persistence/file_path.h"
#include "kz/raster/voffscreen.h"
#include "kz/vmem/virtual_memory.h"

namespace bench {

// The folder benchmarks write their files and swap files to.
inline std::string Folder() { return std::filesystem::temp_directory_path().string(); }

// A created manager of `budget` bytes.
inline std::unique_ptr<KzVirtualMemory> MakeVM(unsigned int budget) {
  KzFilePath folder;
  folder.SetNativePath(Folder().c_str());
  auto vm = std::make_unique<KzVirtualMemory>();
  vm->Create(budget, &folder);
  return vm;
}

struct ImageDeleter {
  void operator()(KzVOffscreen* image) const { KzVOffscreen::DeleteOffscreen(image); }
};
using ImagePtr = std::unique_ptr<KzVOffscreen, ImageDeleter>;

// A created image of `bits` on `vm`, at 600 dpi.
inline ImagePtr MakeImage(KzVirtualMemory* vm, int bits, int width, int height) {
  ImagePtr image(KzVOffscreen::CreateOffscreen(bits));
  image->Create(vm, width, height, 600.0);
  return image;
}

// Items and the Mpx/s counter for `pixels` pixels an iteration.
inline void SetPixelCounters(benchmark::State& state, std::int64_t pixels) {
  state.SetItemsProcessed(state.iterations() * pixels);
  state.counters["Mpx/s"] = benchmark::Counter(double(state.iterations()) * double(pixels) / 1e6,
                                               benchmark::Counter::kIsRate);
}

}  // namespace bench
