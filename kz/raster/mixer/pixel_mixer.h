// KzPixelMixer: the base of the per-pixel combination rules.
//
// A mixer combines one source value with one destination pixel under an opacity, in place.
// Mixers form a chain through their next pointer; the pixel mixer of an image calls the head.
// The base rule copies the source. The 8-bit value is a density or opacity byte; the 24- and
// 32-bit values are packed TQCOLORREF words. Every derived mixer applies an inline rule of
// pixel_mixer_rules.h, so a row loop can produce the same bytes without the virtual call.
//
// The base has no virtual destructor: mixers are held as values by their owners (see
// kzCreateCompositeMixer for one made on the heap).
#pragma once

#include "tqwutl/types.h"

class KzPixelMixer {
 public:
  KzPixelMixer() = default;
  KzPixelMixer(const KzPixelMixer& other) = default;
  KzPixelMixer& operator=(const KzPixelMixer& other) = default;

  // The four slots, in this order. The base versions copy: *dst = src.
  virtual void Do2Bit(unsigned char* dst, unsigned char src, unsigned char alpha);
  virtual void Do8Bit(unsigned char* dst, unsigned char src, unsigned char alpha);
  virtual void Do24Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha);
  virtual void Do32Bit(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha);

  // The following mixer of the chain; not owned. Null ends the chain.
  void SetNext(KzPixelMixer* next) { m_next = next; }
  KzPixelMixer* GetNext() const { return m_next; }

  // Stores the channel range and sets the 16-bit maximum to (max << 8) + 255. Both values are
  // first brought into 0..255, so no rule can leave the byte range (0, 255 are the defaults).
  void SetChannelRange(int min, int max);
  int GetChannelMin() const { return m_channelMin; }
  int GetChannelMax() const { return m_channelMax; }
  int GetChannelMax16() const { return m_channelMax16; }

 protected:
  // min(a + b, max).
  static int AddColorChannel(int a, int b, int max);
  // a - b, or 0 when negative.
  static int SubtractColorChannel(int a, int b);

  // Call the same slot of the next mixer with the same arguments; nothing without one.
  void Do2BitNext(unsigned char* dst, unsigned char src, unsigned char alpha);
  void Do8BitNext(unsigned char* dst, unsigned char src, unsigned char alpha);
  void Do24BitNext(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha);
  void Do32BitNext(TQCOLORREF* dst, TQCOLORREF src, unsigned char alpha);

 private:
  KzPixelMixer* m_next = nullptr;
  int m_channelMin = 0;
  int m_channelMax = 255;
  int m_channelMax16 = 65535;
};

// A mixer whose rule has variants chosen by a mode number; DefaultMode is the one it starts in.
template <int DefaultMode>
class KzPixelMixerWithMode : public KzPixelMixer {
 public:
  // Selects the variant; what each mode does is the derived mixer's.
  void SetMode(int mode) { m_mode = mode; }
  int GetMode() const { return m_mode; }

 protected:
  int m_mode = DefaultMode;
};
