// Memory status from /proc and the process heap on malloc.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "win32/win32.h"

namespace win32::detail {
namespace {

// The user address space of x86-64 with four-level page tables.
constexpr DWORDLONG kUserAddressSpace = DWORDLONG{128} << 40;

// The value of a "Key:   123 kB" line of a /proc file, in bytes; false when absent.
bool ReadKilobytes(const char* file, const std::string& key, DWORDLONG& bytes) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0 || line.size() <= key.size() ||
        line[key.size()] != ':') {
      continue;
    }
    std::istringstream fields(line.substr(key.size() + 1));
    DWORDLONG kilobytes = 0;
    if (!(fields >> kilobytes)) return false;
    bytes = kilobytes * 1024;
    return true;
  }
  return false;
}

// Blocks carry their requested size in a header, so HeapSize answers what was asked for.
struct alignas(16) BlockHeader {
  SIZE_T size;
};

void* ToUser(BlockHeader* header) { return header + 1; }
BlockHeader* ToHeader(void* block) { return static_cast<BlockHeader*>(block) - 1; }
BlockHeader* ToHeader(const void* block) { return ToHeader(const_cast<void*>(block)); }

bool TooLarge(SIZE_T bytes) {
  return bytes > std::numeric_limits<SIZE_T>::max() / 2 - sizeof(BlockHeader);
}

// The process heap: the only heap there is.
char g_processHeap;

bool IsProcessHeap(HANDLE heap) {
  if (heap == &g_processHeap) return true;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

}  // namespace
}  // namespace win32::detail

extern "C" {

// Physical memory from MemTotal and MemAvailable, the page file as physical memory plus swap,
// the virtual address space as 128 TiB less this process's VmSize. Fails with 87 when
// dwLength is not the size of the record.
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
  using win32::detail::ReadKilobytes;
  if (status == nullptr || status->dwLength != sizeof(MEMORYSTATUSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORDLONG total = 0, available = 0, swapTotal = 0, swapFree = 0, vmSize = 0;
  if (!ReadKilobytes("/proc/meminfo", "MemTotal", total) ||
      !ReadKilobytes("/proc/meminfo", "MemAvailable", available)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  ReadKilobytes("/proc/meminfo", "SwapTotal", swapTotal);
  ReadKilobytes("/proc/meminfo", "SwapFree", swapFree);
  ReadKilobytes("/proc/self/status", "VmSize", vmSize);
  available = std::min(available, total);
  status->ullTotalPhys = total;
  status->ullAvailPhys = available;
  status->dwMemoryLoad = total == 0 ? 0 : static_cast<DWORD>((total - available) * 100 / total);
  status->ullTotalPageFile = total + swapTotal;
  status->ullAvailPageFile = available + std::min(swapFree, swapTotal);
  status->ullTotalVirtual = win32::detail::kUserAddressSpace;
  status->ullAvailVirtual =
      win32::detail::kUserAddressSpace - std::min(vmSize, win32::detail::kUserAddressSpace);
  status->ullAvailExtendedVirtual = 0;
  return 1;
}

HANDLE GetProcessHeap() { return &win32::detail::g_processHeap; }

// Flags: HEAP_ZERO_MEMORY; the others are accepted and change nothing. Failure: null and 8.
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  using win32::detail::BlockHeader;
  if (!win32::detail::IsProcessHeap(heap)) return nullptr;
  void* raw = win32::detail::TooLarge(bytes) ? nullptr
              : (flags & HEAP_ZERO_MEMORY)   ? std::calloc(1, sizeof(BlockHeader) + bytes)
                                             : std::malloc(sizeof(BlockHeader) + bytes);
  if (raw == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* header = static_cast<BlockHeader*>(raw);
  header->size = bytes;
  return win32::detail::ToUser(header);
}

// HEAP_ZERO_MEMORY clears the grown part; HEAP_REALLOC_IN_PLACE_ONLY succeeds only when the
// block can stay where it is (shrinking always can). Failure: null, 8, the block unchanged.
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes) {
  using win32::detail::BlockHeader;
  if (!win32::detail::IsProcessHeap(heap)) return nullptr;
  if (block == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  BlockHeader* header = win32::detail::ToHeader(block);
  const SIZE_T old = header->size;
  if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
    if (bytes > old && (win32::detail::TooLarge(bytes) ||
                        malloc_usable_size(header) < sizeof(BlockHeader) + bytes)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    header->size = bytes;
    if ((flags & HEAP_ZERO_MEMORY) && bytes > old) {
      std::memset(static_cast<char*>(block) + old, 0, bytes - old);
    }
    return block;
  }
  void* raw =
      win32::detail::TooLarge(bytes) ? nullptr : std::realloc(header, sizeof(BlockHeader) + bytes);
  if (raw == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  header = static_cast<BlockHeader*>(raw);
  header->size = bytes;
  void* user = win32::detail::ToUser(header);
  if ((flags & HEAP_ZERO_MEMORY) && bytes > old) {
    std::memset(static_cast<char*>(user) + old, 0, bytes - old);
  }
  return user;
}

BOOL HeapFree(HANDLE heap, DWORD /*flags*/, LPVOID block) {
  if (!win32::detail::IsProcessHeap(heap)) return 0;
  if (block != nullptr) std::free(win32::detail::ToHeader(block));
  return 1;
}

// (SIZE_T)-1 for a null block or another heap, as the original's failure value.
SIZE_T HeapSize(HANDLE heap, DWORD /*flags*/, LPCVOID block) {
  if (!win32::detail::IsProcessHeap(heap)) return static_cast<SIZE_T>(-1);
  if (block == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<SIZE_T>(-1);
  }
  return win32::detail::ToHeader(block)->size;
}

}  // extern "C"
