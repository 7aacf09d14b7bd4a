#include "kz/raster/mixer/pixel_mixer_blend.h"

#include "kz/raster/mixer/pixel_mixer_rules.h"

namespace rules = kz::mixer_rules;

void KzPixelMixerBlend::Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) {
  *dst = rules::Blend8(*dst, src, alpha, GetChannelMax());
}

void KzPixelMixerBlend::Do24Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  *dst = rules::Blend24(*dst, src, alpha);
}

void KzPixelMixerBlend::Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  *dst = rules::Blend32(*dst, src, alpha);
}

void KzPixelMixerWeightCopy::Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha) {
  *dst = rules::WeightCopy8(*dst, src, alpha);
}

void KzPixelMixerWeightCopy::Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  *dst = rules::WeightCopy32(*dst, src, alpha);
}
