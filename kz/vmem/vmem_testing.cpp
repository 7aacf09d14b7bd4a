#include "kz/vmem/vmem_testing.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace vmem_testing {
namespace {

std::uint64_t PatternWord(std::uint64_t seed, std::size_t word) {
  return (seed + 1) * 0x9E3779B97F4A7C15ull ^ (word + 1) * 0xD1B54A32D192ED03ull;
}

}  // namespace

void FillPattern(void* data, std::size_t bytes, std::uint64_t seed) {
  auto* words = static_cast<std::uint64_t*>(data);
  for (std::size_t i = 0; i < bytes / 8; ++i) words[i] = PatternWord(seed, i);
}

std::size_t FirstMismatch(const void* data, std::size_t bytes, std::uint64_t seed) {
  const auto* words = static_cast<const std::uint64_t*>(data);
  for (std::size_t i = 0; i < bytes / 8; ++i) {
    if (words[i] != PatternWord(seed, i)) return i * 8;
  }
  return bytes;
}

std::vector<UnlinkedFile> UnlinkedFilesIn(const std::string& nativeFolder) {
  namespace fs = std::filesystem;
  std::vector<UnlinkedFile> files;
  const std::string prefix = fs::weakly_canonical(nativeFolder).string() + "/";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
    const std::string target = fs::read_symlink(entry.path(), error).string();
    struct stat st {};
    const int fd = std::atoi(entry.path().filename().c_str());
    if (!error && target.starts_with(prefix) && target.ends_with(" (deleted)") &&
        fstat(fd, &st) == 0) {
      files.push_back({static_cast<std::uint64_t>(st.st_size), fcntl(fd, F_GETFL)});
    }
  }
  return files;
}

std::vector<std::string> FilesIn(const std::string& nativeFolder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(nativeFolder, error)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

::testing::AssertionResult SwapSpaceIsConsistent(const KzSwap& swap) {
  const KzGarbage* garbage = swap.GetGarbage();
  if (garbage == nullptr) return ::testing::AssertionFailure() << "the swap has no file";
  struct Range {
    std::uint64_t begin, end, size;
    bool free;
  };
  std::vector<Range> ranges;
  std::uint64_t placed = 0;
  for (const KzSwapListItem* item = swap.GetBlockListHead(); item != nullptr; item = item->next) {
    const KzSwapBlock* block = item->block;
    if (!block->IsSwapped()) continue;
    ranges.push_back({block->GetBeginPos(), block->GetEndPos(), block->GetSize(), false});
    placed += block->GetSize();
  }
  for (int i = 0; i < garbage->GetCount(); ++i) {
    const KzGarbageBlock& range = garbage->GetAt(i);
    ranges.push_back({range.GetBeginPos(), range.GetEndPos(), range.GetSize(), true});
  }
  if (placed != swap.GetUsedTotalSize()) {
    return ::testing::AssertionFailure()
           << "used size " << swap.GetUsedTotalSize() << " but the placed blocks hold " << placed;
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.begin < b.begin; });
  std::uint64_t expected = 0;
  const std::uint64_t sector = swap.GetSectorSize();
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    const Range& r = ranges[i];
    const char* fault = r.end - r.begin != r.size || r.size == 0  ? "a wrong or zero size"
                        : r.begin != expected                     ? "a gap or overlap before it"
                        : r.begin % sector != 0 || r.end % sector ? "no sector boundary"
                        : i > 0 && r.free && ranges[i - 1].free   ? "a free neighbour not merged"
                                                                  : nullptr;
    if (fault != nullptr) {
      return ::testing::AssertionFailure()
             << (r.free ? "free range" : "block") << " at " << r.begin << " has " << fault;
    }
    expected = r.end;
  }
  if (expected != swap.GetSwapSize()) {
    return ::testing::AssertionFailure()
           << "the ranges end at " << expected << ", the file at " << swap.GetSwapSize();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace vmem_testing
