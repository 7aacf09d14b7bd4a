#include "kz/persistence/archive_file.h"

#include "kz/foundation/error.h"

KzArchiveFile::KzArchiveFile() { Init(2, kDefaultCacheSize); }

KzArchiveFile::KzArchiveFile(unsigned int mode, unsigned int cacheSize) {
  if (cacheSize == 0) EnableCache(0);
  Init(mode, cacheSize);
}

KzArchiveFile::~KzArchiveFile() {
  m_file.Close();
  ClearCache();
}

unsigned int KzArchiveFile::WriteSelf(const void* data, unsigned int count) {
  DWORD done = 0;
  m_file.Write(data, count, &done);
  return done;
}

unsigned int KzArchiveFile::ReadSelf(void* buffer, unsigned int count) {
  DWORD done = 0;
  m_file.Read(buffer, count, &done);
  return done;
}

unsigned int KzArchiveFile::SeekSelf(int offset, unsigned int origin) {
  const std::int64_t target =
      origin == 1 ? std::int64_t{GetPosition()} + offset : std::int64_t{static_cast<DWORD>(offset)};
  const DWORD length = GetLength();
  if (IsLoading() && target >= length) {
    if (length > 0) m_file.Seek(length - 1, 0);
    return static_cast<DWORD>(target);
  }
  m_file.Seek(target, 0);
  return static_cast<DWORD>(m_file.GetPosition());
}

void KzArchiveFile::TakeOpenedFile() {
  const std::int64_t length = m_file.GetLength();
  if (length > kMaxPosition) {
    m_file.Close();
    kzThrowError(kKzErrorSizeNotSupported);
  }
  SetLength(static_cast<DWORD>(length));
  // A fresh file starts at its beginning, whatever an earlier file left behind.
  Seek(0, 0);
}

void KzArchiveFile::FileCreate(const KzFilePath& path, unsigned int creator, unsigned int type,
                               int access, int share, int disposition, int flags) {
  ClearCache();
  m_file.Create(path, creator, type, access, share, disposition, flags);
  TakeOpenedFile();
}

void KzArchiveFile::FileOpen(const KzFilePath& path, int access, int share, int disposition,
                             int flags) {
  ClearCache();
  m_file.Open(path, access, share, disposition, flags);
  TakeOpenedFile();
}

void KzArchiveFile::FileClose() {
  m_file.Close();
  ClearCache();
}
