#include "kz/raster/voffscreen_8bit.h"

template class KzVOffscreenDepth<kz::pixel::Format8Bit>;

KzVOffscreen8Bit::~KzVOffscreen8Bit() = default;
