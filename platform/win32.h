// The Windows API for the Windows halves, lean, without the A/W macros that would silently rename
// our own functions and methods of the same names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef GetDlgItemText
#undef MessageBox
#undef SetDlgItemText
#undef lstrcpyn
