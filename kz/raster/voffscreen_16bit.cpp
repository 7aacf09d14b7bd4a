#include "kz/raster/voffscreen_16bit.h"

template class KzVOffscreenDepth<kz::pixel::Format16Bit>;

KzVOffscreen16Bit::~KzVOffscreen16Bit() = default;
