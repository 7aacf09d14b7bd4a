#include "kz/raster/mixer/row_fast_path.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <typeinfo>
#include <vector>

#include "kz/raster/mixer/pixel_mixer.h"
#include "kz/raster/mixer/pixel_mixer_arith.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"
#include "kz/raster/mixer/pixel_mixer_edit.h"
#include "kz/raster/mixer/pixel_mixer_rules.h"
#include "kz/raster/mixer/pixel_mixer_smudge.h"
#include "kz/raster/mixer/row_fast_path_p.h"
#include "kz/raster/mixer/voff_pixel_mask.h"
#include "kz/raster/pixel_format.h"
#include "kz/raster/voffscreen.h"
#include "kz/raster/voffscreen_16bit.h"
#include "kz/raster/voffscreen_1bit.h"
#include "kz/raster/voffscreen_24bit.h"
#include "kz/raster/voffscreen_2bit.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"
#include "kz/raster/voffscreen_depth.h"

namespace {

std::atomic<int> g_fastPathsEnabled{1};

}  // namespace

void kzSetFastPathsEnabled(int enabled) {
  g_fastPathsEnabled.store(enabled != 0 ? 1 : 0, std::memory_order_relaxed);
}

int kzGetFastPathsEnabled() { return g_fastPathsEnabled.load(std::memory_order_relaxed); }

namespace kz::row_fast_path {
namespace {

namespace rules = kz::mixer_rules;
namespace px = kz::pixel;

// --- recognising the chain head -----------------------------------------------------------------

struct KnownMixer {
  const std::type_info* type;
  KzPixelMixerClass mixerClass;
};

// The largest composite kind with a mixer of its own; every kind above it makes the copy mixer.
constexpr int kLastCompositeKind = 12;

std::vector<KnownMixer> ListKnownMixers() {
  std::vector<KnownMixer> known = {
      {&typeid(KzPixelMixerBlend), KzPixelMixerClass::kBlend},
      {&typeid(KzPixelMixer), KzPixelMixerClass::kCopy},
      {&typeid(KzPixelMixerWeightCopy), KzPixelMixerClass::kWeightCopy},
      {&typeid(KzPixelMixerDarkenAndLighten), KzPixelMixerClass::kDarkenAndLighten},
      {&typeid(KzPixelMixerAddAndSubtract), KzPixelMixerClass::kAddAndSubtract},
      {&typeid(KzPixelMixerAlphaEdit), KzPixelMixerClass::kAlphaEdit},
      {&typeid(KzPixelMixerCorrect), KzPixelMixerClass::kCorrect},
      {&typeid(KzPixelMixerSmudge), KzPixelMixerClass::kSmudge},
  };
  // kzCreateCompositeMixer makes each mixer as a final class of its own that only derives from
  // the family's class: one made of each kind names those classes.
  for (int kind = 0; kind <= kLastCompositeKind; ++kind) {
    const KzPixelMixerPtr made = kzCreateCompositeMixer(kind);
    const KzPixelMixer& object = *made;
    const std::type_info& type = typeid(object);
    const bool listed = std::any_of(known.begin(), known.end(),
                                    [&type](const KnownMixer& k) { return *k.type == type; });
    if (!listed) known.push_back({&type, kzGetCompositeKind(kind).mixerClass});
  }
  return known;
}

// --- pixel forms --------------------------------------------------------------------------------

// What the conversions of a depth need from the image.
struct Context {
  px::MonoThresholds mono;
  TQCOLORREF index[KzVOffscreen::kIndexColorCount];
};

// The three routine families on a depth Format: the value a routine reads (the image getter of
// the family's depth), the stored value it writes back (the matching setter), the value a null
// address reads, and the source value of a packed 8-bit colour (with its A replaced).
template <class Format>
struct Family8 {
  static constexpr int kBits = 8;
  using Value = BYTE;
  static constexpr Value kAbsent = Format::kAbsent8Bit;
  static Value Read(typename Format::Stored s, const Context& c) {
    return Format::Get8Bit(s, c.mono);
  }
  static typename Format::Stored Write(Value v, const Context& c) {
    return Format::From8Bit(v, c.mono);
  }
  static Value Source(TQCOLORREF, int alpha) { return static_cast<BYTE>(alpha); }
};

template <class Format>
struct Family24 {
  static constexpr int kBits = 24;
  using Value = TQCOLORREF;
  static constexpr Value kAbsent = Format::kAbsent24Bit;
  static Value Read(typename Format::Stored s, const Context& c) {
    return Format::Get24Bit(s, c.mono);
  }
  static typename Format::Stored Write(Value v, const Context& c) {
    return Format::From24Bit(v, c.mono);
  }
  static Value Source(TQCOLORREF color, int alpha) { return rules::WithAlpha(color, alpha); }
};

template <class Format>
struct Family32 {
  static constexpr int kBits = 32;
  using Value = TQCOLORREF;
  static constexpr Value kAbsent = Format::kAbsent32Bit;
  static Value Read(typename Format::Stored s, const Context& c) {
    return Format::Get32Bit(s, [&c](int i) { return c.index[i]; });
  }
  static typename Format::Stored Write(Value v, const Context& c) {
    return Format::From32Bit(v, c.mono);
  }
  static Value Source(TQCOLORREF color, int alpha) { return rules::WithAlpha(color, alpha); }
};

// --- rules --------------------------------------------------------------------------------------
//
// Each rule is one slot of one mixer class with the class's fields read once per row. A rule
// whose result does not depend on the destination for a given source and opacity says so
// (IsConstant), and such rows become fills. kSamples marks a rule with a side effect, which
// must run even where nothing can be written.

struct Rule {
  static constexpr bool kSamples = false;
  template <class Value>
  bool IsConstant(Value, BYTE) const {
    return false;
  }
};

struct CopyRule : Rule {
  template <class Value>
  Value operator()(Value, Value s, BYTE) const {
    return s;
  }
  template <class Value>
  bool IsConstant(Value, BYTE) const {
    return true;
  }
};

struct Blend8Rule : Rule {
  int max;
  BYTE operator()(BYTE d, BYTE s, BYTE a) const { return rules::Blend8(d, s, a, max); }
  // d + (255 - d) is 255 whatever d: the result is the channel maximum.
  bool IsConstant(BYTE s, BYTE a) const { return (rules::ScaleByOpacity(s, a) & 0xFF) == 255; }
};

struct Blend24Rule : Rule {
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF s, BYTE a) const {
    return rules::Blend24(d, s, a);
  }
  bool IsConstant(TQCOLORREF s, BYTE a) const {
    return rules::ScaleByOpacity(rules::ChannelA(s), a) == rules::kFull;
  }
};

struct Blend32Rule : Rule {
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF s, BYTE a) const {
    return rules::Blend32(d, s, a);
  }
  bool IsConstant(TQCOLORREF s, BYTE a) const {
    return rules::ScaleByOpacity(rules::ChannelA(s), a) == rules::kFull;
  }
};

struct WeightCopy8Rule : Rule {
  BYTE operator()(BYTE d, BYTE s, BYTE a) const { return rules::WeightCopy8(d, s, a); }
  bool IsConstant(BYTE, BYTE a) const { return a >= rules::kFull; }
};

struct WeightCopy32Rule : Rule {
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF s, BYTE a) const {
    return rules::WeightCopy32(d, s, a);
  }
  bool IsConstant(TQCOLORREF, BYTE a) const { return a >= rules::kFull; }
};

struct AddAndSubtract8Rule : Rule {
  int mode, min, max;
  BYTE operator()(BYTE d, BYTE s, BYTE a) const {
    return rules::AddAndSubtract8(d, s, a, mode, min, max);
  }
};

struct AddAndSubtract32Rule : Rule {
  int mode, min, max;
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF s, BYTE a) const {
    return rules::AddAndSubtract32(d, s, a, mode, min, max);
  }
};

struct DarkenAndLighten8Rule : Rule {
  int mode;
  BYTE operator()(BYTE d, BYTE s, BYTE a) const { return rules::DarkenAndLighten8(d, s, a, mode); }
};

struct DarkenAndLighten32Rule : Rule {
  int mode;
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF s, BYTE a) const {
    return rules::DarkenAndLighten32(d, s, a, mode);
  }
};

struct Correct8Rule : Rule {
  int mode;
  BYTE operator()(BYTE d, BYTE, BYTE a) const { return rules::Correct8(d, a, mode); }
};

struct Correct32Rule : Rule {
  int mode;
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF, BYTE a) const {
    return rules::Correct32(d, a, mode);
  }
};

struct AlphaEdit8Rule : Rule {
  int mode;
  BYTE operator()(BYTE d, BYTE, BYTE a) const { return rules::AlphaEdit8(d, a, mode); }
};

struct AlphaEdit32Rule : Rule {
  int mode;
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF, BYTE a) const {
    return rules::AlphaEdit32(d, a, mode);
  }
};

// Samples the pixel as it stands, then in mode 0 blends as the smudge's embedded blend does.
struct Smudge32Rule : Rule {
  static constexpr bool kSamples = true;
  KzPixelMixerSmudge* smudge;
  int mode;
  TQCOLORREF operator()(TQCOLORREF d, TQCOLORREF s, BYTE a) const {
    smudge->AddColorChannel32(d);
    return mode == 0 ? rules::Blend32(d, s, a) : d;
  }
};

// --- the row walk -------------------------------------------------------------------------------

// A pixel position inside a locked block: the address and, for the bit depths, the mask.
template <class Format>
struct PixelPointer {
  BYTE* p;
  BYTE mask;
  typename Format::Stored Load() const { return Format::Load(p, mask); }
  void Store(typename Format::Stored s) const { Format::Store(p, mask, s); }
  void Next() {
    if constexpr (Format::kBytesPerPixel == 0) {
      mask = static_cast<BYTE>(mask >> Format::kBits);
      if (mask == 0) {
        mask = Format::kFirstMask;
        ++p;
      }
    } else {
      p += Format::kBytesPerPixel;
    }
  }
};

template <class Format, template <class> class FamilyOf, class RuleT>
class RowPainter {
  using Family = FamilyOf<Format>;
  using Value = typename Family::Value;
  using Stored = typename Format::Stored;

 public:
  RowPainter(const RowRequest& row, const RuleT& rule)
      : m_row(row),
        m_rule(rule),
        m_source(Family::Source(row.color, static_cast<int>(row.color >> 24))) {
    KzVOffscreen* image = row.image;
    m_context.mono = {image->GetMonoTransThreshold(), image->GetMonoBWThreshold()};
    for (int i = 0; i < KzVOffscreen::kIndexColorCount; ++i) {
      m_context.index[i] = image->GetIndexColor(i);
    }
    m_constant = row.coverage == nullptr && m_rule.IsConstant(m_source, row.alpha);
    if (m_constant) m_constantStored = Write(m_rule(Value{}, m_source, row.alpha));
  }

  // Block by block: the cursor move locks (and under a write lock creates) each block the row
  // crosses, exactly as the general path's cursor steps do. When the cursor already holds the
  // block under the row's right end (where the row before ended), the row goes right to left
  // and saves a block change. The order cannot change a byte unless the rule samples, a mask
  // moves other cursors, or blocks may be dropped when evicted (allow-break), so those rows
  // keep the general path's order.
  void Paint() {
    KzVOffscreen* image = m_row.image;
    const int rightBlock = image->GetBlockIndexFast(m_row.right, m_row.y);
    const bool backward = !RuleT::kSamples && m_row.mask == nullptr && !image->IsAllowBreak() &&
                          image->GetCursor().blockIndex == rightBlock &&
                          image->GetBlockIndexFast(m_row.left, m_row.y) != rightBlock;
    constexpr int kLastColumn = KzVOffscreen::kBlockSize - 1;
    if (backward) {
      for (int x = m_row.right; x >= m_row.left;) {
        const int first = std::max(m_row.left, x & ~kLastColumn);
        PaintPiece(first, x - first + 1);
        x = first - 1;
      }
      return;
    }
    for (int x = m_row.left; x <= m_row.right;) {
      const int last = std::min(m_row.right, x | kLastColumn);
      PaintPiece(x, last - x + 1);
      x = last + 1;
    }
  }

 private:
  // Columns x .. x + n - 1, all in one block.
  void PaintPiece(int x, int n) {
    KzVOffscreen* image = m_row.image;
    image->MoveCursor(x, m_row.y);
    const KzVOffscreenCursor& cursor = image->GetCursor();
    const bool gated =
        m_row.pattern != nullptr || m_row.coverage != nullptr || m_row.mask != nullptr;
    BYTE gate[KzVOffscreen::kBlockSize];
    if (gated) ComputeGate(x, n, gate);
    const PixelPointer<Format> pointer{cursor.address, cursor.bitMask};
    if (cursor.address == nullptr) {
      SampleAbsent(gated ? gate : nullptr, n);
    } else if (m_row.coverage != nullptr) {
      PaintCoverage(pointer, gate, n);
    } else if (gated) {
      PaintGated(pointer, gate, n);
    } else if (m_constant) {
      Fill(pointer, n);
    } else {
      PaintSolid(pointer, n);
    }
  }

  Value Read(Stored s) const { return Family::Read(s, m_context); }
  Stored Write(Value v) const { return Family::Write(v, m_context); }

  // What the general path tests per pixel, in its order: pattern, coverage, mask. 0 skips the
  // pixel; otherwise the coverage (255 without one).
  void ComputeGate(int x, int n, BYTE* gate) const {
    for (int i = 0; i < n; ++i) {
      const int column = x + i;
      BYTE pass = 255;
      if (m_row.pattern != nullptr && m_row.pattern[column & 3] == 0) {
        pass = 0;
      } else if (m_row.coverage != nullptr) {
        pass = m_row.coverage[static_cast<std::ptrdiff_t>(column) - m_row.coverageLeft];
      }
      if (pass != 0 && m_row.mask != nullptr && !m_row.mask->IsMaskFreeX(m_row.image, column)) {
        pass = 0;
      }
      gate[i] = pass;
    }
  }

  Value CoveredSource(BYTE coverage) const {
    return Family::Source(m_row.color, coverage * static_cast<int>(m_row.color >> 24) / 255);
  }

  // No block memory (outside a write lock): nothing is written, but a sampling rule still sees
  // the absent value, as it does through the getters.
  void SampleAbsent(const BYTE* gate, int n) const {
    if constexpr (RuleT::kSamples) {
      for (int i = 0; i < n; ++i) {
        if (gate != nullptr && gate[i] == 0) continue;
        const Value source = m_row.coverage != nullptr ? CoveredSource(gate[i]) : m_source;
        m_rule(Family::kAbsent, source, m_row.alpha);
      }
    }
  }

  void Fill(PixelPointer<Format> p, int n) const {
    if constexpr (Format::kBytesPerPixel == 0) {
      for (int i = 0; i < n; ++i, p.Next()) p.Store(m_constantStored);
    } else if constexpr (Format::kBytesPerPixel == 1) {
      std::memset(p.p, m_constantStored, static_cast<std::size_t>(n));
    } else if constexpr (Format::kBytesPerPixel == 4) {
      BYTE pixel[4];
      Format::Store(pixel, 0, m_constantStored);
      for (int i = 0; i < n; ++i) std::memcpy(p.p + 4 * i, pixel, 4);
    } else {
      BYTE pixel[4];
      Format::Store(pixel, 0, m_constantStored);
      px::FillPixels(p.p, static_cast<std::size_t>(n) * Format::kBytesPerPixel, pixel,
                     Format::kBytesPerPixel);
    }
  }

  void PaintSolid(PixelPointer<Format> p, int n) const {
    for (int i = 0; i < n; ++i, p.Next()) {
      p.Store(Write(m_rule(Read(p.Load()), m_source, m_row.alpha)));
    }
  }

  void PaintGated(PixelPointer<Format> p, const BYTE* gate, int n) const {
    for (int i = 0; i < n; ++i, p.Next()) {
      if (gate[i] == 0) continue;
      p.Store(m_constant ? m_constantStored : Write(m_rule(Read(p.Load()), m_source, m_row.alpha)));
    }
  }

  void PaintCoverage(PixelPointer<Format> p, const BYTE* gate, int n) const {
    for (int i = 0; i < n; ++i, p.Next()) {
      if (gate[i] == 0) continue;
      p.Store(Write(m_rule(Read(p.Load()), CoveredSource(gate[i]), m_row.alpha)));
    }
  }

  const RowRequest& m_row;
  RuleT m_rule;
  Context m_context{};
  Value m_source;
  bool m_constant = false;
  Stored m_constantStored{};
};

template <class Format, template <class> class FamilyOf, class RuleT>
bool Paint(const RowRequest& row, const RuleT& rule) {
  RowPainter<Format, FamilyOf, RuleT>(row, rule).Paint();
  return true;
}

// The mode of a head recognised as class Mixer.
template <class Mixer>
int ModeOf(KzPixelMixer* head) {
  return static_cast<Mixer*>(head)->GetMode();
}

// The head's slot of the routine family, as a rule. Slots a class does not override copy.
template <class Format>
bool PaintFamily8(const RowRequest& row, KzPixelMixerClass mixerClass) {
  KzPixelMixer* head = row.head;
  switch (mixerClass) {
    case KzPixelMixerClass::kBlend:
      return Paint<Format, Family8>(row, Blend8Rule{{}, head->GetChannelMax()});
    case KzPixelMixerClass::kWeightCopy:
      return Paint<Format, Family8>(row, WeightCopy8Rule{});
    case KzPixelMixerClass::kAddAndSubtract:
      return Paint<Format, Family8>(row,
                                    AddAndSubtract8Rule{{},
                                                        ModeOf<KzPixelMixerAddAndSubtract>(head),
                                                        head->GetChannelMin(),
                                                        head->GetChannelMax()});
    case KzPixelMixerClass::kDarkenAndLighten:
      return Paint<Format, Family8>(
          row, DarkenAndLighten8Rule{{}, ModeOf<KzPixelMixerDarkenAndLighten>(head)});
    case KzPixelMixerClass::kCorrect:
      return Paint<Format, Family8>(row, Correct8Rule{{}, ModeOf<KzPixelMixerCorrect>(head)});
    case KzPixelMixerClass::kAlphaEdit:
      return Paint<Format, Family8>(row, AlphaEdit8Rule{{}, ModeOf<KzPixelMixerAlphaEdit>(head)});
    case KzPixelMixerClass::kCopy:
    case KzPixelMixerClass::kSmudge:
      break;
  }
  return Paint<Format, Family8>(row, CopyRule{});
}

template <class Format>
bool PaintFamily24(const RowRequest& row, KzPixelMixerClass mixerClass) {
  if (mixerClass == KzPixelMixerClass::kBlend) return Paint<Format, Family24>(row, Blend24Rule{});
  return Paint<Format, Family24>(row, CopyRule{});
}

template <class Format>
bool PaintFamily32(const RowRequest& row, KzPixelMixerClass mixerClass) {
  KzPixelMixer* head = row.head;
  switch (mixerClass) {
    case KzPixelMixerClass::kBlend:
      return Paint<Format, Family32>(row, Blend32Rule{});
    case KzPixelMixerClass::kWeightCopy:
      return Paint<Format, Family32>(row, WeightCopy32Rule{});
    case KzPixelMixerClass::kAddAndSubtract:
      return Paint<Format, Family32>(row,
                                     AddAndSubtract32Rule{{},
                                                          ModeOf<KzPixelMixerAddAndSubtract>(head),
                                                          head->GetChannelMin(),
                                                          head->GetChannelMax()});
    case KzPixelMixerClass::kDarkenAndLighten:
      return Paint<Format, Family32>(
          row, DarkenAndLighten32Rule{{}, ModeOf<KzPixelMixerDarkenAndLighten>(head)});
    case KzPixelMixerClass::kCorrect:
      return Paint<Format, Family32>(row, Correct32Rule{{}, ModeOf<KzPixelMixerCorrect>(head)});
    case KzPixelMixerClass::kAlphaEdit:
      return Paint<Format, Family32>(row, AlphaEdit32Rule{{}, ModeOf<KzPixelMixerAlphaEdit>(head)});
    case KzPixelMixerClass::kSmudge: {
      auto* smudge = static_cast<KzPixelMixerSmudge*>(head);
      return Paint<Format, Family32>(row, Smudge32Rule{{}, smudge, smudge->GetMode()});
    }
    case KzPixelMixerClass::kCopy:
      break;
  }
  return Paint<Format, Family32>(row, CopyRule{});
}

// An image of the depth class of Format (or one derived from it: the per-pixel slots of
// KzVOffscreenDepth are final, so it reads and writes as Format) whose routine family is the
// one its depth picks.
template <class DepthClass, int kFamilyBits>
bool PaintDepth(const RowRequest& row, KzPixelMixerClass mixerClass) {
  using Format = typename DepthClass::PixelFormat;
  if (row.routineBits != kFamilyBits) return false;
  if (typeid(*row.image) != typeid(DepthClass) &&
      dynamic_cast<KzVOffscreenDepth<Format>*>(row.image) == nullptr) {
    return false;
  }
  if constexpr (kFamilyBits == 8) {
    return PaintFamily8<Format>(row, mixerClass);
  } else if constexpr (kFamilyBits == 24) {
    return PaintFamily24<Format>(row, mixerClass);
  } else {
    return PaintFamily32<Format>(row, mixerClass);
  }
}

}  // namespace

std::optional<KzPixelMixerClass> RecogniseMixer(const KzPixelMixer* mixer) {
  if (mixer == nullptr) return std::nullopt;
  static const std::vector<KnownMixer> known = ListKnownMixers();
  const std::type_info& type = typeid(*mixer);
  for (const KnownMixer& k : known) {
    if (*k.type == type) return k.mixerClass;
  }
  return std::nullopt;
}

bool PaintRow(const RowRequest& row) {
  if (row.image == nullptr || row.left > row.right) return false;
  const std::optional<KzPixelMixerClass> mixerClass = RecogniseMixer(row.head);
  if (!mixerClass) return false;
  // A mask that reads the destination would see the row half painted.
  if (row.mask != nullptr && row.mask->IsMaskImage(row.image)) return false;
  switch (row.image->GetBitCount()) {
    case 1:
      return PaintDepth<KzVOffscreen1Bit, 8>(row, *mixerClass);
    case 2:
      return PaintDepth<KzVOffscreen2Bit, 32>(row, *mixerClass);
    case 8:
      return PaintDepth<KzVOffscreen8Bit, 8>(row, *mixerClass);
    case 16:
      return PaintDepth<KzVOffscreen16Bit, 24>(row, *mixerClass);
    case 24:
      return PaintDepth<KzVOffscreen24Bit, 24>(row, *mixerClass);
    case 32:
      return PaintDepth<KzVOffscreen32Bit, 32>(row, *mixerClass);
    default:
      return false;
  }
}

}  // namespace kz::row_fast_path
