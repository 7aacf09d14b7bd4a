// KzVOffPixelMixer: the object through which painting writes pixels into a block raster image.
//
// It binds the destination image, a drawing colour with an opacity, a chain of per-pixel mixers
// (KzPixelMixer and family; the head is called, and it may forward along the chain) and
// optionally a clone image from which the source colour is taken instead (rubber-stamp
// painting). One call of Do mixes the pixel under the destination's cursor; DoLineRow and
// DoLineRowBuffer paint a whole row, honouring a 4 x 4 stipple pattern, per-pixel coverage and
// a KzVOffPixelMask.
//
// Pixels travel in one of three forms chosen by the destination depth: 1- and 8-bit images as
// an 8-bit value (the colour's A: opacity or density), 16- and 24-bit images as a 24-bit colour,
// 2- and 32-bit images as a 32-bit colour; each reads and writes through the image's virtual
// pixel accessors. Rows whose chain head is a mixer of the family (no clone) take a fast path
// that works on the block memory directly and gives the same bytes (see row_fast_path.h).
//
// The mixer owns nothing: the destination, the chain, the clone and the mask images belong to
// the caller and must outlive every call. Each painting call moves the cursors of the images it
// uses; their positions afterwards mean nothing to the caller.
#pragma once

#include "kz/foundation/color.h"
#include "kz/foundation/geometry.h"
#include "tqwutl/types.h"

class KzPixelMixer;
class KzVOffPixelMask;
class KzVOffscreen;

class KzVOffPixelMixer {
 public:
  // The per-depth routines: mix one colour at the destination cursor with the mixer's alpha,
  // with a given opacity, or mix a second colour into a first one (the destination is not
  // read) and write the result.
  using DoColorFunc = void (*)(KzVOffPixelMixer* mixer, const KzComplexColor& color);
  using DoColorAlphaFunc = void (*)(KzVOffPixelMixer* mixer, const KzComplexColor& color,
                                    int alpha);
  using DoTwoColorFunc = void (*)(KzVOffPixelMixer* mixer, const KzComplexColor& first,
                                  const KzComplexColor& second, int alpha);

  // No routines, no chain, no destination; colour A 255 and RGB 0 (8-bit), alpha 255, no clone.
  KzVOffPixelMixer();
  KzVOffPixelMixer(const KzVOffPixelMixer&) = default;
  KzVOffPixelMixer& operator=(const KzVOffPixelMixer&) = default;
  ~KzVOffPixelMixer() = default;

  // Destination -------------------------------------------------------------------------------

  // Stores `image` (not owned) and picks the routines by `bitCount`: 1 and 8 the 8-bit ones,
  // 16 and 24 the 24-bit ones, 2 and 32 the 32-bit ones; any other value leaves all three null.
  void SetDstOffscreen(int bitCount, KzVOffscreen* image);
  // The same with the image's own bit count (a null image clears the routines).
  void SetDstOffscreen(KzVOffscreen* image);
  KzVOffscreen* GetDstOffscreen() const { return m_pDstOffscr; }
  // The destination's bit count; 0 without a destination.
  int GetMixerBitCount() const;
  // The routines SetDstOffscreen picked (null when none).
  DoColorFunc GetDoColorFunc() const { return m_pDoColor; }
  DoColorAlphaFunc GetDoColorAlphaFunc() const { return m_pDoColorAlpha; }
  DoTwoColorFunc GetDoTwoColorFunc() const { return m_pDoTwoColor; }

  // Colour and opacity ------------------------------------------------------------------------

  // The drawing colour, copied in and out unchanged.
  void SetColor(const KzComplexColor& color) { m_color = color; }
  void GetColor(KzComplexColor& color) const { color = m_color; }
  // Alpha a (0..255 is meaningful); alpha64 becomes (a << 8) + 255.
  void SetAlpha(int alpha);
  int GetAlpha() const { return m_alpha; }
  int GetAlpha64() const { return m_alpha64; }

  // The chain ---------------------------------------------------------------------------------

  // The head of the chain (not owned); null when empty.
  KzPixelMixer* GetMixer() const { return m_pMixer; }
  // Makes `mixer` the head and returns the previous head.
  KzPixelMixer* SetNode(KzPixelMixer* mixer);
  // Appends `mixer` (and whatever follows it) behind the last node and returns that node; with
  // an empty chain `mixer` becomes the head and the result is null.
  KzPixelMixer* PushNode(KzPixelMixer* mixer);
  // Puts the whole chain that starts at `mixer` in front of the current one (its last node
  // then leads to the old head); FrontNode(nullptr) empties the chain.
  // Both throw kKzErrorParameter, changing nothing, when the two chains share a node or either
  // runs in a circle: the result would never end.
  void FrontNode(KzPixelMixer* mixer);

  // Mixing at the destination cursor ------------------------------------------------------------
  //
  // The colour is taken as 8 bits a channel: a 16-bit colour (depth flag set) is narrowed to its
  // high bytes, and each field is held to its low byte. Opacities are held to 0..255. Each
  // throws kKzErrorParameter when the mixer has no routines (no destination, or an unsupported
  // depth) or no chain. The destination must be locked with the cursor on the pixel.

  // The drawing colour with the mixer's alpha.
  void Do();
  // `color` with the mixer's alpha.
  void Do(const KzComplexColor& color);
  // `color` with opacity `alpha` instead of the mixer's.
  void Do(const KzComplexColor& color, int alpha);
  // Mixes `second` into `first` with opacity `alpha` and writes the result; the destination
  // pixel is not read.
  void Do(const KzComplexColor& first, const KzComplexColor& second, int alpha);

  // Cloning -------------------------------------------------------------------------------------

  // Takes source colours from `image` (not owned; null stops cloning); `point` is the clone
  // point: drawing position p reads the clone at p + point - the left-top offset.
  void SetCloneOffscreen(KzVOffscreen* image, const KzPoint& point);
  void SetCloneLeftTopOffset(const KzPoint& offset) { m_cloneLeftTopOffset = offset; }
  KzVOffscreen* GetCloneOffscreen() const { return m_pCloneOffscr; }
  const KzPoint& GetClonePoint() const { return m_clonePoint; }
  const KzPoint& GetCloneLeftTopOffset() const { return m_cloneLeftTopOffset; }
  // Move the clone image's cursor to (x, y) + clone point - offset; the X and Y forms move one
  // coordinate and keep the other. The Next forms step it one column or one row. Nothing
  // happens without a clone image.
  void RelativeCloneCursor(int x, int y);
  void RelativeCloneCursorX(int x);
  void RelativeCloneCursorY(int y);
  void NextCloneCursorX();
  void NextCloneCursorY();
  // Mixes the clone pixel under the clone cursor (white with A 0 when the cursor is off the
  // clone image) at the destination cursor with opacity alpha x `alpha` / 255. Throws as Do;
  // also without a clone image.
  void DoClone(int alpha);

  // Rows ----------------------------------------------------------------------------------------
  //
  // Paint row y from x1 to x2 inclusive. Only the part inside the destination is painted; a row
  // that is empty there (x1 > x2, or wholly outside) changes nothing and creates no block. The
  // blocks the painted part crosses are created (under a write lock) as the cursor walk would.
  // `color` null means the drawing colour; `mask` may be null; with a mask whose first entry
  // has an image, masked positions are skipped. A destination, clone or mask image that the
  // caller left unlocked is locked for the call (the destination for writing). Throws as Do.
  // `clonePoint` shifts where a clone is read: the clone cursor starts at (clone point -
  // offset - clonePoint + (x, y)).

  // `pattern` (may be null) is one row of a 4 x 4 stipple: column x is painted only when
  // pattern[x & 3] is non-zero, x in destination coordinates. With a clone image each pixel is
  // DoClone with the colour's A as opacity; otherwise Do(colour).
  void DoLineRow(int x1, int x2, int y, KzVOffPixelMask* mask, const KzComplexColor* color,
                 const BYTE* pattern, const KzPoint& clonePoint = KzPoint());
  // `coverage` holds one byte per column of x1..x2 (coverage[x - x1]); 0 skips the pixel.
  // Otherwise the colour is mixed with its A scaled to coverage x A / 255, or with a clone
  // image DoClone(coverage).
  void DoLineRowBuffer(const BYTE* coverage, int x1, int x2, int y, KzVOffPixelMask* mask,
                       const KzComplexColor* color, const KzPoint& clonePoint = KzPoint());

 private:
  struct RowSpan;
  template <class Family>
  static void DoColorRoutine(KzVOffPixelMixer* mixer, const KzComplexColor& color);
  template <class Family>
  static void DoColorAlphaRoutine(KzVOffPixelMixer* mixer, const KzComplexColor& color, int alpha);
  template <class Family>
  static void DoTwoColorRoutine(KzVOffPixelMixer* mixer, const KzComplexColor& first,
                                const KzComplexColor& second, int alpha);

  // Throws kKzErrorParameter unless routines and a chain are set.
  void CheckReady() const;
  // The bit count of the routine family in use (8, 24 or 32).
  int GetRoutineBits() const;
  // The general row walk over [left, right] with the cursor at (left, y); `pixel(coverage)`
  // mixes the pixel under the cursor (coverage 255 without a buffer).
  template <class Pixel>
  void WalkRow(const RowSpan& span, KzVOffPixelMask* mask, Pixel pixel);
  void PaintRow(int x1, int x2, int y, KzVOffPixelMask* mask, const KzComplexColor* color,
                const BYTE* pattern, const BYTE* coverage, const KzPoint& clonePoint);

  DoColorFunc m_pDoColor = nullptr;
  DoColorAlphaFunc m_pDoColorAlpha = nullptr;
  DoTwoColorFunc m_pDoTwoColor = nullptr;
  KzPixelMixer* m_pMixer = nullptr;
  KzVOffscreen* m_pDstOffscr = nullptr;
  KzComplexColor m_color;
  int m_alpha = 255;
  int m_alpha64 = 65535;
  KzVOffscreen* m_pCloneOffscr = nullptr;
  KzPoint m_clonePoint;
  KzPoint m_cloneLeftTopOffset;
};
