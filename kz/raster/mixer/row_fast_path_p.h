// Internals of the fast row paths, shared by the pixel mixer and the tests.
#pragma once

#include <optional>

#include "kz/raster/mixer/pixel_mixer_kind.h"
#include "tqwutl/types.h"

class KzPixelMixer;
class KzVOffPixelMask;
class KzVOffscreen;

namespace kz::row_fast_path {

// The class of `mixer` when it is exactly one of the family's classes (made directly or by
// kzCreateCompositeMixer) whose rule the fast paths know; empty for any other class (a class
// derived from one of them included, since it may change a rule) and for null.
std::optional<KzPixelMixerClass> RecogniseMixer(const KzPixelMixer* mixer);

// One row as the general path would paint it, already clipped to the destination.
struct RowRequest {
  KzVOffscreen* image = nullptr;  // the destination, locked, cursor anywhere
  KzPixelMixer* head = nullptr;   // the chain head
  int routineBits = 0;            // the mixer's routine family: 8, 24 or 32
  int left = 0;                   // first and last column, inside the image, left <= right
  int right = -1;
  int y = 0;                       // a row of the image
  TQCOLORREF color = 0;            // the 8-bit colour, packed A<<24 | B<<16 | G<<8 | R
  BYTE alpha = 255;                // the opacity handed to the head
  const BYTE* pattern = nullptr;   // four bytes, column x painted when pattern[x & 3] != 0
  const BYTE* coverage = nullptr;  // coverage[x - coverageLeft]; 0 skips, else scales A
  int coverageLeft = 0;
  const KzVOffPixelMask* mask = nullptr;  // an enabled mask whose cursors are on row y
};

// Paints `row` and returns true when a fast path covers it (the head's class, the image's
// depth class and the routine family agree and no mask reads the destination); returns false
// having touched nothing otherwise.
bool PaintRow(const RowRequest& row);

}  // namespace kz::row_fast_path
