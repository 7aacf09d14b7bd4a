// Utility-library stand-in: memory blocks, last error, abort polling, text and number helpers.
//
// Plain C functions. Failures return 0 (or null) and leave a code in the last error, which is
// thread-local and shared with the Win32 stand-in's GetLastError.
#pragma once

#include "tqwutl/types.h"

extern "C" {

// --- movable blocks ---------------------------------------------------------------------------
// Flag for tqAlloc/tqReAlloc/tqAllocPtr/tqReAllocPtr: new bytes are zero. Other bits are ignored.
inline constexpr DWORD TQ_ZEROINIT = 0x40;

// A new movable block of `size` bytes (0 allowed), or 0 with the last error 8. `error`, when
// not null, receives 0 or the failure code.
TQHANDLE tqAlloc(DWORD size, DWORD flags, int* error);
// Resizes a block, keeping its bytes up to the smaller size. Returns the handle (the same one)
// or 0 on failure, the block then unchanged. A locked block keeps its address: it can only be
// resized in place, else the call fails with 8.
TQHANDLE tqReAlloc(TQHANDLE handle, DWORD size, DWORD flags, int* error);
// The block's address; locks nest and the address is stable until the matching tqUnlock.
void* tqLock(TQHANDLE handle);
// Undoes one tqLock; returns the remaining lock count (0 when unlocked or not locked).
int tqUnlock(TQHANDLE handle);
// Frees a block (locked or not). Returns 1, or 0 for a null handle.
int tqFree(TQHANDLE handle);
DWORD tqGetHandleSize(TQHANDLE handle);

// --- fixed blocks -----------------------------------------------------------------------------
void* tqAllocPtr(DWORD size, DWORD flags, int* error);
// Resizes a fixed block; on failure returns null and the old block stays valid and unchanged.
void* tqReAllocPtr(void* block, DWORD size, DWORD flags, int* error);
void tqFreePtr(void* block);
DWORD tqGetPtrSize(const void* block);

// --- last error ------------------------------------------------------------------------------
int tqGetLastError();
void tqSetLastError(int code);

// --- abort polling ---------------------------------------------------------------------------
// Non-zero while the process-wide abort request is raised (see tqSetAbortRequest).
int tqAbort();
int tqAbortEx();
// Raises (non-zero) or clears (0) the abort request; safe to call from a signal handler.
void tqSetAbortRequest(int raised);

// --- text --------------------------------------------------------------------------------------
// Non-zero when byte `position` of `start` is the trail byte of a double-byte (Shift-JIS)
// character. Never reads beyond the zero that ends the text.
int tqIsDoubleByteCheckEx(const char* start, int position);
// Non-zero when the text is not empty and holds only the digits 0-9.
int tqIsOnlyNumberString(const char* text);
// Copies string `id` of `module`'s table into `buffer` (always zero-terminated, cut to
// `size` - 1 bytes) in the process language. `selector` is passed through (reserved). Returns
// the length copied, 0 when the string does not exist (the buffer then holds "").
int tqLoadString(HINSTANCE module, UINT id, UINT selector, char* buffer, int size);
// Registers (or replaces) the string table of a module; the entries must outlive the process.
void tqRegisterStringTable(HINSTANCE module, const tagTQSTRINGRES* entries, int count);
// The language tqLoadString uses: 1041 (Japanese) when LC_ALL, LC_MESSAGES or LANG (the first
// that is set) starts with "ja", else 1033 (English). tqSetLanguage overrides it (0: follow the
// locale again).
int tqGetLanguage();
void tqSetLanguage(int language);

// --- numbers -----------------------------------------------------------------------------------
// Round to the nearest integer, halves away from zero; values beyond the range saturate.
int tqDouble2Int(double value);
short tqDouble2Short(double value);
// Euclidean distance of (x1, y1) and (x2, y2).
double tqPointLength(double x1, double y1, double x2, double y2);
// Angle in radians, 0 to below 2 pi, of the direction from point 1 to point 2 on the screen
// (y pointing down, angles growing counter-clockwise): atan2(y1 - y2, x2 - x1), normalised.
double tqRotCalc(double x1, double y1, double x2, double y2);
// Brings an angle in radians into 0 <= a < 2 pi.
double tqRotNormal(double radians);
// Rotates `point` about `center` by `degrees`, counter-clockwise on the screen (y down).
void tqRotatePointD(tagPOINTD* point, const tagPOINTD* center, double degrees);
void tqSetRect(tagRECT* rect, int left, int top, int right, int bottom);

}  // extern "C"
