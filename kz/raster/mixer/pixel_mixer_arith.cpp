#include "kz/raster/mixer/pixel_mixer_arith.h"

#include "kz/raster/mixer/pixel_mixer_rules.h"

namespace rules = kz::mixer_rules;

void KzPixelMixerAddAndSubtract::Do8Bit(unsigned char* dst, unsigned char src,
                                        unsigned char alpha) {
  *dst = rules::AddAndSubtract8(*dst, src, alpha, m_mode, GetChannelMin(), GetChannelMax());
}

void KzPixelMixerAddAndSubtract::Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  *dst = rules::AddAndSubtract32(*dst, src, alpha, m_mode, GetChannelMin(), GetChannelMax());
}

void KzPixelMixerDarkenAndLighten::Do8Bit(unsigned char* dst, unsigned char src,
                                          unsigned char alpha) {
  *dst = rules::DarkenAndLighten8(*dst, src, alpha, m_mode);
}

void KzPixelMixerDarkenAndLighten::Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  *dst = rules::DarkenAndLighten32(*dst, src, alpha, m_mode);
}
