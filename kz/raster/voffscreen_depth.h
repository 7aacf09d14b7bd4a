// KzVOffscreenDepth<Format>: the pixel format of one depth laid over the block raster image.
//
// The six depth classes (KzVOffscreen1Bit .. KzVOffscreen32Bit) derive from this template with
// their Format of kz/raster/pixel_format.h; it supplies every per-pixel slot of KzVOffscreen:
// the cursor steps in x, the cursor address, the getters and setters of all six depths, the
// image and mask reads, GetColor/SetColor, MakeNativeColor, CopyCurrentColor, ClearBlock and
// Optimize. The per-pixel slots are final, so a caller that holds the concrete depth class (a
// mixer or a cursor walk templated on it) gets them inlined.
//
// Fast getters need a non-null current address; the plain getters return the depth's absent
// value for a null one. Setters write the pixel under the cursor and do nothing when the
// address is null (outside the image, or an absent block under a read lock).
#pragma once

#include <algorithm>
#include <cstddef>

#include "kz/raster/block_access.h"
#include "kz/raster/pixel_format.h"
#include "kz/raster/voffscreen.h"

template <class Format>
class KzVOffscreenDepth : public KzVOffscreen {
 public:
  using PixelFormat = Format;
  using Stored = typename Format::Stored;

  // x + 1 (x - 1). Without a current block the block under the new position becomes current;
  // inside the current block the address (and the 1-, 2-bit mask) steps; leaving it unlocks
  // the block and locks the next.
  void NextCursorX() final {
    ++m_cursor.x;
    if (m_cursor.blockIndex < 0) {
      SetCurrentBlock();
    } else if (GetCurrentBlockEntry().IsInsideX(m_cursor.x)) {
      StepRight();
    } else {
      ChangeCurrentBlock();
    }
  }
  void PrevCursorX() final {
    --m_cursor.x;
    if (m_cursor.blockIndex < 0) {
      SetCurrentBlock();
    } else if (GetCurrentBlockEntry().IsInsideX(m_cursor.x)) {
      StepLeft();
    } else {
      ChangeCurrentBlock();
    }
  }
  // The same without block tests: the new position must lie in the current block. A null
  // address stays null.
  void NextCursorXFastest() final {
    ++m_cursor.x;
    StepRight();
  }
  void PrevCursorXFastest() final {
    --m_cursor.x;
    StepLeft();
  }

  // The address of (x, y) in the current block: base + row x row bytes + column offset, and
  // for the bit depths the pixel's mask. Null without a current block or with a null base.
  void SetCurrentCursorAddress(int x, int y) final {
    if constexpr (Format::kBytesPerPixel == 0) m_cursor.bitMask = Format::MaskOf(x);
    BYTE* base = m_cursor.base;
    if (base == nullptr || m_cursor.blockIndex < 0) {
      m_cursor.address = nullptr;
      return;
    }
    const KzRect& block = GetCurrentBlockEntry().GetRect();
    const int dx = x - block.left;
    const std::ptrdiff_t column = (dx * Format::kBits) >> 3;  // bytes before the pixel's byte
    m_cursor.address = base + static_cast<std::ptrdiff_t>(y - block.top) * m_blockRowBytes + column;
  }

  // --- getters ---------------------------------------------------------------------------------

  // The class's own value: 1-, 2-, 8-bit the stored byte, 16-bit its word, 24- and 32-bit the
  // colour; the absent value of the own getter for a null address.
  TQCOLORREF GetColor() final {
    return m_cursor.address != nullptr ? Format::Native(Load()) : Format::kAbsentNative;
  }
  BYTE Get1BitColorFast() final { return Format::Get1Bit(Load(), GetMonoThresholds()); }
  BYTE Get1BitColor() final {
    return m_cursor.address != nullptr ? Get1BitColorFast() : Format::kAbsent1Bit;
  }
  BYTE Get2BitColorFast() final { return Format::Get2Bit(Load(), GetMonoThresholds()); }
  BYTE Get2BitColor() final {
    return m_cursor.address != nullptr ? Get2BitColorFast() : Format::kAbsent2Bit;
  }
  BYTE Get8BitColorFast() final { return Format::Get8Bit(Load(), GetMonoThresholds()); }
  BYTE Get8BitColor() final {
    return m_cursor.address != nullptr ? Get8BitColorFast() : Format::kAbsent8Bit;
  }
  TQCOLORREF Get16BitColorFast() final { return Format::Get16Bit(Load(), GetMonoThresholds()); }
  TQCOLORREF Get16BitColor() final {
    return m_cursor.address != nullptr ? Get16BitColorFast() : Format::kAbsent16Bit;
  }
  TQCOLORREF Get24BitColorFast() final { return Format::Get24Bit(Load(), GetMonoThresholds()); }
  TQCOLORREF Get24BitColor() final {
    return m_cursor.address != nullptr ? Get24BitColorFast() : Format::kAbsent24Bit;
  }
  TQCOLORREF Get32BitColorFast() final {
    return Format::Get32Bit(Load(), [this](int index) { return GetIndexColor(index); });
  }
  TQCOLORREF Get32BitColor() final {
    return m_cursor.address != nullptr ? Get32BitColorFast() : Format::kAbsent32Bit;
  }
  BYTE Get8BitImageFast() final { return Format::Get8BitImage(Load()); }
  BYTE Get8BitImage() final {
    return m_cursor.address != nullptr ? Get8BitImageFast() : Format::kAbsent8BitImage;
  }
  TQCOLORREF Get24BitImageFast() final { return Format::Get24BitImage(Load()); }
  TQCOLORREF Get24BitImage() final {
    return m_cursor.address != nullptr ? Get24BitImageFast() : Format::kAbsent24BitImage;
  }
  // Depths without coverage (1, 8, 24) read 255 from both forms whatever the address.
  BYTE Get8BitMaskFast() final {
    if constexpr (Format::kMaskIsOpaque) {
      return 255;
    } else {
      return Format::Get8BitMask(Load());
    }
  }
  BYTE Get8BitMask() final {
    if constexpr (Format::kMaskIsOpaque) {
      return 255;
    } else {
      return m_cursor.address != nullptr ? Get8BitMaskFast() : Format::kAbsent8BitMask;
    }
  }

  // --- setters ---------------------------------------------------------------------------------

  // SetColor takes the native value (1-, 2-, 8-bit: its low byte).
  void SetColor(TQCOLORREF color) final { Put(Format::FromNative(color, GetMonoThresholds())); }
  void Set1BitColor(BYTE value) final { Put(Format::From1Bit(value, GetMonoThresholds())); }
  void Set2BitColor(BYTE value) final { Put(Format::From2Bit(value, GetMonoThresholds())); }
  void Set8BitColor(BYTE value) final { Put(Format::From8Bit(value, GetMonoThresholds())); }
  void Set16BitColor(TQCOLORREF color) final { Put(Format::From16Bit(color, GetMonoThresholds())); }
  void Set24BitColor(TQCOLORREF color) final { Put(Format::From24Bit(color, GetMonoThresholds())); }
  void Set32BitColor(TQCOLORREF color) final { Put(Format::From32Bit(color, GetMonoThresholds())); }

  // Copies the pixel under `source`'s cursor: the source is read through its getter of this
  // depth and written with the matching setter, so a source of the same depth is copied as is
  // (2-bit: the undefined 1 becomes 0) and an absent source pixel writes the absent value (0,
  // transparent, for all but 24-bit, which writes white). A null source counts as absent. The
  // Fast form reads with the source's Fast getter (its address must be non-null).
  void CopyCurrentColor(KzVOffscreen* source) final { Put(ReadSource(source, false)); }
  void CopyCurrentColorFast(KzVOffscreen* source) final { Put(ReadSource(source, true)); }

  // A colour word as the native value of this depth.
  TQCOLORREF MakeNativeColor(TQCOLORREF color) final {
    return Format::MakeNative(color, GetMonoThresholds());
  }

  // --- blocks ----------------------------------------------------------------------------------

  // Fills a whole block (`address`, or the current base when null) with the clear state.
  void ClearBlock(BYTE* address) override {
    BYTE* p = address != nullptr ? address : m_cursor.base;
    if (p != nullptr) Format::ClearBytes(p, GetBlockBytes(), m_clearColor, m_clearColorByte);
  }
  // Destroys every existing block whose pixels inside the image all read as absent ones would
  // (1-, 2-, 8-bit: all bits 0; 16-, 32-bit: alpha 0; 24-bit: white), so nothing is lost.
  void Optimize() override {
    if (!IsCreated()) return;
    const KzRect image = GetRect();
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
      if (m_blocks[i].GetSwapBlock() == nullptr) continue;
      const KzRect& block = m_blocks[i].GetRect();
      OptimizeArea(KzRect(std::max(block.left, image.left), std::max(block.top, image.top),
                          std::min(block.right, image.right),
                          std::min(block.bottom, image.bottom)));
    }
  }
  // Destroys the block under rect's top-left corner when its pixels within `rect` are all
  // clear; the part of `rect` outside that block is not looked at, and a rect whose corner lies
  // outside the image or on an absent block does nothing. A full block rect tests every byte of
  // the block, beyond the image edge included. An outer lock's cursor is restored afterwards.
  void OptimizeBlock(const tagRECT& rect) override { OptimizeArea(KzRect(rect)); }

  // --- direct access for loops over this depth -------------------------------------------------

  // The stored value under the cursor (address non-null) and its replacement.
  Stored Load() const { return Format::Load(m_cursor.address, m_cursor.bitMask); }
  void Store(Stored value) { Format::Store(m_cursor.address, m_cursor.bitMask, value); }
  kz::pixel::MonoThresholds GetMonoThresholds() const {
    return {m_monoTransThreshold, m_monoBWThreshold};
  }

 protected:
  KzVOffscreenDepth() { InitializeDepth(); }

  // The base's defaults, then this depth's bit count, clear colours and index colours.
  void Initialize() override {
    KzVOffscreen::Initialize();
    InitializeDepth();
  }

 private:
  void InitializeDepth() {
    SetBitCount(Format::kBits);
    m_clearColor = Format::kClearColor;
    m_clearColorByte = 0;
    for (int i = 0; i < kIndexColorCount; ++i) m_indexColors[i] = Format::kIndexColors[i];
  }

  // Writes under the cursor; nothing where there is no pixel memory.
  void Put(Stored value) {
    if (m_cursor.address != nullptr) Store(value);
  }

  // One pixel right (left) inside the current block. The bit depths move the mask and, past
  // the byte's last (first) pixel, the address.
  void StepRight() {
    if constexpr (Format::kBytesPerPixel == 0) {
      auto mask = static_cast<BYTE>(m_cursor.bitMask >> Format::kBits);
      if (mask == 0) {
        mask = Format::kFirstMask;
        if (m_cursor.address != nullptr) ++m_cursor.address;
      }
      m_cursor.bitMask = mask;
    } else if (m_cursor.address != nullptr) {
      m_cursor.address += Format::kBytesPerPixel;
    }
  }
  void StepLeft() {
    if constexpr (Format::kBytesPerPixel == 0) {
      unsigned mask = static_cast<unsigned>(m_cursor.bitMask) << Format::kBits;
      if (mask == 0 || mask > 0xFF) {
        mask = Format::kLastMask;
        if (m_cursor.address != nullptr) --m_cursor.address;
      }
      m_cursor.bitMask = static_cast<BYTE>(mask);
    } else if (m_cursor.address != nullptr) {
      m_cursor.address -= Format::kBytesPerPixel;
    }
  }

  // The source pixel as this depth's stored value.
  Stored ReadSource(KzVOffscreen* source, bool fast) const {
    const kz::pixel::MonoThresholds mono = GetMonoThresholds();
    if (source == nullptr) return Format::FromNative(Format::kAbsentNative, mono);
    if constexpr (Format::kBits == 1) {
      return Format::From1Bit(fast ? source->Get1BitColorFast() : source->Get1BitColor(), mono);
    } else if constexpr (Format::kBits == 2) {
      return Format::From2Bit(fast ? source->Get2BitColorFast() : source->Get2BitColor(), mono);
    } else if constexpr (Format::kBits == 8) {
      return Format::From8Bit(fast ? source->Get8BitColorFast() : source->Get8BitColor(), mono);
    } else if constexpr (Format::kBits == 16) {
      return Format::From16Bit(fast ? source->Get16BitColorFast() : source->Get16BitColor(), mono);
    } else if constexpr (Format::kBits == 24) {
      return Format::From24Bit(fast ? source->Get24BitColorFast() : source->Get24BitColor(), mono);
    } else {
      return Format::From32Bit(fast ? source->Get32BitColorFast() : source->Get32BitColor(), mono);
    }
  }

  // OptimizeBlock's test for `rect` clipped to the block under its top-left corner.
  void OptimizeArea(KzRect rect) {
    if (!IsCreated() || rect.left >= rect.right || rect.top >= rect.bottom) return;
    const int index = GetBlockIndex(rect.left, rect.top);
    if (index < 0 || m_blocks[index].GetSwapBlock() == nullptr) return;
    const KzRect block = m_blocks[index].GetRect();
    rect.right = std::min(rect.right, block.right);
    rect.bottom = std::min(rect.bottom, block.bottom);
    KzVOffscreenAutoLock lock(this, rect.left, rect.top, 0);
    const BYTE* base = m_cursor.base;
    if (base == nullptr || m_cursor.blockIndex != index) return;
    if (kz::pixel::IsAreaClear(base, m_blockRowBytes, Format::kBits, rect.left - block.left,
                               rect.top - block.top, rect.right - block.left,
                               rect.bottom - block.top)) {
      DestroyBlock(index);
    }
  }
};
