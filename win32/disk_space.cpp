// Disk space queries on statvfs, with the device's logical block size as the sector.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "win32/file_system_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

bool FileSystemOf(LPCSTR folder, struct statvfs& fs, std::string& native) {
  if (folder == nullptr) {
    native = ".";
  } else if (!NativePathArgument(folder, native)) {
    return false;
  }
  if (statvfs(native.c_str(), &fs) == 0) return true;
  SetLastError(PathError(errno, native));
  return false;
}

// The logical block size of the device behind `device`: its own queue, or, for a partition,
// the queue of the disk holding it.
DWORD LogicalBlockSize(dev_t device) {
  const std::string base =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  for (const char* queue : {"/queue/logical_block_size", "/../queue/logical_block_size"}) {
    std::ifstream in(base + queue);
    DWORD size = 0;
    if (in >> size && size >= 512) return size;
  }
  return 0;
}

void Put(PULARGE_INTEGER out, std::uint64_t value) {
  if (out != nullptr) out->QuadPart = value;
}

void Put(LPDWORD out, std::uint64_t value) {
  if (out != nullptr) *out = static_cast<DWORD>(std::min<std::uint64_t>(value, 0xFFFFFFFF));
}

}  // namespace
}  // namespace win32::detail

extern "C" {

BOOL GetDiskFreeSpaceExA(LPCSTR folder, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                         PULARGE_INTEGER totalFree) {
  using namespace win32::detail;
  struct statvfs fs {};
  std::string native;
  if (!FileSystemOf(folder, fs, native)) return 0;
  const std::uint64_t unit = fs.f_frsize != 0 ? fs.f_frsize : fs.f_bsize;
  Put(freeToCaller, std::uint64_t{fs.f_bavail} * unit);
  Put(total, std::uint64_t{fs.f_blocks} * unit);
  Put(totalFree, std::uint64_t{fs.f_bfree} * unit);
  return 1;
}

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters) {
  using namespace win32::detail;
  struct statvfs fs {};
  std::string native;
  if (!FileSystemOf(root, fs, native)) return 0;
  struct stat st {};
  DWORD sector = 0;
  if (stat(native.c_str(), &st) == 0) {
    sector = LogicalBlockSize(st.st_dev);
    if (sector == 0 && st.st_blksize > 0) sector = static_cast<DWORD>(st.st_blksize);
  }
  if (sector == 0) sector = 512;
  const std::uint64_t unit = fs.f_frsize != 0 ? fs.f_frsize : fs.f_bsize;
  const std::uint64_t perCluster = std::max<std::uint64_t>(1, unit / sector);
  const std::uint64_t clusterBytes = perCluster * sector;
  Put(sectorsPerCluster, perCluster);
  Put(bytesPerSector, sector);
  Put(freeClusters, std::uint64_t{fs.f_bavail} * unit / clusterBytes);
  Put(totalClusters, std::uint64_t{fs.f_blocks} * unit / clusterBytes);
  return 1;
}

}  // extern "C"
