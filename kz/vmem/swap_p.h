// Swap file internals for tests: what the disk-space checks see, and the names of swap files.
#pragma once

#include <cstdint>

// From now on the swap's free-space checks (at creation and when the file grows) see `bytes`
// instead of the disk's own figure; kzSwapNoFreeSpaceOverride restores the real figure.
inline constexpr std::uint64_t kzSwapNoFreeSpaceOverride = ~std::uint64_t{0};
void kzSwapSetFreeSpaceOverride(std::uint64_t bytes);

// Non-zero when `name` (a bare file name) has the form the swap's temporary names take:
// "SWP", one to four upper-case hex digits, ".tmp".
int kzIsSwapFileName(const char* name);
