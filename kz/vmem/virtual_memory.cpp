#include "kz/vmem/virtual_memory.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "kz/foundation/exception.h"
#include "kz/persistence/file_path.h"
#include "kz/persistence/find_file.h"
#include "kz/vmem/swap_p.h"
#include "kz/vmem/virtual_memory_p.h"
#include "tqwutl/files.h"
#include "win32/win32.h"

namespace {

constexpr std::uint64_t kLargestBudget = 0x7FFFFFFF;

// Deletes the swap files that earlier runs left in the folder of `keep` (the name just made
// for this run). Only names of this library's own pattern go: the folder may be shared.
void DeleteStaleSwapFiles(const KzFilePath& keep) {
  KzFilePath folder;
  keep.GetFolderPath(folder);
  std::vector<std::string> stale;
  KzFindFile find;
  for (int found = find.First(folder); found; found = find.Next()) {
    if (find.IsFolder() || find.IsParentFolder()) continue;
    KzString name;
    find.GetName(name);
    if (kzIsSwapFileName(name) && find.GetFilePath() != keep) {
      stale.emplace_back(static_cast<const char*>(find.GetFilePath()));
    }
  }
  find.Close();
  for (const std::string& path : stale) tqDeleteFile(path.c_str());  // a failure leaves it
}

// Removes the empty file that naming the swap file made, when creating the swap failed before
// the file was opened (an opened swap file is already unlinked).
void RemoveUnusedSwapName(const KzFilePath& path) {
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(path, &data);
  if (find == INVALID_HANDLE_VALUE) return;
  FindClose(find);
  const bool emptyFile = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                         data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
  if (emptyFile) tqDeleteFile(path);
}

DWORD SystemPageSize() {
  const long size = sysconf(_SC_PAGESIZE);
  return size > 0 ? static_cast<DWORD>(size) : 4096;
}

// --- the process-wide manager ------------------------------------------------------------------
// Built in static storage at load (or earlier, by the first caller from another static
// initialiser) and destroyed at unload. Its clean-up only calls the utility and Win32
// stand-ins, whose tables outlive every static destructor.
alignas(KzVirtualMemory) unsigned char s_processStorage[sizeof(KzVirtualMemory)];
KzVirtualMemory* s_pProcessVM = nullptr;
bool s_processVMCreated = false;

KzVirtualMemory* ProcessVM() {
  if (s_pProcessVM == nullptr) s_pProcessVM = new (s_processStorage) KzVirtualMemory;
  return s_pProcessVM;
}

struct ProcessVMLifetime {
  ProcessVMLifetime() { ProcessVM(); }
  ProcessVMLifetime(const ProcessVMLifetime&) = delete;
  ProcessVMLifetime& operator=(const ProcessVMLifetime&) = delete;
  ~ProcessVMLifetime() {
    if (s_pProcessVM == nullptr) return;
    s_pProcessVM->~KzVirtualMemory();
    s_pProcessVM = nullptr;
    s_processVMCreated = false;
  }
};

ProcessVMLifetime s_processVMLifetime;

}  // namespace

// --- KzVirtualMemory ---------------------------------------------------------------------------

KzVirtualMemory::KzVirtualMemory() { m_cache.SetOwnerVM(this); }

KzVirtualMemory::~KzVirtualMemory() {
  m_cache.Destroy();
  m_swap.Destroy();
  DestroyChunks();
}

void KzVirtualMemory::DestroyChunks() {
  for (KzTArray<KzVMChunk*>& pool : m_pools) {
    for (KzVMChunk* chunk : pool) delete chunk;
    pool.RemoveAll();
  }
}

int KzVirtualMemory::PoolOf(DWORD size) {
  for (int pool = 0; pool < kPoolCount; ++pool) {
    if (kPoolSlotSizes[pool] == size) return pool;
  }
  return -1;
}

int KzVirtualMemory::GetChunkCount(int pool) const {
  if (pool < 0 || pool >= kPoolCount) kzThrowError(kKzErrorParameter);
  return m_pools[pool].GetCount();
}

const KzVMChunk* KzVirtualMemory::GetChunk(int pool, int index) const {
  if (pool < 0 || pool >= kPoolCount) kzThrowError(kKzErrorParameter);
  return m_pools[pool][index];
}

void KzVirtualMemory::Create(unsigned int size, KzFilePath* folder) {
  if (m_swap.IsCreated()) kzThrowError(kKzErrorParameter);
  KzFilePath path;
  int named = 0;
  if (folder != nullptr) {
    path = *folder;
    path += "dummy.tmp";
    named = path.MakeTempPath("SWP", 1);
  } else {
    named = path.MakeTempPath("SWP", 0);
  }
  if (!named) kzThrowError(kKzErrorSwapPath);

  DeleteStaleSwapFiles(path);

  unsigned int rounded = size;
  try {
    if (!m_swap.Create(&rounded, path, 0)) {
      kzThrowError(kKzErrorSwapSpace, kKzAlertNoVirtualMemory);
    }
  } catch (const KzException& e) {
    RemoveUnusedSwapName(path);
    // A full disk keeps its code and shows the message that names the virtual memory.
    if (e.GetErrorCode() == kKzErrorDiskFull) {
      kzThrowError(kKzErrorDiskFull, kKzAlertNoVirtualMemory);
    }
    throw;
  }
  m_minimumUnitSize = m_pageSize = SystemPageSize();
  m_physicalMemorySize = rounded;
  m_cache.Create(rounded);
}

int KzVirtualMemory::AllocHandle(unsigned int size, KzVMHandle& handle) {
  const int pool = PoolOf(size);
  if (pool >= 0) {
    KzTArray<KzVMChunk*>& chunks = m_pools[pool];
    KzVMChunk* chunk = nullptr;
    for (KzVMChunk* candidate : chunks) {
      if (candidate->GetFreeCount() > 0) {
        chunk = candidate;
        break;
      }
    }
    if (chunk == nullptr) {
      chunk = new (std::nothrow) KzVMChunk(size);
      if (chunk == nullptr) kzThrowError(kKzErrorNotEnoughMemory);
      try {
        chunks.Add(chunk);
      } catch (...) {
        delete chunk;
        throw;
      }
    }
    handle = KzVMHandle{chunk, nullptr, chunk->PopSlot(), size};
    return 1;
  }
  int error = 0;
  TQHANDLE block = tqAlloc(size, TQ_ALIGN_PAGE, &error);
  if (block == nullptr) kzThrowError(error != 0 ? error : kKzErrorNotEnoughMemory);
  handle = KzVMHandle{nullptr, block, 0, size};
  return 1;
}

void KzVirtualMemory::FreeHandle(KzVMHandle& handle, unsigned int /*size*/) {
  if (handle.handle != nullptr) {
    tqFree(handle.handle);
    handle.handle = nullptr;
    return;
  }
  KzVMChunk* chunk = handle.chunk;
  if (chunk == nullptr) return;
  chunk->PushSlot(handle.slot);
  if (chunk->GetFreeCount() != chunk->GetSlotCount()) return;
  // The chunk is empty: its memory goes back at once.
  const int pool = PoolOf(chunk->GetSlotSize());
  if (pool < 0) return;
  KzTArray<KzVMChunk*>& chunks = m_pools[pool];
  for (int i = 0; i < chunks.GetCount(); ++i) {
    if (chunks[i] == chunk) {
      chunks.RemoveAt(i);
      delete chunk;
      return;
    }
  }
}

KzSwapBlock* KzVirtualMemory::Allocate(unsigned int size) {
  KzSwapBlock* block = m_swap.Allocate(size);
  if (block == nullptr) kzThrowError(kKzErrorSwapSpace);
  const auto bytes = static_cast<unsigned int>(block->GetSize());
  try {
    if (!m_cache.Request(&m_swap, bytes)) kzThrowError(kKzErrorNotEnoughMemory);
    KzVMHandle handle;
    AllocHandle(bytes, handle);
    if (!m_cache.Add(block, handle)) {
      FreeHandle(handle, bytes);
      kzThrowError(kKzErrorNotEnoughMemory);
    }
  } catch (...) {
    m_swap.Deallocate(block);
    throw;
  }
  return block;
}

bool KzVirtualMemory::BringIn(KzSwapBlock* block, int* loaded) {
  const auto bytes = static_cast<unsigned int>(block->GetSize());
  // When nothing can be evicted the block comes in over the budget rather than fail.
  m_cache.Request(&m_swap, bytes);
  KzVMHandle fresh;
  AllocHandle(bytes, fresh);
  bool read = false;
  if (!block->IsTemporary() && block->IsSwapped()) {
    void* data = fresh.Lock();
    read = data != nullptr && m_swap.Read(data, block);
    fresh.Unlock();
    if (!read) {
      FreeHandle(fresh, bytes);
      return false;
    }
  }
  if (!m_cache.Add(block, fresh)) {
    FreeHandle(fresh, bytes);
    kzThrowError(kKzErrorNotEnoughMemory);
  }
  if (read && loaded != nullptr) *loaded = 1;
  return true;
}

void KzVirtualMemory::Free(KzSwapBlock* block) {
  if (block == nullptr) return;
  m_cache.Remove(block);
  m_swap.Deallocate(block);
}

int KzVirtualMemory::Purge(KzSwapBlock* block) { return m_cache.Purge(&m_swap, block); }

DWORD KzVirtualMemory::GetUsedPhysicalMemorySize() const {
  return static_cast<DWORD>(std::min<std::uint64_t>(m_cache.GetUsedSize(), 0xFFFFFFFF));
}

DWORD KzVirtualMemory::GetFreePhysicalMemorySize() const {
  const DWORD used = GetUsedPhysicalMemorySize();
  return m_physicalMemorySize > used ? m_physicalMemorySize - used : 0;
}

// --- free functions ----------------------------------------------------------------------------

void kzCreateVirtualMemory(_CREATEVMPARAM* param) {
  if (param == nullptr) kzThrowError(kKzErrorParameter);
  if (s_processVMCreated) return;
  const std::uint64_t budget = kzGetAllocateMemorySize(param->mode, param->percentage);
  ProcessVM()->Create(static_cast<unsigned int>(budget), param->folder);
  s_processVMCreated = true;
}

KzVirtualMemory* kzGetVirtualMemory() { return ProcessVM(); }

std::uint64_t kzGetAllocateMemorySizeFor(int mode, int percentage, const MEMORYSTATUSEX& status) {
  std::uint64_t size = 0;
  if (mode == 0) {
    size = std::max(status.ullTotalPhys / 2, status.ullAvailPhys / 2);
  } else if (mode == 1) {
    const int clamped = std::clamp(percentage, 20, 80);
    size = status.ullTotalPhys / 100 * static_cast<std::uint64_t>(clamped);
  } else {
    return 0;
  }
  return std::min(size, kLargestBudget);
}

std::uint64_t kzGetAllocateMemorySize(int mode, int percentage) {
  MEMORYSTATUSEX status;
  kzwGlobalMemoryStatus(&status);
  return kzGetAllocateMemorySizeFor(mode, percentage, status);
}

void kzwGlobalMemoryStatus(MEMORYSTATUSEX* status) {
  static_assert(sizeof(MEMORYSTATUSEX) == 64, "the record's length field says 64");
  if (status == nullptr) return;
  std::memset(status, 0, sizeof *status);
  status->dwLength = sizeof *status;
  if (GlobalMemoryStatusEx(status)) return;
  // Without /proc: the physical figures from the system's page counts, the rest 0.
  std::memset(status, 0, sizeof *status);
  status->dwLength = sizeof *status;
  const long pageSize = sysconf(_SC_PAGESIZE);
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long available = sysconf(_SC_AVPHYS_PAGES);
  if (pageSize <= 0 || pages <= 0) return;
  status->ullTotalPhys = static_cast<DWORDLONG>(pages) * static_cast<DWORDLONG>(pageSize);
  status->ullAvailPhys =
      available > 0 ? static_cast<DWORDLONG>(available) * static_cast<DWORDLONG>(pageSize) : 0;
  status->ullTotalPageFile = status->ullTotalPhys;
  status->ullAvailPageFile = status->ullAvailPhys;
  status->dwMemoryLoad =
      static_cast<DWORD>(100 - status->ullAvailPhys * 100 / status->ullTotalPhys);
}
