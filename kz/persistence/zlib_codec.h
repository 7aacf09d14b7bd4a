// KzZLib: deflate compression of memory blocks into archives, pointer blocks and handles.
//
// A compressed block is a 4-byte length n followed by n bytes of a zlib stream (header, deflate
// data, Adler-32). The length is big-endian when the byte-swap flag is set (always inside a
// big-endian archive), else little-endian. The uncompressed size is not stored: the caller
// keeps it and passes it to Decompress. Input is fed to zlib in pieces of 256 KiB straight from
// the source, and decompression writes straight into the destination.
//
// Errors: a zlib failure of any kind (corrupt or truncated stream, a destination too small)
// throws 8; so does a block whose length runs past the buffer given with it. Allocation failures
// throw the utility library's error word; a block that would pass 4 GiB - 1 throws 0x6001138B.
// Nothing is left allocated when an error passes.
#pragma once

#include "tqwutl/types.h"

class KzArchive;

class KzZLib {
 public:
  // Compression level -1: zlib's default.
  KzZLib();
  virtual ~KzZLib();

  // Compresses `length` bytes of `source` and writes the whole block into `archive` (the length
  // in the archive's byte order). `blockLength`, when not null, receives 4 + n.
  void Compress(KzArchive& archive, const void* source, DWORD length, DWORD* blockLength = nullptr);
  // Compresses into a new pointer block (tqAllocPtr; the caller frees it with tqFreePtr) of
  // exactly 4 + n bytes; `blockLength` may be null.
  void Compress(void** block, const void* source, DWORD length, DWORD* blockLength, int swap);
  // As above into a new movable block (tqAlloc), returned unlocked and owned by the caller.
  void CompressToHandle(TQHANDLE& handle, const void* source, DWORD length, DWORD* blockLength,
                        int swap);

  // Reads a block from `archive` and inflates it into `dest` of `destLength` bytes. The archive
  // ends up after the block. Data missing from the archive throws the archive's read error.
  // Every form returns the number of bytes the stream produced (at most `destLength`); a
  // caller that knows the exact size checks it, as a stream may end early.
  DWORD Decompress(KzArchive& archive, void* dest, DWORD destLength);
  // Inflates the block at `block` (length from its header) into `dest`. The header is trusted:
  // prefer the form below when the block's size is known.
  DWORD Decompress(const void* block, void* dest, DWORD destLength, int swap);
  // As above, checking the header against `blockSize`, the bytes available at `block`: a block
  // shorter than its header says throws 8 without reading past `blockSize`.
  DWORD Decompress(const void* block, DWORD blockSize, void* dest, DWORD destLength, int swap);

 protected:
  // Compresses into a pointer block (`pointerFlag` non-zero) or a TQHANDLE (returned as the
  // pointer value). `blockLength` may be null.
  void* InternalCompress(const void* source, DWORD length, DWORD* blockLength, int pointerFlag,
                         int swap);
  // Inflates `streamLength` bytes of zlib stream into `dest` of `destLength` bytes.
  DWORD InternalDecompress(const void* stream, void* dest, DWORD streamLength, DWORD destLength);

 private:
  int m_level = -1;
};
