// KzString: narrow code-page text on utility-library blocks.
#include "kz/foundation/kzstring.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring_p.h"
#include "kz/foundation/wide_string.h"
#include "kz/foundation/window_state.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

constexpr char kLengthMark = 0x2D;       // byte 0 while the Pascal length is not kept
constexpr int kMaxLength = INT_MAX - 2;  // the block (text + 2) must fit an int
constexpr int kNumberBufferSize = 260;
constexpr int kLoadBufferSize = 1024;

// A fresh block for `length` text bytes: length mark and terminator set, text bytes not.
char* NewBlock(int length) {
  if (length < 0 || length > kMaxLength) kzThrowError(kKzErrorNotEnoughMemory);
  int error = 0;
  auto* block = static_cast<char*>(tqAllocPtr(static_cast<DWORD>(length) + 2, 0, &error));
  if (block == nullptr) kzThrowError(kKzErrorNotEnoughMemory);
  block[0] = kLengthMark;
  block[length + 1] = '\0';
  return block;
}

// Text length of a block, never beyond the block's own size.
int BlockTextLength(const char* block) {
  if (block == nullptr) return 0;
  const int capacity = static_cast<int>(tqGetPtrSize(block)) - 2;
  return capacity > 0 ? static_cast<int>(strnlen(block + 1, static_cast<size_t>(capacity))) : 0;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Does `needle` (of `length` bytes) stand at `text`? Trail bytes of double-byte characters
// compare exactly, ASCII letters elsewhere fold when `caseSensitive` is false. A match may not
// end inside a double-byte character of the text.
bool MatchesAt(const char* text, const char* needle, int length, bool caseSensitive) {
  bool trail = false;
  for (int i = 0; i < length; ++i) {
    const char a = text[i];
    const char b = needle[i];
    if (trail || caseSensitive) {
      if (a != b) return false;
    } else if (FoldAscii(a) != FoldAscii(b)) {
      return false;
    }
    if (trail) {
      trail = false;
    } else if (kzIsLeadByte(b)) {
      if (i + 1 == length) return text[i + 1] == '\0';  // would split the text's character
      trail = true;
    }
  }
  return true;
}

// First (or, with `last`, last) character-aligned match at or after `start`, or -1.
int FindIn(const char* text, int textLength, const char* needle, int start, bool caseSensitive,
           bool last) {
  if (textLength == 0 || needle == nullptr || needle[0] == '\0') return -1;
  const int needleLength = static_cast<int>(strlen(needle));
  if (start < 0) start = 0;
  if (needleLength > textLength || start > textLength - needleLength) return -1;
  int found = -1;
  for (int i = 0; i <= textLength - needleLength; i += kzCharSize(text + i)) {
    if (i >= start && MatchesAt(text + i, needle, needleLength, caseSensitive)) {
      if (!last) return i;
      found = i;
    }
  }
  return found;
}

// printf formats for SetNumber/AddNumber must hold exactly one conversion that suits the value:
// anything else would read arguments that are not there.
enum class NumberKind { kInteger, kFloating };

bool IsNumberFormat(const char* format, NumberKind kind) {
  if (format == nullptr) return false;
  int conversions = 0;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p != '\0' && std::strchr("-+ #0'", *p) != nullptr) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    int shorts = 0;
    int longs = 0;
    while (*p == 'h') ++shorts, ++p;
    while (*p == 'l') ++longs, ++p;
    if (*p == '\0') return false;
    if (kind == NumberKind::kInteger) {
      if (longs > 0 || shorts > 2 || std::strchr("diuoxXc", *p) == nullptr) return false;
    } else {
      if (shorts > 0 || longs > 1 || std::strchr("fFeEgGaA", *p) == nullptr) return false;
    }
    ++conversions;
  }
  return conversions == 1;
}

// The value printed with a checked format into a 260-byte buffer (cut, never overrun).
template <typename T>
void PrintNumber(char (&buffer)[kNumberBufferSize], T value, const char* format, NumberKind kind) {
  if (!IsNumberFormat(format, kind)) kzThrowError(kKzErrorParameter);
  if (std::snprintf(buffer, sizeof buffer, format, value) < 0) kzThrowError(kKzErrorParameter);
}

struct FileNameReplacement {
  char from;
  char lead;
  char trail;
};
constexpr FileNameReplacement kFileNameReplacements[] = {
    {'\\', '\x81', '\x8F'}, {'/', '\x81', '\x5E'}, {':', '\x81', '\x46'}, {'*', '\x81', '\x96'},
    {'?', '\x81', '\x48'},  {'"', '\x81', '\x68'}, {'<', '\x81', '\x83'}, {'>', '\x81', '\x84'},
    {'|', '\x81', '\x62'},  {'.', '\x81', '\x44'},
};

const FileNameReplacement* FindFileNameReplacement(char c) {
  for (const auto& r : kFileNameReplacements) {
    if (r.from == c) return &r;
  }
  return nullptr;
}

}  // namespace

bool kzIsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

int kzCharSize(const char* p) { return (kzIsLeadByte(p[0]) && p[1] != '\0') ? 2 : 1; }

// --- construction --------------------------------------------------------------------------------

KzString::KzString() { m_buffer = NewBlock(0); }

KzString::KzString(const char* text) {
  const int length = CountStr(text);
  m_buffer = NewBlock(length);
  if (length > 0) std::memcpy(m_buffer + 1, text, static_cast<size_t>(length));
}

KzString::KzString(const KzString& other) {
  const int length = other.GetLength();
  m_buffer = NewBlock(length);
  std::memcpy(m_buffer + 1, other.GetCStrPtr(), static_cast<size_t>(length));
}

KzString::~KzString() { Cleanup(); }

void KzString::Cleanup() {
  FreeStr(m_buffer);
  FreeStr(m_work);
}

int KzString::AllocStr(int length, char*& block) {
  if (length < 0) length = 0;
  if (block != nullptr && BlockTextLength(block) == length) return 1;
  char* fresh = NewBlock(length);
  if (block != nullptr) {
    const int keep = static_cast<int>(tqGetPtrSize(block)) - 1;  // old text and its zero
    const int copy = keep < length + 1 ? keep : length + 1;
    std::memcpy(fresh + 1, block + 1, static_cast<size_t>(copy));
    if (copy < length + 1) std::memset(fresh + 1 + copy, 0, static_cast<size_t>(length + 1 - copy));
    fresh[0] = kLengthMark;
    fresh[length + 1] = '\0';
  } else {
    std::memset(fresh + 1, 0, static_cast<size_t>(length) + 1);
  }
  FreeStr(block);
  block = fresh;
  return 1;
}

void KzString::FreeStr(char*& block) {
  if (block != nullptr) tqFreePtr(block);
  block = nullptr;
}

int KzString::CountStr(const char* text) {
  if (text == nullptr) return 0;
  const size_t length = strlen(text);
  if (length > static_cast<size_t>(kMaxLength)) kzThrowError(kKzErrorNotEnoughMemory);
  return static_cast<int>(length);
}

int KzString::Capacity() const { return static_cast<int>(tqGetPtrSize(m_buffer)) - 2; }

void KzString::Assign(const char* text, int length) {
  if (length == Capacity()) {
    std::memmove(m_buffer + 1, text, static_cast<size_t>(length));
  } else {
    char* fresh = NewBlock(length);
    std::memcpy(fresh + 1, text, static_cast<size_t>(length));
    FreeStr(m_buffer);
    m_buffer = fresh;
  }
  m_buffer[0] = kLengthMark;
  m_buffer[length + 1] = '\0';
}

void KzString::Append(const char* text, int length) {
  if (length <= 0) return;
  const int current = GetLength();
  if (length > kMaxLength - current) kzThrowError(kKzErrorNotEnoughMemory);
  char* fresh = NewBlock(current + length);
  std::memcpy(fresh + 1, m_buffer + 1, static_cast<size_t>(current));
  std::memcpy(fresh + 1 + current, text, static_cast<size_t>(length));
  FreeStr(m_buffer);
  m_buffer = fresh;
}

// --- assignment ----------------------------------------------------------------------------------

KzString& KzString::operator=(const char* text) {
  Assign(text == nullptr ? "" : text, CountStr(text));
  return *this;
}

KzString& KzString::operator=(const KzString& other) {
  if (this != &other) Assign(other.GetCStrPtr(), other.GetLength());
  return *this;
}

KzString& KzString::operator=(char c) {
  Assign(&c, c == '\0' ? 0 : 1);
  return *this;
}

KzString& KzString::operator+=(const char* text) {
  Append(text, CountStr(text));
  return *this;
}

KzString& KzString::operator+=(const KzString& other) {
  Append(other.GetCStrPtr(), other.GetLength());
  return *this;
}

KzString& KzString::operator+=(char c) {
  Append(&c, c == '\0' ? 0 : 1);
  return *this;
}

// --- access --------------------------------------------------------------------------------------

KzString::operator char*() { return GetCStrPtr(); }
KzString::operator const char*() const { return GetCStrPtr(); }

int KzString::GetLength() const { return BlockTextLength(m_buffer); }
int KzString::GetCount() const { return GetLength(); }

void KzString::SetLength(int length) {
  if (length < 0) length = 0;
  AllocStr(length, m_buffer);
  // AllocStr leaves a block whose text is already `length` long alone; fit a larger one too.
  if (length < Capacity()) Assign(GetCStrPtr(), GetLength());
}

int KzString::IsEmpty() const { return GetLength() == 0 ? 1 : 0; }

void KzString::Empty() { Assign("", 0); }

char& KzString::operator[](int index) { return At(index); }

char& KzString::At(int index) {
  if (index < 0 || index > GetLength()) kzThrowError(kKzErrorParameter);
  return GetCStrPtr()[index];
}

const char& KzString::At(int index) const {
  if (index < 0 || index > GetLength()) kzThrowError(kKzErrorParameter);
  return GetCStrPtr()[index];
}

void KzString::GetStr(char* buffer, int size) const {
  if (buffer == nullptr || size < 1) return;
  int length = GetLength();
  if (length > size - 1) {
    length = size - 1;
    // Never keep half of a double-byte character.
    if (length > 0 && IsDoubleByte(length)) --length;
  }
  std::memcpy(buffer, GetCStrPtr(), static_cast<size_t>(length));
  buffer[length] = '\0';
}

// --- comparison ----------------------------------------------------------------------------------

namespace {
const unsigned char* AsUnsigned(const char* text) {
  return reinterpret_cast<const unsigned char*>(text == nullptr ? "" : text);
}
}  // namespace

int KzString::Compare(const char* text) const {
  return _mbscmp(AsUnsigned(GetCStrPtr()), AsUnsigned(text));
}
int KzString::Compare(const KzString& other) const { return Compare(other.GetCStrPtr()); }
int KzString::CompareNoCase(const char* text) const {
  return _mbsicmp(AsUnsigned(GetCStrPtr()), AsUnsigned(text));
}
int KzString::CompareNoCase(const KzString& other) const {
  return CompareNoCase(other.GetCStrPtr());
}

bool operator==(const KzString& a, const KzString& b) { return a.Compare(b) == 0; }
bool operator==(const KzString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const KzString& b) { return b.Compare(a) == 0; }
bool operator!=(const KzString& a, const KzString& b) { return a.Compare(b) != 0; }
bool operator!=(const KzString& a, const char* b) { return a.Compare(b) != 0; }
bool operator!=(const char* a, const KzString& b) { return b.Compare(a) != 0; }
bool operator<(const KzString& a, const KzString& b) { return a.Compare(b) < 0; }
bool operator<(const KzString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const KzString& b) { return b.Compare(a) > 0; }
bool operator<=(const KzString& a, const KzString& b) { return a.Compare(b) <= 0; }
bool operator<=(const KzString& a, const char* b) { return a.Compare(b) <= 0; }
bool operator<=(const char* a, const KzString& b) { return b.Compare(a) >= 0; }
bool operator>(const KzString& a, const KzString& b) { return a.Compare(b) > 0; }
bool operator>(const KzString& a, const char* b) { return a.Compare(b) > 0; }
bool operator>(const char* a, const KzString& b) { return b.Compare(a) < 0; }
bool operator>=(const KzString& a, const KzString& b) { return a.Compare(b) >= 0; }
bool operator>=(const KzString& a, const char* b) { return a.Compare(b) >= 0; }
bool operator>=(const char* a, const KzString& b) { return b.Compare(a) <= 0; }

// --- search and pieces ---------------------------------------------------------------------------

int KzString::Find(const char* text, int start, int caseSensitive) const {
  return FindIn(GetCStrPtr(), GetLength(), text, start, caseSensitive != 0, false);
}

int KzString::ReverseFind(const char* text, int caseSensitive) const {
  return FindIn(GetCStrPtr(), GetLength(), text, 0, caseSensitive != 0, true);
}

char* KzString::Mid(int start, int count) {
  const int length = GetLength();
  if (start < 0) start = 0;
  int take = 0;
  if (start < length && count > 0) take = count < length - start ? count : length - start;
  AllocStr(take, m_work);
  std::memcpy(m_work + 1, GetCStrPtr() + start, static_cast<size_t>(take));
  m_work[take + 1] = '\0';
  return m_work + 1;
}

namespace {
// Applies `change` to every single-byte character of `text`.
template <typename Change>
void ForEachSingleByte(char* text, int length, Change change) {
  for (int i = 0; i < length;) {
    const int size = kzCharSize(text + i);
    if (size == 1) text[i] = change(text[i]);
    i += size;
  }
}
}  // namespace

void KzString::MakeLower() { ForEachSingleByte(GetCStrPtr(), GetLength(), FoldAscii); }

void KzString::MakeUpper() {
  ForEachSingleByte(GetCStrPtr(), GetLength(), [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  });
}

void KzString::Replace(char from, char to) {
  ForEachSingleByte(GetCStrPtr(), GetLength(), [from, to](char c) { return c == from ? to : c; });
}

int KzString::IsDoubleByte(int position) const {
  if (position < 0 || position > GetLength()) return 0;
  return tqIsDoubleByteCheckEx(GetCStrPtr(), position);
}

int KzString::IsNumber() const {
  const char* text = GetCStrPtr();
  const int length = GetLength();
  for (int i = 0; i < length; ++i) {
    const char c = text[i];
    if ((c >= '0' && c <= '9') || c == '.' || (c == '-' && i == 0)) continue;
    return 0;  // any other byte, double-byte characters included
  }
  return 1;
}

// --- numbers -------------------------------------------------------------------------------------

namespace {
// The number as `format` prints it, replacing (`append` false) or extending `text`.
template <typename T>
void PutNumber(KzString& text, T value, const char* format, NumberKind kind, bool append) {
  char buffer[kNumberBufferSize];
  PrintNumber(buffer, value, format, kind);
  if (append) {
    text += buffer;
  } else {
    text = buffer;
  }
}
}  // namespace

void KzString::SetNumber(int value, const char* format) {
  PutNumber(*this, value, format, NumberKind::kInteger, false);
}
void KzString::SetNumber(unsigned int value, const char* format) {
  PutNumber(*this, value, format, NumberKind::kInteger, false);
}
void KzString::SetNumber(float value, const char* format) {
  PutNumber(*this, static_cast<double>(value), format, NumberKind::kFloating, false);
}
void KzString::SetNumber(double value, const char* format) {
  PutNumber(*this, value, format, NumberKind::kFloating, false);
}
void KzString::AddNumber(int value, const char* format) {
  PutNumber(*this, value, format, NumberKind::kInteger, true);
}
void KzString::AddNumber(unsigned int value, const char* format) {
  PutNumber(*this, value, format, NumberKind::kInteger, true);
}
void KzString::AddNumber(float value, const char* format) {
  PutNumber(*this, static_cast<double>(value), format, NumberKind::kFloating, true);
}
void KzString::AddNumber(double value, const char* format) {
  PutNumber(*this, value, format, NumberKind::kFloating, true);
}

int KzString::GetINT32() const {
  const long long value = std::strtoll(GetCStrPtr(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

float KzString::GetFLOAT() const {
  const double value = GetDOUBLE();
  if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
    return value > 0 ? HUGE_VALF : -HUGE_VALF;
  }
  return static_cast<float>(value);
}

double KzString::GetDOUBLE() const { return std::strtod(GetCStrPtr(), nullptr); }

void KzString::Format(const char* format, ...) {
  if (format == nullptr) kzThrowError(kKzErrorParameter);
  va_list measure;
  va_list write;
  va_start(measure, format);
  va_copy(write, measure);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  int error = 0;
  char* fresh = nullptr;
  if (length >= 0 && length <= kMaxLength) {
    fresh = static_cast<char*>(tqAllocPtr(static_cast<DWORD>(length) + 2, 0, &error));
  }
  if (fresh != nullptr) {
    std::vsnprintf(fresh + 1, static_cast<size_t>(length) + 1, format, write);
    fresh[0] = kLengthMark;
    fresh[length + 1] = '\0';
  }
  va_end(write);
  if (length < 0) kzThrowError(kKzErrorParameter);
  if (length > kMaxLength) kzThrowError(kKzErrorNotEnoughMemory);
  if (fresh == nullptr) kzThrowTextAllocationError(error);
  FreeStr(m_buffer);
  m_buffer = fresh;
}

int KzString::LoadStringA(unsigned int id, unsigned int selector, HINSTANCE module) {
  char buffer[kLoadBufferSize];
  buffer[0] = '\0';
  tqLoadString(module != nullptr ? module : kzwGetInstanceHandle(), id, selector, buffer,
               kLoadBufferSize);
  buffer[kLoadBufferSize - 1] = '\0';
  const int length = static_cast<int>(strlen(buffer));
  Assign(buffer, length);
  return length;
}

// --- Pascal form ---------------------------------------------------------------------------------

char* KzString::GetPascal() {
  const int length = GetLength();
  m_buffer[0] = static_cast<char>(length < 255 ? length : 255);
  return m_buffer;
}

void KzString::GetPascal(char* out) {
  if (out == nullptr) return;
  const char* pascal = GetPascal();
  std::memcpy(out, pascal, static_cast<size_t>(static_cast<unsigned char>(pascal[0])) + 1);
}

void KzString::SetPascal(const char* pascal) {
  if (pascal == nullptr) {
    Assign("", 0);
    m_buffer[0] = 0;
    return;
  }
  const int length = static_cast<int>(strnlen(pascal + 1, static_cast<unsigned char>(pascal[0])));
  Assign(pascal + 1, length);
  m_buffer[0] = static_cast<char>(length);
}

// --- conversions ---------------------------------------------------------------------------------

int KzString::ConvertAnsiToWide(KzWideString& out) const {
  out.Empty();
  const int length = GetLength();
  if (length == 0) return 1;
  const int units =
      MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, GetCStrPtr(), length, nullptr, 0);
  if (units <= 0) return 0;
  KzWideBuffer buffer(units);
  const int done =
      MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, GetCStrPtr(), length, buffer.Get(), units);
  if (done <= 0) return 0;
  out = buffer.Get();
  return 1;
}

void KzString::ByteToString(std::int64_t bytes) {
  const double value = static_cast<double>(bytes);
  char buffer[64];
  if (value < 1024.0) {
    std::snprintf(buffer, sizeof buffer, "%lld byte", static_cast<long long>(bytes));
  } else if (value < 1048576.0) {
    std::snprintf(buffer, sizeof buffer, "%4.1f KB", value / 1024.0);
  } else if (value < 1073741824.0) {
    std::snprintf(buffer, sizeof buffer, "%4.1f MB", value / 1048576.0);
  } else if (value < 1099511627776.0) {
    std::snprintf(buffer, sizeof buffer, "%4.1f GB", value / 1073741824.0);
  } else {
    std::snprintf(buffer, sizeof buffer, "%4.1f TB", value / 1099511627776.0);
  }
  *this = buffer;
}

int KzString::ConvertFileName() {
  const char* text = GetCStrPtr();
  const int length = GetLength();
  int grown = length;
  for (int i = 0; i < length;) {
    const int size = kzCharSize(text + i);
    if (size == 1 && FindFileNameReplacement(text[i]) != nullptr) ++grown;
    i += size;
  }
  if (grown == length) return 1;
  char* fresh = NewBlock(grown);
  char* out = fresh + 1;
  for (int i = 0; i < length;) {
    const int size = kzCharSize(text + i);
    const FileNameReplacement* r = size == 1 ? FindFileNameReplacement(text[i]) : nullptr;
    if (r != nullptr) {
      *out++ = r->lead;
      *out++ = r->trail;
    } else {
      std::memcpy(out, text + i, static_cast<size_t>(size));
      out += size;
    }
    i += size;
  }
  FreeStr(m_buffer);
  m_buffer = fresh;
  return 1;
}
