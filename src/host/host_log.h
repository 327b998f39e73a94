// The host's log service: `err`, imported by name from the host's library
// (BRAMEL.DLL on Windows, libbramel.so on Linux, where the import is bound to
// the library's symbol version so that the C library's own err() is never
// reached). One call is one line; the driver adds no line end.
#pragma once

#include "host/platform.h"

extern "C" TORVA_IMPORT void TORVA_CDECL err(int level, const char* format, ...);
