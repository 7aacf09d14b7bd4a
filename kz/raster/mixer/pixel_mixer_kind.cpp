#include "kz/raster/mixer/pixel_mixer_kind.h"

#include <iterator>

#include "kz/raster/mixer/pixel_mixer_arith.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"
#include "kz/raster/mixer/pixel_mixer_edit.h"
#include "kz/raster/mixer/pixel_mixer_smudge.h"

namespace {

// Indexed by kind; entry 0 also stands for every kind outside the table.
constexpr KzCompositeKind kKinds[] = {
    {KzPixelMixerClass::kCopy, 0},              // 0
    {KzPixelMixerClass::kBlend, 0},             // 1
    {KzPixelMixerClass::kWeightCopy, 0},        // 2
    {KzPixelMixerClass::kDarkenAndLighten, 0},  // 3
    {KzPixelMixerClass::kDarkenAndLighten, 1},  // 4
    {KzPixelMixerClass::kAddAndSubtract, 0},    // 5
    {KzPixelMixerClass::kAddAndSubtract, 1},    // 6
    {KzPixelMixerClass::kAlphaEdit, 0},         // 7
    {KzPixelMixerClass::kAlphaEdit, 1},         // 8
    {KzPixelMixerClass::kCorrect, 0},           // 9
    {KzPixelMixerClass::kCorrect, 1},           // 10
    {KzPixelMixerClass::kCorrect, 2},           // 11
    {KzPixelMixerClass::kSmudge, 0},            // 12
};

// A mixer made on the heap. Final, so that deleting it as this type deletes exactly what was
// made (the mixers have no virtual destructor to reach it through the base).
template <class Mixer>
struct Made final : Mixer {};

template <class Mixer>
KzPixelMixerPtr Make(int mode) {
  auto* mixer = new Made<Mixer>;
  if constexpr (requires { mixer->SetMode(mode); }) mixer->SetMode(mode);
  return KzPixelMixerPtr(mixer,
                         {[](KzPixelMixer* base) { delete static_cast<Made<Mixer>*>(base); }});
}

}  // namespace

KzCompositeKind kzGetCompositeKind(int kind) {
  constexpr int kCount = static_cast<int>(std::size(kKinds));
  return kind > 0 && kind < kCount ? kKinds[kind] : kKinds[0];
}

KzPixelMixerPtr kzCreateCompositeMixer(int kind) {
  const KzCompositeKind selected = kzGetCompositeKind(kind);
  switch (selected.mixerClass) {
    case KzPixelMixerClass::kBlend:
      return Make<KzPixelMixerBlend>(selected.mode);
    case KzPixelMixerClass::kWeightCopy:
      return Make<KzPixelMixerWeightCopy>(selected.mode);
    case KzPixelMixerClass::kDarkenAndLighten:
      return Make<KzPixelMixerDarkenAndLighten>(selected.mode);
    case KzPixelMixerClass::kAddAndSubtract:
      return Make<KzPixelMixerAddAndSubtract>(selected.mode);
    case KzPixelMixerClass::kAlphaEdit:
      return Make<KzPixelMixerAlphaEdit>(selected.mode);
    case KzPixelMixerClass::kCorrect:
      return Make<KzPixelMixerCorrect>(selected.mode);
    case KzPixelMixerClass::kSmudge:
      return Make<KzPixelMixerSmudge>(selected.mode);
    case KzPixelMixerClass::kCopy:
      break;
  }
  return Make<KzPixelMixer>(selected.mode);
}
