// COXDIB: blank images, colour tables and the two colours of a 1-bit image.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imagefile/dib/dib.h"
#include "imagefile/dib/packed_dib.h"

using namespace packed_dib;

namespace {

// The standard 16 colours (red, green, blue) a blank image's colour table repeats.
constexpr BYTE kStandardColors[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

// The largest blank image: a 32-bit block size with room for the header and a full table.
constexpr ULONGLONG kMaxBlankBytes = 0xFFFFFFFFULL - kInfoHeaderSize - 4 * kMaxColors;

BOOL IsMonochrome(const BYTE* pDIB) {
    return HeaderSize(pDIB) == kInfoHeaderSize && Info(pDIB)->biBitCount == 1;
}

}  // namespace

WORD COXDIB::InitInfoHeader(BITMAPINFOHEADER* pHeader, DWORD nWidth, DWORD nHeight, int nBits) {
    *pHeader = BITMAPINFOHEADER{};
    pHeader->biSize = kInfoHeaderSize;
    pHeader->biWidth = static_cast<LONG>(nWidth);
    pHeader->biHeight = static_cast<LONG>(nHeight);
    pHeader->biPlanes = 1;
    pHeader->biCompression = BI_RGB;
    if (nBits <= 1) {
        pHeader->biBitCount = 1;
    } else if (nBits <= 4) {
        pHeader->biBitCount = 4;
        pHeader->biClrUsed = 16;
    } else if (nBits <= 8) {
        pHeader->biBitCount = 8;
        pHeader->biClrUsed = 256;
    } else {
        pHeader->biBitCount = 24;
    }
    pHeader->biSizeImage = static_cast<DWORD>(Stride(nWidth, pHeader->biBitCount) * nHeight);
    return pHeader->biBitCount;
}

BOOL COXDIB::Create(WORD nBits, DWORD nWidth, DWORD nHeight) {
    const bool bKnownBits =
        nBits == 1 || nBits == 4 || nBits == 8 || nBits == 16 || nBits == 24 || nBits == 32;
    if (!bKnownBits || nWidth == 0 || nHeight == 0 || nWidth > 0x7FFFFFFF || nHeight > 0x7FFFFFFF)
        return FALSE;
    BITMAPINFOHEADER header;
    const WORD nNormalised = InitInfoHeader(&header, 1, 1, nBits);
    // Sized for the bit count the header will carry.
    const ULONGLONG nImageBytes = Stride(nWidth, nNormalised) * nHeight;
    if (nImageBytes > kMaxBlankBytes)
        return FALSE;
    HGLOBAL hDIB =
        GlobalAlloc(GHND, static_cast<SIZE_T>(nImageBytes) + kInfoHeaderSize + 4 * kMaxColors);
    if (hDIB == nullptr)
        return FALSE;
    auto* p = static_cast<BYTE*>(GlobalLock(hDIB));
    if (p == nullptr) {
        GlobalFree(hDIB);
        return FALSE;
    }
    InitInfoHeader(Info(p), nWidth, nHeight, nBits);
    RGBQUAD* pTable = ColorTable(p);
    for (DWORD i = 0; i < Info(p)->biClrUsed; ++i) {
        const BYTE* rgb = kStandardColors[i % 16];
        pTable[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
    }
    GlobalUnlock(hDIB);
    Empty();
    m_hDIB = hDIB;
    return TRUE;
}

BOOL COXDIB::SetColorTable(CPalette* pPalette, UINT nUsage) {
    if (IsEmpty())
        return FALSE;
    CGlobalLock dib(m_hDIB);
    BYTE* p = dib.Get();
    if (p == nullptr || HeaderSize(p) != kInfoHeaderSize)
        return FALSE;
    const BITMAPINFOHEADER* pInfo = Info(p);
    DWORD nColors = pInfo->biClrUsed;
    if (nColors == 0 && pInfo->biBitCount <= 8)
        nColors = 1U << pInfo->biBitCount;
    if (nColors == 3 && pInfo->biCompression == BI_BITFIELDS)
        nColors = 0;  // those are the colour masks
    nColors = std::min(nColors, kMaxColors);
    if (nUsage == DIB_PAL_COLORS) {
        auto* pIndexes = reinterpret_cast<WORD*>(ColorTable(p));
        for (DWORD i = 0; i < nColors; ++i)
            pIndexes[i] = static_cast<WORD>(i);
    } else {
        std::vector<PALETTEENTRY> entries(kMaxColors, PALETTEENTRY{0, 0, 0, 0});
        if (pPalette != nullptr)
            pPalette->GetPaletteEntries(0, nColors, entries.data());
        else
            GetDefaultPaletteEntries(entries.data(), nColors);
        // Entries beyond the palette's own are black.
        RGBQUAD* pTable = ColorTable(p);
        for (DWORD i = 0; i < nColors; ++i)
            pTable[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    }
    return TRUE;
}

BOOL COXDIB::GetMonoColors(COLORREF& rColor0, COLORREF& rColor1, const BYTE* pDIB) const {
    const BYTE* p = pDIB != nullptr ? pDIB : static_cast<const BYTE*>(GlobalLock(m_hDIB));
    const BOOL bMono = p != nullptr && IsMonochrome(p);
    if (bMono) {
        const BYTE* pTable = p + kInfoHeaderSize;
        std::memcpy(&rColor0, pTable, sizeof rColor0);
        std::memcpy(&rColor1, pTable + 4, sizeof rColor1);
    }
    if (pDIB == nullptr && p != nullptr)
        GlobalUnlock(m_hDIB);
    return bMono;
}

void COXDIB::SetMonoColors(COLORREF color0, COLORREF color1, BYTE* pDIB) {
    BYTE* p = pDIB != nullptr ? pDIB : static_cast<BYTE*>(GlobalLock(m_hDIB));
    if (p != nullptr && IsMonochrome(p)) {
        std::memcpy(p + kInfoHeaderSize, &color0, sizeof color0);
        std::memcpy(p + kInfoHeaderSize + 4, &color1, sizeof color1);
    }
    if (pDIB == nullptr && p != nullptr)
        GlobalUnlock(m_hDIB);
}
