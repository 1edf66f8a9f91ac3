// The packed DIB's colour table and rows, and the file header written before it.
#include "imagefile/dib/packed_dib.h"

#include <algorithm>

namespace packed_dib {

WORD NumColors(const BYTE* pDIB) {
    WORD nBits = 0;
    if (HeaderSize(pDIB) == kInfoHeaderSize) {
        if (Info(pDIB)->biClrUsed != 0)
            return static_cast<WORD>(Info(pDIB)->biClrUsed);
        nBits = Info(pDIB)->biBitCount;
    } else {
        nBits = Core(pDIB)->bcBitCount;
    }
    return static_cast<WORD>(bitmap_format::DefaultColorTableEntries(nBits));
}

DWORD ColorTableBytes(const BITMAPINFOHEADER& info, DWORD nColors) {
    return (info.biCompression == BI_BITFIELDS ? kMaskBytes : 0) +
           bitmap_format::kInfoEntrySize * nColors;
}

DWORD ColorTableBytes(const BYTE* pDIB) {
    if (HeaderSize(pDIB) != kInfoHeaderSize)
        return bitmap_format::kCoreEntrySize * NumColors(pDIB);
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

SIZE_T PackedSize(const BitmapLayout& l) {
    return kInfoHeaderSize + (l.HasMasks() ? kMaskBytes : 0) + 4 * static_cast<SIZE_T>(l.nColors) +
           static_cast<SIZE_T>(l.PixelBytes());
}

void PutHeaderAndTable(const BitmapLayout& l, BYTE* p) {
    BITMAPINFOHEADER* pInfo = Info(p);
    *pInfo = BITMAPINFOHEADER{};
    pInfo->biSize = kInfoHeaderSize;
    pInfo->biWidth = l.nWidth;
    pInfo->biHeight = l.nHeight;
    pInfo->biPlanes = 1;
    pInfo->biBitCount = static_cast<WORD>(l.nBitsPerPixel);
    pInfo->biCompression = l.HasMasks() ? BI_BITFIELDS : BI_RGB;
    pInfo->biSizeImage = static_cast<DWORD>(l.PixelBytes());
    pInfo->biXPelsPerMeter = static_cast<LONG>(l.nXPelsPerMeter);
    pInfo->biYPelsPerMeter = static_cast<LONG>(l.nYPelsPerMeter);
    pInfo->biClrUsed = static_cast<DWORD>(l.nColors);
    pInfo->biClrImportant = l.nClrImportant <= pInfo->biClrUsed ? l.nClrImportant : 0;
    BYTE* pTable = p + kInfoHeaderSize;
    if (l.HasMasks())
        for (const BitmapField& field : l.fields) {
            std::memcpy(pTable, &field.nMask, sizeof field.nMask);
            pTable += sizeof field.nMask;
        }
    std::memcpy(pTable, l.colors, 4 * static_cast<SIZE_T>(l.nColors));
}

BOOL IndexesWithinTable(const BitmapLayout& l, const BYTE* pBits) {
    const int nBits = l.nBitsPerPixel;
    if (nBits > 8 || l.nColors >= (1 << nBits))
        return TRUE;
    for (LONG y = 0; y < l.nHeight; ++y) {
        const BYTE* pRow =
            pBits + static_cast<std::size_t>(y) * static_cast<std::size_t>(l.nStride);
        for (LONG x = 0; x < l.nWidth; ++x) {
            const unsigned nIndex = nBits == 8 ? pRow[x] : GetSmallPixel(pRow, x, nBits);
            if (nIndex >= static_cast<unsigned>(l.nColors))
                return FALSE;
        }
    }
    return TRUE;
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

}  // namespace packed_dib
