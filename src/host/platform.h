// Calling conventions and symbol visibility of the host boundary. This header
// and the serial backends are the only places where the platforms differ.
#pragma once

#if defined(_WIN32)
#define TORVA_STDCALL __stdcall
#define TORVA_CDECL __cdecl
#define TORVA_EXPORT __declspec(dllexport)
#define TORVA_IMPORT __declspec(dllimport)
#else
#define TORVA_STDCALL
#define TORVA_CDECL
#define TORVA_EXPORT __attribute__((visibility("default")))
#define TORVA_IMPORT
#endif
