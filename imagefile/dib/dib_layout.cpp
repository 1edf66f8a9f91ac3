// The packed DIB's colour table and rows, and the file header written before it.
#include "imagefile/dib/dib_layout.h"

#include <algorithm>

namespace dib_layout {

WORD NumColors(const BYTE* pDIB) {
    WORD nBits = 0;
    if (HeaderSize(pDIB) == kInfoHeaderSize) {
        if (Info(pDIB)->biClrUsed != 0)
            return static_cast<WORD>(Info(pDIB)->biClrUsed);
        nBits = Info(pDIB)->biBitCount;
    } else {
        nBits = Core(pDIB)->bcBitCount;
    }
    switch (nBits) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

DWORD ColorTableBytes(const BITMAPINFOHEADER& info, DWORD nColors) {
    return (info.biCompression == BI_BITFIELDS ? kMaskBytes : 0) + 4 * nColors;
}

DWORD ColorTableBytes(const BYTE* pDIB) {
    if (HeaderSize(pDIB) != kInfoHeaderSize)
        return 3 * DWORD{NumColors(pDIB)};
    return ColorTableBytes(*Info(pDIB), NumColors(pDIB));
}

RGBQUAD* ColorTable(BYTE* pDIB) {
    const DWORD nMasks = Info(pDIB)->biCompression == BI_BITFIELDS ? kMaskBytes : 0;
    return reinterpret_cast<RGBQUAD*>(pDIB + kInfoHeaderSize + nMasks);
}

PALETTEENTRY ColorEntry(const BYTE* pDIB, DWORD i) {
    if (HeaderSize(pDIB) != kInfoHeaderSize) {
        const BYTE* p = pDIB + kCoreHeaderSize + 3 * i;
        return PALETTEENTRY{p[2], p[1], p[0], 0};
    }
    const RGBQUAD q = ColorTable(const_cast<BYTE*>(pDIB))[i];
    return PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
}

void TurnRowsOver(BYTE* pDIB) {
    const BITMAPINFOHEADER* pInfo = Info(pDIB);
    const auto nStride = static_cast<std::size_t>(Stride(pInfo->biWidth, pInfo->biBitCount));
    BYTE* pBits = pDIB + kInfoHeaderSize + ColorTableBytes(pDIB);
    for (LONG nTop = 0, nBottom = pInfo->biHeight - 1; nTop < nBottom; ++nTop, --nBottom)
        std::swap_ranges(pBits + nTop * nStride, pBits + (nTop + 1) * nStride,
                         pBits + nBottom * nStride);
}

void WriteFileHeader(CArchive& ar, DWORD nFileSize, DWORD nOffBits) {
    ar << BYTE{'B'} << BYTE{'M'} << nFileSize << WORD{0} << WORD{0} << nOffBits;
}

}  // namespace dib_layout
