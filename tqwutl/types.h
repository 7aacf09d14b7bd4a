// Utility-library stand-in: the plain records and handle types shared with the library.
#pragma once

#include <cstdint>

#include "win32/types.h"

// A movable memory block: locked to an address while used (tqLock/tqUnlock).
struct TQHANDLE__;
using TQHANDLE = TQHANDLE__*;

// A packed 32-bit colour: red in bits 0-7, green 8-15, blue 16-23, A (opacity or density) 24-31.
using TQCOLORREF = std::uint32_t;

struct tagPOINTF {
  float x;
  float y;
};
struct tagSIZEF {
  float cx;
  float cy;
};
struct tagRECTF {
  float left;
  float top;
  float right;
  float bottom;
};
struct tagPOINTD {
  double x;
  double y;
};
struct tagSIZED {
  double cx;
  double cy;
};
struct tagRECTD {
  double left;
  double top;
  double right;
  double bottom;
};

// A colour of 16 bits a channel, in RGB and in HSV.
struct tagTQRGBCOLOR16 {
  std::uint16_t a;
  std::uint16_t r;
  std::uint16_t g;
  std::uint16_t b;
};
struct tagTQHSVCOLOR16 {
  std::uint16_t a;
  std::uint16_t h;
  std::uint16_t s;
  std::uint16_t v;
};

// One entry of a module's string table; `japanese` holds code page 932 bytes.
struct tagTQSTRINGRES {
  UINT id;
  const char* english;
  const char* japanese;
};
