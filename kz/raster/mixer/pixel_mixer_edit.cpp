#include "kz/raster/mixer/pixel_mixer_edit.h"

#include "kz/raster/mixer/pixel_mixer_rules.h"

namespace rules = kz::mixer_rules;

void KzPixelMixerCorrect::Do8Bit(unsigned char* dst, unsigned char, unsigned char alpha) {
  *dst = rules::Correct8(*dst, alpha, m_mode);
}

void KzPixelMixerCorrect::Do32Bit(TQCOLORREF* dst, TQCOLORREF, unsigned char alpha) {
  *dst = rules::Correct32(*dst, alpha, m_mode);
}

void KzPixelMixerAlphaEdit::Do8Bit(unsigned char* dst, unsigned char, unsigned char alpha) {
  *dst = rules::AlphaEdit8(*dst, alpha, m_mode);
}

void KzPixelMixerAlphaEdit::Do32Bit(TQCOLORREF* dst, TQCOLORREF, unsigned char alpha) {
  *dst = rules::AlphaEdit32(*dst, alpha, m_mode);
}
