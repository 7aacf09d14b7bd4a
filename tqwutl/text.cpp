// Text helpers for code page 932 (Shift-JIS) narrow text.
#include "tqwutl/tqwutl.h"

namespace {

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

extern "C" {

int tqIsDoubleByteCheckEx(const char* start, int position) {
  if (start == nullptr || position <= 0) return 0;
  // Whether a byte is a trail byte depends on everything before it: walk from the start,
  // a character at a time.
  int index = 0;
  while (index < position) {
    auto byte = static_cast<unsigned char>(start[index]);
    if (byte == 0) return 0;  // the position lies past the end
    if (IsLeadByte(byte) && start[index + 1] != 0) {
      if (index + 1 == position) return 1;
      index += 2;
    } else {
      ++index;
    }
  }
  return 0;
}

int tqIsOnlyNumberString(const char* text) {
  if (text == nullptr || *text == 0) return 0;
  for (; *text != 0; ++text) {
    if (*text < '0' || *text > '9') return 0;
  }
  return 1;
}

}  // extern "C"
