// AdviseBulkWrite: Windows offers large pages only to privileged programs; no hint is given.
#include "platform/memory.h"

void AdviseBulkWrite(void*, std::size_t) {}
