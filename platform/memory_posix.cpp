// AdviseBulkWrite with transparent huge pages.
#include <sys/mman.h>

#include <cstdint>

#include "platform/memory.h"

namespace {

// Below this, a region has few pages to fault and nothing to gain.
constexpr std::size_t kWorthwhileBytes = std::size_t{4} << 20;
constexpr std::uintptr_t kPageBytes = 4096;

}  // namespace

void AdviseBulkWrite(void* p, std::size_t nBytes) {
#ifdef MADV_HUGEPAGE
    if (p == nullptr || nBytes < kWorthwhileBytes)
        return;
    // Whole pages inside the region only.
    const auto nStart = (reinterpret_cast<std::uintptr_t>(p) + kPageBytes - 1) & ~(kPageBytes - 1);
    const auto nEnd = (reinterpret_cast<std::uintptr_t>(p) + nBytes) & ~(kPageBytes - 1);
    if (nEnd > nStart)
        madvise(reinterpret_cast<void*>(nStart), nEnd - nStart, MADV_HUGEPAGE);
#else
    (void)p;
    (void)nBytes;
#endif
}
