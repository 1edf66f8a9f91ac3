// A millisecond tick count that wraps around like the Windows one.
#pragma once

#include "platform/types.h"

#if !defined(_WIN32)  // Windows has its own
// Milliseconds since an arbitrary start; wraps after about 49.7 days, so measure intervals
// with an unsigned 32-bit difference.
DWORD GetTickCount();
#endif
