// A millisecond tick count that wraps around like the Windows one.
#pragma once

#include "platform/types.h"

// Milliseconds since an arbitrary start; wraps after about 49.7 days, so measure intervals
// with an unsigned 32-bit difference.
#if defined(_WIN32)
// The system's own, declared as its headers declare it.
extern "C" __declspec(dllimport) DWORD __stdcall GetTickCount(void);
#else
DWORD GetTickCount();
#endif
