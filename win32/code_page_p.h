// Internals of the code page services, shared with the other services of the stand-in (paths,
// message boxes, comparisons) and with their tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace win32::detail {

// The code pages the stand-in converts: the process code page (Shift-JIS, 932) and UTF-8.
enum class CodePage { kCp932, kUtf8, kUnknown };
CodePage ResolveCodePage(UINT codePage);

// What an invalid or unassigned Shift-JIS sequence becomes without MB_ERR_INVALID_CHARS.
inline constexpr WCHAR kCp932UnicodeDefault = 0x30FB;
// What an invalid UTF-8 sequence or an unpaired surrogate becomes.
inline constexpr WCHAR kReplacementCharacter = 0xFFFD;

bool IsCp932LeadByte(unsigned char byte);
bool IsCp932TrailByte(unsigned char byte);

// One decoded character: the UTF-16 unit(s) it stands for and the bytes it took.
struct Decoded {
  WCHAR units[2];
  int unitCount;
  int bytes;
  bool valid;  // false: the units hold the replacement for an invalid sequence
};

// Decodes the character at text[pos] without reading at or past `length`.
Decoded DecodeCp932(const unsigned char* text, std::size_t length, std::size_t pos);
Decoded DecodeUtf8(const unsigned char* text, std::size_t length, std::size_t pos);

// The Shift-JIS bytes of a unit that round-trips (1 or 2 written to `out`), or 0.
int EncodeCp932Exact(WCHAR unit, unsigned char out[2]);
// A best-fit stand-in for a unit without an exact mapping (accented Latin letters lose their
// accents; yen sign, overline and a few JIS look-alikes map to their usual bytes), or 0.
int EncodeCp932BestFit(WCHAR unit, unsigned char out[2]);

// Strict conversions for paths and diagnostics: false (output unspecified) when the input is
// not valid in its code page or a character has no exact mapping in the target.
bool Cp932ToUtf8(std::string_view text, std::string& out);
bool Utf8ToCp932(std::string_view text, std::string& out);
// Lenient: invalid sequences become U+30FB; for messages meant for a person.
std::string Cp932ToUtf8Lenient(std::string_view text);
// Shift-JIS to UTF-16 (invalid sequences become U+30FB), for comparisons.
std::vector<WCHAR> Cp932ToWide(const char* text, std::size_t length);

}  // namespace win32::detail
