#include "kz/vmem/swap.h"

#include <atomic>
#include <cstring>
#include <new>

#include "kz/foundation/error.h"
#include "kz/foundation/exception.h"
#include "kz/persistence/file_path.h"
#include "kz/vmem/swap_p.h"
#include "kz/vmem/virtual_memory.h"
#include "win32/files.h"

namespace {

std::atomic<std::uint64_t> s_freeSpaceOverride{kzSwapNoFreeSpaceOverride};

// Free bytes on the disk of `path`; throws the utility library's last error when unknown.
std::uint64_t FreeSpaceOf(const KzFilePath& path) {
  const std::uint64_t forced = s_freeSpaceOverride.load(std::memory_order_relaxed);
  if (forced != kzSwapNoFreeSpaceOverride) return forced;
  const std::uint64_t space = KzFilePath::GetDiskFreeSpace(path);
  if (space == 0) {
    const int error = tqGetLastError();
    kzThrowError(error != 0 ? error : kKzErrorDiskFull);
  }
  return space;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

void kzSwapSetFreeSpaceOverride(std::uint64_t bytes) {
  s_freeSpaceOverride.store(bytes, std::memory_order_relaxed);
}

int kzIsSwapFileName(const char* name) {
  if (name == nullptr || std::strncmp(name, "SWP", 3) != 0) return 0;
  const char* p = name + 3;
  int digits = 0;
  while (IsHexDigit(p[digits])) ++digits;
  return digits >= 1 && digits <= 4 && std::strcmp(p + digits, ".tmp") == 0;
}

// --- KzSwapBlock -----------------------------------------------------------------------------

void KzSwapBlock::FreeOnMemory(KzVirtualMemory* vm) {
  if (!IsOnMemory()) return;
  // Lock levels still held go with the memory, so that a chunk's count stays right.
  for (; m_locked > 0; --m_locked) m_memory.Unlock();
  vm->FreeHandle(m_memory, static_cast<unsigned int>(m_size));
  m_memory = KzVMHandle();
}

int KzSwapBlock::Purge(KzSwap* swap, KzVirtualMemory* vm) {
  if (m_edit && !m_temporary && IsOnMemory()) {
    void* data = m_memory.Lock();
    const int written = data != nullptr && swap->Write(data, this);
    m_memory.Unlock();
    if (!written) return 0;
  }
  m_edit = 0;
  if (m_absoluteProtect) return 0;
  FreeOnMemory(vm);
  return 1;
}

// --- KzSwap ----------------------------------------------------------------------------------

KzSwap::KzSwap() = default;

KzSwap::~KzSwap() { Destroy(); }

int KzSwap::Create(unsigned int* size, KzFilePath& path, int buffered) {
  if (size == nullptr || m_file.IsValid()) kzThrowError(kKzErrorParameter);
  const DWORD sector = KzFilePath::GetDiskSectorSize(path);
  if (sector == 0) {
    const int error = tqGetLastError();
    kzThrowError(error != 0 ? error : kKzErrorParameter);
  }
  const std::uint64_t requested = *size;
  std::uint64_t rounded = (requested + sector - 1) / sector * sector;
  if (rounded > 0x7FFFFFFF) {
    rounded = requested / sector > 0 ? (requested / sector - 1) * sector : 0;
    if (rounded > 0x7FFFFFFF) rounded = std::uint64_t{0x7FFFFFFF} / sector * sector;
  }
  if (FreeSpaceOf(path) < rounded) kzThrowError(kKzErrorDiskFull);

  const DWORD flags = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE |
                      (buffered ? 0 : FILE_FLAG_NO_BUFFERING);
  m_file.Create(path, 0, kFileType, static_cast<int>(GENERIC_READ | GENERIC_WRITE), 0,
                static_cast<int>(CREATE_ALWAYS), static_cast<int>(flags));
  try {
    m_file.Seek(static_cast<std::int64_t>(rounded), FILE_BEGIN);
    m_file.SetEOF();
    m_pGarbage = new (std::nothrow) KzGarbage;
    if (m_pGarbage == nullptr) kzThrowError(kKzErrorNotEnoughMemory);
    m_pGarbage->Create(static_cast<unsigned int>(rounded));
  } catch (...) {
    delete m_pGarbage;
    m_pGarbage = nullptr;
    m_file.Close();
    throw;
  }
  m_sectorSize = sector;
  m_swapSize = rounded;
  m_usedSize = 0;
  m_growthStep = static_cast<DWORD>(rounded);
  *size = static_cast<unsigned int>(rounded);
  return 1;
}

KzSwapBlock* KzSwap::Allocate(unsigned int size) {
  if (m_sectorSize == 0) return nullptr;
  const std::uint64_t rounded =
      size % m_sectorSize == 0 ? size : (std::uint64_t{size} / m_sectorSize + 1) * m_sectorSize;
  if (rounded > 0xFFFFFFFF) return nullptr;
  auto* block = new (std::nothrow) KzSwapBlock;
  if (block == nullptr) return nullptr;
  block->m_size = rounded;
  KzSwapListItem* item = m_blocks.Append(block);
  if (item == nullptr) {
    delete block;
    return nullptr;
  }
  block->m_pSwapListItem = item;
  return block;
}

void KzSwap::Deallocate(KzSwapBlock* block) {
  if (block == nullptr) return;
  // Without memory for the free-range record the range stays unusable (and counted as used);
  // the record goes all the same.
  if (block->IsSwapped()) Unplace(block);
  m_blocks.Remove(block->m_pSwapListItem);
  delete block;
}

int KzSwap::Enlarge(unsigned int bytes) {
  if (FreeSpaceOf(m_file.GetPath()) < bytes) kzThrowError(kKzErrorDiskFull);
  m_file.Seek(static_cast<std::int64_t>(m_swapSize + bytes), FILE_BEGIN);
  m_file.SetEOF();
  return 1;
}

int KzSwap::Place(KzSwapBlock* block) {
  std::uint64_t position = 0;
  if (!m_pGarbage->Request(&position, block->m_size)) {
    // Grow by whole steps; a step of 0 (an empty first file) grows by the block itself.
    const std::uint64_t step = m_growthStep != 0 ? m_growthStep : block->m_size;
    std::uint64_t grow = step;
    while (grow < block->m_size) grow += step;
    if (grow > 0xFFFFFFFF) return 0;
    if (!Enlarge(static_cast<unsigned int>(grow))) return 0;
    m_pGarbage->Enlarge(static_cast<unsigned int>(grow), m_swapSize);
    m_swapSize += grow;
    if (!m_pGarbage->Request(&position, block->m_size)) return 0;
  }
  block->m_beginPos = position;
  block->m_endPos = position + block->m_size;
  m_usedSize += block->m_size;
  return 1;
}

int KzSwap::Write(void* const data, KzSwapBlock* block) {
  if (data == nullptr || block == nullptr || !m_file.IsValid()) return 0;
  const bool placed = block->IsSwapped();
  try {
    if (!placed && !Place(block)) return 0;
    m_file.Seek(static_cast<std::int64_t>(block->m_beginPos), FILE_BEGIN);
    m_file.Write(data, static_cast<DWORD>(block->m_size));
  } catch (const KzException&) {
    if (!placed && block->IsSwapped()) Unplace(block);
    return 0;
  }
  m_bytesWritten += block->m_size;
  return 1;
}

void KzSwap::Unplace(KzSwapBlock* block) {
  try {
    m_pGarbage->Add(block->m_beginPos, block->m_endPos, block->m_size);
  } catch (const KzException&) {
    return;  // without memory for the range record the block keeps its place
  }
  m_usedSize -= block->m_size;
  block->m_beginPos = block->m_endPos = 0;
}

int KzSwap::Read(void* data, KzSwapBlock* block) {
  if (data == nullptr || block == nullptr || !block->IsSwapped() || !m_file.IsValid()) return 0;
  DWORD done = 0;
  try {
    m_file.Seek(static_cast<std::int64_t>(block->m_beginPos), FILE_BEGIN);
    m_file.Read(data, static_cast<DWORD>(block->m_size), &done);
  } catch (const KzException&) {
    return 0;
  }
  m_bytesRead += done;
  return done == block->m_size;
}

void KzSwap::Destroy() {
  // Records still alive (their owners did not free them) go with the swap.
  while (KzSwapListItem* item = m_blocks.GetHead()) {
    KzSwapBlock* block = item->block;
    m_blocks.Remove(item);
    delete block;
  }
  m_blocks.Destroy();
  delete m_pGarbage;
  m_pGarbage = nullptr;
  try {
    m_file.Close();
  } catch (const KzException&) {
    // Closing only fails for a file that is already gone.
  }
  m_sectorSize = 0;
  m_swapSize = 0;
  m_usedSize = 0;
  m_growthStep = 0;
}
