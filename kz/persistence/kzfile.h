// KzFile: the owner of one open file of the utility library; every failure throws.
//
// The file is a TQFILE number (kTqNoFile when none is open) with the path it was opened by.
// Failures throw the error word of the utility call (open, read, write, seek) or its last error
// (length, position, end of file), with the system alert.
#pragma once

#include <cstdint>

#include "kz/persistence/file_path.h"
#include "tqwutl/files.h"

class KzTime;

class KzFile {
 public:
  // Value of the two codes that Open passes: four letters A.
  static constexpr unsigned int kAnyCode = 0x41414141;

  // No file, empty path.
  KzFile();
  KzFile(const KzFile&) = delete;
  KzFile& operator=(const KzFile&) = delete;
  // Closes an open file.
  virtual ~KzFile();

  // Closes any open file, then opens `path` with the two four-character codes and the
  // platform's open values (access 0x80000000 read / 0x40000000 write, share, disposition 3
  // open or 2 create or replace, flags). On failure throws the utility library's error word;
  // no file is open and the path is empty afterwards.
  void Create(const KzFilePath& path, unsigned int creator, unsigned int type, int access,
              int share, int disposition, int flags);
  // Opens an existing file (Create with kAnyCode for both codes). A creating disposition (1 or
  // 2) throws 0x20010008 and leaves any open file as it was.
  void Open(const KzFilePath& path, int access, int share, int disposition, int flags);
  // Closes the file if one is open; the path becomes empty.
  void Close();
  int IsValid() const { return m_hFile != kTqNoFile; }

  // Read or write `count` bytes at the file position; `done` (may be null) receives the count
  // done, which is smaller for a read only at the end of the file.
  void Read(void* buffer, DWORD count, DWORD* done = nullptr);
  void Write(const void* buffer, DWORD count, DWORD* done = nullptr);
  // Moves the file position (origin 0 start, 1 current, 2 end).
  void Seek(std::int64_t position, DWORD origin);
  // Cuts or extends the file to its position.
  void SetEOF();
  // The file's length and position, whole: callers keeping 32-bit positions check the range.
  std::int64_t GetLength();
  std::int64_t GetPosition();
  // The file's last-write time in local time. Without a file throws 6; a time KzTime cannot
  // hold throws 0x20010009.
  void GetTime(KzTime& time) const;

  const KzFilePath& GetPath() const { return m_path; }
  TQFILE GetHandle() const { return m_hFile; }

 private:
  TQFILE m_hFile = kTqNoFile;
  KzFilePath m_path;
};
