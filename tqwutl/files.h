// Utility-library stand-in: open files by number, and the path helpers the library splits and
// changes paths with.
//
// Plain C functions on the Win32 stand-in's file services. Paths are in the library's text form
// (code page 932, backslashes, an optional drive letter standing for the root). Failures return
// 0 (or the documented failure value) and leave a Win32 code in the last error (2 no such file,
// 3 no such folder, 5 access denied or read-only, 6 bad file handle, 39 disk full, 80 or 183
// already there, 87 bad argument, 122 output buffer too small); functions with an error word
// also store the code there (0 on success).
#pragma once

#include "tqwutl/types.h"

// An open file of the utility library: a 32-bit number from a process-wide table. Numbers start
// at 1 and are not handed out again while the process lives (until 2^32 - 2 opens), so a stale
// number fails with 6 instead of reaching another file. kTqNoFile (0xFFFFFFFF) is never a file.
using TQFILE = DWORD;
inline constexpr TQFILE kTqNoFile = 0xFFFFFFFF;

extern "C" {

// --- files -------------------------------------------------------------------------------------
// Opens `path` with the Win32 open values (access 0x80000000 read / 0x40000000 write, share,
// disposition 1-5, flags and attributes: delete-on-close, no-buffering, temporary ... as the
// stand-in's CreateFileA takes them) and stores its number in `*file`. The two four-character
// codes (creator and type) are accepted and not recorded: files here carry no such metadata.
// Returns non-zero on success (error word 0, last error 0); on failure 0, `*file` := kTqNoFile
// and the code in the error word and the last error. A null `file` fails with 87.
int tqOpenFile(const char* path, TQFILE* file, DWORD access, DWORD share, DWORD disposition,
               DWORD flags, DWORD creator, DWORD type, int* error);
// Reads up to `count` bytes at the file position; `*done` (may be null) receives the count read,
// which is smaller only at the end of the file. Non-zero on success; `error` may be null.
int tqReadFile(TQFILE file, void* buffer, DWORD count, DWORD* done, int* error);
// Writes all `count` bytes or fails (39 when the disk is full); `*done` tells how many reached
// the file. Non-zero on success.
int tqWriteFile(TQFILE file, const void* buffer, DWORD count, DWORD* done, int* error);
// Moves the file position to `position` relative to `origin` (0 start, 1 current, 2 end).
// A target before the start fails with 131 and leaves the position; another origin with 87.
int tqSeekFile(TQFILE file, LONGLONG position, DWORD origin, int* error);
// The file position and the file size, whole (64-bit): callers that keep 32-bit positions must
// check the range. On success the last error is 0; on failure -1 with the code in it.
LONGLONG tqGetFilePointer(TQFILE file);
LONGLONG tqGetFileSize(TQFILE file);
// Cuts or extends the file to its position. Non-zero on success (5 without write access).
int tqSetEndOfFile(TQFILE file);
// Closes the file; its number is invalid afterwards. Non-zero on success, 0 with 6 for a number
// that is not open.
int tqCloseFile(TQFILE file);

// --- path text ---------------------------------------------------------------------------------
// A path splits into root, folder, name and extension. The root is "X:\", "X:" or a leading
// "\" (length 3, 2, 1; 0 for a relative path). Separators are single-byte backslashes: the
// 0x5C trail byte of a double-byte character is not one. The name follows the last separator
// (or the root); its extension starts at its last period and includes it, unless that period is
// the name's first character (".profile" has no extension), so name-without-extension +
// extension is always the name. "C:\a\b.txt": folder "C:\a", name "b.txt", extension ".txt".
//
// The four copying helpers write the part into `out` of `size` bytes and return non-zero; a
// null path or buffer or a size below 1 fails with 87, a part that does not fit with 122 (the
// buffer then holds ""). On success the last error is 0.

// The length of the root of `path` (0 for null or a relative path).
int tqGetPathRootLength(const char* path);
// The name: "C:\a\b.txt" -> "b.txt", "C:\a\" -> "", "C:b" -> "b".
int tqGetFileNamefromFullPath(const char* path, char* out, int size);
// The folder: the text before the name without the separators in front of it, but never less
// than the root: "C:\a\b.txt" -> "C:\a", "C:\a" -> "C:\", "\a" -> "\", "a" -> "".
int tqGetFolderfromFullPath(const char* path, char* out, int size);
// The name without its extension: "C:\a\b.tar.gz" -> "b.tar", "C:\a\.cfg" -> ".cfg".
int tqGetFileNameDelExt(const char* path, char* out, int size);
// The extension with its period: "C:\a\b.tar.gz" -> ".gz", "C:\a\b" -> "", "C:\a\b." -> ".".
int tqCopyExtension(const char* path, char* out, int size);

// --- files and folders by name -----------------------------------------------------------------
// Renames the file or folder `path` to `newName`: a bare name stays in the same folder, a text
// with a backslash is taken as the new full path. An existing target fails with 183 and is left
// alone. Non-zero on success.
int tqChangeFileName(const char* path, const char* newName);
// Creates the folder `path` with every missing folder above it. An existing folder counts as
// success; a file in the way fails with 183. Non-zero on success.
int tqCreateFolder(const char* path);
// Deletes the file `path` (a folder or a read-only file fails with 5, a missing one with 2).
// Non-zero on success.
int tqDeleteFile(const char* path);

}  // extern "C"
