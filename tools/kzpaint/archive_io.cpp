#include "tools/kzpaint/archive_io.h"

#include <utility>

#include "kz/foundation/abort.h"
#include "tools/kzpaint/command.h"

namespace kzpaint {
namespace {

constexpr int kGenericRead = static_cast<int>(0x80000000u);
constexpr int kGenericWrite = 0x40000000;
constexpr int kShareRead = 1;
constexpr int kCreateAlways = 2;
constexpr int kOpenExisting = 3;

}  // namespace

KzFilePath ToLibraryPath(const std::string& native) {
  KzFilePath path;
  if (!path.SetNativePath(native.c_str())) {
    throw CommandError(native + ": the name cannot be used (not expressible in code page 932)");
  }
  return path;
}

CancellableArchiveFile::CancellableArchiveFile(unsigned int mode, TransferFn onTransfer)
    : KzArchiveFile(mode, kDefaultCacheSize), m_onTransfer(std::move(onTransfer)) {}

void CancellableArchiveFile::Create(const std::string& path) {
  FileCreate(ToLibraryPath(path), 0, 0, kGenericWrite, 0, kCreateAlways, 0);
}

void CancellableArchiveFile::Open(const std::string& path) {
  FileOpen(ToLibraryPath(path), kGenericRead, kShareRead, kOpenExisting, 0);
}

unsigned int CancellableArchiveFile::WriteSelf(const void* data, unsigned int count) {
  KzAbort(1, 0).CheckAbort();
  const unsigned int written = KzArchiveFile::WriteSelf(data, count);
  m_transferred += written;
  if (m_onTransfer) m_onTransfer(m_transferred);
  return written;
}

unsigned int CancellableArchiveFile::ReadSelf(void* buffer, unsigned int count) {
  KzAbort(1, 0).CheckAbort();
  const unsigned int read = KzArchiveFile::ReadSelf(buffer, count);
  m_transferred += read;
  if (m_onTransfer) m_onTransfer(m_transferred);
  return read;
}

}  // namespace kzpaint
