#include "kz/raster/mixer/voff_pixel_mask.h"

#include "kz/foundation/error.h"
#include "kz/raster/voffscreen.h"

namespace {

void CheckIndex(int index) {
  if (index < 0 || index >= KzVOffPixelMask::kMaskCount) kzThrowError(kKzErrorParameter);
}

void CheckImage(const KzVOffscreen* image) {
  if (image == nullptr) kzThrowError(kKzErrorParameter);
}

}  // namespace

KzVOffPixelMask::KzVOffPixelMask() { Initialize(); }

void KzVOffPixelMask::Initialize() {
  for (MaskInfo& info : m_maskInfo) info = MaskInfo();
  m_maskInfo[0].compareMode = kCompareNone;
}

KzVOffPixelMask::MaskInfo* KzVOffPixelMask::GetMaskInfo(int index) {
  CheckIndex(index);
  return &m_maskInfo[index];
}

const KzVOffPixelMask::MaskInfo* KzVOffPixelMask::GetMaskInfo(int index) const {
  CheckIndex(index);
  return &m_maskInfo[index];
}

void KzVOffPixelMask::SetMaskInfo(int index, const MaskInfo& info) {
  CheckIndex(index);
  m_maskInfo[index] = info;
}

int KzVOffPixelMask::IsMaskEnable() const { return m_maskInfo[0].image != nullptr ? 1 : 0; }

int KzVOffPixelMask::IsMaskImage(const KzVOffscreen* image) const {
  for (const MaskInfo& info : m_maskInfo) {
    if (image != nullptr && info.image == image) return 1;
  }
  return 0;
}

int KzVOffPixelMask::IsMaskCompare(int mode, TQCOLORREF value, TQCOLORREF pixel) {
  switch (mode) {
    case kCompareEqual:
      return pixel == value ? 1 : 0;
    case kCompareNotEqual:
      return pixel != value ? 1 : 0;
    case kCompareAlphaEqual:
      return (pixel >> 24) == (value >> 24) ? 1 : 0;
    case kCompareAlphaNotEqual:
      return (pixel >> 24) != (value >> 24) ? 1 : 0;
    default:
      return 0;
  }
}

int KzVOffPixelMask::IsMaskFree(KzVOffscreen* image, int x, int y) const {
  CheckImage(image);
  for (const MaskInfo& info : m_maskInfo) {
    if (info.image == nullptr) return 1;
    info.image->MoveCursor(image->ConvertPointX(info.image, x - info.offsetX),
                           image->ConvertPointY(info.image, y - info.offsetY));
    if (IsMaskCompare(info.compareMode, info.compareValue, info.image->Get32BitColor())) return 0;
  }
  return 1;
}

int KzVOffPixelMask::IsMaskFreeX(KzVOffscreen* image, int x) const {
  CheckImage(image);
  for (const MaskInfo& info : m_maskInfo) {
    if (info.image == nullptr) return 1;
    info.image->MoveCursorX(image->ConvertPointX(info.image, x - info.offsetX));
    if (IsMaskCompare(info.compareMode, info.compareValue, info.image->Get32BitColor())) return 0;
  }
  return 1;
}

void KzVOffPixelMask::MoveCursorY(KzVOffscreen* image, int y) const {
  CheckImage(image);
  for (const MaskInfo& info : m_maskInfo) {
    if (info.image != nullptr) {
      info.image->MoveCursorY(image->ConvertPointY(info.image, y - info.offsetY));
    }
  }
}
