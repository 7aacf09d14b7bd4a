#include "kz/raster/voffscreen_32bit.h"

template class KzVOffscreenDepth<kz::pixel::Format32Bit>;

KzVOffscreen32Bit::~KzVOffscreen32Bit() = default;
