// KzVOffscreen: the block raster image.
//
// A width x height grid of pixels of one depth (1, 2, 8, 16, 24 or 32 bits), stored as square
// blocks of 256 x 256 pixels. Each block's bytes live in the virtual memory as one KzSwapBlock;
// a block that was never written has no memory at all and reads as absent. Pixel access goes
// through the cursor, which keeps exactly one block (the one under it) locked between the
// image's first Lock and last Unlock.
//
// This base holds the geometry, the block table, creation and destruction, locking, block
// creation on first write, protection against eviction, growing and shrinking by whole blocks,
// extents, statistics and the archive form. The depth classes derive from it and supply the
// pixel formats through the virtual getters and setters; the base's getters return 0 and its
// setters do nothing. Nothing here is thread-safe: an image and its virtual memory belong to one
// thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kz/foundation/geometry.h"
#include "kz/foundation/tarray.h"
#include "kz/raster/pixel_format.h"
#include "tqwutl/types.h"

class KzArchive;
class KzSwapBlock;
class KzVirtualMemory;

// One entry of the block table: the block's rectangle (never clipped to the image) and its
// swap block, null while the block does not exist.
class KzVOffscreenBlock {
 public:
  KzVOffscreenBlock() = default;
  KzVOffscreenBlock(const KzRect& rect, KzSwapBlock* block) : m_rect(rect), m_pBlock(block) {}
  KzVOffscreenBlock(const KzVOffscreenBlock&) = default;
  KzVOffscreenBlock& operator=(const KzVOffscreenBlock&) = default;
  virtual ~KzVOffscreenBlock() = default;

  // left <= x < right, top <= y < bottom of the block's rectangle.
  int IsInside(int x, int y) const { return IsInsideX(x) && IsInsideY(y); }
  int IsInsideX(int x) const { return m_rect.left <= x && x < m_rect.right; }
  int IsInsideY(int y) const { return m_rect.top <= y && y < m_rect.bottom; }

  const KzRect& GetRect() const { return m_rect; }
  void SetRect(const KzRect& rect) { m_rect = rect; }
  KzSwapBlock* GetSwapBlock() const { return m_pBlock; }
  void SetSwapBlock(KzSwapBlock* block) { m_pBlock = block; }

 private:
  KzRect m_rect;
  KzSwapBlock* m_pBlock = nullptr;
};

// The cursor state embedded in every image. The fields are public: the depth classes step
// them in their inner loops. `bitMask` is the 1-bit mask (0x80 >> n) or the 2-bit mask
// (0xC0 >> 2n) of the current pixel; other depths leave it alone.
class KzVOffscreenCursor {
 public:
  KzVOffscreenCursor() = default;
  KzVOffscreenCursor(const KzVOffscreenCursor&) = default;
  KzVOffscreenCursor& operator=(const KzVOffscreenCursor&) = default;
  virtual ~KzVOffscreenCursor() = default;

  // True while the cursor stands on a block of the image.
  int IsEnable() const { return blockIndex >= 0; }

  int blockIndex = -1;      // current block, -1 = none
  BYTE* base = nullptr;     // the locked current block's bytes; null when none or absent
  BYTE* address = nullptr;  // the current pixel; null when the base is null
  int x = 0;
  int y = 0;
  BYTE bitMask = 0;
};

class KzVOffscreen {
 public:
  // Tile geometry.
  static constexpr int kBlockSize = 256;
  static constexpr int kBlockShift = 8;
  // Size limits: every block rectangle and block index stays within 32-bit arithmetic, and the
  // block table of a damaged or hostile archive header stays bounded (32 MiB).
  static constexpr int kMaxSide = 0x7FFFFF00;
  static constexpr int kMaxBlockCount = 1 << 20;
  // True when an image of this size stays within the limits above.
  static bool IsValidSize(std::int64_t width, std::int64_t height);
  // True for 1, 2, 8, 16, 24 and 32.
  static bool IsValidBitCount(int bits);

  // CheckAreaType results.
  enum AREA_TYPE : int {
    AREA_NO_BLOCK = 0,    // outside the image, or the block is absent
    AREA_NOT_FILLED = 1,  // the record exists with no memory and no place in the swap file
    AREA_WITH_DATA = 2,   // in memory or swapped out
  };
  // DeallocateBlock edges.
  enum DEALLOCATE_BLOCK_TYPE : int {
    DEALLOCATE_LEFT = 0,
    DEALLOCATE_TOP = 1,
    DEALLOCATE_RIGHT = 2,
    DEALLOCATE_BOTTOM = 3,
  };

  // Pixel constants shared by the depths: bytes, words and the 1- and 2-bit mask tables.
  static constexpr BYTE cbTransmit = 0x00;
  static constexpr BYTE cbNotTransmit = 0xFF;
  static constexpr BYTE cbBlack = 0x00;
  static constexpr BYTE cbWhite = 0xFF;
  static constexpr BYTE cbTransmit1Bit = 0;
  static constexpr BYTE cbNotTransmit1Bit = 1;
  static constexpr BYTE cbTransmit1BitFill = 0x00;
  static constexpr BYTE cbNotTransmit1BitFill = 0xFF;
  static constexpr BYTE cbTransmit2Bit = 0;
  static constexpr BYTE cbNotDefine2Bit = 1;
  static constexpr BYTE cbNotTransmit2Bit = 2;
  static constexpr BYTE cbWhite2Bit = 2;
  static constexpr BYTE cbBlack2Bit = 3;
  static constexpr BYTE cbTransmitMask2Bit = 2;
  static constexpr BYTE cbTransmit2BitFill = 0x00;
  static constexpr BYTE cbNotTransmit2BitFill = 0xFF;
  static constexpr BYTE cbWhite2BitFill = 0xAA;
  static constexpr BYTE cbBlack2BitFill = 0xFF;
  static constexpr BYTE cbTransmit8Bit = 0x00;
  static constexpr BYTE cbNotTransmit8Bit = 0xFF;
  static constexpr TQCOLORREF ccrTransmit16Bit = 0;
  static constexpr TQCOLORREF ccrNotTransmit16Bit = 0xFF000000u;
  static constexpr TQCOLORREF ccrBlack16Bit = 0xFF000000u;
  static constexpr TQCOLORREF ccrWhite16Bit = 0xFFFFFFFFu;
  static constexpr TQCOLORREF ccrBlack24Bit = 0;
  static constexpr TQCOLORREF ccrWhite24Bit = 0xFFFFFFu;
  static constexpr TQCOLORREF ccrTransmit32Bit = 0;
  static constexpr TQCOLORREF ccrNotTransmit32Bit = 0xFF000000u;
  static constexpr TQCOLORREF ccrBlack32Bit = 0xFF000000u;
  static constexpr TQCOLORREF ccrWhite32Bit = 0xFFFFFFFFu;
  static constexpr TQCOLORREF ccrSelect32Bit = 0xFF000000u;
  static constexpr TQCOLORREF ccrNotSelect32Bit = 0;
  static constexpr DWORD cdwTransmitMask2Bit = 0xAAAAAAAAu;
  static constexpr BYTE cb1BitMask[8] = {0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE};
  static constexpr BYTE cb1BitShift[8] = {7, 6, 5, 4, 3, 2, 1, 0};
  static constexpr BYTE cb2BitMask[4] = {0x3F, 0xCF, 0xF3, 0xFC};
  static constexpr BYTE cb2BitShift[4] = {6, 4, 2, 0};

  // Static colour conversions. BYTE1: any byte of the word with its top bit set is ink.
  static BYTE TQCOLORREFtoBYTE1(TQCOLORREF c) { return (c & 0x80808080u) != 0 ? 1 : 0; }
  // BYTE2: alpha < 128 is transparent (0); any of blue, green, red >= 128 white (2); else 3.
  static BYTE TQCOLORREFtoBYTE2(TQCOLORREF c) {
    if ((c >> 24) < 128) return 0;
    return (c & 0x808080u) != 0 ? 2 : 3;
  }
  static BYTE TQCOLORREFtoBYTE8(TQCOLORREF c) { return static_cast<BYTE>(255 - (c & 0xFF)); }
  static TQCOLORREF BYTE1toTQCOLORREF(BYTE b) { return b == 0 ? 0xFFFFFFu : 0u; }
  static TQCOLORREF BYTE8toTQCOLORREF(BYTE b) { return (255u - b) * 0x010101u; }

  // Creation ----------------------------------------------------------------------------------

  // A new, not yet created image of the depth class for 1, 2, 8, 16, 24 or 32 bits; null for
  // any other value. Owned by the caller; release it with DeleteOffscreen.
  static KzVOffscreen* CreateOffscreen(int bits);
  // Destroys and deletes `image`; null is allowed.
  static void DeleteOffscreen(KzVOffscreen* image);

  KzVOffscreen(const KzVOffscreen&) = delete;
  KzVOffscreen& operator=(const KzVOffscreen&) = delete;

  // --- virtual operations, in slot order ------------------------------------------------------
  // Frees every block (Destroy).
  virtual ~KzVOffscreen();

 protected:
  // Resets every field to the defaults of an image that was never created. The depth classes
  // call the base first, then set their bit count, clear colours and index colours.
  virtual void Initialize();

 public:
  // Stores the virtual memory, size and resolution and builds a table of absent blocks; no
  // block memory is taken. An image that was created before is destroyed first. A null virtual
  // memory, a depth class without a valid bit count, a negative size or a size past the limits
  // (IsValidSize) throws 0x20010008 before anything changes.
  virtual void Create(KzVirtualMemory* vm, int width, int height, double resolution);
  // When created: frees every block, empties the table and resets the fields (Initialize).
  virtual void Destroy();
  // Grows the image by whole blocks so that it holds `rect` (current image coordinates, left
  // and top may be negative); the offset moves with new left columns and top rows. `placed`
  // (may be null) receives (256 x new left columns, 256 x new top rows) as its top-left, where
  // the old pixel (0, 0) now lies, and the new image's size. Returns 1. A growth past the size
  // limits throws 0x20010008 and changes nothing. A locked cursor keeps its pixel and block.
  virtual int AllocateRect(const KzRect& rect, KzRect* placed);
  // Removes one column or row of blocks from an edge, freeing its blocks. Returns 0 without
  // change when fewer than two columns (rows) exist or the type is unknown. A locked cursor on
  // a removed block loses its block (index -1); elsewhere it keeps its pixel and block.
  virtual int DeallocateBlock(DEALLOCATE_BLOCK_TYPE type);
  // Shrinks the image to the block-aligned hull of `rect`; `shift` receives how far the image
  // moved (multiples of 256). Returns 0 at the first failed step (earlier steps stay done).
  virtual int DeallocateRect(KzRect rect, KzPoint& shift);
  // Fills a whole block (`address`, or the current base when null) with the clear state.
  virtual void ClearBlock(BYTE* address);
  // x +- 1. The base's forms recompute the address (SetCurrentCursorAddress) and change blocks
  // at block edges and the image's edge; the depth classes replace them with pointer steps.
  // The Fastest forms assume the new position lies in the current block.
  virtual void NextCursorX();
  virtual void NextCursorXFastest();
  virtual void PrevCursorX();
  virtual void PrevCursorXFastest();
  // Pixel getters under the cursor (base: 0). Fast forms require a non-null current address;
  // the plain forms return the absent value of the depth for a null address.
  virtual TQCOLORREF GetColor();
  virtual BYTE Get1BitColorFast();
  virtual BYTE Get1BitColor();
  virtual BYTE Get2BitColorFast();
  virtual BYTE Get2BitColor();
  virtual BYTE Get8BitColorFast();
  virtual BYTE Get8BitColor();
  virtual TQCOLORREF Get16BitColorFast();
  virtual TQCOLORREF Get16BitColor();
  virtual TQCOLORREF Get24BitColorFast();
  virtual TQCOLORREF Get24BitColor();
  virtual TQCOLORREF Get32BitColorFast();
  virtual TQCOLORREF Get32BitColor();
  // Pixel setters under the cursor (base: nothing). The caller ensures a non-null address by
  // write-locking. SetColor takes the native value of the depth (1-, 2-, 8-bit: its low byte).
  virtual void SetColor(TQCOLORREF color);
  virtual void Set1BitColor(BYTE value);
  virtual void Set2BitColor(BYTE value);
  virtual void Set8BitColor(BYTE value);
  virtual void Set16BitColor(TQCOLORREF color);
  virtual void Set24BitColor(TQCOLORREF color);
  virtual void Set32BitColor(TQCOLORREF color);
  // Copies the pixel under `source`'s cursor to this cursor's pixel (base: nothing).
  virtual void CopyCurrentColor(KzVOffscreen* source);
  virtual void CopyCurrentColorFast(KzVOffscreen* source);
  // A colour word as the native value of the depth (base: 0).
  virtual TQCOLORREF MakeNativeColor(TQCOLORREF color);
  // Image and mask reads (base: 0).
  virtual BYTE Get8BitImageFast();
  virtual BYTE Get8BitImage();
  virtual TQCOLORREF Get24BitImageFast();
  virtual TQCOLORREF Get24BitImage();
  virtual BYTE Get8BitMaskFast();
  virtual BYTE Get8BitMask();
  // Sets the cursor's current address (and bit mask) for (x, y) inside the current block; a null
  // base gives a null address (base: nothing).
  virtual void SetCurrentCursorAddress(int x, int y);
  // Destroy blocks whose pixels are all clear (base: nothing).
  virtual void Optimize();
  virtual void OptimizeBlock(const tagRECT& rect);
  // --- end of the virtual operations ----------------------------------------------------------

  // Accessors.
  KzVirtualMemory* GetVirtualMemory() const { return m_pVirtualMemory; }
  int IsCreated() const { return m_pVirtualMemory != nullptr ? 1 : 0; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetBitCount() const { return m_bitCount; }
  int GetBlockRowBytes() const { return m_blockRowBytes; }
  // Bytes of one block: row bytes x 256.
  DWORD GetBlockBytes() const { return static_cast<DWORD>(m_blockRowBytes) * kBlockSize; }
  KzRect GetRect() const { return KzRect(0, 0, m_width, m_height); }
  double GetResolution() const { return m_resolution; }
  void SetResolution(double resolution) { m_resolution = resolution; }
  KzPoint GetOffset() const { return m_offset; }
  void SetOffset(const KzPoint& offset) { m_offset = offset; }
  int GetLockCount() const { return m_lockCount; }
  int IsWriteLocked() const { return m_writeFlag; }
  // Two separate fields: the clear colour word (default 0xFFFFFF, 0 for 16-bit) and the clear
  // colour byte (default 0).
  TQCOLORREF GetClearColor() const { return m_clearColor; }
  void GetClearColor(BYTE& value) const { value = m_clearColorByte; }
  void SetClearColor(TQCOLORREF color) { m_clearColor = color; }
  void SetClearColor(BYTE value) { m_clearColorByte = value; }
  int IsEnableClear() const { return m_enableClear; }
  void EnableClear(int enable) { m_enableClear = enable != 0 ? 1 : 0; }
  // With allow-break set, new blocks outside the protect area may be dropped instead of swapped.
  void AllowBreak(int allow) { m_allowBreak = allow != 0 ? 1 : 0; }
  int IsAllowBreak() const { return m_allowBreak; }
  int GetSpecialtyOffscr() const { return m_specialty; }
  void SetSpecialtyOffscr(int specialty) { m_specialty = specialty; }
  int GetTransparency() const { return m_transparency; }
  void SetTransparency(int transparency) { m_transparency = transparency; }
  int GetMonoBWThreshold() const { return m_monoBWThreshold; }
  void SetMonoBWThreshold(int threshold) { m_monoBWThreshold = threshold; }
  int GetMonoTransThreshold() const { return m_monoTransThreshold; }
  void SetMonoTransThreshold(int threshold) { m_monoTransThreshold = threshold; }
  // Index colours 0..3; other indices read 0 and SetIndexColor throws 0x20010008 for them.
  static constexpr int kIndexColorCount = 4;
  TQCOLORREF GetIndexColor(int index) const {
    return index >= 0 && index < kIndexColorCount ? m_indexColors[index] : 0;
  }
  void SetIndexColor(int index, TQCOLORREF color);
  // The protect area (block-aligned, empty by default).
  const KzRect& GetProtectArea() const { return m_protectArea; }

  // Cursor state.
  BYTE* GetBaseAddress() const { return m_cursor.base; }
  BYTE* GetCurrentAddress() const { return m_cursor.address; }
  KzPoint GetCursorPos() const { return KzPoint(m_cursor.x, m_cursor.y); }
  int GetCursorPosX() const { return m_cursor.x; }
  int GetCursorPosY() const { return m_cursor.y; }
  const KzVOffscreenCursor& GetCursor() const { return m_cursor; }

  // Blocks ------------------------------------------------------------------------------------

  // -1 outside 0 <= x < width, 0 <= y < height; else (y >> 8) x blocks across + (x >> 8).
  int GetBlockIndex(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return -1;
    return GetBlockIndexFast(x, y);
  }
  // The same without the bounds test.
  int GetBlockIndexFast(int x, int y) const {
    return (y >> kBlockShift) * m_blocksAcross + (x >> kBlockShift);
  }
  // Blocks across x down; each is stored through a non-null pointer.
  int GetBlockCount(int* across, int* down) const;
  // The table entry's rectangle; an index outside the table throws 0x20010008.
  KzRect GetBlockRect(int index) const;
  // 0 without a current block; else 1 with its rectangle and base address (null when absent).
  int GetCurrentBlock(KzRect& rect, BYTE*& base) const;
  // Non-zero when the block's record exists (0 outside the image or the table).
  int GetBlockExist(int x, int y) const;
  int GetBlockExist(int index) const;
  int IsCreatedBlockByIndex(int column, int row) const;
  // 1 outside the image, for an absent block, or when the block's memory is present; else 0.
  int IsBlockOnMemory(int x, int y) const;
  int IsBlockOnMemory(int index) const;
  // 1 outside the image or for an absent block; else the block's absolute-protect flag.
  int IsBlockAbsoluteProtect(int x, int y) const;
  int IsBlockAbsoluteProtect(int index) const;
  // The block's locked flag; 0 for an absent block or an index outside the table.
  int CheckBlockLock(int index) const;
  // AREA_TYPE of the block under (x, y) or of `index`.
  int CheckAreaType(int x, int y) const;
  int CheckAreaType(int index) const;
  // Frees an existing block through the virtual memory and returns 1; else 0. When it is the
  // cursor's block, the cursor is left without a block (index -1, null addresses); the next
  // move or step makes one current again.
  int DestroyBlock(int index);
  int DestroyBlock(int x, int y);
  int DestroyBlockByIndex(int column, int row);
  void DestroyAllBlock();
  // Writes out (if edited) and frees the memory of every block that is present, except locked
  // and absolutely protected ones.
  void UnloadAllBlock();
  // Read-only view of the block table (row-major).
  const std::vector<KzVOffscreenBlock>& GetBlockTable() const { return m_blocks; }

  // Locking and the cursor ----------------------------------------------------------------------

  // Raises the lock count; a non-zero `write` sets the write flag (never cleared by a nested
  // lock). The first lock puts the cursor at (x, y); nested locks move it there.
  void Lock(int x, int y, int write);
  // Lowers the lock count; at 0 the current block is unlocked, the index becomes -1 and the
  // write flag 0. The addresses must not be used after the last Unlock.
  void Unlock();
  // Makes the block under the cursor current (locks it) and computes the address.
  void SetCurrentBlock();
  // Safe move: outside the image the index is -1 and both addresses null; a change of block
  // unlocks the old block and locks the new one (creating it under a write lock).
  void MoveCursor(int x, int y);
  // No bounds test: the position must lie inside the image.
  void MoveCursorFast(int x, int y);
  // No block change: the position must lie inside the current block.
  void MoveCursorFastest(int x, int y) {
    m_cursor.x = x;
    m_cursor.y = y;
    SetCurrentCursorAddress(x, y);
  }
  void MoveCursorX(int x) { MoveCursor(x, m_cursor.y); }
  void MoveCursorY(int y) { MoveCursor(m_cursor.x, y); }
  void MoveCursorXFast(int x) { MoveCursorFast(x, m_cursor.y); }
  void MoveCursorYFast(int y) { MoveCursorFast(m_cursor.x, y); }
  void MoveCursorXFastest(int x) { MoveCursorFastest(x, m_cursor.y); }
  void MoveCursorYFastest(int y) { MoveCursorFastest(m_cursor.x, y); }
  void OffsetCursor(int dx, int dy) { MoveCursor(m_cursor.x + dx, m_cursor.y + dy); }
  void OffsetCursorX(int dx) { MoveCursor(m_cursor.x + dx, m_cursor.y); }
  void OffsetCursorY(int dy) { MoveCursor(m_cursor.x, m_cursor.y + dy); }
  void OffsetCursorFast(int dx, int dy) { MoveCursorFast(m_cursor.x + dx, m_cursor.y + dy); }
  void OffsetCursorXFast(int dx) { MoveCursorFast(m_cursor.x + dx, m_cursor.y); }
  void OffsetCursorYFast(int dy) { MoveCursorFast(m_cursor.x, m_cursor.y + dy); }
  void OffsetCursorFastest(int dx, int dy) { MoveCursorFastest(m_cursor.x + dx, m_cursor.y + dy); }
  void OffsetCursorXFastest(int dx) { MoveCursorFastest(m_cursor.x + dx, m_cursor.y); }
  void OffsetCursorYFastest(int dy) { MoveCursorFastest(m_cursor.x, m_cursor.y + dy); }
  // y +- 1: within the block the address moves by row bytes (when non-null); leaving it unlocks
  // the block and locks the next; without a current block SetCurrentBlock runs.
  void NextCursorY();
  void PrevCursorY();
  // y +- 1 and the address +- row bytes, no tests.
  void NextCursorYFastest() {
    ++m_cursor.y;
    m_cursor.address += m_blockRowBytes;
  }
  void PrevCursorYFastest() {
    --m_cursor.y;
    m_cursor.address -= m_blockRowBytes;
  }
  // As MoveCursorFast, returning the address as if every pixel had 4 bytes (null when the base
  // is null); the stored cursor address stays the depth's own.
  BYTE* MoveCursorFake32(int x, int y);
  // The same 4-byte address in the current block without moving.
  BYTE* SetCurrentCursorAddressFake32(int x, int y) const;
  // Four 8-bit pixels at the current address at once (0 / nothing when the address is null).
  DWORD Get8BitColorOnlyQuad() const;
  void Set8BitColorOnlyQuad(DWORD value);

  // Dithering: 1 (ink) or 0 for a level at the cursor position, or at (x, y) in the static
  // forms. GetDitherValue takes a density 0..255 in two levels of patterns, GetDitherValue16 a
  // level 0..16 of the 4 x 4 patterns, GetDitherValue255 a value 0..255 against the 16 x 16
  // ordered matrix. Out-of-range levels are clamped; negative coordinates wrap.
  int GetDitherValue(int v) const { return GetDitherValue(v, m_cursor.x, m_cursor.y); }
  int GetDitherValue16(int level) const { return GetDitherValue16(level, m_cursor.x, m_cursor.y); }
  int GetDitherValue255(int v) const { return GetDitherValue255(v, m_cursor.x, m_cursor.y); }
  static int GetDitherValue(int v, int x, int y) { return kz::pixel::GetDitherValue(v, x, y); }
  static int GetDitherValue16(int level, int x, int y) {
    return kz::pixel::GetDitherValue16(level, x, y);
  }
  static int GetDitherValue255(int v, int x, int y) {
    return kz::pixel::GetDitherValue255(v, x, y);
  }

  // Areas and protection -------------------------------------------------------------------------

  // The protect area becomes the blocks that `rect` (clipped to the image) touches; existing
  // blocks there become absolutely protected, all others temporary.
  void SetProtectArea(const KzRect& rect);
  // Adds the block under rect's top-left corner to the protect area.
  void SetProtectBlockArea(const KzRect& rect);
  // Empties the protect area; every existing block becomes temporary, none protected.
  void ClearProtectArea();

  // Appends to `list` (cleared first) the block rectangles under `rect`, clipped to rect's part
  // inside the image (clip non-zero) or to the image (clip 0), row by row; returns the count.
  int GetBlockArea(const KzRect& rect, KzTArray<tagRECT>& list, int clip) const;
  // 0 when block `index` does not meet `rect`; else 1 with the block rectangle, clipped to rect
  // when clip is 1.
  int GetBlockArea(const KzRect& rect, int index, tagRECT* out, int clip) const;
  // The column and row range of the blocks under `rect`; returns their number, 0 when none.
  int GetBlockAreaIndex(const KzRect& rect, int& firstColumn, int& lastColumn, int& firstRow,
                        int& lastRow) const;
  // The union of the existing blocks (clipped to the image); 0 when there are none.
  int GetExtentBlock(tagRECT& rect);
  // The bounding box of the pixels that carry content; 0 and an all-zero rect when none.
  int GetExtentRect(tagRECT& rect);
  // Byte sizes of the existing blocks (only those in memory when `onlyInMemory`).
  std::uint64_t GetUsedMemory(int onlyInMemory) const;
  // 1 for index -1, an absent block, or a block (the pixels of `rect`) without content: 16-
  // and 32-bit: every alpha byte 0; 24-bit (no alpha): every pixel the clear colour. Depths
  // below 16 bits give 0 for an existing block (the rect form: always 0). A block whose bytes
  // cannot be brought back counts as not clear.
  int CheckClearBlock(int index);
  int CheckClearBlock(const KzRect& rect);

  // Position conversion through the shared canvas: tqDouble2Int((source offset + v) x (source
  // resolution / this resolution)) - this offset; a result past the int range saturates.
  int ConvertPointX(const KzVOffscreen* source, int x) const;
  int ConvertPointY(const KzVOffscreen* source, int y) const;
  void ConvertPoint(KzPoint& out, const KzVOffscreen* source, const KzPoint& point) const;

  // Whole-image copies of the same depth ---------------------------------------------------------

  // Copies every block of `source` (same width, height and bit count) as raw bytes; blocks
  // absent in the source become absent here. Returns 0 and changes nothing otherwise. An
  // existing source block that cannot be brought back throws 0x200132C8.
  int CopyAll(KzVOffscreen* source);
  // A new image of the same depth, size and resolution on kzGetVirtualMemory(), owned by the
  // caller; the second form also copies every block into it.
  KzVOffscreen* CreateSameSizeOffscr() const;
  KzVOffscreen* CreateAndCopyAll();
  // 0 when the rectangles or depths differ; else 1 when every pixel reads the same through the
  // getter of the depth (16-bit: the 16-bit word).
  static int IsEqual(KzVOffscreen* a, KzVOffscreen* b);

  // Archive form ---------------------------------------------------------------------------------

  // Writes `image` with its blocks raw or, when `compress` is non-zero, each block compressed
  // (KzZLib). A null image writes the header's version 0 only, which Read gives back as null.
  static void Write(KzArchive& archive, KzVOffscreen* image, int compress);
  // Reads an image written by Write onto kzGetVirtualMemory(); a stored version of 0 gives null.
  // An unknown major version throws 0x2001000C. An impossible header (depth, size, extent,
  // block count) throws 0x2001000B before anything is allocated; so does a stored block whose
  // byte count is not the image's block size. Missing data throws 0x20010008; compressed data
  // that does not inflate throws KzZLib's error. The image is freed on every error. Owned by
  // the caller.
  static KzVOffscreen* Read(KzArchive& archive);

 protected:
  KzVOffscreen();

  // Rebuilds the block table for blocks across x down with every pointer null.
  void InitBlock();
  // Locks block `index` in the virtual memory, creating (write lock) and clearing it as needed;
  // null for an absent block under a read lock or an index outside the table.
  BYTE* LockBlock(int index);
  void UnlockBlock(int index);
  // Unlocks the current block (if any) and makes the block under the cursor current.
  void ChangeCurrentBlock();
  bool IsProtected(int index) const;
  // The current block's table entry (index >= 0 required).
  const KzVOffscreenBlock& GetCurrentBlockEntry() const { return m_blocks[m_cursor.blockIndex]; }
  // Bits per pixel for the depth classes' constructors and Initialize.
  void SetBitCount(int bits) { m_bitCount = bits; }

  KzVirtualMemory* m_pVirtualMemory = nullptr;
  int m_width = 0;
  int m_height = 0;
  int m_bitCount = 0;
  double m_resolution = 0.0;
  KzPoint m_offset;
  int m_blockRowBytes = 0;
  int m_blocksAcross = 0;
  int m_blocksDown = 0;
  std::vector<KzVOffscreenBlock> m_blocks;
  int m_lockCount = 0;
  int m_writeFlag = 0;
  int m_allowBreak = 0;
  KzRect m_protectArea;
  KzVOffscreenCursor m_cursor;
  BYTE m_clearColorByte = 0;
  TQCOLORREF m_clearColor = 0xFFFFFFu;
  int m_enableClear = 1;
  int m_transparency = 256;
  int m_specialty = 0;
  int m_monoBWThreshold = 128;
  int m_monoTransThreshold = 127;
  TQCOLORREF m_indexColors[kIndexColorCount] = {};

 private:
  friend class KzVOffscreenAutoLock;
  // Marks a block temporary/protected as allow-break and the protect area say.
  void MarkNewBlock(int index);
  void SetBlockFlags(KzSwapBlock* block, int temporary, int absoluteProtect);
  // Moves the table to a new grid; old block (r, c) lands at (r + dRow, c + dColumn).
  void RebuildTable(int across, int down, int dColumn, int dRow);
  void ClipProtectArea();
  // Releases the cursor's block before it is freed: unlocked, index -1, null addresses.
  void DropCurrentBlock();
  // The swap block of table entry `index`; null outside the table or for an absent block.
  KzSwapBlock* SwapBlockAt(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_blocks.size()
               ? m_blocks[index].GetSwapBlock()
               : nullptr;
  }
  // Unlocks the current block (if any) and makes block `index` (the block under the cursor's
  // position, or -1) current: locked, with the address of the cursor's pixel. Every block
  // change of the cursor runs through it; it is defined (inline) in voffscreen.cpp only, so
  // that a block already in memory is locked without a call.
  inline void SwitchBlock(int index);
};
