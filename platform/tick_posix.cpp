// The tick count from the monotonic clock.
#include <time.h>

#include "platform/tick.h"

DWORD GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto nMillis = static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
                         static_cast<unsigned long long>(now.tv_nsec) / 1000000ULL;
    return static_cast<DWORD>(nMillis);
}
