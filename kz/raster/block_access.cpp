#include "kz/raster/block_access.h"

#include "kz/raster/voffscreen.h"

// --- KzBlockGetter -------------------------------------------------------------------------------

KzBlockGetter::KzBlockGetter(const KzVOffscreen* image, const KzRect& rect, int clip) {
  if (image == nullptr) return;
  const KzRect whole = image->GetRect();
  KzRect area;
  if (area.IntersectRect(&rect, &whole)) {
    m_firstColumn = area.left >> KzVOffscreen::kBlockShift;
    m_lastColumn = (area.right - 1) >> KzVOffscreen::kBlockShift;
    m_firstRow = area.top >> KzVOffscreen::kBlockShift;
    m_lastRow = (area.bottom - 1) >> KzVOffscreen::kBlockShift;
  }
  m_currentColumn = m_firstColumn - 1;
  m_currentRow = m_firstRow;
  m_clip = clip != 0 ? area : whole;
}

int KzBlockGetter::GetNextBlock(KzRect& rect) {
  constexpr int kBlock = KzVOffscreen::kBlockSize;
  for (;;) {
    if (++m_currentColumn > m_lastColumn) {
      m_currentColumn = m_firstColumn;
      ++m_currentRow;
    }
    if (m_currentRow > m_lastRow) return 0;
    const KzRect block(m_currentColumn * kBlock, m_currentRow * kBlock,
                       m_currentColumn * kBlock + kBlock, m_currentRow * kBlock + kBlock);
    KzRect piece;
    if (piece.IntersectRect(&block, &m_clip)) {
      rect = piece;
      return 1;
    }
    rect = KzRect();
  }
}

// --- KzVOffscreenAutoLock -----------------------------------------------------------------------

KzVOffscreenAutoLock::KzVOffscreenAutoLock(KzVOffscreen* image, int write) { Lock(image, write); }

KzVOffscreenAutoLock::KzVOffscreenAutoLock(KzVOffscreen* image, int x, int y, int write) {
  Lock(image, x, y, write);
}

KzVOffscreenAutoLock::~KzVOffscreenAutoLock() {
  KzVOffscreen* image = m_pImage;
  const bool restore = m_outerLocked != 0;
  const int x = m_outerX;
  const int y = m_outerY;
  const int write = m_outerWrite;
  Release();
  if (image != nullptr && restore && image->m_lockCount > 0) {
    image->m_writeFlag = write;
    image->MoveCursor(x, y);
  }
}

void KzVOffscreenAutoLock::Initialize() {
  m_pImage = nullptr;
  m_outerLocked = 0;
  m_outerX = 0;
  m_outerY = 0;
  m_outerWrite = 0;
}

void KzVOffscreenAutoLock::Lock(KzVOffscreen* image, int write) { Take(image, -1, -1, write); }

void KzVOffscreenAutoLock::Lock(KzVOffscreen* image, int x, int y, int write) {
  Take(image, x, y, write);
}

void KzVOffscreenAutoLock::Take(KzVOffscreen* image, int x, int y, int write) {
  Unlock();
  if (image == nullptr) return;
  m_pImage = image;
  if (image->m_lockCount > 0) {
    m_outerLocked = 1;
    m_outerX = image->m_cursor.x;
    m_outerY = image->m_cursor.y;
    m_outerWrite = image->m_writeFlag;
  }
  image->Lock(x, y, write);
}

void KzVOffscreenAutoLock::Release() {
  if (m_pImage != nullptr && m_pImage->m_lockCount > 0) m_pImage->Unlock();
  Initialize();
}

void KzVOffscreenAutoLock::Unlock() { Release(); }

// --- KzVOffscreenParamLock ----------------------------------------------------------------------

KzVOffscreenParamLock::KzVOffscreenParamLock(KzVOffscreen* image, int transThreshold,
                                             int bwThreshold) {
  Lock(image, transThreshold, bwThreshold);
}

KzVOffscreenParamLock::~KzVOffscreenParamLock() { Unlock(); }

void KzVOffscreenParamLock::Initialize() {
  m_pImage = nullptr;
  m_transThreshold = 127;
  m_bwThreshold = 128;
}

void KzVOffscreenParamLock::Lock(KzVOffscreen* image, int transThreshold, int bwThreshold) {
  Unlock();
  if (image == nullptr) return;
  m_pImage = image;
  m_transThreshold = image->GetMonoTransThreshold();
  m_bwThreshold = image->GetMonoBWThreshold();
  image->SetMonoTransThreshold(transThreshold);
  image->SetMonoBWThreshold(bwThreshold);
}

void KzVOffscreenParamLock::Unlock() {
  if (m_pImage != nullptr) {
    m_pImage->SetMonoTransThreshold(m_transThreshold);
    m_pImage->SetMonoBWThreshold(m_bwThreshold);
  }
  Initialize();
}
