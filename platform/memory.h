// Hints to the operating system about large memory regions about to be filled.
#pragma once

#include <cstddef>

// A region of nBytes at p is about to be written from start to end, all of it. Where the
// system can, it backs the region with large pages, so that filling it costs a few page faults
// instead of one per 4 KiB page. Only a hint: nothing changes when it is not taken.
void AdviseBulkWrite(void* p, std::size_t nBytes);
