// Our stand-in for the host's log library: it receives the driver's `err`
// calls, keeps the formatted lines for inspection and, when echo is on,
// prints each with its level.
#pragma once

#include "host/platform.h"

#if defined(BRAMEL_BUILDING)
#define BRAMEL_API TORVA_EXPORT
#else
#define BRAMEL_API TORVA_IMPORT
#endif

extern "C" {

BRAMEL_API void TORVA_CDECL err(int level, const char* format, ...);

// Echo of each line to stderr as "[level] text"; on by default.
BRAMEL_API void TORVA_CDECL BramelSetEcho(int on);
// Lines kept since the last clear (the newest 4096).
BRAMEL_API int TORVA_CDECL BramelLineCount(void);
// Copies line `index` (0 = oldest kept) into `buffer`; its level into
// `*level`. Returns the line's full length, or -1 for no such line.
BRAMEL_API int TORVA_CDECL BramelCopyLine(int index, int* level, char* buffer, int size);
BRAMEL_API void TORVA_CDECL BramelClear(void);
}
