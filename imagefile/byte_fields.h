// Little-endian fields of bitmap headers, read from and written to bytes.
#pragma once

#include "platform/types.h"

namespace byte_fields {

inline unsigned Get16(const BYTE* p) { return p[0] | (p[1] << 8); }
inline DWORD Get32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}
inline void Put16(BYTE* p, unsigned n) {
    p[0] = static_cast<BYTE>(n);
    p[1] = static_cast<BYTE>(n >> 8);
}
inline void Put32(BYTE* p, DWORD n) {
    Put16(p, n & 0xFFFF);
    Put16(p + 2, n >> 16);
}

}  // namespace byte_fields
