// The path the system reached when it opened a file or folder: links followed, as a plain
// drive or network path.
#pragma once

#include "platform/cstring.h"
#include "platform/win32.h"

// The path of what the handle has open; empty when the system cannot say.
CString FinalPathOf(HANDLE h);
