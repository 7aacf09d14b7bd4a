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

#include "win32/types.h"

extern "C" {

// --- last error -----------------------------------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD code);

// FormatMessageA: with FORMAT_MESSAGE_FROM_SYSTEM, the system text of a Win32 error code (the
// texts end in CR LF as on the original platform). Returns the number of characters written
// (without the zero), 0 when the code has no text or the buffer is too small.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, va_list* arguments);

// --- message boxes ----------------------------------------------------------------------------
// Routed to the handler installed with win32::SetMessageBoxHandler.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// --- messages -------------------------------------------------------------------------------
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// --- windows (an in-process registry; there is no window system) ------------------------------
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parentOrOwner, HMENU menu, HINSTANCE instance,
                     LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
HWND GetParent(HWND window);
HWND GetAncestor(HWND window, UINT flags);
HWND GetWindow(HWND window, UINT relation);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
BOOL IsWindowEnabled(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowVisible(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
LONG GetWindowLongA(HWND window, int index);
LONG SetWindowLongA(HWND window, int index, LONG value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM lParam);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lParam);
BOOL ClientToScreen(HWND window, LPPOINT point);
BOOL ScreenToClient(HWND window, LPPOINT point);
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
HWND GetDesktopWindow();

// --- monitors -------------------------------------------------------------------------------
HMONITOR MonitorFromWindow(HWND window, DWORD flags);
HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags);
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info);
BOOL EnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM lParam);
int GetSystemMetrics(int index);
BOOL SystemParametersInfoA(UINT action, UINT param, LPVOID value, UINT winIni);

// --- modules --------------------------------------------------------------------------------
// GetModuleHandleA(nullptr) is the main executable; win32::ModuleFromAddress names a library.
HMODULE GetModuleHandleA(LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// --- code pages and text --------------------------------------------------------------------
UINT GetACP();
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                        int outLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                        int outLength, LPCSTR defaultChar, LPBOOL usedDefaultChar);
BOOL IsDBCSLeadByte(BYTE byte);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte);
LPSTR CharNextA(LPCSTR text);
LPSTR CharPrevA(LPCSTR start, LPCSTR current);
int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int lengthA, LPCSTR b, int lengthB);
int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int lengthA, LPCWSTR b, int lengthB);
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
int lstrcmpW(LPCWSTR a, LPCWSTR b);
int lstrcmpiW(LPCWSTR a, LPCWSTR b);
int lstrlenW(LPCWSTR text);
LPWSTR CharLowerW(LPWSTR text);
LPWSTR CharUpperW(LPWSTR text);
DWORD CharLowerBuffW(LPWSTR text, DWORD length);
DWORD CharUpperBuffW(LPWSTR text, DWORD length);
// The C runtime's multibyte-aware comparisons for code page 932: a double-byte character
// compares as one unit, lead byte first. The `i` form ignores the case of ASCII letters.
int _mbscmp(const unsigned char* a, const unsigned char* b);
int _mbsicmp(const unsigned char* a, const unsigned char* b);

// --- synchronisation and threads ------------------------------------------------------------
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
HANDLE CreateEventA(LPVOID security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Events and threads are waitable; a thread is signalled when it has returned.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);
HANDLE CreateThread(LPVOID security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID param,
                    DWORD creationFlags, LPDWORD threadId);
// The C runtime's thread start: returns the thread handle (0 on failure).
std::uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*),
                              void* arg, unsigned initFlag, unsigned* threadId);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
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
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);  // from /proc/meminfo
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
SIZE_T HeapSize(HANDLE heap, DWORD flags, LPCVOID block);

}  // extern "C"

// What the original platform offers through its window system or its shell, and what tests and
// applications need to drive the stand-in.
namespace win32 {

// Answers a message box instead of a screen. Returns IDOK, IDCANCEL, IDYES, IDNO, ...
using MessageBoxHandler = std::function<int(HWND owner, const char* text, const char* caption,
                                            UINT type)>;

// Installs the message box handler; an empty handler restores the default, which prints the
// caption and text (converted to UTF-8) to stderr and answers the safest button: Cancel, else
// No, else OK.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The module (shared object or executable) that holds `address`, or null.
HMODULE ModuleFromAddress(const void* address);

// A monitor: its full rectangle and work area, in virtual-screen coordinates.
struct Monitor {
  RECT rect;
  RECT work;
};

// Replaces the monitor list (the first is primary). Default: one 1920 x 1080 monitor whose work
// area leaves a 40-pixel task bar at the bottom.
void SetMonitors(const std::vector<Monitor>& monitors);
std::vector<Monitor> GetMonitors();

// The system text of a Win32 error code in English, or empty.
const char* SystemErrorText(DWORD code);

// Win32 error code for an errno value (ENOSPC -> 39, ENOENT -> 2, EACCES -> 5, EEXIST -> 80 ...).
DWORD ErrorFromErrno(int error);

}  // namespace win32
