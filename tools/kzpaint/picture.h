// The demo's generated picture: a comic page of three panels drawn into a 32-bit colour image
// and an 8-bit ink image of any size.
//
// Top panel: a sunset sky (vertical gradient) with a soft-edged sun and its glow behind two
// hard-edged mountain ranges, the farther one hatched in ink. Bottom left: soft concentric
// colour rings over a checker whose every other square is transparent, ringed by a hard ink
// circle. Bottom right: a rainbow whose alpha fades downwards under a halftone screen that
// grows denser to the right and three soft ink blobs. Panels have hard ink borders; margins
// and gutters are empty paper (colour alpha 0, no ink).
//
// The picture is a pure function of (x, y) and the image size, so drawing it twice gives
// equal images.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "kz/foundation/geometry.h"
#include "tqwutl/types.h"

class KzVOffscreen32Bit;
class KzVOffscreen8Bit;

namespace kzpaint {

class DemoPicture {
 public:
  // Called after each block drawn with the blocks done and the blocks in all.
  using ProgressFn = std::function<void(std::int64_t done, std::int64_t total)>;

  // The layout of a width x height page (both at least 1).
  DemoPicture(int width, int height);

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  // The three panels (top, bottom left, bottom right); tiny pages may have empty ones.
  const std::array<KzRect, 3>& GetPanels() const { return m_panels; }
  // Thickness of the ink border inside each panel's edge, in pixels.
  int GetBorderWidth() const { return m_border; }

  // The colour word (red in bits 0-7 .. alpha in bits 24-31, straight alpha) at (x, y).
  TQCOLORREF ColorAt(int x, int y) const;
  // The ink density (0 none .. 255 full) at (x, y).
  BYTE InkAt(int x, int y) const;

  // Draws the picture into `color` and `ink`, which must be created at this page's size
  // (std::invalid_argument otherwise), block by block and row by row through their cursors,
  // creating every block. Polls KzAbort between rows, so a raised abort request throws the
  // abort code; the images then hold part of the picture.
  void Draw(KzVOffscreen32Bit& color, KzVOffscreen8Bit& ink, const ProgressFn& progress) const;

 private:
  TQCOLORREF SunsetAt(int x, int y) const;
  TQCOLORREF RingsAt(int x, int y) const;
  TQCOLORREF RainbowAt(int x, int y) const;
  BYTE ToneAt(int x, int y) const;

  int m_width;
  int m_height;
  int m_border = 1;
  std::array<KzRect, 3> m_panels;
  // Top panel: the far and near ridge lines (row of the ridge per column of the panel).
  std::vector<float> m_farRidge;
  std::vector<float> m_nearRidge;
  int m_hatchPeriod = 3;
  int m_hatchWidth = 1;
  int m_checkerCell = 2;
  int m_toneCell = 4;
};

}  // namespace kzpaint
