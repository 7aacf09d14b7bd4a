// KzVOffscreenNullDevice: an image of a given bit count that stores nothing.
//
// It has a size and a block grid but no virtual memory and no block table: every getter reads
// the transparent value of its depth (0), setters and cursor steps do nothing, and growing or
// shrinking succeeds without change. Operations can run over it to measure or clip an area
// without allocating anything.
#pragma once

#include "kz/raster/voffscreen.h"

class KzVOffscreenNullDevice : public KzVOffscreen {
 public:
  // A new null device of 1, 2, 8, 16, 24 or 32 bits (null for any other value), owned by the
  // caller (DeleteOffscreen).
  static KzVOffscreenNullDevice* CreateOffscreen(int bits);

  // Stores the size and resolution and computes the block grid; no virtual memory (the
  // argument is ignored), row bytes 0, no block table. A negative size or one past the size
  // limits throws 0x20010008.
  void Create(KzVirtualMemory* vm, int width, int height, double resolution) override;
  // Nothing to free.
  void Destroy() override;
  // Return 1 and change nothing.
  int AllocateRect(const KzRect& rect, KzRect* placed) override;
  int DeallocateBlock(DEALLOCATE_BLOCK_TYPE type) override;
  int DeallocateRect(KzRect rect, KzPoint& shift) override;
  // Cursor steps do nothing.
  void NextCursorX() override {}
  void NextCursorXFastest() override {}
  void PrevCursorX() override {}
  void PrevCursorXFastest() override {}

 private:
  explicit KzVOffscreenNullDevice(int bits);
};
