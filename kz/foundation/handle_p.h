// Internals shared by the block wrappers (KzHandle, KzPointer): range-checked byte copies and the
// throw of a failed allocation.
#pragma once

#include "win32/types.h"

// Copies `size` bytes from src + srcOffset to dst + dstOffset (the ranges may overlap). Throws
// 0x20010008 when either range leaves its block; a zero size copies nothing.
void kzCopyBlockBytes(void* dst, DWORD dstSize, DWORD dstOffset, const void* src, DWORD srcSize,
                      DWORD srcOffset, DWORD size);

// The byte count a copy of `size` from a source of `srcSize` bytes at `srcOffset` covers: size 0
// means the rest of the source. Throws 0x20010008 when the offset lies beyond the source.
DWORD kzResolveCopySize(DWORD size, DWORD srcSize, DWORD srcOffset);

// Throws the utility library's last error (else `error`, else 8) with the system alert.
[[noreturn]] void kzThrowAllocationError(int error);
