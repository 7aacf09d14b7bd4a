// The library's own message table: ids 1 to 20 and 100 to 102 in English and Japanese (the
// Japanese texts as code page 932 bytes). The load routine registers it for the library's module
// (kzGetLibraryModule); alerts with bit 23 set and the messages of the library's error codes are
// loaded from it.
#pragma once

#include <span>

#include "tqwutl/types.h"

// The entries, in id order; they live as long as the process.
std::span<const tagTQSTRINGRES> kzGetLibraryStringTable();
