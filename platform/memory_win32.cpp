// AdviseBulkWrite: Windows offers large pages only to privileged programs; no hint is given.
#include "platform/memory.h"
#include "platform/win32.h"

void AdviseBulkWrite(void*, std::size_t) {}
