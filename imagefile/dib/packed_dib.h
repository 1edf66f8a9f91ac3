// The packed DIB: its headers, colour table and rows as COXDIB holds them in one block, and the
// file header COXDIB writes before it.
#pragma once

#include <cstring>

#include "imagefile/bitmap_format.h"
#include "imagefile/bitmap_layout.h"
#include "platform/archive.h"
#include "platform/gdi_types.h"
#include "platform/global_memory.h"

namespace packed_dib {

using bitmap_format::GetSmallPixel;
using bitmap_format::kCoreHeaderSize;
using bitmap_format::kFileHeaderSize;
using bitmap_format::kInfoHeaderSize;
using bitmap_format::kMaskBytes;
using bitmap_format::PutSmallPixel;
using bitmap_format::Stride;
constexpr DWORD kMaxColors = bitmap_format::kMaxColors;

inline DWORD HeaderSize(const BYTE* pDIB) {
    DWORD n = 0;
    std::memcpy(&n, pDIB, sizeof n);
    return n;
}
inline BITMAPINFOHEADER* Info(BYTE* pDIB) { return reinterpret_cast<BITMAPINFOHEADER*>(pDIB); }
inline const BITMAPINFOHEADER* Info(const BYTE* pDIB) {
    return reinterpret_cast<const BITMAPINFOHEADER*>(pDIB);
}
inline const BITMAPCOREHEADER* Core(const BYTE* pDIB) {
    return reinterpret_cast<const BITMAPCOREHEADER*>(pDIB);
}

// Entries of the colour table: biClrUsed, else those the bit count implies.
WORD NumColors(const BYTE* pDIB);
// Bytes between the header and the pixels: the masks of BI_BITFIELDS, then the colour table.
DWORD ColorTableBytes(const BYTE* pDIB);
DWORD ColorTableBytes(const BITMAPINFOHEADER& info, DWORD nColors);
// Colour-table entry i as a palette entry.
PALETTEENTRY ColorEntry(const BYTE* pDIB, DWORD i);
// Where colour-table entry i of a 40-byte-header DIB lies.
RGBQUAD* ColorTable(BYTE* pDIB);

// The packed DIB a file of this layout becomes: a 40-byte header, the masks of bit fields, the
// colour table in use, and bottom-up rows, run-length pictures decoded.
SIZE_T PackedSize(const BitmapLayout& layout);
// Puts the header and the colour table (after the masks) of that DIB at p.
void PutHeaderAndTable(const BitmapLayout& layout, BYTE* p);
// Whether every pixel of the colour-mapped rows at pBits has a colour in the table, as the
// converter requires.
BOOL IndexesWithinTable(const BitmapLayout& layout, const BYTE* pBits);

// Reverses the order of the stored rows: a top-down image becomes bottom-up.
void TurnRowsOver(BYTE* pDIB);
void WriteFileHeader(CArchive& ar, DWORD nFileSize, DWORD nOffBits);

}  // namespace packed_dib
