// Rows of PNG pixels read from block raster images through their cursors.
//
// Every depth is read through its own getter, so the pixel formats decide the values:
//   1-bit   grey+alpha  ink: black, opaque; none: transparent
//   2-bit   grey+alpha  3: black, 2: white, 0 (and the undefined 1): transparent
//   8-bit   grey        255 - ink density
//   16-bit  grey+alpha  the grey level and alpha of the 16-bit word
//   24-bit  RGB
//   32-bit  RGBA        straight alpha, as stored
// Absent blocks read as their depth's absent value (24-bit: white, the others: transparent).
#pragma once

#include <cstdint>

#include "tqwutl/types.h"

class KzVOffscreen;
class KzVOffscreen32Bit;
class KzVOffscreen8Bit;

namespace kzpaint {

// Bytes a PNG pixel of an image of `bits` per pixel takes (the table above); 0 for a depth
// that does not exist.
int PngChannelsOf(int bits);

// Reads row `y` of `image`, which the caller has locked, into `out` (width x PngChannelsOf
// bytes). The cursor is left on the row.
void ReadPngRow(KzVOffscreen& image, int y, std::uint8_t* out);

// The demo's page pixel: `color` (straight alpha) over white paper, then `ink` (density) of
// `inkColor` over that; each step rounds to the nearest value. Writes red, green, blue.
void CompositeOnPaper(TQCOLORREF color, BYTE ink, TQCOLORREF inkColor, std::uint8_t* rgb);

// Row `y` of the page made of `color` and `ink` (same size, both locked by the caller) as RGB,
// with the ink image's ink colour (index colour 1).
void ReadCompositeRow(KzVOffscreen32Bit& color, KzVOffscreen8Bit& ink, int y, std::uint8_t* rgb);

}  // namespace kzpaint
