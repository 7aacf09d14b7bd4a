// Virtual memory internals for tests: the budget rule on given memory figures.
#pragma once

#include <cstdint>

#include "win32/types.h"

// kzGetAllocateMemorySize on the physical memory figures of `status` instead of the machine's.
std::uint64_t kzGetAllocateMemorySizeFor(int mode, int percentage, const MEMORYSTATUSEX& status);
