// Block raster images owned by kzpaint: a unique_ptr that destroys through DeleteOffscreen.
#pragma once

#include <memory>

#include "kz/raster/voffscreen.h"

namespace kzpaint {

struct ImageDeleter {
  void operator()(KzVOffscreen* image) const { KzVOffscreen::DeleteOffscreen(image); }
};

template <class Image = KzVOffscreen>
using OwnedImage = std::unique_ptr<Image, ImageDeleter>;

}  // namespace kzpaint
