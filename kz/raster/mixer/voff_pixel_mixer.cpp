#include "kz/raster/mixer/voff_pixel_mixer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "kz/foundation/error.h"
#include "kz/raster/mixer/pixel_mixer.h"
#include "kz/raster/mixer/row_fast_path.h"
#include "kz/raster/mixer/row_fast_path_p.h"
#include "kz/raster/mixer/voff_pixel_mask.h"
#include "kz/raster/voffscreen.h"

namespace {

constexpr int kFull = 255;

// An opacity held to 0..255, so that an out-of-range value saturates instead of wrapping.
BYTE Opacity(int alpha) { return static_cast<BYTE>(std::clamp(alpha, 0, kFull)); }

// The colour as 8 bits a channel (depth 0): a 16-bit colour keeps its high bytes, and each
// field is held to its low byte so that no channel spills into another when packed.
KzComplexColor Color8(const KzComplexColor& color) {
  const int shift = color.GetDepth() != 0 ? 8 : 0;
  const auto byte = [shift](int value) { return (value >> shift) & 0xFF; };
  KzComplexColor narrow;
  narrow.SetColor(byte(color.GetA()), byte(color.GetR()), byte(color.GetG()), byte(color.GetB()));
  return narrow;
}

// A clone position: the sum of the terms, saturated to the int range.
int CloneCoordinate(std::int64_t sum) {
  return static_cast<int>(std::clamp<std::int64_t>(sum, INT32_MIN, INT32_MAX));
}

// The three pixel forms: how a routine reads the destination, calls the chain and writes back.
struct Family8 {
  static constexpr int kBits = 8;
  using Value = BYTE;
  static Value Source(const KzComplexColor& c) { return static_cast<BYTE>(c.GetColor() >> 24); }
  static Value Read(KzVOffscreen* image) { return image->Get8BitColor(); }
  static void Write(KzVOffscreen* image, Value v) { image->Set8BitColor(v); }
  static void Mix(KzPixelMixer* head, Value* d, Value s, BYTE a) { head->Do8Bit(d, s, a); }
};

struct Family24 {
  static constexpr int kBits = 24;
  using Value = TQCOLORREF;
  static Value Source(const KzComplexColor& c) { return c.GetColor(); }
  static Value Read(KzVOffscreen* image) { return image->Get24BitColor(); }
  static void Write(KzVOffscreen* image, Value v) { image->Set24BitColor(v); }
  static void Mix(KzPixelMixer* head, Value* d, Value s, BYTE a) { head->Do24Bit(d, s, a); }
};

struct Family32 {
  static constexpr int kBits = 32;
  using Value = TQCOLORREF;
  static Value Source(const KzComplexColor& c) { return c.GetColor(); }
  static Value Read(KzVOffscreen* image) { return image->Get32BitColor(); }
  static void Write(KzVOffscreen* image, Value v) { image->Set32BitColor(v); }
  static void Mix(KzPixelMixer* head, Value* d, Value s, BYTE a) { head->Do32Bit(d, s, a); }
};

// The images a row call locks because its caller left them unlocked (the destination, four
// mask images and the clone); each is unlocked again when the call ends.
class RowLocks {
 public:
  RowLocks() = default;
  RowLocks(const RowLocks&) = delete;
  RowLocks& operator=(const RowLocks&) = delete;
  ~RowLocks() {
    while (m_count > 0) m_images[--m_count]->Unlock();
  }

  // Locks `image` with the cursor off the image (no block locked) when nothing holds it.
  void Take(KzVOffscreen* image, int write) {
    if (image == nullptr || image->GetLockCount() != 0) return;
    image->Lock(-1, -1, write);
    m_images[m_count++] = image;
  }

 private:
  std::array<KzVOffscreen*, 2 + KzVOffPixelMask::kMaskCount> m_images{};
  std::size_t m_count = 0;
};

}  // namespace

// The part of a row inside the destination, and where its coverage starts.
struct KzVOffPixelMixer::RowSpan {
  int left;
  int right;
  int y;
  const BYTE* pattern;
  const BYTE* coverage;
  int coverageLeft;
};

KzVOffPixelMixer::KzVOffPixelMixer() { m_color.SetColor(kFull, 0, 0, 0); }

// --- destination -----------------------------------------------------------------------------

void KzVOffPixelMixer::SetDstOffscreen(int bitCount, KzVOffscreen* image) {
  m_pDstOffscr = image;
  const auto pick = [this]<class Family>(Family) {
    m_pDoColor = &DoColorRoutine<Family>;
    m_pDoColorAlpha = &DoColorAlphaRoutine<Family>;
    m_pDoTwoColor = &DoTwoColorRoutine<Family>;
  };
  switch (bitCount) {
    case 1:
    case 8:
      pick(Family8());
      break;
    case 16:
    case 24:
      pick(Family24());
      break;
    case 2:
    case 32:
      pick(Family32());
      break;
    default:
      m_pDoColor = nullptr;
      m_pDoColorAlpha = nullptr;
      m_pDoTwoColor = nullptr;
      break;
  }
}

void KzVOffPixelMixer::SetDstOffscreen(KzVOffscreen* image) {
  SetDstOffscreen(image != nullptr ? image->GetBitCount() : 0, image);
}

int KzVOffPixelMixer::GetMixerBitCount() const {
  return m_pDstOffscr != nullptr ? m_pDstOffscr->GetBitCount() : 0;
}

int KzVOffPixelMixer::GetRoutineBits() const {
  if (m_pDoColor == &DoColorRoutine<Family8>) return Family8::kBits;
  if (m_pDoColor == &DoColorRoutine<Family24>) return Family24::kBits;
  if (m_pDoColor == &DoColorRoutine<Family32>) return Family32::kBits;
  return 0;
}

void KzVOffPixelMixer::SetAlpha(int alpha) {
  m_alpha = alpha;
  m_alpha64 = static_cast<int>((static_cast<unsigned>(alpha) << 8) + 255u);
}

// --- the chain -------------------------------------------------------------------------------

namespace {

// The last node of the chain that starts at `node` (non-null). A chain that runs in a circle
// would never end: it throws kKzErrorParameter.
KzPixelMixer* LastNode(KzPixelMixer* node) {
  KzPixelMixer* slow = node;
  for (;;) {
    for (int step = 0; step < 2; ++step) {
      if (node->GetNext() == nullptr) return node;
      node = node->GetNext();
    }
    slow = slow->GetNext();
    if (slow == node) kzThrowError(kKzErrorParameter);
  }
}

// True when the chains starting at `a` and `b` (both free of circles) share a node: linking
// one behind the other would close a circle.
bool ChainsMeet(KzPixelMixer* a, KzPixelMixer* b) {
  for (; a != nullptr; a = a->GetNext()) {
    for (KzPixelMixer* node = b; node != nullptr; node = node->GetNext()) {
      if (node == a) return true;
    }
  }
  return false;
}

}  // namespace

KzPixelMixer* KzVOffPixelMixer::SetNode(KzPixelMixer* mixer) {
  KzPixelMixer* previous = m_pMixer;
  m_pMixer = mixer;
  return previous;
}

KzPixelMixer* KzVOffPixelMixer::PushNode(KzPixelMixer* mixer) {
  if (m_pMixer == nullptr) {
    m_pMixer = mixer;
    return nullptr;
  }
  KzPixelMixer* last = LastNode(m_pMixer);
  if (mixer != nullptr) {
    LastNode(mixer);  // throws for a chain that runs in a circle
    if (ChainsMeet(mixer, m_pMixer)) kzThrowError(kKzErrorParameter);
  }
  last->SetNext(mixer);
  return last;
}

void KzVOffPixelMixer::FrontNode(KzPixelMixer* mixer) {
  if (mixer == nullptr || m_pMixer == nullptr) {
    m_pMixer = mixer;
    return;
  }
  KzPixelMixer* last = LastNode(mixer);
  LastNode(m_pMixer);  // the current chain must be free of circles too
  if (ChainsMeet(mixer, m_pMixer)) kzThrowError(kKzErrorParameter);
  last->SetNext(m_pMixer);
  m_pMixer = mixer;
}

// --- mixing at the cursor ----------------------------------------------------------------------

template <class Family>
void KzVOffPixelMixer::DoColorRoutine(KzVOffPixelMixer* mixer, const KzComplexColor& color) {
  DoColorAlphaRoutine<Family>(mixer, color, mixer->m_alpha);
}

template <class Family>
void KzVOffPixelMixer::DoColorAlphaRoutine(KzVOffPixelMixer* mixer, const KzComplexColor& color,
                                           int alpha) {
  KzVOffscreen* image = mixer->m_pDstOffscr;
  typename Family::Value value = Family::Read(image);
  Family::Mix(mixer->m_pMixer, &value, Family::Source(Color8(color)), Opacity(alpha));
  Family::Write(image, value);
}

template <class Family>
void KzVOffPixelMixer::DoTwoColorRoutine(KzVOffPixelMixer* mixer, const KzComplexColor& first,
                                         const KzComplexColor& second, int alpha) {
  typename Family::Value value = Family::Source(Color8(first));
  Family::Mix(mixer->m_pMixer, &value, Family::Source(Color8(second)), Opacity(alpha));
  Family::Write(mixer->m_pDstOffscr, value);
}

void KzVOffPixelMixer::CheckReady() const {
  if (m_pDoColor == nullptr || m_pDstOffscr == nullptr || m_pMixer == nullptr) {
    kzThrowError(kKzErrorParameter);
  }
}

void KzVOffPixelMixer::Do() {
  CheckReady();
  m_pDoColor(this, m_color);
}

void KzVOffPixelMixer::Do(const KzComplexColor& color) {
  CheckReady();
  m_pDoColor(this, color);
}

void KzVOffPixelMixer::Do(const KzComplexColor& color, int alpha) {
  CheckReady();
  m_pDoColorAlpha(this, color, alpha);
}

void KzVOffPixelMixer::Do(const KzComplexColor& first, const KzComplexColor& second, int alpha) {
  CheckReady();
  m_pDoTwoColor(this, first, second, alpha);
}

// --- cloning ---------------------------------------------------------------------------------

void KzVOffPixelMixer::SetCloneOffscreen(KzVOffscreen* image, const KzPoint& point) {
  m_pCloneOffscr = image;
  m_clonePoint = point;
}

void KzVOffPixelMixer::RelativeCloneCursor(int x, int y) {
  if (m_pCloneOffscr == nullptr) return;
  m_pCloneOffscr->MoveCursor(
      CloneCoordinate(std::int64_t{x} + m_clonePoint.x - m_cloneLeftTopOffset.x),
      CloneCoordinate(std::int64_t{y} + m_clonePoint.y - m_cloneLeftTopOffset.y));
}

void KzVOffPixelMixer::RelativeCloneCursorX(int x) {
  if (m_pCloneOffscr == nullptr) return;
  m_pCloneOffscr->MoveCursorX(
      CloneCoordinate(std::int64_t{x} + m_clonePoint.x - m_cloneLeftTopOffset.x));
}

void KzVOffPixelMixer::RelativeCloneCursorY(int y) {
  if (m_pCloneOffscr == nullptr) return;
  m_pCloneOffscr->MoveCursorY(
      CloneCoordinate(std::int64_t{y} + m_clonePoint.y - m_cloneLeftTopOffset.y));
}

void KzVOffPixelMixer::NextCloneCursorX() {
  if (m_pCloneOffscr != nullptr) m_pCloneOffscr->NextCursorX();
}

void KzVOffPixelMixer::NextCloneCursorY() {
  if (m_pCloneOffscr != nullptr) m_pCloneOffscr->NextCursorY();
}

void KzVOffPixelMixer::DoClone(int alpha) {
  CheckReady();
  KzVOffscreen* clone = m_pCloneOffscr;
  if (clone == nullptr) kzThrowError(kKzErrorParameter);
  const KzPoint at = clone->GetCursorPos();
  const bool onImage =
      at.x >= 0 && at.y >= 0 && at.x < clone->GetWidth() && at.y < clone->GetHeight();
  const TQCOLORREF source = onImage ? clone->Get32BitColor() : 0x00FFFFFFu;
  m_pDoColorAlpha(this, KzComplexColor(source), Opacity(m_alpha) * Opacity(alpha) / kFull);
}

// --- rows ------------------------------------------------------------------------------------

template <class Pixel>
void KzVOffPixelMixer::WalkRow(const RowSpan& span, KzVOffPixelMask* mask, Pixel pixel) {
  KzVOffscreen* image = m_pDstOffscr;
  KzVOffscreen* clone = m_pCloneOffscr;
  for (int x = span.left;; ++x) {
    BYTE coverage = kFull;
    bool paint = span.pattern == nullptr || span.pattern[x & 3] != 0;
    if (paint && span.coverage != nullptr) {
      coverage = span.coverage[static_cast<std::ptrdiff_t>(x) - span.coverageLeft];
      paint = coverage != 0;
    }
    if (paint && mask != nullptr) paint = mask->IsMaskFreeX(image, image->GetCursorPosX()) != 0;
    if (paint) pixel(coverage);
    // The cursors stop on the last pixel: stepping past it would create the next block.
    if (x == span.right) break;
    image->NextCursorX();
    if (clone != nullptr) clone->NextCursorX();
  }
}

void KzVOffPixelMixer::PaintRow(int x1, int x2, int y, KzVOffPixelMask* mask,
                                const KzComplexColor* color, const BYTE* pattern,
                                const BYTE* coverage, const KzPoint& clonePoint) {
  CheckReady();
  KzVOffscreen* image = m_pDstOffscr;
  // Only the part inside the image is walked: outside it there is nothing to mix, and a row
  // far outside must not cost a loop over every column.
  if (x1 > x2 || y < 0 || y >= image->GetHeight()) return;
  const RowSpan span{
      std::max(x1, 0), std::min(x2, image->GetWidth() - 1), y, pattern, coverage, x1};
  if (span.left > span.right) return;
  if (mask != nullptr && !mask->IsMaskEnable()) mask = nullptr;

  RowLocks locks;
  locks.Take(image, 1);
  for (int i = 0; mask != nullptr && i < KzVOffPixelMask::kMaskCount; ++i) {
    locks.Take(mask->GetMaskInfo(i)->image, 0);
  }
  locks.Take(m_pCloneOffscr, 0);

  const KzComplexColor drawing = Color8(color != nullptr ? *color : m_color);
  if (m_pCloneOffscr == nullptr && kzGetFastPathsEnabled() &&
      (mask == nullptr || !mask->IsMaskImage(image))) {
    // The fast path moves the destination cursor block by block itself.
    if (mask != nullptr) mask->MoveCursorY(image, y);
    kz::row_fast_path::RowRequest row;
    row.image = image;
    row.head = m_pMixer;
    row.routineBits = GetRoutineBits();
    row.left = span.left;
    row.right = span.right;
    row.y = y;
    row.color = drawing.GetColor();
    row.alpha = Opacity(m_alpha);
    row.pattern = pattern;
    row.coverage = coverage;
    row.coverageLeft = x1;
    row.mask = mask;
    if (kz::row_fast_path::PaintRow(row)) return;
    image->MoveCursor(span.left, y);
  } else {
    image->MoveCursor(span.left, y);
    if (mask != nullptr) mask->MoveCursorY(image, y);
  }

  if (m_pCloneOffscr == nullptr) {
    if (coverage != nullptr) {
      WalkRow(span, mask, [this, &drawing](BYTE cover) {
        KzComplexColor covered = drawing;
        covered.SetA(cover * drawing.GetA() / kFull);
        m_pDoColor(this, covered);
      });
    } else {
      WalkRow(span, mask, [this, &drawing](BYTE) { m_pDoColor(this, drawing); });
    }
    return;
  }

  m_pCloneOffscr->MoveCursor(
      CloneCoordinate(std::int64_t{m_clonePoint.x} - m_cloneLeftTopOffset.x - clonePoint.x +
                      span.left),
      CloneCoordinate(std::int64_t{m_clonePoint.y} - m_cloneLeftTopOffset.y - clonePoint.y + y));
  if (coverage != nullptr) {
    WalkRow(span, mask, [this](BYTE cover) { DoClone(cover); });
  } else {
    WalkRow(span, mask, [this, &drawing](BYTE) { DoClone(drawing.GetA()); });
  }
}

void KzVOffPixelMixer::DoLineRow(int x1, int x2, int y, KzVOffPixelMask* mask,
                                 const KzComplexColor* color, const BYTE* pattern,
                                 const KzPoint& clonePoint) {
  PaintRow(x1, x2, y, mask, color, pattern, nullptr, clonePoint);
}

void KzVOffPixelMixer::DoLineRowBuffer(const BYTE* coverage, int x1, int x2, int y,
                                       KzVOffPixelMask* mask, const KzComplexColor* color,
                                       const KzPoint& clonePoint) {
  if (coverage == nullptr) kzThrowError(kKzErrorParameter);
  PaintRow(x1, x2, y, mask, color, nullptr, coverage, clonePoint);
}
