// Utility-library stand-in, internal: fault injection for the memory blocks, so that tests of
// every layer can drive their allocation-failure paths.
#pragma once

extern "C" {

// From now on the allocation functions (tqAlloc, tqReAlloc, tqAllocPtr, tqReAllocPtr) succeed
// `after` more times and then fail with error 8, until the next call; -1 (any negative value)
// means never fail. Every call of those four counts, whatever its size. Thread-safe.
void tqTestFailAllocations(int after);

}  // extern "C"
