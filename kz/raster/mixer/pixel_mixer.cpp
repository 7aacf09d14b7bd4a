#include "kz/raster/mixer/pixel_mixer.h"

#include <algorithm>

#include "kz/raster/mixer/pixel_mixer_rules.h"

namespace rules = kz::mixer_rules;

void KzPixelMixer::Do2Bit(unsigned char* dst, unsigned char src, unsigned char) { *dst = src; }

void KzPixelMixer::Do8Bit(unsigned char* dst, unsigned char src, unsigned char) { *dst = src; }

void KzPixelMixer::Do24Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char) { *dst = src; }

void KzPixelMixer::Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char) { *dst = src; }

void KzPixelMixer::SetChannelRange(int min, int max) {
  // The rules store their results in bytes; a range beyond them would wrap.
  m_channelMin = std::clamp(min, 0, rules::kFull);
  m_channelMax = std::clamp(max, 0, rules::kFull);
  m_channelMax16 = (m_channelMax << 8) + 255;
}

int KzPixelMixer::AddColorChannel(int a, int b, int max) { return rules::RaiseChannel(a, b, max); }

int KzPixelMixer::SubtractColorChannel(int a, int b) { return rules::LowerChannel(a, b); }

void KzPixelMixer::Do2BitNext(unsigned char* dst, unsigned char src, unsigned char alpha) {
  if (m_next) m_next->Do2Bit(dst, src, alpha);
}

void KzPixelMixer::Do8BitNext(unsigned char* dst, unsigned char src, unsigned char alpha) {
  if (m_next) m_next->Do8Bit(dst, src, alpha);
}

void KzPixelMixer::Do24BitNext(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  if (m_next) m_next->Do24Bit(dst, src, alpha);
}

void KzPixelMixer::Do32BitNext(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha) {
  if (m_next) m_next->Do32Bit(dst, src, alpha);
}
