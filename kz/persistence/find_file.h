// KzFindFile: walks the entries of one folder ("." and ".." included, sorted by name) on the
// platform's folder search, and answers questions about the current entry.
//
// Names that the platform cannot give in code page 932 carry '?' for each such character, and
// names of 260 bytes or more are left out (the platform search does so).
#pragma once

#include "kz/persistence/file_path.h"
#include "win32/files.h"

// What the search keeps of an entry: its attributes and its name.
struct _KZFINDINFO {
  DWORD dwAttributes;
  CHAR szName[MAX_PATH];
};

class KzFindFile {
 public:
  KzFindFile();
  // A copy holds the same current entry and folder but no running search: Next() on it fails
  // with 6 until First() is called.
  KzFindFile(const KzFindFile& other);
  KzFindFile& operator=(const KzFindFile& other);
  // Closes a running search.
  virtual ~KzFindFile();

  // Closes a running search and starts one over `folder` (pattern folder + "\*.*"), standing
  // on its first entry. Returns 1; 0 with the last error when the folder cannot be listed (3
  // for an empty or missing folder, 206 for one of 260 bytes or more).
  int First(const KzFilePath& folder);
  // Moves to the next entry: 1, or 0 at the end (last error 18) or without a search (6).
  int Next();
  void Close();

  // The current entry's name; a null buffer (of 260 bytes) does nothing.
  void GetName(char* out) const;
  void GetName(KzString& out) const;
  int IsFolder() const;
  // Hidden: a name starting with a period, or marked hidden in this process.
  int IsHidden() const;
  int IsReadOnly() const;
  // The entry is "." or "..".
  int IsParentFolder() const;
  // The searched folder joined with the current entry's name.
  const KzFilePath& GetFilePath() const;

  // Fills `info` from the platform's find record.
  static void SetupFileInfo(_KZFINDINFO& info, const WIN32_FIND_DATAA& data);
  // Fills `info` for one path (its attributes and last component). Returns 1, or 0 with the
  // last error when the path cannot be reached.
  static int GetFileInfo(const KzFilePath& path, _KZFINDINFO& info);
  // Makes `data` the current entry of `find`: its record, information and full path.
  static void SetFindInfos(KzFindFile& find, const WIN32_FIND_DATAA& data);

 private:
  void CopyMembers(const KzFindFile& other);

  CHAR m_szFolder[MAX_PATH] = {};
  _KZFINDINFO m_info = {};
  HANDLE m_hFind;
  WIN32_FIND_DATAA m_findData = {};
  KzFilePath m_filePath;
};
