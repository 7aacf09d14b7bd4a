// Code page 932 (Shift-JIS) and UTF-8 conversions. The Shift-JIS tables are read from iconv
// once; the loops over the text are ours so that invalid input, default characters and output
// limits behave as the original's conversions do.
#include <iconv.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "win32/code_page_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

constexpr UINT kCp932 = 932;
constexpr unsigned char kDefaultByte = '?';

bool IsHighSurrogate(WCHAR u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(WCHAR u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Single bytes outside ASCII and half-width katakana that the original still maps (to C1 and
// private-use characters) so that they survive a round trip.
constexpr std::array<std::pair<unsigned char, WCHAR>, 5> kExtraSingles = {
    {{0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}}};

// Lead bytes in the order in which duplicates are resolved for the reverse table: the JIS rows
// and the NEC row win over the IBM extensions, which win over the NEC-selected IBM copies
// (lead bytes 0xED and 0xEE).
std::vector<unsigned char> LeadOrderForReverse() {
  std::vector<unsigned char> order;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (IsCp932LeadByte(static_cast<unsigned char>(lead)) && lead != 0xED && lead != 0xEE) {
      order.push_back(static_cast<unsigned char>(lead));
    }
  }
  order.push_back(0xED);
  order.push_back(0xEE);
  return order;
}

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(m_cd);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // Converts `in` completely or returns the number of output bytes 0.
  std::size_t Convert(const unsigned char* in, std::size_t inLength, unsigned char* out,
                      std::size_t outLength) {
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in));
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = inLength;
    std::size_t outLeft = outLength;
    if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
      return 0;
    }
    return outLength - outLeft;
  }

 private:
  iconv_t m_cd;
};

struct Cp932Tables {
  // Shift-JIS code (a byte, or lead << 8 | trail) -> UTF-16 unit; 0 = unassigned (the code 0
  // itself is U+0000).
  std::array<WCHAR, 65536> toUnicode{};
  // UTF-16 unit -> Shift-JIS code; 0 = no exact mapping.
  std::array<std::uint16_t, 65536> fromUnicode{};
};

// Without iconv's CP932 module only ASCII and half-width katakana are known.
void FillMinimal(Cp932Tables& t) {
  for (int b = 0; b < 0x80; ++b) t.toUnicode[b] = static_cast<WCHAR>(b);
  for (int b = 0xA1; b <= 0xDF; ++b) t.toUnicode[b] = static_cast<WCHAR>(0xFF61 + (b - 0xA1));
}

void FillFromIconv(Cp932Tables& t, IconvHandle& cd) {
  unsigned char out[8];
  for (int b = 0; b < 0x100; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    if (IsCp932LeadByte(byte)) continue;
    if (cd.Convert(&byte, 1, out, sizeof out) == 2) {
      t.toUnicode[b] = static_cast<WCHAR>(out[0] | out[1] << 8);
    }
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsCp932LeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsCp932TrailByte(static_cast<unsigned char>(trail))) continue;
      const unsigned char in[2] = {static_cast<unsigned char>(lead),
                                   static_cast<unsigned char>(trail)};
      if (cd.Convert(in, 2, out, sizeof out) == 2) {
        t.toUnicode[lead << 8 | trail] = static_cast<WCHAR>(out[0] | out[1] << 8);
      }
    }
  }
}

std::unique_ptr<Cp932Tables> BuildTables() {
  auto t = std::make_unique<Cp932Tables>();
  IconvHandle cd("UTF-16LE", "CP932");
  if (cd.valid()) {
    FillFromIconv(*t, cd);
  } else {
    FillMinimal(*t);
  }
  for (const auto& [byte, unit] : kExtraSingles) t->toUnicode[byte] = unit;
  // Reverse: single bytes first, then the lead bytes in their precedence order.
  for (int b = 1; b < 0x100; ++b) {
    const WCHAR u = t->toUnicode[b];
    if (u != 0 && !IsCp932LeadByte(static_cast<unsigned char>(b)) && t->fromUnicode[u] == 0) {
      t->fromUnicode[u] = static_cast<std::uint16_t>(b);
    }
  }
  for (unsigned char lead : LeadOrderForReverse()) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const int code = lead << 8 | trail;
      const WCHAR u = t->toUnicode[code];
      if (u != 0 && t->fromUnicode[u] == 0) t->fromUnicode[u] = static_cast<std::uint16_t>(code);
    }
  }
  return t;
}

const Cp932Tables& Tables() {
  static const Cp932Tables& tables = *BuildTables().release();
  return tables;
}

int PutCode(std::uint16_t code, unsigned char out[2]) {
  if (code > 0xFF) {
    out[0] = static_cast<unsigned char>(code >> 8);
    out[1] = static_cast<unsigned char>(code);
    return 2;
  }
  out[0] = static_cast<unsigned char>(code);
  return 1;
}

// Accented Latin-1 letters fold to their base letter; 0 where there is none.
constexpr char kLatin1Fold[64 + 1] =
    "AAAAAA\0CEEEEIIII"
    "DNOOOOO\0OUUUUY\0\0"
    "aaaaaa\0ceeeeiiii"
    "dnooooo\0ouuuuy\0y";

// Best-fit mappings iconv knows beyond the round-trip table, looked up once per unit.
class BestFitCache {
 public:
  int Lookup(WCHAR unit, unsigned char out[2]) {
    std::lock_guard lock(m_mutex);
    auto it = m_cache.find(unit);
    if (it == m_cache.end()) it = m_cache.emplace(unit, Query(unit)).first;
    return it->second != 0 ? PutCode(it->second, out) : 0;
  }

 private:
  std::uint16_t Query(WCHAR unit) {
    if (!m_cd.valid()) return 0;
    const unsigned char in[2] = {static_cast<unsigned char>(unit),
                                 static_cast<unsigned char>(unit >> 8)};
    unsigned char bytes[4];
    const std::size_t n = m_cd.Convert(in, 2, bytes, sizeof bytes);
    if (n == 1 && bytes[0] != 0) return bytes[0];
    if (n == 2) return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    return 0;
  }

  std::mutex m_mutex;
  IconvHandle m_cd{"CP932", "UTF-16LE"};
  std::unordered_map<WCHAR, std::uint16_t> m_cache;
};

// Collects output units or bytes, counting them when there is no buffer and noting overflow.
template <typename T>
struct Sink {
  T* out;
  std::size_t capacity;
  std::size_t count = 0;
  bool overflow = false;

  void Put(T value) {
    if (out != nullptr) {
      if (count < capacity) {
        out[count] = value;
      } else {
        overflow = true;
      }
    }
    ++count;
  }
};

// Writes the UTF-8 form of a code point (at most 4 bytes) and returns its length.
int EncodeUtf8(std::uint32_t cp, char out[4]) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | cp >> 6);
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | cp >> 12);
    out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | cp >> 18);
  out[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
  out[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

void PutUtf8(std::uint32_t cp, std::string& out) {
  char bytes[4];
  out.append(bytes, static_cast<std::size_t>(EncodeUtf8(cp, bytes)));
}

std::size_t WideLength(LPCWSTR text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

bool ValidateBuffers(const void* text, int length, const void* out, int outLength) {
  return text != nullptr && length != 0 && length >= -1 && outLength >= 0 &&
         (out != nullptr || outLength == 0) && (text != out || out == nullptr);
}

// Returns the count as the API's int, or fails with 122 / 87.
int Finish(std::size_t count, bool overflow) {
  if (overflow) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (count > static_cast<std::size_t>(INT_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return static_cast<int>(count);
}

}  // namespace

CodePage ResolveCodePage(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
    case kCp932:
      return CodePage::kCp932;
    case CP_UTF8:
      return CodePage::kUtf8;
    default:
      return CodePage::kUnknown;
  }
}

bool IsCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsCp932TrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

// A lead byte with no valid trail byte after it stands alone (the next byte is read again on
// its own, so a terminator or a backslash is never swallowed); a valid pair without a mapping
// is taken whole. Both decode to U+30FB.
Decoded DecodeCp932(const unsigned char* text, std::size_t length, std::size_t pos) {
  const unsigned char b = text[pos];
  const auto& t = Tables();
  if (IsCp932LeadByte(b)) {
    if (pos + 1 < length && IsCp932TrailByte(text[pos + 1])) {
      const WCHAR u = t.toUnicode[b << 8 | text[pos + 1]];
      if (u != 0) return {{u, 0}, 1, 2, true};
      return {{kCp932UnicodeDefault, 0}, 1, 2, false};
    }
    return {{kCp932UnicodeDefault, 0}, 1, 1, false};
  }
  const WCHAR u = t.toUnicode[b];
  if (u != 0 || b == 0) return {{u, 0}, 1, 1, true};
  return {{kCp932UnicodeDefault, 0}, 1, 1, false};
}

// Invalid sequences become one U+FFFD per maximal ill-formed subpart.
Decoded DecodeUtf8(const unsigned char* text, std::size_t length, std::size_t pos) {
  const unsigned char b = text[pos];
  if (b < 0x80) return {{b, 0}, 1, 1, true};
  int need;
  std::uint32_t cp;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no encoded surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return {{kReplacementCharacter, 0}, 1, 1, false};
  }
  int used = 1;
  for (int i = 0; i < need; ++i) {
    if (pos + used >= length) return {{kReplacementCharacter, 0}, 1, used, false};
    const unsigned char c = text[pos + used];
    if (c < lo || c > hi) return {{kReplacementCharacter, 0}, 1, used, false};
    cp = cp << 6 | (c & 0x3F);
    ++used;
    lo = 0x80;
    hi = 0xBF;
  }
  if (cp < 0x10000) return {{static_cast<WCHAR>(cp), 0}, 1, used, true};
  cp -= 0x10000;
  return {{static_cast<WCHAR>(0xD800 | cp >> 10), static_cast<WCHAR>(0xDC00 | (cp & 0x3FF))},
          2,
          used,
          true};
}

int EncodeCp932Exact(WCHAR unit, unsigned char out[2]) {
  if (unit == 0) {
    out[0] = 0;
    return 1;
  }
  const std::uint16_t code = Tables().fromUnicode[unit];
  return code != 0 ? PutCode(code, out) : 0;
}

int EncodeCp932BestFit(WCHAR unit, unsigned char out[2]) {
  if (unit >= 0xC0 && unit <= 0xFF) {
    const char c = kLatin1Fold[unit - 0xC0];
    if (c == 0) return 0;
    out[0] = static_cast<unsigned char>(c);
    return 1;
  }
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return 0;
  static BestFitCache& cache = *new BestFitCache;
  return cache.Lookup(unit, out);
}

bool Cp932ToUtf8(std::string_view text, std::string& out) {
  out.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t pos = 0; pos < text.size();) {
    const Decoded d = DecodeCp932(p, text.size(), pos);
    if (!d.valid) return false;
    PutUtf8(d.units[0], out);
    pos += d.bytes;
  }
  return true;
}

std::string Cp932ToUtf8Lenient(std::string_view text) {
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t pos = 0; pos < text.size();) {
    const Decoded d = DecodeCp932(p, text.size(), pos);
    PutUtf8(d.units[0], out);
    pos += d.bytes;
  }
  return out;
}

bool Utf8ToCp932(std::string_view text, std::string& out) {
  out.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t pos = 0; pos < text.size();) {
    const Decoded d = DecodeUtf8(p, text.size(), pos);
    unsigned char bytes[2];
    const int n = d.valid && d.unitCount == 1 ? EncodeCp932Exact(d.units[0], bytes) : 0;
    if (n == 0) return false;
    out.append(reinterpret_cast<const char*>(bytes), n);
    pos += d.bytes;
  }
  return true;
}

std::vector<WCHAR> Cp932ToWide(const char* text, std::size_t length) {
  std::vector<WCHAR> out;
  out.reserve(length);
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  for (std::size_t pos = 0; pos < length;) {
    const Decoded d = DecodeCp932(p, length, pos);
    out.push_back(d.units[0]);
    pos += d.bytes;
  }
  return out;
}

}  // namespace win32::detail

using win32::detail::CodePage;

extern "C" {

UINT GetACP() { return 932; }

// Flags: MB_PRECOMPOSED (932 only) and MB_ERR_INVALID_CHARS; others are refused with 1004.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                        int outLength) {
  const CodePage cp = win32::detail::ResolveCodePage(codePage);
  if (cp == CodePage::kUnknown || !win32::detail::ValidateBuffers(text, length, out, outLength)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD allowed =
      cp == CodePage::kUtf8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
  if (flags & ~allowed) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const std::size_t n = length == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  auto decode = cp == CodePage::kUtf8 ? win32::detail::DecodeUtf8 : win32::detail::DecodeCp932;
  win32::detail::Sink<WCHAR> sink{out, static_cast<std::size_t>(outLength)};
  for (std::size_t pos = 0; pos < n;) {
    const win32::detail::Decoded d = decode(p, n, pos);
    if (!d.valid && (flags & MB_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    for (int i = 0; i < d.unitCount; ++i) sink.Put(d.units[i]);
    pos += d.bytes;
  }
  return win32::detail::Finish(sink.count, sink.overflow);
}

// Code page 932: flags WC_NO_BEST_FIT_CHARS only; a unit without a mapping (each half of a
// surrogate pair included) becomes the default character, '?' unless one is given. UTF-8:
// flags WC_ERR_INVALID_CHARS only, no default character; an unpaired surrogate becomes U+FFFD.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                        int outLength, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  using win32::detail::IsHighSurrogate;
  using win32::detail::IsLowSurrogate;
  const CodePage cp = win32::detail::ResolveCodePage(codePage);
  if (cp == CodePage::kUnknown || !win32::detail::ValidateBuffers(text, length, out, outLength) ||
      (cp == CodePage::kUtf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD allowed = cp == CodePage::kUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  if (flags & ~allowed) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const std::size_t n =
      length == -1 ? win32::detail::WideLength(text) + 1 : static_cast<std::size_t>(length);
  unsigned char fallback[2] = {win32::detail::kDefaultByte, 0};
  int fallbackLength = 1;
  if (defaultChar != nullptr) {
    fallback[0] = static_cast<unsigned char>(defaultChar[0]);
    if (win32::detail::IsCp932LeadByte(fallback[0]) && defaultChar[1] != 0) {
      fallback[1] = static_cast<unsigned char>(defaultChar[1]);
      fallbackLength = 2;
    }
  }
  win32::detail::Sink<char> sink{out, static_cast<std::size_t>(outLength)};
  bool usedDefault = false;
  for (std::size_t i = 0; i < n; ++i) {
    const WCHAR u = text[i];
    if (cp == CodePage::kUtf8) {
      std::uint32_t codePoint = u;
      if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
        codePoint = 0x10000 + ((u - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
        ++i;
      } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
        if (flags & WC_ERR_INVALID_CHARS) {
          SetLastError(ERROR_NO_UNICODE_TRANSLATION);
          return 0;
        }
        codePoint = win32::detail::kReplacementCharacter;
      }
      char bytes[4];
      const int count = win32::detail::EncodeUtf8(codePoint, bytes);
      for (int k = 0; k < count; ++k) sink.Put(bytes[k]);
      continue;
    }
    unsigned char bytes[2];
    int count = win32::detail::EncodeCp932Exact(u, bytes);
    if (count == 0 && !(flags & WC_NO_BEST_FIT_CHARS)) {
      count = win32::detail::EncodeCp932BestFit(u, bytes);
    }
    if (count == 0) {
      usedDefault = true;
      std::memcpy(bytes, fallback, sizeof bytes);
      count = fallbackLength;
    }
    for (int k = 0; k < count; ++k) sink.Put(static_cast<char>(bytes[k]));
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? 1 : 0;
  return win32::detail::Finish(sink.count, sink.overflow);
}

BOOL IsDBCSLeadByte(BYTE byte) { return win32::detail::IsCp932LeadByte(byte) ? 1 : 0; }

// UTF-8 has no double-byte lead bytes; unknown code pages fail with 87.
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte) {
  switch (win32::detail::ResolveCodePage(codePage)) {
    case CodePage::kCp932:
      return IsDBCSLeadByte(byte);
    case CodePage::kUtf8:
      return 0;
    case CodePage::kUnknown:
      break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

// A lead byte followed by the terminator counts as one byte; never steps past the terminator.
LPSTR CharNextA(LPCSTR text) {
  if (text == nullptr || *text == 0) return const_cast<LPSTR>(text);
  if (IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != 0) {
    return const_cast<LPSTR>(text + 2);
  }
  return const_cast<LPSTR>(text + 1);
}

// Scans from `start`, so the answer is the start of the character that ends at `current`.
LPSTR CharPrevA(LPCSTR start, LPCSTR current) {
  if (start == nullptr || current == nullptr || current <= start) {
    return const_cast<LPSTR>(start);
  }
  LPCSTR p = start;
  for (;;) {
    LPCSTR next = CharNextA(p);
    if (next >= current || next == p) return const_cast<LPSTR>(p);
    p = next;
  }
}

}  // extern "C"
