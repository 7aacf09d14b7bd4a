#include "kz/raster/raster_testing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kz/persistence/file_path.h"
#include "kz/raster/block_access.h"
#include "win32/temp_folder_testing.h"

namespace raster_testing {
namespace {

const char* TempBase() {
  const char* dir = std::getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

// Creates the process-wide manager once, in a scratch folder of its own.
class ProcessVMEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    KzVirtualMemory* vm = kzGetVirtualMemory();
    if (vm->IsCreated()) return;
    ASSERT_TRUE(m_folder.ok());
    KzFilePath folder(m_folder.Lib().c_str());
    vm->Create(kProcessBudget, &folder);
  }

 private:
  win32::testing::TempFolder m_folder{TempBase()};
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProcessVMEnvironment);

std::uint8_t PatternByte(std::uint32_t seed, std::size_t offset) {
  std::uint32_t v = (seed + 1) * 0x9E3779B1u ^ static_cast<std::uint32_t>(offset) * 0x85EBCA77u;
  v ^= v >> 15;
  return static_cast<std::uint8_t>(v ^ (v >> 8));
}

}  // namespace

KzVirtualMemory* ProcessVM() { return kzGetVirtualMemory(); }

struct ScratchVM::Folder {
  win32::testing::TempFolder folder{TempBase()};
};

ScratchVM::ScratchVM(unsigned int budget) : m_folder(std::make_unique<Folder>()) {
  m_vm = std::make_unique<KzVirtualMemory>();
  KzFilePath folder(m_folder->folder.Lib().c_str());
  m_vm->Create(budget, &folder);
}

ScratchVM::~ScratchVM() = default;

ImagePtr MakeImage(int bits, int width, int height, KzVirtualMemory* vm, double resolution) {
  ImagePtr image(KzVOffscreen::CreateOffscreen(bits));
  if (image) image->Create(vm != nullptr ? vm : ProcessVM(), width, height, resolution);
  return image;
}

std::vector<int> ExistingBlocks(const KzVOffscreen& image) {
  std::vector<int> indices;
  for (int i = 0; i < static_cast<int>(image.GetBlockTable().size()); ++i) {
    if (image.GetBlockExist(i)) indices.push_back(i);
  }
  return indices;
}

std::vector<int> LockedBlocks(const KzVOffscreen& image) {
  std::vector<int> indices;
  for (int i = 0; i < static_cast<int>(image.GetBlockTable().size()); ++i) {
    if (image.CheckBlockLock(i)) indices.push_back(i);
  }
  return indices;
}

void FillBlock(KzVOffscreen* image, int x, int y, std::uint32_t seed) {
  KzVOffscreenAutoLock lock(image, x, y, 1);
  BYTE* base = image->GetBaseAddress();
  ASSERT_NE(base, nullptr);
  for (std::size_t i = 0; i < image->GetBlockBytes(); ++i) base[i] = PatternByte(seed, i);
}

std::vector<BYTE> BlockBytes(KzVOffscreen* image, int x, int y) {
  KzVOffscreenAutoLock lock(image, x, y, 0);
  const BYTE* base = image->GetBaseAddress();
  if (base == nullptr) return {};
  return std::vector<BYTE>(base, base + image->GetBlockBytes());
}

VectorArchive::VectorArchive(bool littleEndian) {
  EnableCache(0);
  Init(kModeStore | (littleEndian ? kModeLittleEndian : kModeBigEndian), 0);
}

VectorArchive::VectorArchive(Bytes bytes, bool littleEndian) : m_bytes(std::move(bytes)) {
  EnableCache(0);
  Init(kModeLoad | (littleEndian ? kModeLittleEndian : kModeBigEndian), 0);
  SetLength(static_cast<unsigned int>(m_bytes.size()));
}

unsigned int VectorArchive::WriteSelf(const void* data, unsigned int count) {
  if (m_at + count > m_bytes.size()) m_bytes.resize(m_at + count);
  std::memcpy(m_bytes.data() + m_at, data, count);
  m_at += count;
  return count;
}

unsigned int VectorArchive::ReadSelf(void* buffer, unsigned int count) {
  const std::size_t n =
      std::min<std::size_t>(count, m_bytes.size() - std::min(m_at, m_bytes.size()));
  if (n > 0) std::memcpy(buffer, m_bytes.data() + m_at, n);
  m_at += n;
  return static_cast<unsigned int>(n);
}

unsigned int VectorArchive::SeekSelf(int offset, unsigned int origin) {
  if (origin == 0) {
    m_at = static_cast<unsigned int>(offset);
  } else {
    m_at = static_cast<std::size_t>(static_cast<std::int64_t>(m_at) + offset);
  }
  if (m_at > m_bytes.size()) m_bytes.resize(m_at);
  return static_cast<unsigned int>(m_at);
}

}  // namespace raster_testing
