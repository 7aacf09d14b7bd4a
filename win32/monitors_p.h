// Monitor geometry, as the window registry reaches it.
#pragma once

#include "win32/types.h"

namespace win32::detail {

// The bounding rectangle of all monitors.
RECT VirtualScreenRect();
// The work area of the monitor nearest to a rectangle.
RECT NearestWorkArea(const RECT& rect);

}  // namespace win32::detail
