// Internals shared by the file services and their tests.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "win32/files.h"

namespace win32::detail {

// Converts a path argument to the operating system's form. False with the last error set for
// null (87), empty (3) or unconvertible (123) paths.
bool NativePathArgument(LPCSTR path, std::string& native);

// The Win32 code for a failed path operation: ENOENT is 2 when the folder exists, else 3.
DWORD PathError(int error, const std::string& native);

// Whether the caller may not write the file (for root: the file has no write bit).
bool IsReadOnly(const std::string& native, const struct stat& st);
// The attributes GetFileAttributesA reports for a file of this name and status.
DWORD AttributesOf(std::string_view name, const struct stat& st, const std::string& native);
// The in-process hidden marks, by file identity, so that they follow renames.
void SetHiddenMark(const struct stat& st, bool hidden);
bool HasHiddenMark(const struct stat& st);

// FILETIME: 100 ns ticks since 1601-01-01 UTC.
FILETIME ToFileTime(const timespec& time);
timespec FromFileTime(const FILETIME& time);
// The last write, last access and (where known) birth time of a file.
struct FileTimes {
  timespec creation;
  timespec lastAccess;
  timespec lastWrite;
};
bool ReadFileTimes(int dirFd, const char* path, int flags, FileTimes& out);

// The search pattern rule of FindFirstFileA on UTF-8 names: '*' any run, '?' one character,
// ASCII letters without case, "*.*" everything, a trailing '.' names without a dot.
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace win32::detail
