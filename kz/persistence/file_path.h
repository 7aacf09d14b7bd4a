// KzFilePath: a file or folder path with path-aware joining, splitting and comparison, and the
// file-system operations on it. KzFilePathArray: an array of paths that owns them.
//
// The text is the library's form: code page 932 with backslashes as separators and an optional
// drive letter that stands for the root ("C:\a\b.txt"); the platform layer converts it to the
// operating system's form only at the boundary (GetNativePath gives that form). Every scan
// steps over double-byte characters whole, so the 0x5C trail byte of a double-byte character is
// never a separator. Splitting follows tqwutl/files.h: the extension includes its period
// (".txt"), and name without extension + extension is the file name.
//
// Lengths: a path object holds text of any length. The forms that fill a caller's char buffer
// take a buffer of 260 bytes (MAX_PATH); a result that would not fit throws 0x20010008 and
// leaves the buffer "" instead of cutting it.
//
// Failures: copies and moves throw (0x2001000A when the target exists and must not be
// replaced, else the platform code); queries and the other operations return 0 and leave the
// code in the utility library's last error (tqGetLastError), cleared when they start.
#pragma once

#include <cstdint>

#include "kz/foundation/kzstring.h"
#include "kz/foundation/string_array.h"
#include "win32/types.h"

class KzTime;

class KzFilePath {
 public:
  KzFilePath();
  // Null gives the empty path. The text is kept as given.
  KzFilePath(const char* path);      // NOLINT: implicit like the text it stands for
  KzFilePath(const KzString& path);  // NOLINT
  KzFilePath(const KzFilePath& other);
  virtual ~KzFilePath();

  KzFilePath& operator=(const char* path);
  KzFilePath& operator=(const KzString& path);
  KzFilePath& operator=(const KzFilePath& other);

  // The path text; never null.
  operator const char*() const;
  int IsEmpty() const;
  void Empty();

  // The text into a 260-byte buffer (see the overview for longer paths), or into a string.
  void GetFullPath(char* out) const;
  void GetFullPath(KzString& out) const;
  void SetFullPath(const char* path);
  void SetFullPath(const KzString& path);
  // The operating system's form (UTF-8, slashes, the drive letter as "/") into a 260-byte
  // buffer. Returns 1; 0 with the last error 123 (buffer "") when the text is not code page
  // 932. A result of 260 bytes or more throws 0x20010008.
  int GetNativePath(char* out) const;
  // Takes a path in the operating system's form; null gives the empty path. Returns 1; 0 with
  // the last error 1113 when the text is not UTF-8 that code page 932 can hold (path unchanged).
  int SetNativePath(const char* native);
  // The path becomes the current folder. Returns 1, or 0 with the last error.
  int SetDefaultPath();

  // --- joining --------------------------------------------------------------------------------
  // An empty path becomes `sub`; an empty `sub` changes nothing; otherwise the trailing
  // backslashes of the path and the leading ones of `sub` go, the two are joined with one
  // backslash and the trailing backslashes of the result go: "C:\a\" += "\b\" is "C:\a\b".
  KzFilePath& operator+=(const KzString& sub);
  KzFilePath& operator+=(const char* sub);
  void CatSubPath(const char* sub);
  // Join after converting `sub` from the colon-separated form (ForWin) or to it (ForMac).
  void CatSubPathForWin(const char* sub);
  void CatSubPathForMac(const char* sub);

  // Remove the run of single-byte backslashes at the end (Back) or the start (Front) and return
  // how many were removed. Null does nothing.
  static int DeleteBackDelimiter(char* text);
  static int DeleteBackDelimiter(KzString& text);
  static int DeleteFrontDelimiter(char* text);
  static int DeleteFrontDelimiter(KzString& text);
  // Every single-byte backslash becomes a colon.
  static void ConvertWinToMacSubPath(char* text);
  static void ConvertWinToMacSubPath(KzString& text);
  // Every single-byte colon becomes a backslash, except a colon at index 1 when the character
  // at index 2 is a colon too.
  static void ConvertMacToWinSubPath(char* text);
  static void ConvertMacToWinSubPath(KzString& text);

  // --- splitting --------------------------------------------------------------------------------
  // The last component: "C:\a\b.txt" -> "b.txt".
  void GetFileName(char* out) const;
  void GetFileName(KzString& out) const;
  // The last component without its extension and the extension with its period; either
  // buffer may be null.
  void GetNameAndExtension(char* name, char* extension) const;
  void GetNameAndExtension(KzString& name, KzString& extension) const;
  // The folder part: "C:\a\b.txt" -> "C:\a", "C:\a" -> "C:\", "a" -> "". `out` may be this.
  void GetFolderPath(KzFilePath& out) const;
  // The root ("C:\", "C:" or "\"); returns 1, or 0 with an empty `out` for a relative path.
  int GetRootPath(KzFilePath& out) const;

  // Replace the last component (joined to the folder as by operator+=).
  void SetFileName(const char* name);
  // name + extension; the extension may be given with or without its period, null as none.
  void SetNameAndExtension(const char* name, const char* extension);
  // Replaces the name and keeps the extension: "C:\a\x.png" with "y" -> "C:\a\y.png".
  void ChangeName(const char* name);
  // Keeps the name and replaces the extension (with or without its period; null or "" removes
  // it): "C:\a\x.png" with "jpg" -> "C:\a\x.jpg".
  void ChangeExtension(const char* extension);
  // 1 when the extension equals `extension` (with or without its period) ignoring case; an
  // empty or null argument matches a name without extension.
  int IsExtensionFile(const char* extension) const;
  // Makes the path absolute ("." and ".." resolved against the current folder) without a
  // trailing backslash (a root keeps its own). Returns 1, or 0 with the last error.
  int RemakePath();
  // `out` := the relative path that leads from folder `from` to `to` ("..\b\c.txt"; "" when
  // both name the same folder), so that `from` += `out` names `to`. Both are made absolute
  // first; a drive letter stands for the one root. Components compare byte for byte (names
  // that differ only in case are different here). Returns 1, or 0 with the last error.
  static int MakeRelativePath(KzString& out, const KzFilePath& from, const KzFilePath& to);
  // 1 when this path lies inside `folder` at any depth (by the same rules; a path is not its
  // own child).
  int IsChildFolder(const KzFilePath& folder) const;

  // Equal when both texts without their trailing backslashes compare equal ignoring case
  // (multibyte-aware): "C:\A\" == "c:\a".
  bool operator==(const KzFilePath& other) const;
  bool operator==(const char* other) const;
  bool operator==(const KzString& other) const;
  bool operator!=(const KzFilePath& other) const;
  bool operator!=(const char* other) const;
  bool operator!=(const KzString& other) const;

  // --- queries (0 with the last error when the file cannot be reached) --------------------------
  int IsExistence() const;
  // 1 for "X:\" and "\".
  int IsRoot() const;
  int IsFolder() const;
  // Hidden: the name starts with a period, or the attribute was set in this process.
  int IsHidden() const;
  // Read-only: the caller may not write the file. Folders are never read-only.
  int GetReadOnly() const;
  // Read the attributes, change the one bit and write them back. Return 1 or 0.
  int SetHidden(int hidden) const;
  int SetReadOnly(int readOnly) const;
  // 1 for a folder without entries; 0 for one with entries (last error 0) or when the folder
  // cannot be listed (last error set).
  int IsFolderEmpty() const;
  // The last-write time in local time. Returns 1, or 0 with the last error (0x20010009 when the
  // time lies outside what KzTime holds; `time` is then cleared).
  int GetTime(KzTime& time) const;
  // 1 when a file could be written at this path: an existing file is opened for writing
  // (unchanged), a missing one is created and removed at once. 0 with the last error.
  int CanSaveFile() const;
  // Files here carry no creator and type codes: both become 0 and the result is 0, with the
  // last error 50 (not supported) for an existing file, else the reason it cannot be reached.
  int GetCreaterAndType(unsigned int& creator, unsigned int& type) const;

  // --- disks ------------------------------------------------------------------------------------
  // Figures of the file system holding `path` (its nearest existing folder when the path does not
  // exist yet: the root of the path stands for the whole disk on the original, a mount point
  // here). 0 with the last error on failure.
  static DWORD GetDiskClusterSize(const KzFilePath& path);
  static DWORD GetDiskSectorSize(const KzFilePath& path);
  // Total bytes, and bytes free to the caller.
  static std::uint64_t GetDiskSpace(const KzFilePath& path);
  static std::uint64_t GetDiskFreeSpaceA(const KzFilePath& path);
  static std::uint64_t GetDiskFreeSpace(const KzFilePath& path) { return GetDiskFreeSpaceA(path); }

  // --- operations -------------------------------------------------------------------------------
  // Copies a file. A source named "Icon?" (ignoring case; also "Icon" + carriage return, the
  // true name of such a file) is skipped: result 0, no error. Otherwise 1; an existing target
  // with `failIfExists` throws 0x2001000A, any other failure throws its platform code.
  static int CopyFileA(const KzFilePath& from, const KzFilePath& to, int failIfExists);
  // Moves a file or folder. An existing target: with `failIfExists` throws 0x2001000A and
  // leaves both; else it is replaced in one step (a folder or read-only target throws 5 and
  // stays). Other failures throw their platform code. Returns 1.
  static int MoveFileA(const KzFilePath& from, const KzFilePath& to, int failIfExists);
  // Copies the folder `from` with everything in it to the folder `to` (made with any missing
  // level; an existing folder receives the copies, replacing files of the same name). "Icon?"
  // files are skipped. A target inside the source throws 0x20010008; other failures throw their
  // platform code (what was copied stays). Returns 1.
  static int CopyFolder(const KzFilePath& from, const KzFilePath& to);
  // Renames the folder `from` to `to`; across file systems or onto an existing folder it copies
  // as CopyFolder and then deletes the source. Throws as CopyFolder. Returns 1.
  static int MoveFolder(const KzFilePath& from, const KzFilePath& to);
  // Deletes a file, or a folder with everything in it (read-only files inside included; a link
  // to a folder is removed, never followed). Returns 1; on failure 0 with the last error, or,
  // with `throwOnFailure`, throws that code.
  int Delete(int throwOnFailure = 0) const;
  // Creates the folder this path names with every missing level; an existing folder counts as
  // success. Returns 1, or 0 with the last error.
  int CreateFolder() const;
  // The same for the folder that holds this path (before a file is created in it).
  int CreateFolder2() const;
  // Renames the file or folder to `name` (a bare name stays in the same folder, a text with a
  // backslash is a full path); the path follows. An existing target is kept and throws 183, any
  // failure throws its code. Returns 1.
  int Rename(const char* name);
  // Creates a new empty file named prefix (up to 3 characters) + hex number + ".tmp" in the
  // system's temporary folder (`ownFolder` 0) or in this path's folder, and the path becomes
  // it. Returns 1, or 0 with the last error (path unchanged).
  int MakeTempPath(const char* prefix, int ownFolder);
  // Files here carry no version resource: `out` is emptied and the result is 0 (last error
  // 1813 for an existing file).
  int GetVersionInfo(KzString& out, const char* key) const;
  // The next free number for numbered files in `folder`: hidden entries, "." and "..", entries
  // of another extension (and folders, when `extension` is given) and names not starting with
  // `prefix` (ignoring case) are passed over; each remaining name without extension gives its
  // last run of digits. The number is 1 for none, else the first gap in the sorted numbers, else
  // the largest + 1. This path becomes `folder` joined with prefix + the number zero-padded to
  // `digits` + "." + extension. Extension and prefix may be null; the extension may carry its
  // period. Numbers above 2147483646 are not counted. Returns 1, or 0 with the last error when
  // the folder cannot be listed; `digits` outside 0-255 throws 0x20010008.
  int GetSequencialFilePath(const KzFilePath& folder, int digits, const char* extension,
                            const char* prefix);
  // As above, but the number is the first run of digits of the whole name (with its extension)
  // after the prefix.
  int GetSequencialFilePath2(const KzFilePath& folder, int digits, const char* extension,
                             const char* prefix);

 private:
  KzString m_path;
};

// Paths owned by the array (see KzOwnedPtrArray).
class KzFilePathArray : public KzOwnedPtrArray<KzFilePath> {};
