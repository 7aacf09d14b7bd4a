// KzWideString: text of 16-bit (UTF-16) units.
//
// The string holds a zero-terminated block of (length + 1) units from the utility library, or
// null for the empty string. Narrow text converts from and to the thread code page (Shift-JIS).
// Allocation failures throw the utility library's error word and leave the string as it was.
#pragma once

#include "win32/types.h"

class KzString;

class KzWideString {
 public:
  KzWideString();
  KzWideString(const unsigned short* text);  // NOLINT: implicit like the text it stands for
  KzWideString(const KzWideString& other);
  // From code-page text; a text the code page cannot convert throws the platform's error code.
  KzWideString(const char* text);      // NOLINT
  KzWideString(const KzString& text);  // NOLINT
  explicit KzWideString(unsigned short unit);
  explicit KzWideString(char c);
  virtual ~KzWideString();

  // Assignment and appending; null texts count as empty, a zero unit or char adds nothing, and
  // the source may be this string.
  KzWideString& operator=(const unsigned short* text);
  KzWideString& operator=(const KzWideString& other);
  KzWideString& operator=(const char* text);
  KzWideString& operator=(const KzString& text);
  KzWideString& operator=(unsigned short unit);
  KzWideString& operator=(char c);
  KzWideString& operator+=(const unsigned short* text);
  KzWideString& operator+=(const KzWideString& other);
  KzWideString& operator+=(const char* text);
  KzWideString& operator+=(const KzString& text);
  KzWideString& operator+=(unsigned short unit);
  KzWideString& operator+=(char c);
  KzWideString operator+(const unsigned short* text) const;
  KzWideString operator+(const KzWideString& other) const;

  // The units, zero-terminated; never null (the empty string gives an empty text).
  operator const unsigned short*() const;

  // Length in 16-bit units.
  int GetLength() const;
  // The unit at `index`, 0 outside the text.
  unsigned short GetAt(int index) const;
  // Sets the unit at `index`; ignored outside the text.
  void SetAt(unsigned short unit, int index);
  // The unit at `index`; the index equal to the length gives the terminating 0, a negative one
  // or one beyond the length throws 0x20010008. Units are written with SetAt.
  unsigned short At(int index) const;
  unsigned short operator[](int index) const;
  int IsEmpty() const;
  void Empty();

  // <0, 0, >0 as the platform's wide comparison (NoCase ignores letter case). Null counts as
  // the empty text.
  int Compare(const unsigned short* text) const;
  int Compare(const KzWideString& other) const;
  int CompareNoCase(const unsigned short* text) const;
  int CompareNoCase(const KzWideString& other) const;

  // As KzString::Find and ReverseFind, on units: first match at or after `start` (last match),
  // case-sensitive unless `caseSensitive` is 0; -1 when none, for an empty string or substring
  // and when start > length - substring length.
  int Find(const unsigned short* text, int start = 0, int caseSensitive = 1) const;
  int ReverseFind(const unsigned short* text, int caseSensitive = 1) const;

  // The platform's wide case mapping.
  void MakeLower();
  void MakeUpper();
  void Replace(unsigned short from, unsigned short to);

  // At most `count` units from `start` (cut at the end; empty when start is beyond it or count
  // <= 0; a negative start counts as 0). Mid(start) takes the rest.
  KzWideString Mid(int start, int count) const;
  KzWideString Mid(int start) const;

  // printf-style formatting with a wide format. Supported: flags "-+ #0", width and precision
  // (digits or *), and the conversions
  //   %s %ls %ws  wide text (const unsigned short*)     %S %hs  narrow code-page text
  //   %c %lc %wc  wide unit                              %C %hc  narrow char
  //   %d %i %u %o %x %X  int; with l 32-bit, with ll or I64 64-bit, with h/hh narrowed
  //   %f %F %e %E %g %G %a %A  double                    %p  pointer      %%  percent
  // Width and precision of texts count units. Anything else throws 0x20010008.
  void Format(const unsigned short* format, ...);

  // Loads a narrow string (KzString::LoadStringA) and converts it. Returns the length in units.
  int LoadStringA(unsigned int id, unsigned int selector = 0, HINSTANCE module = nullptr);

  // Swaps the two bytes of every unit (up to the terminator).
  void SwapEndian();
  static void SwapWideCharEndian(unsigned short* text);

  // `out` := this text in the thread code page. Returns 1 when every unit converted exactly
  // (also for the empty string), else 0 with `out` emptied.
  int ConvertWideToAnsi(KzString& out) const;
  // Appends this text to `out` as UTF-8, unit by unit (surrogates are encoded one by one).
  void ConvertToUTF8(KzString& out) const;

  // Converts code-page `source` into `dest` of `destUnits` units (zero-terminated). Returns 1 on
  // success (an empty or null source gives an empty text), 0 when the text does not fit or
  // cannot be converted. A null dest or destUnits < 1 gives 0.
  static int ConvertAnsiToWide(unsigned short* dest, const char* source, int destUnits);
  // Converts `source` into code-page `dest` of `destBytes` bytes, without best-fit characters.
  // Returns 1 only when it fits and no default character was needed; `dest` starts empty.
  static int ConvertWideToAnsi(char* dest, const unsigned short* source, int destBytes);

 private:
  // Puts `length` units of `text` in a fresh block, then frees the old one.
  void Assign(const unsigned short* text, int length);
  void Append(const unsigned short* text, int length);
  void AssignNarrow(const char* text, int length, bool append);
  // Takes a block from tqAllocPtr (null for empty).
  void Adopt(unsigned short* block);

  unsigned short* m_text = nullptr;
};

// Built on Compare.
bool operator==(const KzWideString& a, const KzWideString& b);
bool operator==(const KzWideString& a, const unsigned short* b);
bool operator==(const unsigned short* a, const KzWideString& b);
bool operator!=(const KzWideString& a, const KzWideString& b);
bool operator!=(const KzWideString& a, const unsigned short* b);
bool operator!=(const unsigned short* a, const KzWideString& b);
bool operator<(const KzWideString& a, const KzWideString& b);
bool operator<(const KzWideString& a, const unsigned short* b);
bool operator<(const unsigned short* a, const KzWideString& b);
bool operator<=(const KzWideString& a, const KzWideString& b);
bool operator<=(const KzWideString& a, const unsigned short* b);
bool operator<=(const unsigned short* a, const KzWideString& b);
bool operator>(const KzWideString& a, const KzWideString& b);
bool operator>(const KzWideString& a, const unsigned short* b);
bool operator>(const unsigned short* a, const KzWideString& b);
bool operator>=(const KzWideString& a, const KzWideString& b);
bool operator>=(const KzWideString& a, const unsigned short* b);
bool operator>=(const unsigned short* a, const KzWideString& b);
