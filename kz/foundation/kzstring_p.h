// Internals shared by the narrow and wide strings: double-byte stepping and a scratch buffer of
// 16-bit units.
#pragma once

#include "win32/types.h"

// Non-zero for a lead byte of a double-byte character of the process code page.
bool kzIsLeadByte(char c);
// 2 when `p` starts a double-byte character, else 1. A lead byte right before the terminator
// counts as a single byte, so a scan never steps over the zero.
int kzCharSize(const char* p);

// A zeroed scratch block of `units` + 1 16-bit units from the utility library, freed on scope
// exit. Allocation failure throws the utility library's error word.
class KzWideBuffer {
 public:
  explicit KzWideBuffer(int units);
  ~KzWideBuffer();
  KzWideBuffer(KzWideBuffer&& other) noexcept : m_units(other.Release()) {}
  KzWideBuffer(const KzWideBuffer&) = delete;
  KzWideBuffer& operator=(const KzWideBuffer&) = delete;

  WCHAR* Get() const { return m_units; }
  // Gives up the block; the caller frees it with tqFreePtr.
  WCHAR* Release();

 private:
  WCHAR* m_units;
};

// Throws the utility library's error word of a failed allocation: `error` when set, else the
// last error, else 8.
[[noreturn]] void kzThrowTextAllocationError(int error);
