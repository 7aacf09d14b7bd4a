#include "kz/raster/voffscreen_null_device.h"

#include "kz/foundation/error.h"

KzVOffscreenNullDevice* KzVOffscreenNullDevice::CreateOffscreen(int bits) {
  if (!IsValidBitCount(bits)) return nullptr;
  return new KzVOffscreenNullDevice(bits);
}

KzVOffscreenNullDevice::KzVOffscreenNullDevice(int bits) { SetBitCount(bits); }

void KzVOffscreenNullDevice::Create(KzVirtualMemory*, int width, int height, double resolution) {
  if (!IsValidSize(width, height)) kzThrowError(kKzErrorParameter);
  m_pVirtualMemory = nullptr;
  m_width = width;
  m_height = height;
  m_resolution = resolution;
  m_blockRowBytes = 0;
  m_blocksAcross = (width + kBlockSize - 1) / kBlockSize;
  m_blocksDown = (height + kBlockSize - 1) / kBlockSize;
  m_blocks.clear();
}

void KzVOffscreenNullDevice::Destroy() {}

int KzVOffscreenNullDevice::AllocateRect(const KzRect&, KzRect*) { return 1; }

int KzVOffscreenNullDevice::DeallocateBlock(DEALLOCATE_BLOCK_TYPE) { return 1; }

int KzVOffscreenNullDevice::DeallocateRect(KzRect, KzPoint& shift) {
  shift = KzPoint(0, 0);
  return 1;
}
