#include "kz/raster/voffscreen_2bit.h"

template class KzVOffscreenDepth<kz::pixel::Format2Bit>;

KzVOffscreen2Bit::~KzVOffscreen2Bit() = default;
