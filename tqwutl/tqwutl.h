// Utility-library stand-in: memory blocks, last error, abort polling, text and number helpers.
//
// Plain C functions. Failures return 0 (or null) and leave a code in the last error, which is
// thread-local and shared with the Win32 stand-in's GetLastError: 6 for a null or foreign
// handle, 8 when memory runs out, 87 for a bad argument, 1814 for a missing string.
#pragma once

#include "tqwutl/types.h"
#include "tqwutl/files.h"

extern "C" {

// --- movable blocks ---------------------------------------------------------------------------
// Flag for tqAlloc/tqReAlloc/tqAllocPtr/tqReAllocPtr: new bytes are zero. Other bits are ignored.
inline constexpr DWORD TQ_ZEROINIT = 0x40;
// Flag for tqAlloc: the block's data starts on a kTqPageAlignment boundary, as unbuffered file
// I/O needs, and keeps that alignment whenever tqReAlloc moves it. tqReAlloc and the fixed
// block functions ignore it (a block keeps the alignment it was allocated with).
inline constexpr DWORD TQ_ALIGN_PAGE = 0x10000;
inline constexpr DWORD kTqPageAlignment = 4096;

// A new movable block of `size` bytes (0 allowed), or 0 with the last error 8. `error`, when
// not null, receives 0 or the failure code.
TQHANDLE tqAlloc(DWORD size, DWORD flags, int* error);
// Resizes a block, keeping its bytes up to the smaller size. Returns the handle (the same one)
// or 0 on failure, the block then unchanged. A locked block keeps its address: it can only be
// resized in place, else the call fails with 8. A null or foreign handle fails with 6.
TQHANDLE tqReAlloc(TQHANDLE handle, DWORD size, DWORD flags, int* error);
// The block's address; locks nest and the address is stable until the matching tqUnlock.
// Also a block of size 0 has an address. A null or foreign handle gives null and error 6.
void* tqLock(TQHANDLE handle);
// Undoes one tqLock; returns the remaining lock count (0 when unlocked or not locked).
int tqUnlock(TQHANDLE handle);
// Frees a block (locked or not); the handle is invalid afterwards. Returns 1, or 0 with the
// last error 6 for a null or foreign handle.
int tqFree(TQHANDLE handle);
// The block's size in bytes as last requested; 0 with the last error 6 for a bad handle.
DWORD tqGetHandleSize(TQHANDLE handle);

// --- fixed blocks -----------------------------------------------------------------------------
// A new fixed block of `size` bytes (0 allowed), aligned for any type, or null with the last
// error 8. `error` as for tqAlloc.
void* tqAllocPtr(DWORD size, DWORD flags, int* error);
// Resizes a fixed block; on failure returns null and the old block stays valid and unchanged.
// A null block is allocated as by tqAllocPtr.
void* tqReAllocPtr(void* block, DWORD size, DWORD flags, int* error);
// Frees a fixed block; null is ignored, a block not from tqAllocPtr sets the last error 6.
void tqFreePtr(void* block);
// The block's size in bytes as last requested; 0 for null (and error 6 for a foreign block).
DWORD tqGetPtrSize(const void* block);

// --- last error ------------------------------------------------------------------------------
// The calling thread's last error; the same value as GetLastError().
int tqGetLastError();
void tqSetLastError(int code);

// --- abort polling ---------------------------------------------------------------------------
// Non-zero while the process-wide abort request is raised (see tqSetAbortRequest). Asking does
// not clear the request.
int tqAbort();
int tqAbortEx();
// Raises (non-zero) or clears (0) the abort request; safe to call from a signal handler.
void tqSetAbortRequest(int raised);

// --- text --------------------------------------------------------------------------------------
// Non-zero when byte `position` of `start` is the trail byte of a double-byte (Shift-JIS)
// character. Never reads beyond the zero that ends the text; a lead byte right before that zero
// is a single byte, and a position at or past the zero (or negative, or a null text) gives 0.
int tqIsDoubleByteCheckEx(const char* start, int position);
// Non-zero when the text is not empty and holds only the digits 0-9.
int tqIsOnlyNumberString(const char* text);
// Copies string `id` of `module`'s table into `buffer` (always zero-terminated, cut to
// `size` - 1 bytes without splitting a double-byte character) in the process language; a
// string without a Japanese text falls back to English. `selector` is passed through
// (reserved). Returns the length copied, 0 when the string does not exist (the buffer then
// holds "" and the last error is 1814). A null buffer or a size below 1 gives 0 and error 87.
int tqLoadString(HINSTANCE module, UINT id, UINT selector, char* buffer, int size);
// Registers (or replaces) the string table of a module; the entries must outlive the process.
// Null entries or a count below 1 remove the module's table. Of equal ids the first counts.
void tqRegisterStringTable(HINSTANCE module, const tagTQSTRINGRES* entries, int count);
// The language tqLoadString uses: 1041 (Japanese) when LC_ALL, LC_MESSAGES or LANG (the first
// that is set and not empty) starts with "ja", else 1033 (English). tqSetLanguage overrides it
// (0: follow the locale again).
int tqGetLanguage();
void tqSetLanguage(int language);

// --- numbers -----------------------------------------------------------------------------------
// Round to the nearest integer, halves away from zero; values beyond the range saturate and a
// NaN gives 0.
int tqDouble2Int(double value);
short tqDouble2Short(double value);
// Euclidean distance of (x1, y1) and (x2, y2).
double tqPointLength(double x1, double y1, double x2, double y2);
// Angle in radians, 0 to below 2 pi, of the direction from point 1 to point 2 on the screen
// (y pointing down, angles growing counter-clockwise): atan2(y1 - y2, x2 - x1), normalised.
// Equal points give 0.
double tqRotCalc(double x1, double y1, double x2, double y2);
// Brings an angle in radians into 0 <= a < 2 pi; an infinite or NaN angle gives 0.
double tqRotNormal(double radians);
// Rotates `point` about `center` by `degrees`, counter-clockwise on the screen (y down): (r, 0)
// turned by 90 degrees about the origin is (0, -r). Multiples of 90 degrees are exact. Null
// pointers or an infinite or NaN angle leave the point as it is.
void tqRotatePointD(tagPOINTD* point, const tagPOINTD* center, double degrees);
// Stores the four coordinates in `rect` (null is ignored).
void tqSetRect(tagRECT* rect, int left, int top, int right, int bottom);

}  // extern "C"
