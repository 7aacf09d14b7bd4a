// File and folder services of the Win32 stand-in, with the original names and contracts.
//
// Paths are in the library's text form (code page 932, backslashes, an optional drive letter
// that stands for the root) and are converted with win32::ToNativePath at this boundary.
// Failures return the documented failure value and leave a Win32 code in GetLastError
// (errno values are mapped by win32::ErrorFromErrno). File handles share the kernel handle
// table: CloseHandle closes them. Attributes on Linux: FILE_ATTRIBUTE_DIRECTORY from the file
// type; FILE_ATTRIBUTE_READONLY when the caller cannot write the file (for root: when the file
// has no write bit), and a read-only file is neither opened for writing, replaced nor deleted,
// as on the original; FILE_ATTRIBUTE_HIDDEN for names starting with '.' and for files marked
// hidden in this process; FILE_ATTRIBUTE_ARCHIVE for every other regular file.
#pragma once

#include "win32/types.h"

// --- constants -------------------------------------------------------------------------------
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD GENERIC_ALL = 0x10000000;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
inline constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;
inline constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000;
inline constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
inline constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000;
inline constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;
inline constexpr DWORD MAX_PATH = 260;

// --- records ---------------------------------------------------------------------------------
union _LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
using LARGE_INTEGER = _LARGE_INTEGER;
using PLARGE_INTEGER = _LARGE_INTEGER*;

union _ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  };
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};
using ULARGE_INTEGER = _ULARGE_INTEGER;
using PULARGE_INTEGER = _ULARGE_INTEGER*;

struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using SECURITY_ATTRIBUTES = _SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = _SECURITY_ATTRIBUTES*;

// With a synchronous handle (the only kind there is) the offset says where ReadFile and
// WriteFile start; the call still completes before it returns.
struct _OVERLAPPED {
  ULONG_PTR Internal;      // status: 0 after a completed call
  ULONG_PTR InternalHigh;  // bytes transferred
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;  // set when the call completes, when not null
};
using OVERLAPPED = _OVERLAPPED;
using LPOVERLAPPED = _OVERLAPPED*;

struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
using WIN32_FIND_DATAA = _WIN32_FIND_DATAA;
using LPWIN32_FIND_DATAA = _WIN32_FIND_DATAA*;

extern "C" {

// --- file handles ----------------------------------------------------------------------------
// Access: GENERIC_READ, GENERIC_WRITE (GENERIC_ALL = both). Share modes are accepted and not
// enforced. Dispositions as on the original: CREATE_NEW fails with 80 on an existing file;
// CREATE_ALWAYS and OPEN_ALWAYS succeed on one with last error 183 (else 0). Attributes:
// READONLY makes a new file read-only, HIDDEN marks it hidden; others are accepted. Flags:
// DELETE_ON_CLOSE unlinks the name right after opening; NO_BUFFERING uses O_DIRECT where the
// file system accepts it (the original's sector alignment rules then apply: misaligned I/O
// fails with 87) and buffered I/O where it refuses; WRITE_THROUGH uses O_DSYNC;
// FILE_FLAG_OVERLAPPED is refused with 87. A folder opens only with
// FILE_FLAG_BACKUP_SEMANTICS (else 5). Returns INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Reads up to `count` bytes at the file pointer (or at the OVERLAPPED offset); fewer at the
// end of the file, 0 at the end. 5 without read access.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped);
// Writes all `count` bytes or fails (39 when the disk is full, 29 on an I/O error), `written`
// then telling how many reached the file. 5 without write access.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
// Moves the file pointer; a target before the start fails with 131 and leaves it. Without
// `distanceHigh` the distance is a signed 32-bit value and a result past 4 GiB - 2 fails with
// 87. On success the last error is 0 (the result may equal INVALID_SET_FILE_POINTER).
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition,
                      DWORD method);
// The low 32 bits of the size (the high ones through `sizeHigh`); last error 0 on success.
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
// Cuts or extends the file to the file pointer. 5 without write access.
BOOL SetEndOfFile(HANDLE file);
// Writes the file's data and metadata to the device. 5 without write access.
BOOL FlushFileBuffers(HANDLE file);
// Times as 100 ns ticks since 1601 (UTC). The creation time is the birth time where the file
// system keeps one, else the last write time; SetFileTime cannot change it (the value is
// ignored). A null pointer or a zero time leaves that time as it is.
BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess,
                 const FILETIME* lastWrite);

// --- files and folders by name ---------------------------------------------------------------
// Fails with 5 on a folder or a read-only file, 2 when missing.
BOOL DeleteFileA(LPCSTR path);
// MoveFileA: MoveFileExA with MOVEFILE_COPY_ALLOWED.
BOOL MoveFileA(LPCSTR from, LPCSTR to);
// An existing target fails with 183 unless MOVEFILE_REPLACE_EXISTING (then a read-only or
// folder target fails with 5). Across file systems a file is copied and the source deleted
// when MOVEFILE_COPY_ALLOWED is given, else 17. MOVEFILE_WRITE_THROUGH flushes the target.
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
// Copies data, permission bits (so READONLY) and times. With `failIfExists` an existing target
// fails with 80; a read-only target fails with 5.
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
// An existing folder or file fails with 183; a missing parent with 3.
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
// 145 when not empty, 267 when the path is a file.
BOOL RemoveDirectoryA(LPCSTR path);
// INVALID_FILE_ATTRIBUTES with 2 or 3 when the path does not lead to anything.
DWORD GetFileAttributesA(LPCSTR path);
// READONLY removes every write bit (setting it back gives the write bits the umask allows
// where there are read bits); HIDDEN is recorded in this process (a name starting with '.'
// stays hidden). Folders never become read-only. Other attributes are accepted and ignored.
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);

// --- searching -------------------------------------------------------------------------------
// Lists the folder of `pattern` and matches its last component: '*' is any run of characters,
// '?' one character, letters match regardless of ASCII case, "*.*" matches every name and a
// trailing '.' matches names without an extension. "." and ".." are listed like the original.
// Entries are sorted by name. cAlternateFileName is always empty (there are no short names);
// a name that code page 932 cannot hold is given with '?' for each such character, and a name
// longer than MAX_PATH - 1 bytes in code page 932 is skipped. No match: INVALID_HANDLE_VALUE
// with 2; a missing folder: 3.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
// 0 with 18 when there are no more entries.
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);

// --- paths and temporary files ---------------------------------------------------------------
// $TMPDIR (when set and not empty) or /tmp, in the library form with a trailing backslash.
// Returns the length, or the size needed (with the zero) when the buffer is too small.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
// Names `path`\<prefix (up to 3 characters)><hex of unique>.tmp in `buffer` (MAX_PATH bytes).
// unique 0: tries numbers until a new file can be created with O_EXCL and returns that number
// (the file exists and is empty); else only builds the name (low 16 bits of `unique`) and
// returns `unique`. 0 with 267 when the folder does not exist, 206 when the name would not fit.
UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer);
// The absolute form of `name` (joined to the current folder when relative, "." and ".."
// resolved, nothing checked on disk), keeping a drive or UNC prefix and a trailing separator.
// Returns the length, or the size needed (with the zero) when the buffer is too small.
// `filePart`, when not null, receives the last component's address (null after a separator).
DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);

// --- disks -----------------------------------------------------------------------------------
// Bytes free to the caller, total bytes and free bytes of the file system holding `folder`
// (null: the current folder). Any output may be null.
BOOL GetDiskFreeSpaceExA(LPCSTR folder, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                         PULARGE_INTEGER totalFree);
// Clusters are the file system's fragments; a sector is the device's logical block size (from
// /sys), else the file system's preferred I/O size, else 512. Cluster counts are capped at
// 0xFFFFFFFF as on the original.
BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters);

// --- file times ------------------------------------------------------------------------------
void GetSystemTimeAsFileTime(FILETIME* out);
// Uses the time zone offset in force at that moment (not the current one).
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime);
// Fails with 87 for times past the year 30827 or fields out of range.
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);
// -1, 0 or 1.
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

}  // extern "C"
