// KzVOffPixelMask: up to four mask images that forbid painting where their pixels compare with
// a value.
//
// Each entry holds a mask image (not owned), a compare mode, a compare value and an offset. A
// drawing position (x, y) of the image being painted is moved by the offset, mapped into the
// mask image's pixels through the drawing image's ConvertPointX/ConvertPointY (which scale by
// the two images' resolutions), and the mask pixel there, read as a 32-bit colour, is compared
// with the value. Entries are tried in order; the first entry without an image ends the list.
// A position outside the mask image reads as an absent pixel (0).
//
// The mask works on the mask images' cursors, so the images must be locked (for reading) while
// it is used; the pixel mixer's row operations lock any that their caller left unlocked.
#pragma once

#include "tqwutl/types.h"

class KzVOffscreen;

class KzVOffPixelMask {
 public:
  static constexpr int kMaskCount = 4;

  // Compare modes: when the comparison holds, the position is masked (may not be painted).
  enum CompareMode : int {
    kCompareEqual = 0,          // the pixel equals the value
    kCompareNotEqual = 1,       // the pixel differs from the value
    kCompareAlphaEqual = 2,     // bits 24-31 of pixel and value are equal
    kCompareAlphaNotEqual = 3,  // bits 24-31 of pixel and value differ
    kCompareNone = 80,          // matches nothing; what a cleared first entry holds
  };

  // One entry. `image` null marks an empty entry.
  struct MaskInfo {
    int compareMode = kCompareEqual;
    KzVOffscreen* image = nullptr;
    TQCOLORREF compareValue = 0;
    int offsetX = 0;  // subtracted from the drawing position before it is mapped
    int offsetY = 0;
  };

  // Four empty entries; the first one's mode is kCompareNone.
  KzVOffPixelMask();
  KzVOffPixelMask(const KzVOffPixelMask&) = default;
  KzVOffPixelMask& operator=(const KzVOffPixelMask&) = default;

  // Clears all four entries and sets the first one's mode to kCompareNone.
  void Initialize();
  // Entry `index` (0..3); any other index throws kKzErrorParameter.
  MaskInfo* GetMaskInfo(int index);
  const MaskInfo* GetMaskInfo(int index) const;
  // Copies `info` into entry `index` (0..3; any other index throws kKzErrorParameter).
  void SetMaskInfo(int index, const MaskInfo& info);
  // True when the first entry has an image.
  int IsMaskEnable() const;
  // True when any entry (an entry after an empty one included) holds `image`.
  int IsMaskImage(const KzVOffscreen* image) const;

  // True when `pixel` is masked under `mode` and `value` (see CompareMode); unknown modes never
  // mask.
  static int IsMaskCompare(int mode, TQCOLORREF value, TQCOLORREF pixel);

  // True when position (x, y) of the drawing image `image` may be painted. Moves the cursor of
  // every mask image it consults. A null `image` throws kKzErrorParameter.
  int IsMaskFree(KzVOffscreen* image, int x, int y) const;
  // The same for column x, on the row each mask cursor was last moved to (MoveCursorY).
  int IsMaskFreeX(KzVOffscreen* image, int x) const;
  // Moves the cursor of every entry that has an image (empty entries in between included) to
  // the mask row of drawing row y, keeping its column. A null `image` throws kKzErrorParameter.
  void MoveCursorY(KzVOffscreen* image, int y) const;

 private:
  MaskInfo m_maskInfo[kMaskCount];
};
