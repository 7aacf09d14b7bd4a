#include "kz/raster/voffscreen.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "kz/foundation/error.h"
#include "kz/raster/block_access.h"
#include "kz/raster/voffscreen_16bit.h"
#include "kz/raster/voffscreen_1bit.h"
#include "kz/raster/voffscreen_24bit.h"
#include "kz/raster/voffscreen_2bit.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"
#include "kz/vmem/virtual_memory.h"
#include "tqwutl/tqwutl.h"

namespace {

constexpr int kBlock = KzVOffscreen::kBlockSize;

// Block rectangle of (column, row); never clipped to the image.
KzRect BlockRectAt(int column, int row) {
  return KzRect(column * kBlock, row * kBlock, column * kBlock + kBlock, row * kBlock + kBlock);
}

// Row bytes of a block: 256 pixels of `bits`, rounded up to a multiple of 32.
int RowBytesFor(int bits) { return ((kBlock * bits / 8) + 31) & ~31; }

int BlocksFor(std::int64_t pixels) { return static_cast<int>((pixels + kBlock - 1) / kBlock); }

// A row-major table of `across` x `down` absent blocks.
std::vector<KzVOffscreenBlock> EmptyTable(int across, int down) {
  std::vector<KzVOffscreenBlock> table;
  table.reserve(static_cast<std::size_t>(across) * down);
  for (int row = 0; row < down; ++row) {
    for (int column = 0; column < across; ++column) {
      table.emplace_back(BlockRectAt(column, row), nullptr);
    }
  }
  return table;
}

}  // namespace

bool KzVOffscreen::IsValidBitCount(int bits) {
  return bits == 1 || bits == 2 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool KzVOffscreen::IsValidSize(std::int64_t width, std::int64_t height) {
  if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) return false;
  return std::int64_t{BlocksFor(width)} * BlocksFor(height) <= kMaxBlockCount;
}

KzVOffscreen* KzVOffscreen::CreateOffscreen(int bits) {
  switch (bits) {
    case 1:
      return new KzVOffscreen1Bit();
    case 2:
      return new KzVOffscreen2Bit();
    case 8:
      return new KzVOffscreen8Bit();
    case 16:
      return new KzVOffscreen16Bit();
    case 24:
      return new KzVOffscreen24Bit();
    case 32:
      return new KzVOffscreen32Bit();
    default:
      return nullptr;
  }
}

void KzVOffscreen::DeleteOffscreen(KzVOffscreen* image) {
  if (image == nullptr) return;
  image->Destroy();
  delete image;
}

KzVOffscreen::KzVOffscreen() = default;

KzVOffscreen::~KzVOffscreen() { KzVOffscreen::Destroy(); }

void KzVOffscreen::Initialize() {
  m_pVirtualMemory = nullptr;
  m_width = 0;
  m_height = 0;
  m_resolution = 0.0;
  m_offset = KzPoint();
  m_blockRowBytes = 0;
  m_blocksAcross = 0;
  m_blocksDown = 0;
  m_blocks.clear();
  m_lockCount = 0;
  m_writeFlag = 0;
  m_allowBreak = 0;
  m_protectArea = KzRect();
  m_cursor = KzVOffscreenCursor();
  m_clearColorByte = 0;
  m_clearColor = 0xFFFFFFu;
  m_enableClear = 1;
  m_transparency = 256;
  m_specialty = 0;
  m_monoBWThreshold = 128;
  m_monoTransThreshold = 127;
  std::fill(std::begin(m_indexColors), std::end(m_indexColors), 0u);
}

void KzVOffscreen::Create(KzVirtualMemory* vm, int width, int height, double resolution) {
  if (vm == nullptr || !IsValidBitCount(m_bitCount) || !IsValidSize(width, height)) {
    kzThrowError(kKzErrorParameter);
  }
  Destroy();
  m_pVirtualMemory = vm;
  m_width = width;
  m_height = height;
  m_resolution = resolution;
  m_blockRowBytes = RowBytesFor(m_bitCount);
  m_blocksAcross = BlocksFor(width);
  m_blocksDown = BlocksFor(height);
  InitBlock();
}

void KzVOffscreen::Destroy() {
  if (m_pVirtualMemory == nullptr) return;
  if (m_cursor.blockIndex >= 0) UnlockBlock(m_cursor.blockIndex);
  m_cursor.blockIndex = -1;
  DestroyAllBlock();
  m_blocks.clear();
  Initialize();
}

void KzVOffscreen::SetIndexColor(int index, TQCOLORREF color) {
  if (index < 0 || index >= kIndexColorCount) kzThrowError(kKzErrorParameter);
  m_indexColors[index] = color;
}

// --- the block table ----------------------------------------------------------------------------

void KzVOffscreen::InitBlock() { m_blocks = EmptyTable(m_blocksAcross, m_blocksDown); }

void KzVOffscreen::RebuildTable(int across, int down, int dColumn, int dRow) {
  std::vector<KzVOffscreenBlock> table = EmptyTable(across, down);
  for (int row = 0; row < m_blocksDown; ++row) {
    for (int column = 0; column < m_blocksAcross; ++column) {
      KzSwapBlock* block =
          m_blocks[static_cast<std::size_t>(row) * m_blocksAcross + column].GetSwapBlock();
      const int newRow = row + dRow;
      const int newColumn = column + dColumn;
      if (block == nullptr || newRow < 0 || newRow >= down || newColumn < 0 ||
          newColumn >= across) {
        continue;
      }
      table[static_cast<std::size_t>(newRow) * across + newColumn].SetSwapBlock(block);
    }
  }
  // The cursor's block moved with the table: keep it current under its new index.
  if (m_cursor.blockIndex >= 0) {
    const int row = m_cursor.blockIndex / m_blocksAcross + dRow;
    const int column = m_cursor.blockIndex % m_blocksAcross + dColumn;
    m_cursor.blockIndex =
        (row >= 0 && row < down && column >= 0 && column < across) ? row * across + column : -1;
  }
  m_cursor.x += dColumn * kBlock;
  m_cursor.y += dRow * kBlock;
  m_blocks.swap(table);
  m_blocksAcross = across;
  m_blocksDown = down;
}

int KzVOffscreen::GetBlockCount(int* across, int* down) const {
  if (across != nullptr) *across = m_blocksAcross;
  if (down != nullptr) *down = m_blocksDown;
  return m_blocksAcross * m_blocksDown;
}

KzRect KzVOffscreen::GetBlockRect(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_blocks.size()) {
    kzThrowError(kKzErrorParameter);
  }
  return m_blocks[index].GetRect();
}

int KzVOffscreen::GetCurrentBlock(KzRect& rect, BYTE*& base) const {
  if (m_cursor.blockIndex < 0 || static_cast<std::size_t>(m_cursor.blockIndex) >= m_blocks.size()) {
    return 0;
  }
  rect = m_blocks[m_cursor.blockIndex].GetRect();
  base = m_cursor.base;
  return 1;
}

int KzVOffscreen::GetBlockExist(int x, int y) const { return GetBlockExist(GetBlockIndex(x, y)); }

int KzVOffscreen::GetBlockExist(int index) const { return SwapBlockAt(index) != nullptr ? 1 : 0; }

int KzVOffscreen::IsCreatedBlockByIndex(int column, int row) const {
  if (column < 0 || row < 0 || column >= m_blocksAcross || row >= m_blocksDown) return 0;
  return GetBlockExist(row * m_blocksAcross + column);
}

int KzVOffscreen::IsBlockOnMemory(int x, int y) const {
  return IsBlockOnMemory(GetBlockIndex(x, y));
}

int KzVOffscreen::IsBlockOnMemory(int index) const {
  if (!GetBlockExist(index)) return 1;
  return m_blocks[index].GetSwapBlock()->IsOnMemory() ? 1 : 0;
}

int KzVOffscreen::IsBlockAbsoluteProtect(int x, int y) const {
  return IsBlockAbsoluteProtect(GetBlockIndex(x, y));
}

int KzVOffscreen::IsBlockAbsoluteProtect(int index) const {
  if (!GetBlockExist(index)) return 1;
  return m_blocks[index].GetSwapBlock()->IsAbsoluteProtect() ? 1 : 0;
}

int KzVOffscreen::CheckBlockLock(int index) const {
  if (!GetBlockExist(index)) return 0;
  return m_blocks[index].GetSwapBlock()->IsLocked() ? 1 : 0;
}

int KzVOffscreen::CheckAreaType(int x, int y) const { return CheckAreaType(GetBlockIndex(x, y)); }

int KzVOffscreen::CheckAreaType(int index) const {
  if (!GetBlockExist(index)) return AREA_NO_BLOCK;
  return m_blocks[index].GetSwapBlock()->IsEnable() ? AREA_WITH_DATA : AREA_NOT_FILLED;
}

void KzVOffscreen::DropCurrentBlock() {
  UnlockBlock(m_cursor.blockIndex);
  m_cursor.blockIndex = -1;
  m_cursor.base = nullptr;
  m_cursor.address = nullptr;
}

int KzVOffscreen::DestroyBlock(int index) {
  if (!GetBlockExist(index)) return 0;
  if (index == m_cursor.blockIndex) DropCurrentBlock();
  KzVOffscreenBlock& entry = m_blocks[index];
  KzSwapBlock* block = entry.GetSwapBlock();
  entry.SetSwapBlock(nullptr);
  m_pVirtualMemory->Free(block);
  return 1;
}

int KzVOffscreen::DestroyBlock(int x, int y) { return DestroyBlock(GetBlockIndex(x, y)); }

int KzVOffscreen::DestroyBlockByIndex(int column, int row) {
  if (!IsCreatedBlockByIndex(column, row)) return 0;
  return DestroyBlock(row * m_blocksAcross + column);
}

void KzVOffscreen::DestroyAllBlock() {
  for (std::size_t i = 0; i < m_blocks.size(); ++i) DestroyBlock(static_cast<int>(i));
}

void KzVOffscreen::UnloadAllBlock() {
  for (const KzVOffscreenBlock& entry : m_blocks) {
    KzSwapBlock* block = entry.GetSwapBlock();
    if (block != nullptr && block->IsOnMemory()) m_pVirtualMemory->Purge(block);
  }
}

// --- block locking
// --------------------------------------------------------------------------------

void KzVOffscreen::SetBlockFlags(KzSwapBlock* block, int temporary, int absoluteProtect) {
  block->SetTemporary(temporary);
  block->SetAbsoluteProtect(absoluteProtect);
}

void KzVOffscreen::MarkNewBlock(int index) {
  KzSwapBlock* block = m_blocks[index].GetSwapBlock();
  if (!m_protectArea.IsRectEmpty() && IsProtected(index)) {
    SetBlockFlags(block, 0, 1);
  } else {
    SetBlockFlags(block, 1, 0);
  }
}

BYTE* KzVOffscreen::LockBlock(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_blocks.size()) return nullptr;
  KzVOffscreenBlock& entry = m_blocks[index];
  KzSwapBlock* block = entry.GetSwapBlock();
  bool fresh = false;
  if (block == nullptr) {
    if (m_writeFlag == 0) return nullptr;
    block = m_pVirtualMemory->Allocate(GetBlockBytes());
    if (block == nullptr) return nullptr;
    entry.SetSwapBlock(block);
    if (m_allowBreak) MarkNewBlock(index);
    fresh = true;
  }
  // A block that comes into memory without its bytes being read back (never filled, or
  // temporary and dropped, with or without an old place in the swap file) has undefined bytes.
  const bool wasOnMemory = block->IsOnMemory() != 0;
  int loaded = 0;
  auto* address = static_cast<BYTE*>(m_pVirtualMemory->Lock(block, m_writeFlag, &loaded));
  if (address != nullptr && m_enableClear == 1 && (fresh || (!wasOnMemory && loaded == 0))) {
    ClearBlock(address);
  }
  return address;
}

void KzVOffscreen::UnlockBlock(int index) {
  if (KzSwapBlock* block = SwapBlockAt(index)) m_pVirtualMemory->Unlock(block);
}

inline void KzVOffscreen::SwitchBlock(int index) {
  // A next block already in memory is locked before the current one is given back, so that a
  // chunk the two share stays locked across the switch. Nothing comes in, so nothing is evicted.
  KzSwapBlock* next = SwapBlockAt(index);
  const bool nextInMemory = next != nullptr && next->IsOnMemory();
  BYTE* base = nextInMemory
                   ? static_cast<BYTE*>(m_pVirtualMemory->Lock(next, m_writeFlag, nullptr))
                   : nullptr;
  // A cursor's index is -1 or names an entry of the table.
  if (m_cursor.blockIndex >= 0) {
    if (KzSwapBlock* current = GetCurrentBlockEntry().GetSwapBlock()) {
      m_pVirtualMemory->Unlock(current);
    }
  }
  m_cursor.blockIndex = -1;
  m_cursor.base = nullptr;
  m_cursor.address = nullptr;
  // Outside the image, or an image without a block table (the null device).
  if (index < 0 || static_cast<std::size_t>(index) >= m_blocks.size()) return;
  // Anything else may have to be made, read back or cleared, with the current block released.
  m_cursor.base = nextInMemory ? base : LockBlock(index);
  m_cursor.blockIndex = index;
  if (m_cursor.base != nullptr) SetCurrentCursorAddress(m_cursor.x, m_cursor.y);
}

// --- locking and the cursor
// -----------------------------------------------------------------------

void KzVOffscreen::Lock(int x, int y, int write) {
  const bool becomesWrite = write != 0 && m_writeFlag == 0;
  if (write != 0) m_writeFlag = 1;
  ++m_lockCount;
  if (m_lockCount == 1) {
    m_cursor.x = x;
    m_cursor.y = y;
    SetCurrentBlock();
    return;
  }
  // A block locked for reading would not be marked edited (and an absent one has no address):
  // take it again under the write lock.
  if (becomesWrite && m_cursor.blockIndex >= 0) DropCurrentBlock();
  MoveCursor(x, y);
}

void KzVOffscreen::Unlock() {
  if (m_lockCount <= 0) return;
  if (--m_lockCount > 0) return;
  if (m_cursor.blockIndex >= 0) UnlockBlock(m_cursor.blockIndex);
  m_cursor.blockIndex = -1;
  m_writeFlag = 0;
}

void KzVOffscreen::SetCurrentBlock() {
  // Called without a current block: there is nothing to release.
  m_cursor.blockIndex = -1;
  SwitchBlock(GetBlockIndex(m_cursor.x, m_cursor.y));
}

void KzVOffscreen::ChangeCurrentBlock() { SwitchBlock(GetBlockIndex(m_cursor.x, m_cursor.y)); }

void KzVOffscreen::MoveCursor(int x, int y) {
  const int index = GetBlockIndex(x, y);
  m_cursor.x = x;
  m_cursor.y = y;
  if (index == m_cursor.blockIndex) {
    if (index >= 0) {
      if (m_cursor.base != nullptr) {
        SetCurrentCursorAddress(x, y);
      } else {
        m_cursor.address = nullptr;
      }
    }
    return;
  }
  SwitchBlock(index);
}

void KzVOffscreen::MoveCursorFast(int x, int y) {
  const int index = GetBlockIndexFast(x, y);
  m_cursor.x = x;
  m_cursor.y = y;
  if (index != m_cursor.blockIndex) {
    SwitchBlock(index);
    return;
  }
  if (m_cursor.base != nullptr) {
    SetCurrentCursorAddress(x, y);
  } else {
    m_cursor.address = nullptr;
  }
}

void KzVOffscreen::NextCursorY() {
  ++m_cursor.y;
  if (m_cursor.blockIndex < 0) {
    SetCurrentBlock();
  } else if (m_cursor.y < m_height && m_blocks[m_cursor.blockIndex].IsInsideY(m_cursor.y)) {
    if (m_cursor.address != nullptr) m_cursor.address += m_blockRowBytes;
  } else {
    ChangeCurrentBlock();
  }
}

void KzVOffscreen::PrevCursorY() {
  --m_cursor.y;
  if (m_cursor.blockIndex < 0) {
    SetCurrentBlock();
  } else if (m_cursor.y >= 0 && m_blocks[m_cursor.blockIndex].IsInsideY(m_cursor.y)) {
    if (m_cursor.address != nullptr) m_cursor.address -= m_blockRowBytes;
  } else {
    ChangeCurrentBlock();
  }
}

BYTE* KzVOffscreen::MoveCursorFake32(int x, int y) {
  MoveCursorFast(x, y);
  return SetCurrentCursorAddressFake32(x, y);
}

BYTE* KzVOffscreen::SetCurrentCursorAddressFake32(int x, int y) const {
  if (m_cursor.base == nullptr || m_cursor.blockIndex < 0) return nullptr;
  const KzRect& rect = m_blocks[m_cursor.blockIndex].GetRect();
  return m_cursor.base + static_cast<std::ptrdiff_t>(y - rect.top) * m_blockRowBytes +
         static_cast<std::ptrdiff_t>(x - rect.left) * 4;
}

DWORD KzVOffscreen::Get8BitColorOnlyQuad() const {
  DWORD value = 0;
  if (m_cursor.address != nullptr) std::memcpy(&value, m_cursor.address, sizeof value);
  return value;
}

void KzVOffscreen::Set8BitColorOnlyQuad(DWORD value) {
  if (m_cursor.address != nullptr) std::memcpy(m_cursor.address, &value, sizeof value);
}

// --- the base's virtual operations
// ----------------------------------------------------------------

// The generic steps: a new block whenever x leaves the current one, else the depth's address.
void KzVOffscreen::NextCursorX() {
  ++m_cursor.x;
  if (m_cursor.blockIndex < 0 || m_cursor.x >= m_width ||
      !m_blocks[m_cursor.blockIndex].IsInsideX(m_cursor.x)) {
    ChangeCurrentBlock();
  } else if (m_cursor.base != nullptr) {
    SetCurrentCursorAddress(m_cursor.x, m_cursor.y);
  }
}

void KzVOffscreen::NextCursorXFastest() {
  ++m_cursor.x;
  SetCurrentCursorAddress(m_cursor.x, m_cursor.y);
}

void KzVOffscreen::PrevCursorX() {
  --m_cursor.x;
  if (m_cursor.blockIndex < 0 || m_cursor.x < 0 ||
      !m_blocks[m_cursor.blockIndex].IsInsideX(m_cursor.x)) {
    ChangeCurrentBlock();
  } else if (m_cursor.base != nullptr) {
    SetCurrentCursorAddress(m_cursor.x, m_cursor.y);
  }
}

void KzVOffscreen::PrevCursorXFastest() {
  --m_cursor.x;
  SetCurrentCursorAddress(m_cursor.x, m_cursor.y);
}

void KzVOffscreen::ClearBlock(BYTE*) {}
TQCOLORREF KzVOffscreen::GetColor() { return 0; }
BYTE KzVOffscreen::Get1BitColorFast() { return 0; }
BYTE KzVOffscreen::Get1BitColor() { return 0; }
BYTE KzVOffscreen::Get2BitColorFast() { return 0; }
BYTE KzVOffscreen::Get2BitColor() { return 0; }
BYTE KzVOffscreen::Get8BitColorFast() { return 0; }
BYTE KzVOffscreen::Get8BitColor() { return 0; }
TQCOLORREF KzVOffscreen::Get16BitColorFast() { return 0; }
TQCOLORREF KzVOffscreen::Get16BitColor() { return 0; }
TQCOLORREF KzVOffscreen::Get24BitColorFast() { return 0; }
TQCOLORREF KzVOffscreen::Get24BitColor() { return 0; }
TQCOLORREF KzVOffscreen::Get32BitColorFast() { return 0; }
TQCOLORREF KzVOffscreen::Get32BitColor() { return 0; }
void KzVOffscreen::SetColor(TQCOLORREF) {}
void KzVOffscreen::Set1BitColor(BYTE) {}
void KzVOffscreen::Set2BitColor(BYTE) {}
void KzVOffscreen::Set8BitColor(BYTE) {}
void KzVOffscreen::Set16BitColor(TQCOLORREF) {}
void KzVOffscreen::Set24BitColor(TQCOLORREF) {}
void KzVOffscreen::Set32BitColor(TQCOLORREF) {}
void KzVOffscreen::CopyCurrentColor(KzVOffscreen*) {}
void KzVOffscreen::CopyCurrentColorFast(KzVOffscreen*) {}
TQCOLORREF KzVOffscreen::MakeNativeColor(TQCOLORREF) { return 0; }
BYTE KzVOffscreen::Get8BitImageFast() { return 0; }
BYTE KzVOffscreen::Get8BitImage() { return 0; }
TQCOLORREF KzVOffscreen::Get24BitImageFast() { return 0; }
TQCOLORREF KzVOffscreen::Get24BitImage() { return 0; }
BYTE KzVOffscreen::Get8BitMaskFast() { return 0; }
BYTE KzVOffscreen::Get8BitMask() { return 0; }
void KzVOffscreen::SetCurrentCursorAddress(int, int) {}
void KzVOffscreen::Optimize() {}
void KzVOffscreen::OptimizeBlock(const tagRECT&) {}

// --- protection
// -----------------------------------------------------------------------------------

bool KzVOffscreen::IsProtected(int index) const {
  if (m_blocksAcross <= 0 || m_blocksDown <= 0 || index < 0) return false;
  const int x = (index % m_blocksAcross) * kBlock;
  const int y = (index / m_blocksAcross) * kBlock;
  return m_protectArea.left <= x && x < m_protectArea.right && m_protectArea.top <= y &&
         y < m_protectArea.bottom;
}

void KzVOffscreen::ClearProtectArea() {
  m_protectArea = KzRect();
  // Only an image that allows breaking may lose the contents of its blocks on eviction.
  for (const KzVOffscreenBlock& entry : m_blocks) {
    if (entry.GetSwapBlock() != nullptr) SetBlockFlags(entry.GetSwapBlock(), m_allowBreak, 0);
  }
}

void KzVOffscreen::SetProtectArea(const KzRect& rect) {
  ClearProtectArea();
  if (rect.IsRectEmpty()) return;
  KzRect area;
  const KzRect image = GetRect();
  if (!area.IntersectRect(&rect, &image)) return;
  const int firstColumn = area.left / kBlock;
  const int firstRow = area.top / kBlock;
  const int lastColumn = (area.right - 1) / kBlock;
  const int lastRow = (area.bottom - 1) / kBlock;
  m_protectArea = KzRect(firstColumn * kBlock, firstRow * kBlock, (lastColumn + 1) * kBlock,
                         (lastRow + 1) * kBlock);
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
      KzSwapBlock* block =
          m_blocks[static_cast<std::size_t>(row) * m_blocksAcross + column].GetSwapBlock();
      if (block != nullptr) SetBlockFlags(block, 0, 1);
    }
  }
}

void KzVOffscreen::SetProtectBlockArea(const KzRect& rect) {
  if (rect.IsRectEmpty()) return;
  const int index = GetBlockIndex(rect.left, rect.top);
  if (index < 0) return;
  KzSwapBlock* block = m_blocks[index].GetSwapBlock();
  if (block != nullptr) SetBlockFlags(block, 0, 1);
  const KzRect blockRect = m_blocks[index].GetRect();
  if (m_protectArea.IsRectEmpty()) {
    m_protectArea = blockRect;
  } else {
    m_protectArea.UnionRect(&blockRect);
  }
}

void KzVOffscreen::ClipProtectArea() {
  if (m_protectArea.IsRectEmpty()) return;
  const KzRect image = GetRect();
  m_protectArea.IntersectRect(&image);
}

// --- growing and shrinking
// ------------------------------------------------------------------------

int KzVOffscreen::AllocateRect(const KzRect& rect, KzRect* placed) {
  if (rect.left >= 0 && rect.top >= 0 && rect.right <= m_width && rect.bottom <= m_height) {
    if (placed != nullptr) *placed = GetRect();
    return 1;
  }
  const std::int64_t left = rect.left < 0 ? (-std::int64_t{rect.left} + kBlock - 1) / kBlock : 0;
  const std::int64_t top = rect.top < 0 ? (-std::int64_t{rect.top} + kBlock - 1) / kBlock : 0;
  const std::int64_t right =
      rect.right > m_width ? BlocksFor(rect.right) - std::int64_t{m_blocksAcross} : 0;
  const std::int64_t bottom =
      rect.bottom > m_height ? BlocksFor(rect.bottom) - std::int64_t{m_blocksDown} : 0;
  const std::int64_t width =
      m_width + kBlock * left + (rect.right > m_width ? rect.right - std::int64_t{m_width} : 0);
  const std::int64_t height =
      m_height + kBlock * top + (rect.bottom > m_height ? rect.bottom - std::int64_t{m_height} : 0);
  if (!IsValidSize(width, height)) kzThrowError(kKzErrorParameter);

  if (left + top + right + bottom > 0) {
    RebuildTable(m_blocksAcross + static_cast<int>(left + right),
                 m_blocksDown + static_cast<int>(top + bottom), static_cast<int>(left),
                 static_cast<int>(top));
  }
  const int shiftX = static_cast<int>(kBlock * left);
  const int shiftY = static_cast<int>(kBlock * top);
  m_width = static_cast<int>(width);
  m_height = static_cast<int>(height);
  m_offset.x -= shiftX;
  m_offset.y -= shiftY;
  if (!m_protectArea.IsRectEmpty()) {
    m_protectArea.OffsetRect(shiftX, shiftY);
    ClipProtectArea();
  }
  if (m_cursor.blockIndex >= 0 && m_cursor.base != nullptr) {
    SetCurrentCursorAddress(m_cursor.x, m_cursor.y);
  }
  if (placed != nullptr) *placed = KzRect(shiftX, shiftY, shiftX + m_width, shiftY + m_height);
  return 1;
}

int KzVOffscreen::DeallocateBlock(DEALLOCATE_BLOCK_TYPE type) {
  const bool columns = type == DEALLOCATE_LEFT || type == DEALLOCATE_RIGHT;
  if (!columns && type != DEALLOCATE_TOP && type != DEALLOCATE_BOTTOM) return 0;
  if ((columns ? m_blocksAcross : m_blocksDown) < 2) return 0;

  // Free the edge's blocks.
  const int count = columns ? m_blocksDown : m_blocksAcross;
  for (int i = 0; i < count; ++i) {
    int column = i;
    int row = i;
    if (type == DEALLOCATE_LEFT) column = 0;
    if (type == DEALLOCATE_RIGHT) column = m_blocksAcross - 1;
    if (type == DEALLOCATE_TOP) row = 0;
    if (type == DEALLOCATE_BOTTOM) row = m_blocksDown - 1;
    DestroyBlockByIndex(column, row);
  }
  // The rest moves into place; a cursor on the removed edge is left without a block.
  switch (type) {
    case DEALLOCATE_LEFT:
      RebuildTable(m_blocksAcross - 1, m_blocksDown, -1, 0);
      m_width -= kBlock;
      m_offset.x += kBlock;
      if (!m_protectArea.IsRectEmpty()) m_protectArea.OffsetRect(-kBlock, 0);
      break;
    case DEALLOCATE_TOP:
      RebuildTable(m_blocksAcross, m_blocksDown - 1, 0, -1);
      m_height -= kBlock;
      m_offset.y += kBlock;
      if (!m_protectArea.IsRectEmpty()) m_protectArea.OffsetRect(0, -kBlock);
      break;
    case DEALLOCATE_RIGHT:
      RebuildTable(m_blocksAcross - 1, m_blocksDown, 0, 0);
      m_width = m_blocksAcross * kBlock;
      break;
    case DEALLOCATE_BOTTOM:
      RebuildTable(m_blocksAcross, m_blocksDown - 1, 0, 0);
      m_height = m_blocksDown * kBlock;
      break;
  }
  ClipProtectArea();
  if (m_cursor.blockIndex >= 0 && m_cursor.base != nullptr) {
    SetCurrentCursorAddress(m_cursor.x, m_cursor.y);
  }
  return 1;
}

int KzVOffscreen::DeallocateRect(KzRect rect, KzPoint& shift) {
  shift = KzPoint(0, 0);
  if (rect.left >= kBlock) {
    for (int n = rect.left / kBlock; n > 0; --n) {
      if (!DeallocateBlock(DEALLOCATE_LEFT)) return 0;
      shift.x += kBlock;
      rect.right -= kBlock;
    }
  }
  if (rect.top >= kBlock) {
    for (int n = rect.top / kBlock; n > 0; --n) {
      if (!DeallocateBlock(DEALLOCATE_TOP)) return 0;
      shift.y += kBlock;
      rect.bottom -= kBlock;
    }
  }
  if (m_width - rect.right >= kBlock) {
    for (int n = (m_width - rect.right) / kBlock; n > 0; --n) {
      if (!DeallocateBlock(DEALLOCATE_RIGHT)) return 0;
    }
  }
  if (m_height - rect.bottom >= kBlock) {
    for (int n = (m_height - rect.bottom) / kBlock; n > 0; --n) {
      if (!DeallocateBlock(DEALLOCATE_BOTTOM)) return 0;
    }
  }
  return 1;
}

// --- areas and extents
// ----------------------------------------------------------------------------

int KzVOffscreen::GetBlockArea(const KzRect& rect, KzTArray<tagRECT>& list, int clip) const {
  list.RemoveAll();
  KzBlockGetter getter(this, rect, clip);
  KzRect piece;
  while (getter.GetNextBlock(piece)) list.Add(piece);
  return list.GetSize();
}

int KzVOffscreen::GetBlockArea(const KzRect& rect, int index, tagRECT* out, int clip) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_blocks.size() || out == nullptr) return 0;
  const KzRect block = m_blocks[index].GetRect();
  KzRect common;
  if (!common.IntersectRect(&block, &rect)) return 0;
  *out = clip == 1 ? common : block;
  return 1;
}

int KzVOffscreen::GetBlockAreaIndex(const KzRect& rect, int& firstColumn, int& lastColumn,
                                    int& firstRow, int& lastRow) const {
  KzRect area;
  const KzRect image = GetRect();
  if (!area.IntersectRect(&rect, &image)) return 0;
  firstColumn = area.left / kBlock;
  lastColumn = (area.right - 1) / kBlock;
  firstRow = area.top / kBlock;
  lastRow = (area.bottom - 1) / kBlock;
  return (lastColumn - firstColumn + 1) * (lastRow - firstRow + 1);
}

int KzVOffscreen::GetExtentBlock(tagRECT& rect) {
  KzRect extent;
  const KzRect image = GetRect();
  for (const KzVOffscreenBlock& entry : m_blocks) {
    if (entry.GetSwapBlock() == nullptr) continue;
    KzRect piece;
    const KzRect block = entry.GetRect();
    if (piece.IntersectRect(&block, &image)) extent.UnionRect(&piece);
  }
  if (extent.IsRectEmpty()) return 0;
  rect = extent;
  return 1;
}

namespace {

// Whether the pixel at column x of a block row carries content, by depth.
bool PixelHasContent(int bits, const BYTE* row, int x) {
  switch (bits) {
    case 1:
      return (row[x >> 3] & (0x80 >> (x & 7))) != 0;
    case 2:
      // Values 2 and 3 (the high bit of the pair); value 1 reads as transparent.
      return (row[x >> 2] & (0x80 >> (2 * (x & 3)))) != 0;
    case 8:
      return row[x] != 0;
    case 16:
      return row[2 * x] != 0;
    case 32:
      return row[4 * x + 3] != 0;
    default:
      return true;
  }
}

}  // namespace

int KzVOffscreen::GetExtentRect(tagRECT& rect) {
  rect = tagRECT{0, 0, 0, 0};
  tagRECT blocks{};
  if (!GetExtentBlock(blocks)) return 0;
  KzVOffscreenAutoLock lock(this, 0);
  KzRect box;
  const KzRect image = GetRect();
  for (std::size_t index = 0; index < m_blocks.size(); ++index) {
    const KzVOffscreenBlock& entry = m_blocks[index];
    if (entry.GetSwapBlock() == nullptr) continue;
    KzRect piece;
    const KzRect block = entry.GetRect();
    if (!piece.IntersectRect(&block, &image)) continue;
    // A block inside the box found so far cannot widen it.
    if (!box.IsRectEmpty() && piece.left >= box.left && piece.top >= box.top &&
        piece.right <= box.right && piece.bottom <= box.bottom) {
      continue;
    }
    MoveCursor(piece.left, piece.top);
    const BYTE* base = m_cursor.base;
    if (base == nullptr) continue;
    const int width = piece.right - piece.left;
    const int height = piece.bottom - piece.top;
    int top = height;
    int bottom = -1;
    int left = width;
    int right = -1;
    for (int y = 0; y < height; ++y) {
      const BYTE* row = base + static_cast<std::size_t>(y) * m_blockRowBytes;
      int first = -1;
      for (int x = 0; x < width; ++x) {
        if (PixelHasContent(m_bitCount, row, x)) {
          first = x;
          break;
        }
      }
      if (first < 0) continue;
      int last = first;
      for (int x = width - 1; x > first; --x) {
        if (PixelHasContent(m_bitCount, row, x)) {
          last = x;
          break;
        }
      }
      top = std::min(top, y);
      bottom = y;
      left = std::min(left, first);
      right = std::max(right, last);
    }
    if (bottom < 0) continue;
    const KzRect found(piece.left + left, piece.top + top, piece.left + right + 1,
                       piece.top + bottom + 1);
    box.UnionRect(&found);
  }
  if (box.IsRectEmpty()) return 0;
  rect = box;
  return 1;
}

std::uint64_t KzVOffscreen::GetUsedMemory(int onlyInMemory) const {
  std::uint64_t total = 0;
  for (const KzVOffscreenBlock& entry : m_blocks) {
    const KzSwapBlock* block = entry.GetSwapBlock();
    if (block == nullptr) continue;
    if (onlyInMemory != 0 && !block->IsOnMemory()) continue;
    total += GetBlockBytes();
  }
  return total;
}

namespace {

// Whether every pixel of `width` x `height` pixels from `base` is clear: 16- and 32-bit: alpha
// byte 0; 24-bit (no alpha): the pixel equals the clear colour's blue, green and red.
bool PiecesClear(int bits, const BYTE* base, int rowBytes, int width, int height,
                 TQCOLORREF clear) {
  const BYTE blue = static_cast<BYTE>(clear >> 16);
  const BYTE green = static_cast<BYTE>(clear >> 8);
  const BYTE red = static_cast<BYTE>(clear);
  for (int y = 0; y < height; ++y) {
    const BYTE* row = base + static_cast<std::size_t>(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      switch (bits) {
        case 16:
          if (row[2 * x] != 0) return false;
          break;
        case 24:
          if (row[3 * x] != blue || row[3 * x + 1] != green || row[3 * x + 2] != red) return false;
          break;
        default:
          if (row[4 * x + 3] != 0) return false;
          break;
      }
    }
  }
  return true;
}

}  // namespace

int KzVOffscreen::CheckClearBlock(int index) {
  if (index == -1 || !GetBlockExist(index)) return 1;
  if (m_bitCount < 16) return 0;
  const KzRect block = m_blocks[index].GetRect();
  KzVOffscreenAutoLock lock(this, block.left, block.top, 0);
  // A block whose bytes cannot be brought back cannot be called clear.
  if (m_cursor.base == nullptr) return 0;
  return PiecesClear(m_bitCount, m_cursor.base, m_blockRowBytes, kBlock, kBlock, m_clearColor) ? 1
                                                                                               : 0;
}

int KzVOffscreen::CheckClearBlock(const KzRect& rect) {
  if (m_bitCount < 16) return 0;
  KzVOffscreenAutoLock lock(this, 0);
  KzBlockGetter getter(this, rect, 1);
  KzRect piece;
  const int bytesPerPixel = m_bitCount / 8;
  while (getter.GetNextBlock(piece)) {
    if (!GetBlockExist(piece.left, piece.top)) continue;
    MoveCursor(piece.left, piece.top);
    if (m_cursor.base == nullptr) return 0;
    const KzRect& block = m_blocks[m_cursor.blockIndex].GetRect();
    const BYTE* start = m_cursor.base +
                        static_cast<std::size_t>(piece.top - block.top) * m_blockRowBytes +
                        static_cast<std::size_t>(piece.left - block.left) * bytesPerPixel;
    if (!PiecesClear(m_bitCount, start, m_blockRowBytes, piece.right - piece.left,
                     piece.bottom - piece.top, m_clearColor)) {
      return 0;
    }
  }
  return 1;
}

// --- positions
// -------------------------------------------------------------------------------------

namespace {

// (sourceOffset + v) x (source resolution / this resolution), rounded, minus this offset; a
// result past the int range saturates instead of wrapping.
int ConvertCoordinate(int sourceOffset, int v, double scale, int offset) {
  const std::int64_t moved =
      std::int64_t{tqDouble2Int((static_cast<double>(sourceOffset) + v) * scale)} - offset;
  return static_cast<int>(std::clamp<std::int64_t>(moved, INT32_MIN, INT32_MAX));
}

}  // namespace

int KzVOffscreen::ConvertPointX(const KzVOffscreen* source, int x) const {
  return ConvertCoordinate(source->m_offset.x, x, source->m_resolution / m_resolution, m_offset.x);
}

int KzVOffscreen::ConvertPointY(const KzVOffscreen* source, int y) const {
  return ConvertCoordinate(source->m_offset.y, y, source->m_resolution / m_resolution, m_offset.y);
}

void KzVOffscreen::ConvertPoint(KzPoint& out, const KzVOffscreen* source,
                                const KzPoint& point) const {
  out = KzPoint(ConvertPointX(source, point.x), ConvertPointY(source, point.y));
}

// --- whole-image copies
// ------------------------------------------------------------------------------

int KzVOffscreen::CopyAll(KzVOffscreen* source) {
  if (source == nullptr || source->m_width != m_width || source->m_height != m_height ||
      source->m_bitCount != m_bitCount) {
    return 0;
  }
  if (source == this) return 1;
  KzVOffscreenAutoLock destinationLock(this, 1);
  KzVOffscreenAutoLock sourceLock(source, 0);
  // Every byte of a copied block is overwritten: clearing it first would be wasted.
  const int enableClear = m_enableClear;
  m_enableClear = 0;
  const std::size_t bytes = GetBlockBytes();
  try {
    for (std::size_t index = 0; index < m_blocks.size(); ++index) {
      const KzRect& block = m_blocks[index].GetRect();
      if (source->m_blocks[index].GetSwapBlock() == nullptr) {
        DestroyBlock(static_cast<int>(index));
        continue;
      }
      source->MoveCursor(block.left, block.top);
      // An existing block that cannot be read back must not turn into a silent hole.
      if (source->m_cursor.base == nullptr) kzThrowError(kKzErrorSwapSpace);
      MoveCursor(block.left, block.top);
      if (m_cursor.base == nullptr) kzThrowError(kKzErrorSwapSpace);
      std::memcpy(m_cursor.base, source->m_cursor.base, bytes);
    }
  } catch (...) {
    m_enableClear = enableClear;
    throw;
  }
  m_enableClear = enableClear;
  return 1;
}

KzVOffscreen* KzVOffscreen::CreateSameSizeOffscr() const {
  std::unique_ptr<KzVOffscreen, void (*)(KzVOffscreen*)> image(CreateOffscreen(m_bitCount),
                                                               &DeleteOffscreen);
  if (!image) kzThrowError(kKzErrorParameter);
  image->Create(kzGetVirtualMemory(), m_width, m_height, m_resolution);
  return image.release();
}

KzVOffscreen* KzVOffscreen::CreateAndCopyAll() {
  std::unique_ptr<KzVOffscreen, void (*)(KzVOffscreen*)> image(CreateSameSizeOffscr(),
                                                               &DeleteOffscreen);
  image->CopyAll(this);
  return image.release();
}

int KzVOffscreen::IsEqual(KzVOffscreen* a, KzVOffscreen* b) {
  if (a == nullptr || b == nullptr) return 0;
  if (a->GetRect() != b->GetRect() || a->m_bitCount != b->m_bitCount) return 0;
  if (a == b) return 1;
  KzVOffscreenAutoLock lockA(a, 0);
  KzVOffscreenAutoLock lockB(b, 0);
  const int bits = a->m_bitCount;
  auto read = [bits](KzVOffscreen* image) -> TQCOLORREF {
    switch (bits) {
      case 1:
        return image->Get1BitColor();
      case 2:
        return image->Get2BitColor();
      case 8:
        return image->Get8BitColor();
      case 16:
        return image->Get16BitColor();
      case 24:
        return image->Get24BitColor();
      default:
        return image->Get32BitColor();
    }
  };
  const KzRect image = a->GetRect();
  const std::size_t bytes = a->GetBlockBytes();
  for (std::size_t index = 0; index < a->m_blocks.size(); ++index) {
    const bool inA = a->m_blocks[index].GetSwapBlock() != nullptr;
    const bool inB = b->m_blocks[index].GetSwapBlock() != nullptr;
    // Two absent blocks read the same absent values.
    if (!inA && !inB) continue;
    KzRect piece;
    const KzRect block = a->m_blocks[index].GetRect();
    piece.IntersectRect(&block, &image);
    a->MoveCursor(piece.left, piece.top);
    b->MoveCursor(piece.left, piece.top);
    // Equal bytes read equal; otherwise the getters decide (padding bits, equivalent values).
    if (a->m_cursor.base != nullptr && b->m_cursor.base != nullptr &&
        std::memcmp(a->m_cursor.base, b->m_cursor.base, bytes) == 0) {
      continue;
    }
    for (int y = piece.top; y < piece.bottom; ++y) {
      a->MoveCursor(piece.left, y);
      b->MoveCursor(piece.left, y);
      for (int x = piece.left; x < piece.right; ++x) {
        if (read(a) != read(b)) return 0;
        a->NextCursorX();
        b->NextCursorX();
      }
    }
  }
  return 1;
}
