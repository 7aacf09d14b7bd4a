// KzString: the library's narrow text in the process code page (Shift-JIS).
//
// The text lives in a block of length + 2 bytes taken from the utility library: byte 0 is a
// Pascal length byte (0x2D except right after GetPascal/SetPascal), then the text and a zero.
// Every constructed string owns such a block, also when empty. A second block of the same
// shape, the work buffer, holds the result of Mid. Lengths count bytes; a double-byte character
// counts two, and every scan steps over it as a whole. Allocation failures throw 8 (or the
// utility library's error word where noted) and leave the string as it was.
#pragma once

#include <cstdint>

#include "win32/types.h"

class KzWideString;

class KzString {
 public:
  // An empty string (it still owns its 2-byte block). Throws 8 when that cannot be allocated.
  KzString();
  // A copy of `text`; null gives the empty string.
  KzString(const char* text);  // NOLINT: implicit by design, like the text it stands for
  KzString(const KzString& other);
  virtual ~KzString();

  // Assignment; null gives the empty string. Self- and overlapping assignment are safe.
  KzString& operator=(const char* text);
  KzString& operator=(const KzString& other);
  KzString& operator=(char c);
  // Appends; appending a string to itself is safe. Throws 8 when the sum passes INT_MAX - 2.
  KzString& operator+=(const char* text);
  KzString& operator+=(const KzString& other);
  KzString& operator+=(char c);

  // The text (byte 1 of the block); always zero-terminated and never null.
  operator char*();
  operator const char*() const;

  // The text length in bytes (GetCount is the same).
  int GetLength() const;
  int GetCount() const;
  // Reallocates to `length` bytes (negative counts as 0): the text is kept up to the new length,
  // added bytes are zero.
  void SetLength(int length);
  int IsEmpty() const;
  void Empty();

  // A byte of the text. The index equal to the length gives the terminating zero; a negative
  // index or one beyond the length throws 0x20010008.
  char& operator[](int index);
  char& At(int index);
  const char& At(int index) const;

  // Copies the text into `buffer` of `size` bytes, cut to size - 1 bytes plus the zero (never
  // inside a double-byte character). A null buffer or a size below 1 does nothing.
  void GetStr(char* buffer, int size) const;

  // <0, 0, >0 as the multibyte-aware comparison of code page 932 (a double-byte character
  // compares as one unit, lead byte first). NoCase ignores the case of ASCII letters. Null
  // counts as the empty text.
  int Compare(const char* text) const;
  int Compare(const KzString& other) const;
  int CompareNoCase(const char* text) const;
  int CompareNoCase(const KzString& other) const;

  // Byte index of the first match of `text` at or after `start` (non-zero `caseSensitive`: exact;
  // zero: ASCII letters in either case), or -1. Matches begin on character boundaries only. -1
  // for an empty string or substring and when start > length - substring length.
  int Find(const char* text, int start = 0, int caseSensitive = 1) const;
  // Byte index of the last match of `text`, or -1; same rules as Find.
  int ReverseFind(const char* text, int caseSensitive = 1) const;

  // A copy of at most `count` bytes from `start` (cut at the end of the text; empty when start
  // is beyond it or count <= 0; a negative start counts as 0). The copy lives in the work buffer,
  // which the next Mid reuses and the destructor frees.
  char* Mid(int start, int count);

  // Change ASCII letters only; double-byte characters are left alone, their trail bytes included.
  void MakeLower();
  void MakeUpper();
  // Replaces every single-byte occurrence of `from` by `to`; double-byte characters are skipped.
  void Replace(char from, char to);

  // Non-zero when byte `position` is the trail byte of a double-byte character.
  int IsDoubleByte(int position) const;
  // 1 for the empty string, or when every character is a digit or a period, with a minus sign
  // allowed at position 0; 0 otherwise (also as soon as a double-byte character occurs).
  int IsNumber() const;

  // Replaces the text with the formatted value (printf `format`, one conversion that suits the
  // value's type; the output is cut to 259 bytes). A float is printed as a double. A format
  // that does not hold exactly one suitable conversion throws 0x20010008.
  void SetNumber(int value, const char* format = "%d");
  void SetNumber(unsigned int value, const char* format = "%u");
  void SetNumber(float value, const char* format = "%f");
  void SetNumber(double value, const char* format = "%f");
  // As SetNumber, appending instead of replacing.
  void AddNumber(int value, const char* format = "%d");
  void AddNumber(unsigned int value, const char* format = "%u");
  void AddNumber(float value, const char* format = "%f");
  void AddNumber(double value, const char* format = "%f");

  // Decimal value of the text (0 when empty or not a number; saturates at the 32-bit range).
  int GetINT32() const;
  // Floating-point value after leading white space (0 when not a number).
  float GetFLOAT() const;
  double GetDOUBLE() const;

  // printf-style formatting: measures, allocates exactly, formats, assigns. Arguments may point
  // into this string. Allocation failure throws the utility library's error word; an encoding
  // error of the C library throws 0x20010008.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Loads string `id` (with `selector` passed through) of `module`'s table, null meaning the
  // application's instance handle. Returns the loaded length; a missing string gives "" and 0.
  int LoadStringA(unsigned int id, unsigned int selector = 0, HINSTANCE module = nullptr);

  // Sets the length byte to min(length, 255) and returns the block: a Pascal string.
  char* GetPascal();
  // Copies that Pascal string (length byte and text, at most 256 bytes) into `out`; null does
  // nothing.
  void GetPascal(char* out);
  // Takes a Pascal string (length byte 0-255, then the text); null gives the empty string.
  void SetPascal(const char* pascal);

  // `out` := this text converted from the thread code page. Returns 1 on success (also for the
  // empty string), 0 when the text cannot be converted (`out` then empty).
  int ConvertAnsiToWide(KzWideString& out) const;

  // A byte count for people: "1023 byte", " 1.5 KB", " 1.0 MB", then GB and TB.
  void ByteToString(std::int64_t bytes);
  // Replaces each single-byte character a file name cannot hold (\ / : * ? " < > | and the
  // period) by its full-width Shift-JIS counterpart. Returns 1.
  int ConvertFileName();

 private:
  // Resizes `block` to hold `length` bytes of text (negative counts as 0), keeping the old
  // bytes; nothing happens when its text already has that length. Throws 8.
  int AllocStr(int length, char*& block);
  static void FreeStr(char*& block);
  // Length of a text, 0 for null.
  static int CountStr(const char* text);
  char* GetCStrPtr() const { return m_buffer + 1; }
  char* GetPStrPtr() const { return m_buffer; }
  void Cleanup();

  // Puts `length` bytes of `text` in a fresh block, then frees the old one (so `text` may
  // point into this string).
  void Assign(const char* text, int length);
  void Append(const char* text, int length);
  // The usable text bytes of the block (its size less the length byte and the zero).
  int Capacity() const;

  char* m_buffer = nullptr;
  char* m_work = nullptr;
};

// Built on Compare.
bool operator==(const KzString& a, const KzString& b);
bool operator==(const KzString& a, const char* b);
bool operator==(const char* a, const KzString& b);
bool operator!=(const KzString& a, const KzString& b);
bool operator!=(const KzString& a, const char* b);
bool operator!=(const char* a, const KzString& b);
bool operator<(const KzString& a, const KzString& b);
bool operator<(const KzString& a, const char* b);
bool operator<(const char* a, const KzString& b);
bool operator<=(const KzString& a, const KzString& b);
bool operator<=(const KzString& a, const char* b);
bool operator<=(const char* a, const KzString& b);
bool operator>(const KzString& a, const KzString& b);
bool operator>(const KzString& a, const char* b);
bool operator>(const char* a, const KzString& b);
bool operator>=(const KzString& a, const KzString& b);
bool operator>=(const KzString& a, const char* b);
bool operator>=(const char* a, const KzString& b);
