#include "kz/raster/voffscreen_1bit.h"

template class KzVOffscreenDepth<kz::pixel::Format1Bit>;

KzVOffscreen1Bit::~KzVOffscreen1Bit() = default;
