// Small helpers around the block raster image's cursor and blocks.
//
// KzBlockGetter walks the blocks under a rectangle, row by row and left to right.
// KzVOffscreenAutoLock is the scoped lock every operation that walks an image takes: nested in
// a caller's lock it releases the caller's block while it runs and puts the caller's cursor,
// block and write flag back afterwards. KzVOffscreenParamLock sets an image's mono thresholds
// for a scope.
#pragma once

#include "kz/foundation/geometry.h"

class KzVOffscreen;

class KzBlockGetter {
 public:
  // The blocks of `image` under `rect` (intersected with the image). With `clip` non-zero each
  // block comes clipped to that intersection, else to the whole image. A null image or an
  // empty intersection yields nothing.
  KzBlockGetter(const KzVOffscreen* image, const KzRect& rect, int clip);
  KzBlockGetter(const KzBlockGetter&) = default;
  KzBlockGetter& operator=(const KzBlockGetter&) = default;
  virtual ~KzBlockGetter() = default;

  // The next non-empty block rectangle: 1 and `rect`, or 0 when the walk is over.
  int GetNextBlock(KzRect& rect);
  // True while the walk has not passed the last row.
  int IsExist() const { return m_currentRow <= m_lastRow; }
  // The block column and row of the rectangle GetNextBlock returned last.
  int GetCurrentColumn() const { return m_currentColumn; }
  int GetCurrentRow() const { return m_currentRow; }

 private:
  KzRect m_clip;
  int m_firstColumn = 0;
  int m_lastColumn = -1;
  int m_firstRow = 0;
  int m_lastRow = -1;
  int m_currentColumn = -1;
  int m_currentRow = 0;
};

class KzVOffscreenAutoLock {
 public:
  // Holds nothing.
  KzVOffscreenAutoLock() = default;
  // Lock(image, write) / Lock(image, x, y, write).
  KzVOffscreenAutoLock(KzVOffscreen* image, int write);
  KzVOffscreenAutoLock(KzVOffscreen* image, int x, int y, int write);
  KzVOffscreenAutoLock(const KzVOffscreenAutoLock&) = delete;
  KzVOffscreenAutoLock& operator=(const KzVOffscreenAutoLock&) = delete;
  // Releases the lock level it holds; when the image was locked by an outer caller, restores
  // that caller's write flag and moves the cursor back to the caller's position (locking the
  // caller's block again).
  virtual ~KzVOffscreenAutoLock();

  // Takes one lock level on `image` with the cursor off the image (no block locked); a non-zero
  // `write` sets the write flag. A lock already held is released first (as Unlock). A null
  // image holds nothing.
  void Lock(KzVOffscreen* image, int write);
  // The same with the cursor at (x, y).
  void Lock(KzVOffscreen* image, int x, int y, int write);
  // Gives the lock level back and forgets the image, without restoring an outer cursor.
  void Unlock();

  KzVOffscreen* GetImage() const { return m_pImage; }

 protected:
  void Initialize();

 private:
  void Take(KzVOffscreen* image, int x, int y, int write);
  void Release();

  KzVOffscreen* m_pImage = nullptr;
  int m_outerLocked = 0;
  int m_outerX = 0;
  int m_outerY = 0;
  int m_outerWrite = 0;
};

class KzVOffscreenParamLock {
 public:
  // Holds nothing.
  KzVOffscreenParamLock() = default;
  // Lock(image, transThreshold, bwThreshold).
  KzVOffscreenParamLock(KzVOffscreen* image, int transThreshold, int bwThreshold);
  KzVOffscreenParamLock(const KzVOffscreenParamLock&) = delete;
  KzVOffscreenParamLock& operator=(const KzVOffscreenParamLock&) = delete;
  // Unlock.
  virtual ~KzVOffscreenParamLock();

  // Remembers the image's mono transparency and black-white thresholds and sets them to the
  // given values. A lock already held is released first. A null image does nothing.
  void Lock(KzVOffscreen* image, int transThreshold, int bwThreshold);
  // Restores the remembered thresholds and forgets the image.
  void Unlock();

 protected:
  void Initialize();

 private:
  KzVOffscreen* m_pImage = nullptr;
  int m_transThreshold = 127;
  int m_bwThreshold = 128;
};
