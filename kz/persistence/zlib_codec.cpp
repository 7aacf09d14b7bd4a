#include "kz/persistence/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "kz/foundation/error.h"
#include "kz/persistence/archive.h"
#include "tqwutl/tqwutl.h"

namespace {

// Input pieces, output windows and the first size of an output block.
constexpr DWORD kPiece = 0x40000;
constexpr std::uint64_t kMaxBlock = KzArchive::kMaxPosition;

// A deflate or inflate stream that ends itself. Initialised through zlib's own macros, so that
// the version and record size are those of the linked library.
class DeflateStream {
 public:
  explicit DeflateStream(int level) {
    if (deflateInit(&m_stream, level) != Z_OK) kzThrowError(kKzErrorNotEnoughMemory);
  }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;
  ~DeflateStream() { deflateEnd(&m_stream); }
  z_stream& Get() { return m_stream; }

 private:
  z_stream m_stream{};
};

class InflateStream {
 public:
  InflateStream() {
    if (inflateInit(&m_stream) != Z_OK) kzThrowError(kKzErrorNotEnoughMemory);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  ~InflateStream() { inflateEnd(&m_stream); }
  z_stream& Get() { return m_stream; }

 private:
  z_stream m_stream{};
};

struct PtrFree {
  void operator()(void* block) const { tqFreePtr(block); }
};

// The compressed block being built: a pointer block or a movable block kept locked while it is
// filled. It frees itself unless Finish hands it on.
class OutputBlock {
 public:
  OutputBlock(bool pointer, DWORD capacity) : m_pointer(pointer), m_capacity(capacity) {
    int error = 0;
    if (m_pointer) {
      m_data = static_cast<Bytef*>(tqAllocPtr(capacity, 0, &error));
    } else {
      m_handle = tqAlloc(capacity, 0, &error);
      if (m_handle) m_data = static_cast<Bytef*>(tqLock(m_handle));
    }
    if (m_data == nullptr) Fail(error);
  }
  OutputBlock(const OutputBlock&) = delete;
  OutputBlock& operator=(const OutputBlock&) = delete;
  ~OutputBlock() {
    if (m_pointer) {
      tqFreePtr(m_data);
    } else if (m_handle) {
      tqFree(m_handle);
    }
  }

  Bytef* Data() const { return m_data; }
  DWORD Capacity() const { return m_capacity; }

  // Doubles the capacity (up to the 32-bit limit), keeping the bytes.
  void Grow() {
    if (m_capacity >= kMaxBlock) kzThrowError(kKzErrorSizeNotSupported);
    Resize(static_cast<DWORD>(std::min<std::uint64_t>(std::uint64_t{m_capacity} * 2, kMaxBlock)));
  }

  // Cuts the block to `size` bytes and hands it on: the pointer, or the unlocked handle.
  void* Finish(DWORD size) {
    if (size != m_capacity) Resize(size);
    void* result = nullptr;
    if (m_pointer) {
      result = m_data;
    } else {
      tqUnlock(m_handle);
      result = m_handle;
      m_handle = nullptr;
    }
    m_data = nullptr;
    return result;
  }

 private:
  [[noreturn]] static void Fail(int error) {
    kzThrowError(error != 0 ? error : kKzErrorNotEnoughMemory);
  }

  void Resize(DWORD capacity) {
    int error = 0;
    if (m_pointer) {
      void* moved = tqReAllocPtr(m_data, capacity, 0, &error);
      if (moved == nullptr) Fail(error);
      m_data = static_cast<Bytef*>(moved);
    } else {
      // A locked block cannot move.
      tqUnlock(m_handle);
      const bool resized = tqReAlloc(m_handle, capacity, 0, &error) != nullptr;
      m_data = static_cast<Bytef*>(tqLock(m_handle));
      if (!resized) Fail(error);
    }
    m_capacity = capacity;
  }

  bool m_pointer;
  DWORD m_capacity;
  Bytef* m_data = nullptr;
  TQHANDLE m_handle = nullptr;
};

void PutHeader(Bytef* block, DWORD length, int swap) {
  for (int i = 0; i < 4; ++i) {
    const int shift = swap ? 24 - 8 * i : 8 * i;
    block[i] = static_cast<Bytef>(length >> shift);
  }
}

DWORD GetHeader(const void* block, int swap) {
  const auto* bytes = static_cast<const Bytef*>(block);
  DWORD length = 0;
  for (int i = 0; i < 4; ++i) {
    const int shift = swap ? 24 - 8 * i : 8 * i;
    length |= DWORD{bytes[i]} << shift;
  }
  return length;
}

// Inflates into `dest` in output windows of at most one piece. `feed(stream)` supplies the next
// input whenever the stream has run dry (leaving it dry when nothing is left, which zlib then
// reports as an error).
template <typename Feed>
DWORD RunInflate(z_stream& stream, void* dest, DWORD destLength, Feed&& feed) {
  // zlib refuses a null output even with no room asked for (an empty block).
  Bytef none = 0;
  auto* out = dest != nullptr ? static_cast<Bytef*>(dest) : &none;
  DWORD outLeft = dest != nullptr ? destLength : 0;
  const DWORD total = outLeft;
  auto nextWindow = [&] {
    const DWORD window = std::min(kPiece, outLeft);
    stream.next_out = out + (total - outLeft);
    stream.avail_out = window;
    outLeft -= window;
  };
  nextWindow();
  for (;;) {
    if (stream.avail_in == 0) feed(stream);
    const int result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_STREAM_END) return static_cast<DWORD>(stream.total_out);
    if (result != Z_OK) kzThrowError(kKzErrorNotEnoughMemory);
    if (stream.avail_out == 0 && outLeft > 0) nextWindow();
  }
}

}  // namespace

KzZLib::KzZLib() = default;

KzZLib::~KzZLib() = default;

void* KzZLib::InternalCompress(const void* source, DWORD length, DWORD* blockLength,
                               int pointerFlag, int swap) {
  DeflateStream deflater(m_level);
  z_stream& stream = deflater.Get();
  const uLong bound = deflateBound(&stream, length);
  OutputBlock out(pointerFlag != 0, 4 + static_cast<DWORD>(std::min<uLong>(bound, kPiece)));

  // zlib reads through a non-const pointer but never writes the input.
  auto* in = static_cast<Bytef*>(const_cast<void*>(source));
  DWORD inLeft = length;
  int flush = Z_NO_FLUSH;
  for (;;) {
    if (stream.avail_in == 0 && flush != Z_FINISH) {
      DWORD piece = kPiece;
      if (inLeft < kPiece) {
        piece = inLeft;
        flush = Z_FINISH;
      }
      stream.next_in = in;
      stream.avail_in = piece;
      in += piece;
      inLeft -= piece;
    }
    if (stream.avail_out == 0) {
      if (4 + stream.total_out >= out.Capacity()) out.Grow();
      stream.next_out = out.Data() + 4 + stream.total_out;
      stream.avail_out = static_cast<uInt>(out.Capacity() - 4 - stream.total_out);
    }
    const int result = deflate(&stream, flush);
    if (result == Z_STREAM_END) break;
    if (result != Z_OK) kzThrowError(kKzErrorNotEnoughMemory);
  }

  const auto compressed = static_cast<DWORD>(stream.total_out);
  PutHeader(out.Data(), compressed, swap);
  void* result = out.Finish(compressed + 4);
  if (blockLength) *blockLength = compressed + 4;
  return result;
}

DWORD KzZLib::InternalDecompress(const void* stream, void* dest, DWORD streamLength,
                                DWORD destLength) {
  InflateStream inflater;
  auto* in = static_cast<Bytef*>(const_cast<void*>(stream));
  DWORD inLeft = streamLength;
  const DWORD produced = RunInflate(inflater.Get(), dest, destLength, [&](z_stream& z) {
    const DWORD piece = std::min(kPiece, inLeft);
    z.next_in = in;
    z.avail_in = piece;
    in += piece;
    inLeft -= piece;
  });
  return produced;
}

void KzZLib::Compress(KzArchive& archive, const void* source, DWORD length, DWORD* blockLength) {
  DWORD size = 0;
  std::unique_ptr<void, PtrFree> block(InternalCompress(
      source, length, &size, 1, archive.GetEndianMode() == KzArchive::kModeBigEndian));
  archive.Write(block.get(), size);
  if (blockLength) *blockLength = size;
}

void KzZLib::Compress(void** block, const void* source, DWORD length, DWORD* blockLength,
                      int swap) {
  *block = InternalCompress(source, length, blockLength, 1, swap);
}

void KzZLib::CompressToHandle(TQHANDLE& handle, const void* source, DWORD length,
                              DWORD* blockLength, int swap) {
  handle = static_cast<TQHANDLE>(InternalCompress(source, length, blockLength, 0, swap));
}

DWORD KzZLib::Decompress(KzArchive& archive, void* dest, DWORD destLength) {
  DWORD left = 0;
  archive >> left;
  InflateStream inflater;
  int error = 0;
  std::unique_ptr<void, PtrFree> buffer(tqAllocPtr(std::min(left, kPiece), 0, &error));
  if (!buffer) kzThrowError(error != 0 ? error : kKzErrorNotEnoughMemory);
  auto* piece = static_cast<Bytef*>(buffer.get());
  auto readPiece = [&] {
    const DWORD count = std::min(kPiece, left);
    if (archive.Read(piece, count) != count) kzThrowError(kKzErrorParameter);
    left -= count;
    return count;
  };
  const DWORD produced = RunInflate(inflater.Get(), dest, destLength, [&](z_stream& z) {
    if (left == 0) return;
    z.avail_in = readPiece();
    z.next_in = piece;
  });
  // The archive goes on after the block, also when the stream ended early.
  while (left > 0) readPiece();
  return produced;
}

DWORD KzZLib::Decompress(const void* block, void* dest, DWORD destLength, int swap) {
  return InternalDecompress(static_cast<const Bytef*>(block) + 4, dest, GetHeader(block, swap),
                     destLength);
}

DWORD KzZLib::Decompress(const void* block, DWORD blockSize, void* dest, DWORD destLength,
                        int swap) {
  if (block == nullptr || blockSize < 4) kzThrowError(kKzErrorNotEnoughMemory);
  const DWORD length = GetHeader(block, swap);
  if (length > blockSize - 4) kzThrowError(kKzErrorNotEnoughMemory);
  return InternalDecompress(static_cast<const Bytef*>(block) + 4, dest, length, destLength);
}
