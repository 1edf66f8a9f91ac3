// Reading and checking BMP headers into the packed DIB's form, and writing the file header.
#include "imagefile/dib/dib_layout.h"

#include <algorithm>
#include <vector>

#include "imagefile/byte_fields.h"

namespace dib_layout {

namespace {

using byte_fields::Get16;
using byte_fields::Get32;

// The largest packed DIB the class takes: its sizes are 32-bit fields.
constexpr ULONGLONG kMaxImageBytes = 0xFFFFFFFFULL - kInfoHeaderSize - kMaskBytes - 4 * kMaxColors;

BOOL IsKnownHeaderSize(DWORD nSize) {
    switch (nSize) {
    case kCoreHeaderSize:
    case kInfoHeaderSize:
    case 52:   // BITMAPV2INFOHEADER: with the RGB masks
    case 56:   // BITMAPV3INFOHEADER: with the alpha mask too
    case 64:   // OS/2 2.x
    case 108:  // BITMAPV4HEADER
    case kLongestHeaderSize:
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL IsKnownBitCount(WORD nBits) {
    return nBits == 1 || nBits == 4 || nBits == 8 || nBits == 16 || nBits == 24 || nBits == 32;
}

BOOL CompressionFits(const BITMAPINFOHEADER& info) {
    switch (info.biCompression) {
    case BI_RGB:
        return TRUE;
    case BI_BITFIELDS:
        return info.biBitCount == 16 || info.biBitCount == 32;
    case BI_RLE8:
        return info.biBitCount == 8;
    case BI_RLE4:
        return info.biBitCount == 4;
    default:
        return FALSE;
    }
}

BOOL IsRunLength(const BITMAPINFOHEADER& info) {
    return info.biCompression == BI_RLE8 || info.biCompression == BI_RLE4;
}

// Fills rInfo from the header bytes in the file's form.
void ParseInfoHeader(const BYTE* pBytes, DWORD nSize, BITMAPINFOHEADER& rInfo) {
    rInfo = BITMAPINFOHEADER{};
    rInfo.biSize = kInfoHeaderSize;
    if (nSize == kCoreHeaderSize) {
        rInfo.biWidth = Get16(pBytes + 4);
        rInfo.biHeight = Get16(pBytes + 6);
        rInfo.biPlanes = Get16(pBytes + 8);
        rInfo.biBitCount = Get16(pBytes + 10);
        return;
    }
    rInfo.biWidth = static_cast<LONG>(Get32(pBytes + 4));
    rInfo.biHeight = static_cast<LONG>(Get32(pBytes + 8));
    rInfo.biPlanes = Get16(pBytes + 12);
    rInfo.biBitCount = Get16(pBytes + 14);
    rInfo.biCompression = Get32(pBytes + 16);
    rInfo.biSizeImage = Get32(pBytes + 20);
    rInfo.biXPelsPerMeter = static_cast<LONG>(Get32(pBytes + 24));
    rInfo.biYPelsPerMeter = static_cast<LONG>(Get32(pBytes + 28));
    rInfo.biClrUsed = Get32(pBytes + 32);
    rInfo.biClrImportant = Get32(pBytes + 36);
}

// Checks the image's size and fills in biSizeImage; FALSE for an empty or oversized image.
BOOL SizeImage(InfoHeaderRead& rHeader) {
    BITMAPINFOHEADER& info = rHeader.info;
    const long long nHeight = info.biHeight;
    rHeader.bTopDown = nHeight < 0;
    const long long nRows = nHeight < 0 ? -nHeight : nHeight;
    if (info.biWidth <= 0 || nRows == 0)
        return FALSE;
    if (IsRunLength(
            info))  // the coded size is the file's to say; a top-down RLE image is not valid
        return !rHeader.bTopDown && info.biSizeImage > 0 && info.biSizeImage <= kMaxImageBytes;
    const ULONGLONG nBytes = Stride(info.biWidth, info.biBitCount) * static_cast<ULONGLONG>(nRows);
    if (nBytes > kMaxImageBytes || info.biSizeImage > nBytes)
        return FALSE;
    info.biSizeImage = static_cast<DWORD>(nBytes);
    info.biHeight = static_cast<LONG>(nRows);
    return TRUE;
}

}  // namespace

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

BOOL ReadFileHeader(CArchive& ar, FileHeader& rHeader) {
    BYTE bytes[kFileHeaderSize];
    if (ar.Read(bytes, kFileHeaderSize) != kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        return FALSE;
    rHeader.nSize = Get32(bytes + 2);
    rHeader.nOffBits = Get32(bytes + 10);
    return TRUE;
}

BOOL ReadInfoHeader(CArchive& ar, InfoHeaderRead& rHeader) {
    BYTE bytes[kLongestHeaderSize] = {};
    if (ar.Read(bytes, 4) != 4)
        return FALSE;
    const DWORD nSize = Get32(bytes);
    if (!IsKnownHeaderSize(nSize) || ar.Read(bytes + 4, nSize - 4) != nSize - 4)
        return FALSE;
    rHeader = InfoHeaderRead{};
    rHeader.nSizeInFile = nSize;
    ParseInfoHeader(bytes, nSize, rHeader.info);
    BITMAPINFOHEADER& info = rHeader.info;
    if (!IsKnownBitCount(info.biBitCount) || !CompressionFits(info) || !SizeImage(rHeader))
        return FALSE;
    if (nSize == kCoreHeaderSize && info.biBitCount > 8 && info.biBitCount != 24)
        return FALSE;
    // More colours than the bit count can index (or than any table holds) is not an image.
    const DWORD nMaxColors = info.biBitCount <= 8 ? (1U << info.biBitCount) : kMaxColors;
    if (info.biClrUsed > nMaxColors)
        return FALSE;
    if (info.biClrUsed == 0 && info.biBitCount <= 8)
        info.biClrUsed = 1U << info.biBitCount;
    const DWORD nColors = info.biClrUsed;
    rHeader.bMasksInHeader = info.biCompression == BI_BITFIELDS && nSize >= 52;
    if (rHeader.bMasksInHeader)
        for (int i = 0; i < 3; ++i)
            rHeader.masks[i] = Get32(bytes + kInfoHeaderSize + 4 * i);
    const BOOL bMasksAfterHeader = info.biCompression == BI_BITFIELDS && !rHeader.bMasksInHeader;
    rHeader.nTableBytesInFile =
        (nSize == kCoreHeaderSize ? 3 : 4) * nColors + (bMasksAfterHeader ? kMaskBytes : 0);
    return TRUE;
}

BOOL ReadColorTable(CArchive& ar, const InfoHeaderRead& header, BYTE* pTable) {
    if (header.info.biCompression == BI_BITFIELDS) {
        if (header.bMasksInHeader)
            std::memcpy(pTable, header.masks, kMaskBytes);
        else if (ar.Read(pTable, kMaskBytes) != kMaskBytes)
            return FALSE;
        pTable += kMaskBytes;
    }
    const DWORD nColors = header.info.biClrUsed;
    if (header.nSizeInFile != kCoreHeaderSize)
        return ar.Read(pTable, 4 * nColors) == 4 * nColors;
    // Three-byte entries, widened in place from the last to the first.
    if (ar.Read(pTable, 3 * nColors) != 3 * nColors)
        return FALSE;
    for (DWORD i = nColors; i-- > 0;) {
        const BYTE blue = pTable[3 * i], green = pTable[3 * i + 1], red = pTable[3 * i + 2];
        pTable[4 * i] = blue;
        pTable[4 * i + 1] = green;
        pTable[4 * i + 2] = red;
        pTable[4 * i + 3] = 0;
    }
    return TRUE;
}

void TurnRowsOver(BYTE* pDIB) {
    const BITMAPINFOHEADER* pInfo = Info(pDIB);
    const auto nStride = static_cast<std::size_t>(Stride(pInfo->biWidth, pInfo->biBitCount));
    BYTE* pBits = pDIB + kInfoHeaderSize + ColorTableBytes(pDIB);
    std::vector<BYTE> row(nStride);
    for (LONG nTop = 0, nBottom = pInfo->biHeight - 1; nTop < nBottom; ++nTop, --nBottom) {
        BYTE* pTop = pBits + nTop * nStride;
        BYTE* pBottom = pBits + nBottom * nStride;
        std::memcpy(row.data(), pTop, nStride);
        std::memcpy(pTop, pBottom, nStride);
        std::memcpy(pBottom, row.data(), nStride);
    }
}

void WriteFileHeader(CArchive& ar, DWORD nFileSize, DWORD nOffBits) {
    ar << BYTE{'B'} << BYTE{'M'} << nFileSize << WORD{0} << WORD{0} << nOffBits;
}

}  // namespace dib_layout
