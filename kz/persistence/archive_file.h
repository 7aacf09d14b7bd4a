// KzArchiveFile: an archive whose backend is a file (KzFile), with a 512000-byte cache by
// default so that the many small typed operations of a serialiser do not each reach the file.
//
// Life: construct with a mode, FileCreate or FileOpen, serialise, DoFlush (store mode),
// FileClose. Closing does not flush: bytes still in the cache are lost. Files of 4 GiB or more
// are not supported: opening one throws 0x6001138B.
#pragma once

#include "kz/persistence/archive.h"
#include "kz/persistence/kzfile.h"

class KzArchiveFile : public KzArchive {
 public:
  static constexpr unsigned int kDefaultCacheSize = 512000;

  // Load mode, big-endian, a 512000-byte cache.
  KzArchiveFile();
  // Mode as for KzArchive::Init (9 store or 10 load, big-endian; 1 or 2 little-endian ...) and
  // the cache size; 0 runs without a cache.
  KzArchiveFile(unsigned int mode, unsigned int cacheSize);
  // Closes the file and empties the cache without flushing.
  ~KzArchiveFile() override;

  unsigned int WriteSelf(const void* data, unsigned int count) override;
  unsigned int ReadSelf(void* buffer, unsigned int count) override;
  // In load mode a target at or past the length leaves the file at its last byte and returns
  // the target; otherwise the file is positioned and its position returned.
  unsigned int SeekSelf(int offset, unsigned int origin) override;

  // Empty the cache, open the file (KzFile::Create / Open with the same arguments), then take
  // the file's length as the archive's length, with the position at 0. Failures throw from
  // KzFile; a file of 4 GiB or more is closed again and throws 0x6001138B.
  void FileCreate(const KzFilePath& path, unsigned int creator, unsigned int type, int access,
                  int share, int disposition, int flags);
  void FileOpen(const KzFilePath& path, int access, int share, int disposition, int flags);
  // Closes the file and empties the cache. Does not flush: writers call DoFlush first.
  void FileClose();
  int IsValid() const { return m_file.IsValid(); }

  KzFile& GetFile() { return m_file; }

 private:
  // Length and position after opening.
  void TakeOpenedFile();

  KzFile m_file;
};
