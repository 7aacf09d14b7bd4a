#include "kz/raster/voffscreen_24bit.h"

template class KzVOffscreenDepth<kz::pixel::Format24Bit>;

KzVOffscreen24Bit::~KzVOffscreen24Bit() = default;
