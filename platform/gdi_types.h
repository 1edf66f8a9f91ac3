// The device-independent bitmap and palette records, with Windows' layouts and names, and the
// framework's size and rectangle values. Windows takes the records from its own headers.
#pragma once

#include "platform/types.h"

#if defined(_WIN32)
#include <windef.h>
#include <wingdi.h>
#else
#include <cstdint>

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct RGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

using COLORREF = DWORD;
struct HPALETTE__;
using HPALETTE = HPALETTE__*;

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define PC_NOCOLLAPSE 0x04
#endif

static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(BITMAPCOREHEADER) == 12 &&
                  sizeof(RGBQUAD) == 4 && sizeof(RGBTRIPLE) == 3 && sizeof(PALETTEENTRY) == 4,
              "the records must have the file's layout");

// A width and a height.
struct CSize {
    CSize() = default;
    CSize(LONG x, LONG y) : cx(x), cy(y) {}
    bool operator==(const CSize& other) const { return cx == other.cx && cy == other.cy; }
    bool operator!=(const CSize& other) const { return !(*this == other); }
    LONG cx = 0;
    LONG cy = 0;
};

// A rectangle by its edges; right and bottom lie just outside it.
struct CRect {
    CRect() = default;
    CRect(LONG l, LONG t, LONG r, LONG b) : left(l), top(t), right(r), bottom(b) {}
    LONG Width() const { return right - left; }
    LONG Height() const { return bottom - top; }
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};
