// KzWideString: UTF-16 text on utility-library blocks, and its small wide formatter.
#include "kz/foundation/wide_string.h"

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring.h"
#include "kz/foundation/kzstring_p.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

constexpr int kMaxUnits = INT_MAX / 2 - 1;  // the block ((length + 1) * 2 bytes) fits an int
const unsigned short kEmptyText[1] = {0};

int UnitLength(const unsigned short* text) {
  if (text == nullptr) return 0;
  int length = 0;
  while (text[length] != 0) {
    if (length == kMaxUnits) kzThrowError(kKzErrorNotEnoughMemory);
    ++length;
  }
  return length;
}

int NarrowLength(const char* text) {
  if (text == nullptr) return 0;
  const size_t length = strlen(text);
  if (length > static_cast<size_t>(kMaxUnits)) kzThrowError(kKzErrorNotEnoughMemory);
  return static_cast<int>(length);
}

// A block for `length` units and the terminator; throws the utility library's error word.
unsigned short* NewUnits(int length) {
  if (length < 0 || length > kMaxUnits) kzThrowError(kKzErrorNotEnoughMemory);
  int error = 0;
  auto* block = static_cast<unsigned short*>(
      tqAllocPtr((static_cast<DWORD>(length) + 1) * sizeof(unsigned short), 0, &error));
  if (block == nullptr) kzThrowTextAllocationError(error);
  block[length] = 0;
  return block;
}

unsigned short FoldUnit(unsigned short unit) {
  CharLowerBuffW(&unit, 1);
  return unit;
}

bool UnitsMatch(const unsigned short* text, const unsigned short* needle, int length,
                bool caseSensitive) {
  for (int i = 0; i < length; ++i) {
    if (text[i] == needle[i]) continue;
    if (caseSensitive || FoldUnit(text[i]) != FoldUnit(needle[i])) return false;
  }
  return true;
}

// Code-page text of `length` bytes as units in a fresh scratch buffer; `units` receives the
// count. Conversion failure throws the platform's code.
KzWideBuffer WidenNarrow(const char* text, int length, int& units) {
  units = 0;
  if (length == 0) return KzWideBuffer(0);
  units = MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, text, length, nullptr, 0);
  if (units <= 0) {
    const DWORD code = GetLastError();
    kzThrowError(code != 0 ? static_cast<int>(code) : kKzErrorParameter);
  }
  KzWideBuffer buffer(units);
  if (MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, text, length, buffer.Get(), units) !=
      units) {
    const DWORD code = GetLastError();
    kzThrowError(code != 0 ? static_cast<int>(code) : kKzErrorParameter);
  }
  return buffer;
}

}  // namespace

// --- scratch buffers -----------------------------------------------------------------------------

void kzThrowTextAllocationError(int error) {
  if (error == 0) error = tqGetLastError();
  kzThrowError(error != 0 ? error : kKzErrorNotEnoughMemory);
}

KzWideBuffer::KzWideBuffer(int units) {
  if (units < 0 || units > kMaxUnits) kzThrowError(kKzErrorNotEnoughMemory);
  int error = 0;
  m_units =
      static_cast<WCHAR*>(tqAllocPtr((static_cast<DWORD>(units) + 1) * sizeof(WCHAR), 0, &error));
  if (m_units == nullptr) kzThrowTextAllocationError(error);
  std::memset(m_units, 0, (static_cast<size_t>(units) + 1) * sizeof(WCHAR));
}

KzWideBuffer::~KzWideBuffer() {
  if (m_units != nullptr) tqFreePtr(m_units);
}

WCHAR* KzWideBuffer::Release() {
  WCHAR* units = m_units;
  m_units = nullptr;
  return units;
}

// --- construction and assignment -----------------------------------------------------------------

KzWideString::KzWideString() = default;
KzWideString::KzWideString(const unsigned short* text) { Assign(text, UnitLength(text)); }
KzWideString::KzWideString(const KzWideString& other) { Assign(other.m_text, other.GetLength()); }
KzWideString::KzWideString(const char* text) { AssignNarrow(text, NarrowLength(text), false); }
KzWideString::KzWideString(const KzString& text) { AssignNarrow(text, text.GetLength(), false); }
KzWideString::KzWideString(unsigned short unit) { Assign(&unit, unit != 0 ? 1 : 0); }
KzWideString::KzWideString(char c) { AssignNarrow(&c, c != '\0' ? 1 : 0, false); }

KzWideString::~KzWideString() { Adopt(nullptr); }

void KzWideString::Adopt(unsigned short* block) {
  if (m_text != nullptr) tqFreePtr(m_text);
  m_text = block;
}

void KzWideString::Assign(const unsigned short* text, int length) {
  if (length == 0) {
    Adopt(nullptr);
    return;
  }
  unsigned short* fresh = NewUnits(length);
  std::memcpy(fresh, text, static_cast<size_t>(length) * sizeof(unsigned short));
  Adopt(fresh);
}

void KzWideString::Append(const unsigned short* text, int length) {
  if (length <= 0) return;
  const int current = GetLength();
  if (length > kMaxUnits - current) kzThrowError(kKzErrorNotEnoughMemory);
  unsigned short* fresh = NewUnits(current + length);
  if (current > 0)
    std::memcpy(fresh, m_text, static_cast<size_t>(current) * sizeof(unsigned short));
  std::memcpy(fresh + current, text, static_cast<size_t>(length) * sizeof(unsigned short));
  Adopt(fresh);
}

void KzWideString::AssignNarrow(const char* text, int length, bool append) {
  int units = 0;
  KzWideBuffer buffer = WidenNarrow(text, length, units);
  if (append) {
    Append(buffer.Get(), units);
  } else if (units == 0) {
    Adopt(nullptr);
  } else {
    Adopt(buffer.Release());
  }
}

KzWideString& KzWideString::operator=(const unsigned short* text) {
  if (text != m_text) Assign(text, UnitLength(text));
  return *this;
}
KzWideString& KzWideString::operator=(const KzWideString& other) {
  if (this != &other) Assign(other.m_text, other.GetLength());
  return *this;
}
KzWideString& KzWideString::operator=(const char* text) {
  AssignNarrow(text, NarrowLength(text), false);
  return *this;
}
KzWideString& KzWideString::operator=(const KzString& text) {
  AssignNarrow(text, text.GetLength(), false);
  return *this;
}
KzWideString& KzWideString::operator=(unsigned short unit) {
  Assign(&unit, unit != 0 ? 1 : 0);
  return *this;
}
KzWideString& KzWideString::operator=(char c) {
  AssignNarrow(&c, c != '\0' ? 1 : 0, false);
  return *this;
}

KzWideString& KzWideString::operator+=(const unsigned short* text) {
  Append(text, UnitLength(text));
  return *this;
}
KzWideString& KzWideString::operator+=(const KzWideString& other) {
  Append(other.m_text, other.GetLength());
  return *this;
}
KzWideString& KzWideString::operator+=(const char* text) {
  AssignNarrow(text, NarrowLength(text), true);
  return *this;
}
KzWideString& KzWideString::operator+=(const KzString& text) {
  AssignNarrow(text, text.GetLength(), true);
  return *this;
}
KzWideString& KzWideString::operator+=(unsigned short unit) {
  Append(&unit, unit != 0 ? 1 : 0);
  return *this;
}
KzWideString& KzWideString::operator+=(char c) {
  AssignNarrow(&c, c != '\0' ? 1 : 0, true);
  return *this;
}

KzWideString KzWideString::operator+(const unsigned short* text) const {
  KzWideString result(*this);
  result += text;
  return result;
}
KzWideString KzWideString::operator+(const KzWideString& other) const {
  KzWideString result(*this);
  result += other;
  return result;
}

// --- access --------------------------------------------------------------------------------------

KzWideString::operator const unsigned short*() const {
  return m_text != nullptr ? m_text : kEmptyText;
}

int KzWideString::GetLength() const { return UnitLength(m_text); }

unsigned short KzWideString::GetAt(int index) const {
  return (index >= 0 && index < GetLength()) ? m_text[index] : 0;
}

void KzWideString::SetAt(unsigned short unit, int index) {
  if (index >= 0 && index < GetLength()) m_text[index] = unit;
}

unsigned short KzWideString::At(int index) const {
  const int length = GetLength();
  if (index < 0 || index > length) kzThrowError(kKzErrorParameter);
  return index < length ? m_text[index] : 0;
}

unsigned short KzWideString::operator[](int index) const { return At(index); }

int KzWideString::IsEmpty() const { return GetLength() == 0 ? 1 : 0; }

void KzWideString::Empty() { Adopt(nullptr); }

// --- comparison ----------------------------------------------------------------------------------

namespace {
const unsigned short* OrEmpty(const unsigned short* text) {
  return text != nullptr ? text : kEmptyText;
}
}  // namespace

int KzWideString::Compare(const unsigned short* text) const {
  return lstrcmpW(OrEmpty(m_text), OrEmpty(text));
}
int KzWideString::Compare(const KzWideString& other) const { return Compare(other.m_text); }
int KzWideString::CompareNoCase(const unsigned short* text) const {
  return lstrcmpiW(OrEmpty(m_text), OrEmpty(text));
}
int KzWideString::CompareNoCase(const KzWideString& other) const {
  return CompareNoCase(other.m_text);
}

bool operator==(const KzWideString& a, const KzWideString& b) { return a.Compare(b) == 0; }
bool operator==(const KzWideString& a, const unsigned short* b) { return a.Compare(b) == 0; }
bool operator==(const unsigned short* a, const KzWideString& b) { return b.Compare(a) == 0; }
bool operator!=(const KzWideString& a, const KzWideString& b) { return a.Compare(b) != 0; }
bool operator!=(const KzWideString& a, const unsigned short* b) { return a.Compare(b) != 0; }
bool operator!=(const unsigned short* a, const KzWideString& b) { return b.Compare(a) != 0; }
bool operator<(const KzWideString& a, const KzWideString& b) { return a.Compare(b) < 0; }
bool operator<(const KzWideString& a, const unsigned short* b) { return a.Compare(b) < 0; }
bool operator<(const unsigned short* a, const KzWideString& b) { return b.Compare(a) > 0; }
bool operator<=(const KzWideString& a, const KzWideString& b) { return a.Compare(b) <= 0; }
bool operator<=(const KzWideString& a, const unsigned short* b) { return a.Compare(b) <= 0; }
bool operator<=(const unsigned short* a, const KzWideString& b) { return b.Compare(a) >= 0; }
bool operator>(const KzWideString& a, const KzWideString& b) { return a.Compare(b) > 0; }
bool operator>(const KzWideString& a, const unsigned short* b) { return a.Compare(b) > 0; }
bool operator>(const unsigned short* a, const KzWideString& b) { return b.Compare(a) < 0; }
bool operator>=(const KzWideString& a, const KzWideString& b) { return a.Compare(b) >= 0; }
bool operator>=(const KzWideString& a, const unsigned short* b) { return a.Compare(b) >= 0; }
bool operator>=(const unsigned short* a, const KzWideString& b) { return b.Compare(a) <= 0; }

// --- search, case, pieces ------------------------------------------------------------------------

int KzWideString::Find(const unsigned short* text, int start, int caseSensitive) const {
  const int length = GetLength();
  const int needle = UnitLength(text);
  if (length == 0 || needle == 0) return -1;
  if (start < 0) start = 0;
  if (needle > length || start > length - needle) return -1;
  for (int i = start; i <= length - needle; ++i) {
    if (UnitsMatch(m_text + i, text, needle, caseSensitive != 0)) return i;
  }
  return -1;
}

int KzWideString::ReverseFind(const unsigned short* text, int caseSensitive) const {
  const int length = GetLength();
  const int needle = UnitLength(text);
  if (length == 0 || needle == 0 || needle > length) return -1;
  for (int i = length - needle; i >= 0; --i) {
    if (UnitsMatch(m_text + i, text, needle, caseSensitive != 0)) return i;
  }
  return -1;
}

void KzWideString::MakeLower() {
  if (m_text != nullptr) CharLowerBuffW(m_text, static_cast<DWORD>(GetLength()));
}

void KzWideString::MakeUpper() {
  if (m_text != nullptr) CharUpperBuffW(m_text, static_cast<DWORD>(GetLength()));
}

void KzWideString::Replace(unsigned short from, unsigned short to) {
  const int length = GetLength();
  for (int i = 0; i < length; ++i) {
    if (m_text[i] == from) m_text[i] = to;
  }
}

KzWideString KzWideString::Mid(int start, int count) const {
  const int length = GetLength();
  if (start < 0) start = 0;
  KzWideString result;
  if (start < length && count > 0) {
    result.Assign(m_text + start, count < length - start ? count : length - start);
  }
  return result;
}

KzWideString KzWideString::Mid(int start) const { return Mid(start, INT_MAX); }

// --- the wide formatter --------------------------------------------------------------------------

namespace {

constexpr int kMaxNumberField = 4096;  // width and precision of numbers
constexpr int kNumberBufferSize = 2 * kMaxNumberField + 512;

// Collects (or, without a target, only counts) the output units; never writes beyond
// `capacity` units.
class WideSink {
 public:
  WideSink(unsigned short* out, long long capacity) : m_out(out), m_capacity(capacity) {}
  void Put(unsigned short unit) {
    if (m_out != nullptr && m_count < m_capacity) m_out[m_count] = unit;
    ++m_count;
  }
  void PutAscii(const char* text, int length) {
    for (int i = 0; i < length; ++i) Put(static_cast<unsigned char>(text[i]));
  }
  void Pad(long long count) {
    if (m_out == nullptr) {
      m_count += count;
      return;
    }
    for (; count > 0; --count) Put(u' ');
  }
  long long Count() const { return m_count; }

 private:
  unsigned short* m_out;
  long long m_capacity;
  long long m_count = 0;
};

struct Conversion {
  char flags[8] = {};
  bool left = false;
  int width = -1;
  int precision = -1;
  enum class Size { kDefault, kShort, kChar, kLong, kLongLong, kWide } size = Size::kDefault;
  unsigned short conversion = 0;
};

// Appends the printf text (ASCII) of a number, formatted as `conv` with `lengthModifier`.
template <typename T>
bool PutNumber(WideSink& sink, const Conversion& conv, const char* lengthModifier, char conversion,
               T value) {
  if (conv.width > kMaxNumberField || conv.precision > kMaxNumberField) return false;
  char format[48];
  int n = std::snprintf(format, sizeof format, "%%%s", conv.flags);
  if (conv.width >= 0) n += std::snprintf(format + n, sizeof format - n, "%d", conv.width);
  if (conv.precision >= 0) n += std::snprintf(format + n, sizeof format - n, ".%d", conv.precision);
  std::snprintf(format + n, sizeof format - n, "%s%c", lengthModifier, conversion);
  char text[kNumberBufferSize];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int length = std::snprintf(text, sizeof text, format, value);
#pragma GCC diagnostic pop
  if (length < 0 || length >= static_cast<int>(sizeof text)) return false;
  sink.PutAscii(text, length);
  return true;
}

void PutText(WideSink& sink, const Conversion& conv, const unsigned short* text, int length) {
  if (conv.precision >= 0 && conv.precision < length) length = conv.precision;
  const long long pad = conv.width > length ? conv.width - length : 0;
  if (!conv.left) sink.Pad(pad);
  for (int i = 0; i < length; ++i) sink.Put(text[i]);
  if (conv.left) sink.Pad(pad);
}

void PutNarrowText(WideSink& sink, const Conversion& conv, const char* text) {
  if (text == nullptr) text = "(null)";
  int units = 0;
  KzWideBuffer wide = WidenNarrow(text, NarrowLength(text), units);
  PutText(sink, conv, wide.Get(), units);
}

unsigned short WidenChar(char c) {
  if (static_cast<unsigned char>(c) < 0x80) return static_cast<unsigned char>(c);
  unsigned short unit = 0;
  if (MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, &c, 1, &unit, 1) != 1) unit = u'?';
  return unit;
}

// One pass over the format. Returns false for a format it does not support.
bool FormatPass(const unsigned short* format, va_list args, WideSink& sink) {
  static const unsigned short kNull[] = {u'(', u'n', u'u', u'l', u'l', u')', 0};
  for (const unsigned short* p = format; *p != 0; ++p) {
    if (*p != u'%') {
      sink.Put(*p);
      continue;
    }
    ++p;
    if (*p == u'%') {
      sink.Put(u'%');
      continue;
    }
    Conversion conv;
    int flagCount = 0;
    for (; *p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0'; ++p) {
      if (*p == u'-') conv.left = true;
      if (flagCount < 5) conv.flags[flagCount++] = static_cast<char>(*p);
    }
    if (*p == u'*') {
      conv.width = va_arg(args, int);
      if (conv.width < 0) {
        if (conv.width == INT_MIN) return false;
        conv.width = -conv.width;
        conv.left = true;
        if (flagCount < 5) conv.flags[flagCount++] = '-';
      }
      ++p;
    } else {
      for (; *p >= u'0' && *p <= u'9'; ++p) {
        if (conv.width < 0) conv.width = 0;
        if (conv.width > kMaxUnits / 10) return false;
        conv.width = conv.width * 10 + (*p - u'0');
      }
    }
    if (*p == u'.') {
      ++p;
      if (*p == u'*') {
        conv.precision = va_arg(args, int);
        if (conv.precision < 0) conv.precision = -1;
        ++p;
      } else {
        conv.precision = 0;
        for (; *p >= u'0' && *p <= u'9'; ++p) {
          if (conv.precision > kMaxUnits / 10) return false;
          conv.precision = conv.precision * 10 + (*p - u'0');
        }
      }
    }
    using Size = Conversion::Size;
    if (*p == u'h') {
      conv.size = p[1] == u'h' ? Size::kChar : Size::kShort;
      p += conv.size == Size::kChar ? 2 : 1;
    } else if (*p == u'l') {
      conv.size = p[1] == u'l' ? Size::kLongLong : Size::kLong;
      p += conv.size == Size::kLongLong ? 2 : 1;
    } else if (*p == u'I' && p[1] == u'6' && p[2] == u'4') {
      conv.size = Size::kLongLong;
      p += 3;
    } else if (*p == u'w') {
      conv.size = Size::kWide;
      ++p;
    }
    const unsigned short c = *p;
    if (c == 0) return false;
    const bool narrowText = (c == u'S' || c == u'C')
                                ? (conv.size != Size::kLong && conv.size != Size::kWide)
                                : conv.size == Size::kShort;
    if (c == u's' || c == u'S') {
      if (narrowText) {
        PutNarrowText(sink, conv, va_arg(args, const char*));
      } else {
        const auto* text = va_arg(args, const unsigned short*);
        if (text == nullptr) text = kNull;
        PutText(sink, conv, text, UnitLength(text));
      }
    } else if (c == u'c' || c == u'C') {
      const int value = va_arg(args, int);
      const unsigned short unit =
          narrowText ? WidenChar(static_cast<char>(value)) : static_cast<unsigned short>(value);
      conv.precision = -1;
      PutText(sink, conv, &unit, 1);
    } else if (c == u'd' || c == u'i') {
      long long value = 0;
      if (conv.size == Size::kLongLong) {
        value = va_arg(args, long long);
      } else {
        const int raw = va_arg(args, int);
        value = conv.size == Size::kShort  ? static_cast<short>(raw)
                : conv.size == Size::kChar ? static_cast<signed char>(raw)
                                           : raw;
      }
      if (!PutNumber(sink, conv, "ll", 'd', value)) return false;
    } else if (c == u'u' || c == u'o' || c == u'x' || c == u'X') {
      unsigned long long value = 0;
      if (conv.size == Size::kLongLong) {
        value = va_arg(args, unsigned long long);
      } else {
        const unsigned raw = va_arg(args, unsigned);
        value = conv.size == Size::kShort  ? static_cast<unsigned short>(raw)
                : conv.size == Size::kChar ? static_cast<unsigned char>(raw)
                                           : raw;
      }
      if (!PutNumber(sink, conv, "ll", static_cast<char>(c), value)) return false;
    } else if (c == u'f' || c == u'F' || c == u'e' || c == u'E' || c == u'g' || c == u'G' ||
               c == u'a' || c == u'A') {
      if (conv.size != Size::kDefault && conv.size != Size::kLong) return false;
      if (!PutNumber(sink, conv, "", static_cast<char>(c), va_arg(args, double))) return false;
    } else if (c == u'p') {
      if (!PutNumber(sink, conv, "", 'p', va_arg(args, void*))) return false;
    } else {
      return false;
    }
  }
  return true;
}

// Runs one pass; a failure of the format throws 0x20010008 after the list is released.
long long RunPass(const unsigned short* format, va_list args, unsigned short* out,
                  long long capacity) {
  WideSink sink(out, capacity);
  const bool ok = FormatPass(format, args, sink);
  if (!ok) kzThrowError(kKzErrorParameter);
  return sink.Count();
}

}  // namespace

void KzWideString::Format(const unsigned short* format, ...) {
  if (format == nullptr) kzThrowError(kKzErrorParameter);
  va_list measure;
  va_start(measure, format);
  long long length = 0;
  try {
    length = RunPass(format, measure, nullptr, 0);
  } catch (...) {
    va_end(measure);
    throw;
  }
  va_end(measure);
  if (length > kMaxUnits) kzThrowError(kKzErrorNotEnoughMemory);
  if (length == 0) {
    Adopt(nullptr);
    return;
  }
  unsigned short* fresh = NewUnits(static_cast<int>(length));
  va_list write;
  va_start(write, format);
  try {
    RunPass(format, write, fresh, length);
  } catch (...) {
    va_end(write);
    tqFreePtr(fresh);
    throw;
  }
  va_end(write);
  fresh[length] = 0;
  Adopt(fresh);
}

// --- loading and conversions ---------------------------------------------------------------------

int KzWideString::LoadStringA(unsigned int id, unsigned int selector, HINSTANCE module) {
  KzString narrow;
  narrow.LoadStringA(id, selector, module);
  *this = narrow;
  return GetLength();
}

void KzWideString::SwapEndian() { SwapWideCharEndian(m_text); }

void KzWideString::SwapWideCharEndian(unsigned short* text) {
  if (text == nullptr) return;
  for (; *text != 0; ++text) {
    *text = static_cast<unsigned short>((*text << 8) | (*text >> 8));
  }
}

int KzWideString::ConvertWideToAnsi(KzString& out) const {
  out.Empty();
  const int length = GetLength();
  if (length == 0) return 1;
  BOOL usedDefault = 0;
  const int bytes = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, m_text, length,
                                        nullptr, 0, nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return 0;
  KzString converted;
  converted.SetLength(bytes);
  if (WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, m_text, length, converted, bytes,
                          nullptr, &usedDefault) != bytes ||
      usedDefault) {
    return 0;
  }
  out = converted;
  return 1;
}

void KzWideString::ConvertToUTF8(KzString& out) const {
  const int length = GetLength();
  if (length == 0) return;
  long long bytes = 0;
  for (int i = 0; i < length; ++i) bytes += m_text[i] < 0x80 ? 1 : m_text[i] < 0x800 ? 2 : 3;
  if (bytes > INT_MAX - 2) kzThrowError(kKzErrorNotEnoughMemory);
  KzString piece;
  piece.SetLength(static_cast<int>(bytes));
  auto* p = reinterpret_cast<unsigned char*>(static_cast<char*>(piece));
  for (int i = 0; i < length; ++i) {
    const unsigned u = m_text[i];
    if (u < 0x80) {
      *p++ = static_cast<unsigned char>(u);
    } else if (u < 0x800) {
      *p++ = static_cast<unsigned char>(0xC0 | (u >> 6));
      *p++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
    } else {
      *p++ = static_cast<unsigned char>(0xE0 | (u >> 12));
      *p++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
      *p++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
    }
  }
  out += piece;
}

int KzWideString::ConvertAnsiToWide(unsigned short* dest, const char* source, int destUnits) {
  if (dest == nullptr || destUnits < 1) return 0;
  dest[0] = 0;
  const int length = NarrowLength(source);
  if (length == 0) return 1;
  const int units =
      MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, source, length, dest, destUnits - 1);
  if (units <= 0) {
    dest[0] = 0;
    return 0;
  }
  dest[units] = 0;
  return 1;
}

int KzWideString::ConvertWideToAnsi(char* dest, const unsigned short* source, int destBytes) {
  if (dest == nullptr || destBytes < 1) return 0;
  dest[0] = '\0';
  const int length = UnitLength(source);
  if (length == 0) return 1;
  BOOL usedDefault = 0;
  const int bytes = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, source, length, dest,
                                        destBytes - 1, nullptr, &usedDefault);
  if (bytes <= 0) {
    dest[0] = '\0';
    return 0;
  }
  dest[bytes] = '\0';
  return usedDefault ? 0 : 1;
}
