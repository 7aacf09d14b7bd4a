#include "kz/persistence/kzfile.h"

#include "kz/foundation/error.h"
#include "kz/foundation/kztime.h"
#include "tqwutl/tqwutl.h"

namespace {

// The error word of a failed utility call, or the last error when the word names none.
[[noreturn]] void ThrowFileError(int error) {
  if (error == 0) error = tqGetLastError();
  kzThrowError(error != 0 ? error : kKzErrorParameter, kKzAlertSystemError);
}

// Throws the last error when the previous query set one.
void CheckLastError() {
  if (const int error = tqGetLastError(); error != 0) kzThrowError(error, kKzAlertSystemError);
}

}  // namespace

KzFile::KzFile() = default;

KzFile::~KzFile() {
  if (IsValid()) tqCloseFile(m_hFile);
}

void KzFile::Create(const KzFilePath& path, unsigned int creator, unsigned int type, int access,
                    int share, int disposition, int flags) {
  Close();
  m_path = path;
  int error = 0;
  if (!tqOpenFile(m_path, &m_hFile, static_cast<DWORD>(access), static_cast<DWORD>(share),
                  static_cast<DWORD>(disposition), static_cast<DWORD>(flags), creator, type,
                  &error)) {
    m_hFile = kTqNoFile;
    m_path.Empty();
    ThrowFileError(error);
  }
}

void KzFile::Open(const KzFilePath& path, int access, int share, int disposition, int flags) {
  if (disposition == 1 || disposition == 2) kzThrowError(kKzErrorParameter);
  Create(path, kAnyCode, kAnyCode, access, share, disposition, flags);
}

void KzFile::Close() {
  if (IsValid()) tqCloseFile(m_hFile);
  m_hFile = kTqNoFile;
  m_path.Empty();
}

void KzFile::Read(void* buffer, DWORD count, DWORD* done) {
  DWORD local = 0;
  int error = 0;
  if (!tqReadFile(m_hFile, buffer, count, done ? done : &local, &error)) ThrowFileError(error);
}

void KzFile::Write(const void* buffer, DWORD count, DWORD* done) {
  DWORD local = 0;
  int error = 0;
  if (!tqWriteFile(m_hFile, buffer, count, done ? done : &local, &error)) ThrowFileError(error);
}

void KzFile::Seek(std::int64_t position, DWORD origin) {
  int error = 0;
  if (!tqSeekFile(m_hFile, position, origin, &error)) ThrowFileError(error);
}

void KzFile::SetEOF() {
  if (!tqSetEndOfFile(m_hFile)) ThrowFileError(0);
}

std::int64_t KzFile::GetLength() {
  const std::int64_t length = tqGetFileSize(m_hFile);
  CheckLastError();
  return length;
}

std::int64_t KzFile::GetPosition() {
  const std::int64_t position = tqGetFilePointer(m_hFile);
  CheckLastError();
  return position;
}

void KzFile::GetTime(KzTime& time) const {
  if (!IsValid()) kzThrowError(6, kKzAlertSystemError);  // no file: an invalid handle
  if (!m_path.GetTime(time)) ThrowFileError(0);
}
