// The framework's basic integer, flag and string-pointer types, and lstrcpyn.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
// Windows names these types itself: its basic definitions only, with none of the function
// macros of the full API, so every translation unit sees one set of types.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <minwindef.h>
using ULONGLONG = std::uint64_t;
#else
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONGLONG = std::uint64_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPTSTR = char*;
using LPCTSTR = const char*;

#define TRUE 1
#define FALSE 0
#endif

// Copies at most nMax - 1 bytes of pszSource and a terminating NUL into pszDest (nothing when
// nMax is 0). Text is UTF-8, so a cut never splits a multi-byte character: the copy ends at
// the last whole character that fits.
LPTSTR lstrcpyn(LPTSTR pszDest, LPCTSTR pszSource, int nMax);

// nMax for lstrcpyn from an unsigned capacity.
int ClampToInt(UINT n);
