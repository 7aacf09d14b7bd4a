// Win32 stand-in: the platform services the library calls, implemented on Linux.
//
// Names and contracts follow the original platform: failures return 0 (or the documented
// failure value) and leave a code in the thread's last error (GetLastError). Narrow text is
// code page 932 (Shift-JIS). What the original platform does not have (installing a message
// box handler, posting to a thread's queue from tests, configuring monitors, creating a
// window record without a window system) lives in namespace `win32`.
#pragma once

#include <cstdarg>
#include <functional>
#include <vector>

#include "win32/files.h"
#include "win32/paths.h"
#include "win32/types.h"

extern "C" {

// --- last error -----------------------------------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD code);

// FormatMessageA: with FORMAT_MESSAGE_FROM_SYSTEM, the system text of a Win32 error code (the
// texts end in CR LF as on the original platform). Returns the number of characters written
// (without the zero); 0 with 317 when the code has no text, 122 when the buffer is too small,
// 1815 for a language other than neutral or English, 87 for FORMAT_MESSAGE_ALLOCATE_BUFFER,
// other sources, a line width, or inserts without FORMAT_MESSAGE_IGNORE_INSERTS.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, va_list* arguments);

// --- message boxes ----------------------------------------------------------------------------
// Routed to the handler installed with win32::SetMessageBoxHandler.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// --- messages -------------------------------------------------------------------------------
// Each thread has a queue; any thread may post to it. PeekMessageA reads the calling thread's
// queue: window filter null = all, (HWND)-1 = thread messages only, a window = it and its
// descendants; filter 0, 0 = every message. A destroyed window's queued messages are dropped.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// 1444 when no thread with that id is alive.
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure (GWLP_WNDPROC, else DefWindowProcA) on the calling thread, also for
// a window of another thread.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_NCHITTEST answers HTCLIENT; everything else 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// --- windows (an in-process registry; there is no window system) ------------------------------
// A window records its parent (WS_CHILD) or owner, the creating thread, its style bits (the
// state: WS_VISIBLE, WS_DISABLED, WS_MINIMIZE, WS_MAXIMIZE), a rectangle without frame (client
// rectangle = 0, 0, width, height) and its window words. Siblings keep creation order as
// z-order until SetWindowPos changes it. Handles are never reused; a stale or made-up handle
// fails with 1400. When a thread ends, its windows go without messages. Only WM_DESTROY
// (DestroyWindow: owned windows first, then the window, then its children) and WM_ENABLE
// (EnableWindow, on a change) are sent. Callbacks run without any lock held.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parentOrOwner, HMENU menu, HINSTANCE instance,
                     LPVOID param);
// Only the owning thread may destroy a window (else 5).
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// A child's parent; a WS_POPUP window's owner; else null.
HWND GetParent(HWND window);
HWND GetAncestor(HWND window, UINT flags);
HWND GetWindow(HWND window, UINT relation);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
BOOL IsWindowEnabled(HWND window);
// Non-zero when the window was disabled before.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowVisible(HWND window);
// Returns the previous visibility. Maximizing fills the parent's client area or the work area
// of the nearest monitor; restoring brings the rectangle back; minimizing keeps it.
BOOL ShowWindow(HWND window, int command);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
LONG GetWindowLongA(HWND window, int index);
LONG SetWindowLongA(HWND window, int index, LONG value);
// Indices: GWL_STYLE, GWL_EXSTYLE, GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT, GWLP_ID,
// GWLP_USERDATA, DWLP_USER; others fail with 1413 (the 32-bit forms also refuse the pointer
// indices, as on a 64-bit original).
LONG_PTR GetWindowLongPtrA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
// Top-level windows of the thread in z-order; 0 when stopped or when there are none.
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM lParam);
// Every descendant, depth first; a null parent walks the top-level windows.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lParam);
BOOL ClientToScreen(HWND window, LPPOINT point);
BOOL ScreenToClient(HWND window, LPPOINT point);
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
// A window covering the virtual screen; its client coordinates are screen coordinates.
HWND GetDesktopWindow();

// --- monitors -------------------------------------------------------------------------------
// Monitors come from win32::SetMonitors; a handle stands for a position in that list. A
// rectangle picks the monitor it overlaps most; without overlap the flags decide (NEAREST: the
// smallest distance). A null window counts as lying on the primary monitor.
HMONITOR MonitorFromWindow(HWND window, DWORD flags);
HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags);
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info);
BOOL EnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM lParam);
int GetSystemMetrics(int index);
BOOL SystemParametersInfoA(UINT action, UINT param, LPVOID value, UINT winIni);

// --- modules --------------------------------------------------------------------------------
// A module handle is the start of the object's mapping, the same value however it is reached.
// GetModuleHandleA(nullptr) is the main executable; a bare name matches a loaded file name with
// or without version suffixes ("libkz.so" finds "libkz.so.0"); a name with a separator is a
// path in the library form. Not found: null with 126.
HMODULE GetModuleHandleA(LPCSTR name);
// The module's path in the library form (code page 932, backslashes). Too small a buffer gets
// what fits without splitting a character, zero-terminated; the result is then `size`, 122.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// --- code pages and text --------------------------------------------------------------------
UINT GetACP();  // 932
// Code pages: CP_ACP, CP_OEMCP, CP_THREAD_ACP, 932 (all Shift-JIS) and CP_UTF8; others 87.
// Length -1: up to and with the terminator; out length 0: the size needed; too small: 122.
// Invalid Shift-JIS (a lead byte without a valid trail byte, or an unassigned pair) becomes
// U+30FB, invalid UTF-8 U+FFFD, or 1113 with MB_ERR_INVALID_CHARS. Flags beyond
// MB_PRECOMPOSED and MB_ERR_INVALID_CHARS: 1004. Never reads past the length or terminator.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                        int outLength);
// To Shift-JIS, a unit without a mapping (each half of a surrogate pair too) becomes the
// default character ('?' unless given, one or two bytes) and sets *usedDefaultChar; without
// WC_NO_BEST_FIT_CHARS look-alikes are used first (accented Latin letters lose the accent, yen
// sign -> 0x5C). To UTF-8, an unpaired surrogate becomes U+FFFD (1113 with
// WC_ERR_INVALID_CHARS) and defaultChar / usedDefaultChar must be null (87).
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                        int outLength, LPCSTR defaultChar, LPBOOL usedDefaultChar);
BOOL IsDBCSLeadByte(BYTE byte);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte);
// Double-byte aware; never step past the terminator (a lead byte before it is one byte).
LPSTR CharNextA(LPCSTR text);
LPSTR CharPrevA(LPCSTR start, LPCSTR current);
// Ordinal on UTF-16 units (the A form converts from code page 932 first), CSTR_* results;
// NORM_IGNORECASE compares lower-case forms (C.UTF-8 case mapping); other flags 1004.
int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int lengthA, LPCSTR b, int lengthB);
int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int lengthA, LPCWSTR b, int lengthB);
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
int lstrcmpW(LPCWSTR a, LPCWSTR b);
int lstrcmpiW(LPCWSTR a, LPCWSTR b);
int lstrlenW(LPCWSTR text);
// The C.UTF-8 locale's case mapping (full-width Latin, Greek, Cyrillic ...). A pointer whose
// high bits are zero carries a single character, which is returned mapped.
LPWSTR CharLowerW(LPWSTR text);
LPWSTR CharUpperW(LPWSTR text);
DWORD CharLowerBuffW(LPWSTR text, DWORD length);
DWORD CharUpperBuffW(LPWSTR text, DWORD length);
// The C runtime's multibyte-aware comparisons for code page 932: a double-byte character
// compares as one unit, lead byte first. The `i` form ignores the case of ASCII letters
// (folded to lower case). A null argument answers INT_MAX.
int _mbscmp(const unsigned char* a, const unsigned char* b);
int _mbsicmp(const unsigned char* a, const unsigned char* b);

// --- synchronisation and threads ------------------------------------------------------------
// Recursive. A zeroed section (never initialised) gets its lock on first use.
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
// A named event is shared within the process (an existing name: last error 183).
HANDLE CreateEventA(LPVOID security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Events and threads are waitable; a thread is signalled when it has returned. WAIT_FAILED
// with 6 for a handle that is not open.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
// Closes events, threads, files and searches. Objects are reference-counted: a running
// thread survives the closing of its handle.
BOOL CloseHandle(HANDLE object);
// Flags 0 or CREATE_SUSPENDED. The thread's windows and queue go when it returns, before its
// handle is signalled.
HANDLE CreateThread(LPVOID security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID param,
                    DWORD creationFlags, LPDWORD threadId);
// The C runtime's thread start: returns the thread handle (0 on failure).
std::uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*),
                              void* arg, unsigned initFlag, unsigned* threadId);
// Starts a thread created with CREATE_SUSPENDED; returns the previous suspend count (1, or 0
// when it was running), (DWORD)-1 with 6 for a handle that is not a thread.
DWORD ResumeThread(HANDLE thread);
// STILL_ACTIVE (259) while the thread runs, then its return value.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// A small non-zero id, given out once per thread in the order threads first ask for one (or
// are created); the id EnumThreadWindows, PostThreadMessageA and GetWindowThreadProcessId use.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
void Sleep(DWORD milliseconds);
LONG CoInitialize(LPVOID reserved);  // a no-op: there is no COM
void CoUninitialize();

// --- time -----------------------------------------------------------------------------------
DWORD timeGetTime();  // milliseconds of a monotonic clock, wrapping at 2^32
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void GetLocalTime(SYSTEMTIME* out);
void GetSystemTime(SYSTEMTIME* out);

// --- memory ---------------------------------------------------------------------------------
// From /proc/meminfo: physical = MemTotal / MemAvailable, page file = physical + swap, virtual
// = 128 TiB less this process's VmSize. 87 when dwLength is not the record's size.
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);
HANDLE GetProcessHeap();
// The process heap is the only heap (another handle: 6). HEAP_ZERO_MEMORY is honoured;
// failure: null with 8. HeapSize answers the size asked for.
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
SIZE_T HeapSize(HANDLE heap, DWORD flags, LPCVOID block);

}  // extern "C"

// What the original platform offers through its window system or its shell, and what tests and
// applications need to drive the stand-in.
namespace win32 {

// Answers a message box instead of a screen. Returns IDOK, IDCANCEL, IDYES, IDNO, ...
using MessageBoxHandler =
    std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;

// Installs the message box handler; an empty handler restores the default, which prints
// "caption: text" (converted to UTF-8) to stderr and answers the safest button: Cancel, else
// No, else Abort (abort/retry/ignore), else OK.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The safest answer to a box of `type`: IDCANCEL where it has Cancel, else IDNO, else IDABORT
// (abort/retry/ignore), else IDOK.
int SafestAnswer(UINT type);

// The module (shared object or executable) that holds `address`, or null.
HMODULE ModuleFromAddress(const void* address);

// A monitor: its full rectangle and work area, in virtual-screen coordinates.
struct Monitor {
  RECT rect;
  RECT work;
};

// Replaces the monitor list (the first is primary); an empty list restores the default: one
// 1920 x 1080 monitor whose work area leaves a 40-pixel task bar at the bottom.
void SetMonitors(const std::vector<Monitor>& monitors);
std::vector<Monitor> GetMonitors();

// The system text of a Win32 error code in English (ending in CR LF), or "" for an unknown code.
const char* SystemErrorText(DWORD code);

// Win32 error code for an errno value (ENOSPC -> 39, ENOENT -> 2, EACCES -> 5, EEXIST -> 80,
// EROFS -> 19, EIO -> 30 (the write paths of the file services report 29 themselves) ...);
// unknown values give 31 (ERROR_GEN_FAILURE).
DWORD ErrorFromErrno(int error);

}  // namespace win32
