// Integer geometry: the operations too large to inline.
#include "kz/foundation/geometry.h"

void KzRect::CalcDestRect(tagRECT src, tagRECT dst) {
  const int sw = src.right - src.left;
  const int sh = src.bottom - src.top;
  const int dw = dst.right - dst.left;
  const int dh = dst.bottom - dst.top;
  if (sw == dw && sh == dh) {
    *this = dst;
    return;
  }
  // Wide sources fit the width unless the destination is wider still; tall sources the other
  // way round.
  bool fitWidth;
  if (sw >= sh) {
    const double a = static_cast<double>(sw) / sh;
    const double c = dw >= dh ? static_cast<double>(dw) / dh : 1.0;
    fitWidth = c <= a;
  } else {
    const double b = static_cast<double>(sh) / sw;
    const double d = dw < dh ? static_cast<double>(dh) / dw : 1.0;
    fitWidth = !(d <= b);
  }
  int w;
  int h;
  if (fitWidth) {
    w = dw;
    h = kzTruncToInt(static_cast<double>(dw) / sw * sh);
  } else {
    h = dh;
    w = kzTruncToInt(static_cast<double>(dh) / sh * sw);
  }
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  const int mx = (dw - w) / 2;
  const int my = (dh - h) / 2;
  SetRect(dst.left + mx, dst.top + my, dst.right - mx, dst.bottom - my);
}
