// lstrcpyn, cutting UTF-8 text only between characters.
#include "platform/types.h"

#include <climits>
#include <cstring>

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

LPTSTR lstrcpyn(LPTSTR pszDest, LPCTSTR pszSource, int nMax) {
    if (pszDest == nullptr || nMax <= 0)
        return pszDest;
    std::size_t nLength = 0;
    const std::size_t nLimit = static_cast<std::size_t>(nMax) - 1;
    while (nLength < nLimit && pszSource[nLength] != '\0')
        ++nLength;
    // A cut inside a character backs off to the character's first byte.
    if (pszSource[nLength] != '\0')
        while (nLength > 0 && IsContinuationByte(pszSource[nLength]))
            --nLength;
    std::memcpy(pszDest, pszSource, nLength);
    pszDest[nLength] = '\0';
    return pszDest;
}

int ClampToInt(UINT n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }
