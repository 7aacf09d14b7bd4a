// Image archive files for kzpaint: paths from the command line and an archive file that
// can be cancelled while it reads or writes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "kz/persistence/archive_file.h"
#include "kz/persistence/file_path.h"

namespace kzpaint {

// The library's form of a path given on the command line. Throws CommandError when code page
// 932 cannot spell it.
KzFilePath ToLibraryPath(const std::string& native);

// An archive file that asks KzAbort before each transfer between its cache and the file, so
// that Ctrl-C stops a long image write or read within one cache's worth of bytes, and tells
// an observer how far it has got.
class CancellableArchiveFile : public KzArchiveFile {
 public:
  // Receives the bytes moved to or from the file so far.
  using TransferFn = std::function<void(std::uint64_t bytes)>;

  // Store (mode 9) or load (mode 10) with the default cache.
  CancellableArchiveFile(unsigned int mode, TransferFn onTransfer);

  // Creates (or replaces) `path` for writing, big-endian.
  void Create(const std::string& path);
  // Opens `path` for reading.
  void Open(const std::string& path);

  unsigned int WriteSelf(const void* data, unsigned int count) override;
  unsigned int ReadSelf(void* buffer, unsigned int count) override;

 private:
  TransferFn m_onTransfer;
  std::uint64_t m_transferred = 0;
};

}  // namespace kzpaint
