// Movable and fixed memory blocks on the C heap.
//
// A movable block's handle points to a control block that holds the data address, the size,
// the capacity and the lock count; only the data moves, and only while nothing holds a lock.
// A fixed block carries a small header in front of the caller's bytes.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "tqwutl/memory_p.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

struct TQHANDLE__ {
  std::uint32_t magic;
  int lockCount;
  DWORD size;
  bool pageAligned;      // allocated with TQ_ALIGN_PAGE: the data stays on a page boundary
  std::size_t capacity;  // bytes allocated at `data`, at least 1 so that size 0 has an address
  unsigned char* data;
  void* allocation;  // what the C heap gave: `data`, or the start of its page-aligned window
};

namespace {

constexpr std::uint32_t kHandleMagic = 0x4D485154;  // "TQHM"
constexpr std::uint32_t kPtrMagic = 0x50465154;     // "TQFP"
constexpr std::uint32_t kFreedMagic = 0xDEADDEAD;

// Sits in front of a fixed block; its size keeps the caller's bytes aligned for any type.
struct alignas(std::max_align_t) PtrHeader {
  std::uint32_t magic;
  DWORD size;
};

std::atomic<int> g_failAfter{-1};

// Consumes one success of the fault injection; true when this allocation is to fail.
bool InjectedFailure() {
  int remaining = g_failAfter.load(std::memory_order_relaxed);
  while (remaining > 0) {
    if (g_failAfter.compare_exchange_weak(remaining, remaining - 1, std::memory_order_relaxed)) {
      return false;
    }
  }
  return remaining == 0;
}

void Fail(DWORD code, int* error) {
  SetLastError(code);
  if (error != nullptr) *error = static_cast<int>(code);
}

void Succeed(int* error) {
  if (error != nullptr) *error = 0;
}

bool WantsZero(DWORD flags) { return (flags & TQ_ZEROINIT) != 0; }

// The control block of a live handle, or null with the last error 6.
TQHANDLE__* Validate(TQHANDLE handle) {
  if (handle == nullptr || handle->magic != kHandleMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return handle;
}

PtrHeader* HeaderOf(const void* block) {
  return const_cast<PtrHeader*>(static_cast<const PtrHeader*>(block) - 1);
}

// The header of a live fixed block, or null with the last error 6.
PtrHeader* ValidatePtr(const void* block) {
  if (block == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  PtrHeader* header = HeaderOf(block);
  if (header->magic != kPtrMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return header;
}

std::size_t Capacity(DWORD size) { return size == 0 ? 1 : size; }

// A block's data: `capacity` bytes from malloc, or for a page-aligned block a window of them
// at the first page boundary of a slightly larger allocation. (Plain malloc sizes let the C
// heap keep freed megabyte blocks for reuse, where aligned allocations would go back to the
// system and be mapped anew each time.) Returns the allocation, null without memory.
void* AllocData(std::size_t capacity, bool pageAligned, bool zero, unsigned char*& data) {
  if (!pageAligned) {
    void* allocation = zero ? std::calloc(capacity, 1) : std::malloc(capacity);
    data = static_cast<unsigned char*>(allocation);
    return allocation;
  }
  void* allocation = std::malloc(capacity + kTqPageAlignment - 1);
  if (allocation == nullptr) return nullptr;
  const auto address = reinterpret_cast<std::uintptr_t>(allocation);
  data = reinterpret_cast<unsigned char*>((address + kTqPageAlignment - 1) &
                                          ~std::uintptr_t{kTqPageAlignment - 1});
  if (zero) std::memset(data, 0, capacity);
  return allocation;
}

// Moves an unlocked block's data to `capacity` bytes, keeping its contents up to the smaller
// size and its alignment. False without memory (the block then stays as it was).
bool MoveData(TQHANDLE__* block, std::size_t capacity) {
  if (!block->pageAligned) {
    void* data = std::realloc(block->data, capacity);
    if (data == nullptr) return false;
    block->data = static_cast<unsigned char*>(data);
    block->allocation = data;
    return true;
  }
  unsigned char* data = nullptr;
  void* allocation = AllocData(capacity, true, false, data);
  if (allocation == nullptr) return false;
  std::memcpy(data, block->data, std::min(capacity, block->capacity));
  std::free(block->allocation);
  block->data = data;
  block->allocation = allocation;
  return true;
}

}  // namespace

extern "C" {

void tqTestFailAllocations(int after) {
  g_failAfter.store(after < 0 ? -1 : after, std::memory_order_relaxed);
}

// --- movable blocks ---------------------------------------------------------------------------

TQHANDLE tqAlloc(DWORD size, DWORD flags, int* error) {
  if (InjectedFailure()) {
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);
    return nullptr;
  }
  auto* block = static_cast<TQHANDLE__*>(std::malloc(sizeof(TQHANDLE__)));
  std::size_t capacity = Capacity(size);
  const bool pageAligned = (flags & TQ_ALIGN_PAGE) != 0;
  unsigned char* data = nullptr;
  void* allocation = AllocData(capacity, pageAligned, WantsZero(flags), data);
  if (block == nullptr || allocation == nullptr) {
    std::free(block);
    std::free(allocation);
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);
    return nullptr;
  }
  block->magic = kHandleMagic;
  block->lockCount = 0;
  block->size = size;
  block->pageAligned = pageAligned;
  block->capacity = capacity;
  block->data = data;
  block->allocation = allocation;
  Succeed(error);
  return block;
}

TQHANDLE tqReAlloc(TQHANDLE handle, DWORD size, DWORD flags, int* error) {
  TQHANDLE__* block = Validate(handle);
  if (block == nullptr) {
    if (error != nullptr) *error = static_cast<int>(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (InjectedFailure()) {
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);
    return nullptr;
  }
  std::size_t capacity = Capacity(size);
  if (block->lockCount == 0 && capacity != block->capacity) {
    // Unlocked: the data may move, so the allocation follows the size both ways.
    if (MoveData(block, capacity)) {
      block->capacity = capacity;
    } else if (capacity > block->capacity) {
      Fail(ERROR_NOT_ENOUGH_MEMORY, error);
      return nullptr;
    }  // a shrink that could not be given back stays in place
  } else if (capacity > block->capacity) {
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);  // locked: its address must not change
    return nullptr;
  }
  if (WantsZero(flags) && size > block->size) {
    std::memset(block->data + block->size, 0, size - block->size);
  }
  block->size = size;
  Succeed(error);
  return block;
}

void* tqLock(TQHANDLE handle) {
  TQHANDLE__* block = Validate(handle);
  if (block == nullptr) return nullptr;
  if (block->lockCount < std::numeric_limits<int>::max()) ++block->lockCount;
  return block->data;
}

int tqUnlock(TQHANDLE handle) {
  TQHANDLE__* block = Validate(handle);
  if (block == nullptr) return 0;
  if (block->lockCount > 0) --block->lockCount;
  return block->lockCount;
}

int tqFree(TQHANDLE handle) {
  TQHANDLE__* block = Validate(handle);
  if (block == nullptr) return 0;
  block->magic = kFreedMagic;
  std::free(block->allocation);
  std::free(block);
  return 1;
}

DWORD tqGetHandleSize(TQHANDLE handle) {
  TQHANDLE__* block = Validate(handle);
  return block == nullptr ? 0 : block->size;
}

// --- fixed blocks -----------------------------------------------------------------------------

void* tqAllocPtr(DWORD size, DWORD flags, int* error) {
  if (InjectedFailure()) {
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);
    return nullptr;
  }
  std::size_t bytes = sizeof(PtrHeader) + size;
  void* raw = WantsZero(flags) ? std::calloc(bytes, 1) : std::malloc(bytes);
  if (raw == nullptr) {
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);
    return nullptr;
  }
  auto* header = static_cast<PtrHeader*>(raw);
  header->magic = kPtrMagic;
  header->size = size;
  Succeed(error);
  return header + 1;
}

void* tqReAllocPtr(void* block, DWORD size, DWORD flags, int* error) {
  if (block == nullptr) return tqAllocPtr(size, flags, error);
  PtrHeader* header = ValidatePtr(block);
  if (header == nullptr) {
    if (error != nullptr) *error = static_cast<int>(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (InjectedFailure()) {
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);
    return nullptr;
  }
  DWORD oldSize = header->size;
  auto* moved = static_cast<PtrHeader*>(std::realloc(header, sizeof(PtrHeader) + size));
  if (moved == nullptr) {
    Fail(ERROR_NOT_ENOUGH_MEMORY, error);
    return nullptr;
  }
  moved->size = size;
  if (WantsZero(flags) && size > oldSize) {
    std::memset(reinterpret_cast<unsigned char*>(moved + 1) + oldSize, 0, size - oldSize);
  }
  Succeed(error);
  return moved + 1;
}

void tqFreePtr(void* block) {
  if (block == nullptr) return;
  PtrHeader* header = ValidatePtr(block);
  if (header == nullptr) return;
  header->magic = kFreedMagic;
  std::free(header);
}

DWORD tqGetPtrSize(const void* block) {
  if (block == nullptr) return 0;
  PtrHeader* header = ValidatePtr(block);
  return header == nullptr ? 0 : header->size;
}

}  // extern "C"
