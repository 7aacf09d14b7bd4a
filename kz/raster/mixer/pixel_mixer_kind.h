// Composite kinds: the numbers by which drawing code names a mixer and its mode.
//
//   kind  mixer                          mode     kind  mixer                   mode
//   1     KzPixelMixerBlend              -        7, 8  KzPixelMixerAlphaEdit   0, 1
//   2     KzPixelMixerWeightCopy         -        9-11  KzPixelMixerCorrect     0, 1, 2
//   3, 4  KzPixelMixerDarkenAndLighten   0, 1     12    KzPixelMixerSmudge      0
//   5, 6  KzPixelMixerAddAndSubtract     0, 1     any other: KzPixelMixer (copy)
#pragma once

#include <memory>

#include "kz/raster/mixer/pixel_mixer.h"

// The classes a composite kind can name.
enum class KzPixelMixerClass {
  kCopy,
  kBlend,
  kWeightCopy,
  kDarkenAndLighten,
  kAddAndSubtract,
  kAlphaEdit,
  kCorrect,
  kSmudge,
};

// What a composite kind selects: the class and, for classes with modes, the mode (else 0).
struct KzCompositeKind {
  KzPixelMixerClass mixerClass;
  int mode;
};

// The table above; any kind outside 1..12 selects the copy mixer.
KzCompositeKind kzGetCompositeKind(int kind);

// Deletes a mixer as the class it was made as (the base has no virtual destructor).
struct KzPixelMixerDeleter {
  void (*destroy)(KzPixelMixer*) = nullptr;
  void operator()(KzPixelMixer* mixer) const {
    if (destroy) destroy(mixer);
  }
};
using KzPixelMixerPtr = std::unique_ptr<KzPixelMixer, KzPixelMixerDeleter>;

// A new mixer of the class and mode that `kind` selects, with the default channel range and no
// next mixer; the caller owns it.
KzPixelMixerPtr kzCreateCompositeMixer(int kind);
