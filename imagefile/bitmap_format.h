// The Windows bitmap format's own facts, each written once: the header sizes, the colour table,
// the row stride, pixels narrower than a byte and the order of a pixel's channels. Every reader
// and writer of bitmaps and the DIB take them from here.
#pragma once

#include <cstddef>

#include "platform/gdi_types.h"
#include "platform/types.h"

namespace bitmap_format {

constexpr DWORD kFileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr DWORD kCoreHeaderSize = 12;  // BITMAPCOREHEADER (OS/2 1.x)
constexpr DWORD kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr DWORD kLongestHeader = 124;  // BITMAPV5HEADER
constexpr DWORD kMaskBytes = 12;       // the three colour masks of BI_BITFIELDS
constexpr DWORD kCoreEntrySize = 3;    // bytes per colour-table entry after a 12-byte header
constexpr DWORD kInfoEntrySize = 4;    // after any longer header
constexpr int kMaxColors = 256;        // the most colours an index of 8 bits or fewer names
// The most bytes before the pixels that a reader of the headers reads: the file header, the
// longest info header, four colour masks and a full colour table.
constexpr ULONGLONG kMostHeaderBytes =
    kFileHeaderSize + kLongestHeader + 4 * 4 + kMaxColors * kInfoEntrySize;
// The header gives the resolution per metre; JFIF's unit 2 is dots per centimetre.
constexpr DWORD kCentimetresPerMetre = 100;
constexpr BYTE kJfifDotsPerCentimetre = 2;

// Bytes per stored row: rows are padded to 32 bits. Wide enough that no header can wrap it.
constexpr ULONGLONG Stride(long long nWidth, int nBits) {
    return (static_cast<ULONGLONG>(nWidth) * static_cast<ULONGLONG>(nBits) + 31) / 32 * 4;
}

// Entries of a colour table whose header does not count them: one per index value for pixels
// of 8 bits or fewer, none for wider ones.
constexpr ULONGLONG DefaultColorTableEntries(int nBits) {
    return nBits >= 1 && nBits <= 8 ? 1ULL << nBits : 0;
}

// Pixel x of a row of fewer than 8 bits per pixel: the leftmost pixel in the top bits of a byte.
inline unsigned GetSmallPixel(const BYTE* pRow, long long x, int nBits) {
    const long long nBit = x * nBits;
    const int nShift = 8 - nBits - static_cast<int>(nBit % 8);
    return (pRow[nBit / 8] >> nShift) & ((1U << nBits) - 1);
}
inline void PutSmallPixel(BYTE* pRow, long long x, int nBits, unsigned nValue) {
    const long long nBit = x * nBits;
    const int nShift = 8 - nBits - static_cast<int>(nBit % 8);
    const auto nMask = static_cast<BYTE>(((1U << nBits) - 1) << nShift);
    pRow[nBit / 8] = static_cast<BYTE>((pRow[nBit / 8] & ~nMask) | ((nValue << nShift) & nMask));
}

// A 24-bit pixel is stored blue, green, red; libjpeg's are red, green, blue. The one swap turns
// either order into the other; pIn and pOut may be the same row.
inline void SwapRedAndBlue(const BYTE* pIn, BYTE* pOut, std::size_t nPixels) {
    for (std::size_t x = 0; x < nPixels; ++x, pIn += 3, pOut += 3) {
        const BYTE nBlue = pIn[0];
        pOut[0] = pIn[2];
        pOut[1] = pIn[1];
        pOut[2] = nBlue;
    }
}

// The colour table's entries as red, green and blue channels, each entry nStep bytes after the
// one before in its channel.
inline void SplitColors(const RGBQUAD* pColors, int nColors, BYTE* pRed, BYTE* pGreen, BYTE* pBlue,
                        std::size_t nStep) {
    for (int i = 0; i < nColors; ++i) {
        pRed[i * nStep] = pColors[i].rgbRed;
        pGreen[i * nStep] = pColors[i].rgbGreen;
        pBlue[i * nStep] = pColors[i].rgbBlue;
    }
}

}  // namespace bitmap_format
