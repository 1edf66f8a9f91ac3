// COXDIB's pixel operations: rotation and mirroring, resizing, and reduction to 8 bits.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "imagefile/dib/dib.h"
#include "imagefile/dib/packed_dib.h"

using namespace packed_dib;

namespace {

// Ordered-dither thresholds, by column and row modulo 8.
constexpr BYTE kThresholds[8][8] = {
    {0, 38, 9, 47, 2, 40, 11, 50},  {25, 12, 35, 22, 27, 15, 37, 24},
    {6, 44, 3, 41, 8, 47, 5, 43},   {31, 19, 28, 15, 34, 21, 31, 18},
    {1, 39, 11, 49, 0, 39, 10, 48}, {27, 14, 36, 23, 26, 13, 35, 23},
    {7, 46, 4, 43, 7, 45, 3, 42},   {33, 20, 30, 17, 32, 19, 29, 16}};

// A 6 x 6 x 6 colour-cube index to its place in a halftone palette laid out otherwise.
constexpr BYTE kCubeToPalette[216] = {
    0,   29,  30,  31,  32,  249, 33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,
    45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  250, 250, 57,  58,  59,  251,
    60,  61,  62,  63,  64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,
    78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  250, 90,  91,  92,  93,  94,
    95,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 227,
    112, 113, 114, 115, 116, 117, 118, 119, 151, 120, 121, 122, 123, 124, 228, 125, 126, 229,
    133, 162, 135, 131, 132, 137, 166, 134, 140, 130, 136, 143, 138, 139, 174, 141, 142, 177,
    129, 144, 145, 146, 147, 148, 149, 150, 157, 152, 153, 154, 155, 156, 192, 158, 159, 160,
    161, 196, 163, 164, 165, 127, 199, 167, 168, 169, 170, 171, 172, 173, 207, 175, 176, 210,
    178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 224, 193, 194, 195,
    252, 252, 197, 198, 128, 253, 252, 200, 201, 202, 203, 204, 205, 206, 230, 208, 209, 231,
    211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 254, 223, 232, 225, 226, 255};

constexpr int kCubeStep = 51;  // 255 / 5: six levels per channel

// Whether a halftone palette holds the colour cube in the cube's own order. Such a palette is
// known by its entry 1, red 44 with no green or blue; any other is reached through
// kCubeToPalette.
bool HoldsCubeInOrder(CPalette& halftone) {
    PALETTEENTRY second{};
    halftone.GetPaletteEntries(1, 1, &second);
    return second.peRed == 44 && second.peGreen == 0 && second.peBlue == 0;
}

// One row of blue, green, red pixels (nBytes each) dithered to the cube's indexes, row y of the
// picture; bTranslate: through kCubeToPalette to the palette's own places.
void DitherRowToCube(const BYTE* pIn, int nBytes, LONG nWidth, LONG y, bool bTranslate,
                     BYTE* pOut) {
    for (LONG x = 0; x < nWidth; ++x, pIn += nBytes) {
        const int nThreshold = kThresholds[x % 8][y % 8];
        auto level = [nThreshold](BYTE v) {
            return v / kCubeStep + (v % kCubeStep > nThreshold ? 1 : 0);
        };
        const int nIndex = level(pIn[2]) + 6 * level(pIn[1]) + 36 * level(pIn[0]);
        pOut[x] = bTranslate ? kCubeToPalette[nIndex] : static_cast<BYTE>(nIndex);
    }
}

// The header of a locked DIB whose pixels lie on a grid that can be moved (not run-length
// coded), or NULL.
const BITMAPINFOHEADER* MovableInfo(const BYTE* p) {
    if (p == nullptr || HeaderSize(p) != kInfoHeaderSize)
        return nullptr;
    const BITMAPINFOHEADER* pInfo = Info(p);
    return pInfo->biCompression == BI_RGB || pInfo->biCompression == BI_BITFIELDS ? pInfo : nullptr;
}

// A new block like the locked DIB p (header, masks and colour table) for an image of nWidth x
// nHeight; NULL when it would not fit a 32-bit size or memory is short.
HGLOBAL AllocateLike(const BYTE* p, long long nWidth, long long nHeight, ULONGLONG nStride) {
    const DWORD nTable = ColorTableBytes(p);
    const ULONGLONG nImage = nStride * static_cast<ULONGLONG>(nHeight);
    if (nWidth <= 0 || nHeight <= 0 || nImage > 0xFFFFFFFFULL - kInfoHeaderSize - nTable)
        return nullptr;
    HGLOBAL h = GlobalAlloc(GHND, kInfoHeaderSize + nTable + static_cast<SIZE_T>(nImage));
    if (h == nullptr)
        return nullptr;
    auto* pNew = static_cast<BYTE*>(GlobalLock(h));
    std::memcpy(pNew, p, kInfoHeaderSize + nTable);
    Info(pNew)->biWidth = static_cast<LONG>(nWidth);
    Info(pNew)->biHeight = static_cast<LONG>(nHeight);
    Info(pNew)->biSizeImage = static_cast<DWORD>(nImage);
    GlobalUnlock(h);
    return h;
}

// How many times each of nSource rows or columns occurs among nDest: Bresenham-like, so that
// repeated and dropped ones spread evenly.
std::vector<int> Repetitions(long long nSource, long long nDest) {
    std::vector<int> counts(static_cast<std::size_t>(nSource));
    long long e = 0;
    for (auto& nCount : counts) {
        e += 2 * (nDest - nSource);
        const long long k = e > 0 ? (e + nSource) / (2 * nSource) : (e - nSource) / (2 * nSource);
        nCount = static_cast<int>(k + 1);
        if (k != 0)
            e -= 2 * nSource * k;
    }
    return counts;
}

// Where each destination pixel (c, r) of a turned and mirrored image comes from: undo the
// mirroring, then the turn. Rows are counted from the bottom, as stored.
struct PixelMap {
    int nTurn;
    BOOL bFlipVertical;
    BOOL bFlipHorizontal;
    LONG nWidth;  // the destination's
    LONG nHeight;

    void Source(LONG c, LONG r, LONG& x, LONG& y) const {
        const LONG c0 = bFlipHorizontal ? nWidth - 1 - c : c;
        const LONG r0 = bFlipVertical ? nHeight - 1 - r : r;
        switch (nTurn) {
        case 90:
            x = nHeight - 1 - r0, y = c0;
            break;
        case 180:
            x = nWidth - 1 - c0, y = nHeight - 1 - r0;
            break;
        case 270:
            x = r0, y = nWidth - 1 - c0;
            break;
        default:
            x = c0, y = r0;
            break;
        }
    }
};

// Whole-byte pixels. The source offset is affine in (c, r), so each destination row walks the
// source with a fixed step; tiles keep those walks (down columns, for quarter turns) in cache.
template <int nBytes>
void MoveTiles(const BYTE* pSource, std::ptrdiff_t nSourceStride, BYTE* pDest, std::size_t nStride,
               const PixelMap& map) {
    const auto offset = [&](LONG c, LONG r) {
        LONG x = 0, y = 0;
        map.Source(c, r, x, y);
        return static_cast<std::ptrdiff_t>(y) * nSourceStride +
               static_cast<std::ptrdiff_t>(x) * nBytes;
    };
    const std::ptrdiff_t nOrigin = offset(0, 0);
    const std::ptrdiff_t nStepC = map.nWidth > 1 ? offset(1, 0) - nOrigin : 0;
    const std::ptrdiff_t nStepR = map.nHeight > 1 ? offset(0, 1) - nOrigin : 0;
    constexpr LONG kTile = 64;
    for (LONG rTile = 0; rTile < map.nHeight; rTile += kTile)
        for (LONG cTile = 0; cTile < map.nWidth; cTile += kTile) {
            const LONG rEnd = std::min(rTile + kTile, map.nHeight);
            const LONG cEnd = std::min(cTile + kTile, map.nWidth);
            for (LONG r = rTile; r < rEnd; ++r) {
                const BYTE* pIn = pSource + nOrigin + r * nStepR + cTile * nStepC;
                BYTE* pOut = pDest + static_cast<std::size_t>(r) * nStride +
                             static_cast<std::size_t>(cTile) * nBytes;
                for (LONG c = cTile; c < cEnd; ++c, pIn += nStepC, pOut += nBytes)
                    std::memcpy(pOut, pIn, nBytes);
            }
        }
}

void MovePixels(const BYTE* pSource, ULONGLONG nSourceStride, BYTE* pDest, ULONGLONG nStride,
                const PixelMap& map, int nBytes) {
    const auto nIn = static_cast<std::ptrdiff_t>(nSourceStride);
    const auto nOut = static_cast<std::size_t>(nStride);
    switch (nBytes) {
    case 1:
        return MoveTiles<1>(pSource, nIn, pDest, nOut, map);
    case 2:
        return MoveTiles<2>(pSource, nIn, pDest, nOut, map);
    case 3:
        return MoveTiles<3>(pSource, nIn, pDest, nOut, map);
    default:
        return MoveTiles<4>(pSource, nIn, pDest, nOut, map);
    }
}

// 1- and 4-bit pixels, one by one.
void MoveSmallPixels(const BYTE* pSource, ULONGLONG nSourceStride, BYTE* pDest, ULONGLONG nStride,
                     const PixelMap& map, int nBits) {
    for (LONG r = 0; r < map.nHeight; ++r) {
        BYTE* pRow = pDest + static_cast<std::size_t>(r) * nStride;
        for (LONG c = 0; c < map.nWidth; ++c) {
            LONG x = 0, y = 0;
            map.Source(c, r, x, y);
            const BYTE* pSourceRow = pSource + static_cast<std::size_t>(y) * nSourceStride;
            PutSmallPixel(pRow, c, nBits, GetSmallPixel(pSourceRow, x, nBits));
        }
    }
}

}  // namespace

void COXDIB::TakeBlock(HGLOBAL hDIB) {
    GlobalFree(m_hDIB);
    m_hDIB = hDIB;
}

BOOL COXDIB::Rotate(int nAngle, BOOL bFlipVertical, BOOL bFlipHorizontal) {
    if (nAngle % 90 != 0 || IsEmpty())
        return FALSE;
    const int nTurn = ((nAngle % 360) + 360) % 360;
    if (nTurn == 0 && !bFlipVertical && !bFlipHorizontal)
        return TRUE;
    CGlobalLock source(m_hDIB);
    const BYTE* p = source.Get();
    const BITMAPINFOHEADER* pInfo = MovableInfo(p);
    if (pInfo == nullptr)
        return FALSE;
    const int nBits = pInfo->biBitCount;
    const LONG nWidth = pInfo->biWidth, nHeight = pInfo->biHeight;
    const bool bSwap = nTurn == 90 || nTurn == 270;
    const LONG nNewWidth = bSwap ? nHeight : nWidth, nNewHeight = bSwap ? nWidth : nHeight;
    const ULONGLONG nSourceStride = Stride(nWidth, nBits), nStride = Stride(nNewWidth, nBits);
    HGLOBAL hNew = AllocateLike(p, nNewWidth, nNewHeight, nStride);
    if (hNew == nullptr)
        return FALSE;
    {
        CGlobalLock dest(hNew);
        const BYTE* pSourceBits = GetBits(p);
        BYTE* pBits = GetBits(dest.Get());
        const PixelMap map{nTurn, bFlipVertical, bFlipHorizontal, nNewWidth, nNewHeight};
        if (nBits >= 8)
            MovePixels(pSourceBits, nSourceStride, pBits, nStride, map, nBits / 8);
        else
            MoveSmallPixels(pSourceBits, nSourceStride, pBits, nStride, map, nBits);
    }
    source.Forget();
    TakeBlock(hNew);  // the palette stays: the colour table is the same
    return TRUE;
}

BOOL COXDIB::Resize(int nWidth, int nHeight) {
    if (IsEmpty() || nWidth <= 0 || nHeight <= 0)
        return FALSE;
    CGlobalLock source(m_hDIB);
    const BYTE* p = source.Get();
    const BITMAPINFOHEADER* pInfo = MovableInfo(p);
    const int nBytes = pInfo != nullptr ? pInfo->biBitCount / 8 : 0;
    if (nBytes == 0)
        return FALSE;
    // How often each column and row repeats, before the new block: the lists may not fit.
    std::vector<int> columns, rows;
    try {
        columns = Repetitions(pInfo->biWidth, nWidth);
        rows = Repetitions(pInfo->biHeight, nHeight);
    } catch (const std::exception&) {
        return FALSE;
    }
    const ULONGLONG nStride = Stride(nWidth, 8 * nBytes);
    HGLOBAL hNew = AllocateLike(p, nWidth, nHeight, nStride);
    if (hNew == nullptr)
        return FALSE;
    {
        CGlobalLock dest(hNew);
        const ULONGLONG nSourceStride = Stride(pInfo->biWidth, pInfo->biBitCount);
        const BYTE* pSourceRow = GetBits(p);
        BYTE* pOut = GetBits(dest.Get());
        for (int nRepeat : rows) {
            if (nRepeat > 0) {
                BYTE* pRow = pOut;
                const BYTE* pIn = pSourceRow;
                for (int nColumnRepeat : columns) {
                    for (int i = 0; i < nColumnRepeat; ++i, pRow += nBytes)
                        std::memcpy(pRow, pIn, nBytes);
                    pIn += nBytes;
                }
                for (int i = 1; i < nRepeat; ++i)
                    std::memcpy(pOut + i * nStride, pOut, nStride);
                pOut += nRepeat * nStride;
            }
            pSourceRow += nSourceStride;
        }
    }
    source.Forget();
    TakeBlock(hNew);
    return TRUE;
}

BOOL COXDIB::ReduceTo8Bit(std::unique_ptr<CPalette> pHalftone) {
    if (IsEmpty() || pHalftone == nullptr || pHalftone->GetEntryCount() < 256)
        return FALSE;
    const bool bTranslate = !HoldsCubeInOrder(*pHalftone);
    COXDIB reduced;
    {
        CGlobalLock source(m_hDIB);
        const BYTE* p = source.Get();
        if (p == nullptr || HeaderSize(p) != kInfoHeaderSize)
            return FALSE;
        const BITMAPINFOHEADER* pInfo = Info(p);
        // Blue, green, red in 3 or 4 bytes; 16-bit and masked pixels are not read here.
        if (pInfo->biBitCount < 24 || pInfo->biCompression != BI_RGB)
            return FALSE;
        const LONG nWidth = pInfo->biWidth, nHeight = pInfo->biHeight;
        try {
            if (!reduced.Create(8, static_cast<DWORD>(nWidth), static_cast<DWORD>(nHeight)) ||
                !reduced.SetColorTable(pHalftone.get(), DIB_RGB_COLORS))
                return FALSE;
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
        CGlobalLock dest(reduced.m_hDIB);
        const int nBytes = pInfo->biBitCount / 8;
        const ULONGLONG nSourceStride = Stride(nWidth, pInfo->biBitCount),
                        nStride = Stride(nWidth, 8);
        for (LONG y = 0; y < nHeight; ++y)
            DitherRowToCube(GetBits(p) + static_cast<std::size_t>(y) * nSourceStride, nBytes,
                            nWidth, y, bTranslate,
                            GetBits(dest.Get()) + static_cast<std::size_t>(y) * nStride);
    }
    Empty();
    m_hDIB = reduced.Detach();
    m_pPalette = pHalftone.release();
    return TRUE;
}
