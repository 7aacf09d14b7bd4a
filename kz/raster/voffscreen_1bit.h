// KzVOffscreen1Bit: ink masks of one bit a pixel (1 = ink), leftmost pixel in the top bit of a
// byte. Index colour [1] is the ink colour the 32-bit getter gives for a set bit.
//
// An image with the specialty flag set (SetSpecialtyOffscr) keeps 8-bit values in cells of
// 4 x 2 pixels instead: GetSpecialty8BitColor and SetSpecialty8BitColor read and write the
// cell under the cursor. Every other per-pixel operation comes from KzVOffscreenDepth
// (kz/raster/voffscreen_depth.h) with the rules of kz::pixel::Format1Bit.
#pragma once

#include "kz/raster/voffscreen_depth.h"

extern template class KzVOffscreenDepth<kz::pixel::Format1Bit>;

class KzVOffscreen1Bit : public KzVOffscreenDepth<kz::pixel::Format1Bit> {
 public:
  // An image that is not yet created (KzVOffscreen::Create gives it its size).
  KzVOffscreen1Bit() = default;
  ~KzVOffscreen1Bit() override;

  // The 8-bit value of the 4 x 2 cell under the cursor: the cell's upper row is the even row
  // (the row above for an odd cursor y), x mod 8 < 4 picks the bytes' high nibbles, else the
  // low ones; the upper nibble holds the high 4 bits. 0 when the address is null.
  BYTE GetSpecialty8BitColor() const {
    const BYTE* p = m_cursor.address;
    if (p == nullptr) return 0;
    const BYTE* upper = p + CellUpperOffset();
    return kz::pixel::GetSpecialtyCell(upper[0], upper[m_blockRowBytes], m_cursor.x);
  }
  // Stores `value` into the cell under the cursor; nothing when the address is null.
  void SetSpecialty8BitColor(BYTE value) {
    BYTE* p = m_cursor.address;
    if (p == nullptr) return;
    BYTE* upper = p + CellUpperOffset();
    kz::pixel::SetSpecialtyCell(upper[0], upper[m_blockRowBytes], m_cursor.x, value);
  }

 private:
  // From the cursor byte to the cell's upper-row byte: one row up for an odd y. Blocks start
  // on even rows, so both rows of a cell lie in the same block.
  std::ptrdiff_t CellUpperOffset() const { return (m_cursor.y & 1) != 0 ? -m_blockRowBytes : 0; }
};
