// The library's load routine and what it records.
//
// When libkz is loaded it records its own module handle, registers its message table with the
// utility library and installs an allocation-failure handler that throws std::bad_alloc; at
// unload it removes the table and puts the previous handler back. Everything here is safe to use
// before main() and from other libraries' static initialisers.
#pragma once

#include "win32/types.h"

// This library's module handle (libkz's shared object); its string table is registered under it
// by the time this returns.
HINSTANCE kzGetLibraryModule();
