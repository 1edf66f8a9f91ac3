// BitmapLayout: the one reader of bitmap file headers. Every header size, the colour table, the
// bit-field masks, the compression, the pixel offset and the picture's size are read and checked
// here, against one set of limits and before anything is allocated for the picture; the answer
// is the layout or the code of what is wrong. The bitmap file, the reader of every layout, the
// DIB and the fuzz targets all ask it, so they agree on what a bitmap is.
#pragma once

#include <functional>

#include "imagefile/bitmap_codes.h"
#include "libjpeg/libjpeg.h"
#include "platform/gdi_types.h"
#include "platform/types.h"

// Which layouts a reader takes.
enum class BitmapRules {
    // The bitmap file's own: 8 or 24 bits, uncompressed, bottom-up, with a 12-, 40- or 64-byte
    // header and at most 256 colours; refusals in the order its codes have always come.
    Classic,
    // Every layout in common use: 1 to 32 bits, bit fields, run-length coding, top-down, every
    // header size from 12 to 124 bytes, a colour table longer than the bit count needs.
    Every,
};

// One colour channel of a 16- or 32-bit pixel.
struct BitmapField {
    DWORD nMask = 0;
    int nShift = 0;  // of the mask's lowest bit
    int nBits = 0;   // of the mask, which has no holes
};

// The colour-space types of a version-5 header that name a profile: 'MBED' and 'LINK'.
constexpr DWORD kProfileEmbedded = 0x4D424544;
constexpr DWORD kProfileLinked = 0x4C494E4B;

struct BitmapLayout {
    DWORD nPixelOffset = 0;  // bfOffBits, from the file's first byte
    DWORD nInfoSize = 0;     // the info header's length in the file
    LONG nWidth = 0;
    LONG nHeight = 0;  // rows, whichever way they are stored
    BOOL bTopDown = FALSE;
    int nBitsPerPixel = 0;
    // BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS (alpha bit fields are read as bit fields).
    DWORD nCompression = BI_RGB;
    DWORD nSizeImage = 0;  // as the header says; only run-length data relies on it
    DWORD nXPelsPerMeter = 0;
    DWORD nYPelsPerMeter = 0;
    DWORD nClrImportant = 0;
    // Red, green and blue of a 16- or 32-bit pixel: the file's masks, or the plain layout's.
    BitmapField fields[3];
    UINT nMaskBytes = 0;  // masks between the info header and the colour table
    int nEntrySize = 4;   // bytes per colour entry in the file: 3 after a 12-byte header
    int nColors = 0;      // entries of the colour table in use; 0 above 8 bits
    RGBQUAD colors[256] = {};
    ULONGLONG nStride = 0;  // bytes per stored row, padding included
    // Bytes between the end of the colour table's entries in use and the pixels: the entries
    // beyond what the bit count can index, and any gap the pixel offset leaves.
    ULONGLONG nGap = 0;

    // A version-5 header's colour profile: its type (kProfileEmbedded, kProfileLinked: a file
    // name) and where it lies, counted from the info header's first byte; 0 without one.
    DWORD nProfileType = 0;
    DWORD nProfileData = 0;
    DWORD nProfileSize = 0;

    BOOL IsOS2Core() const { return nInfoSize == 12; }
    BOOL IsRunLength() const { return nCompression == BI_RLE8 || nCompression == BI_RLE4; }
    BOOL HasMasks() const { return nCompression == BI_BITFIELDS; }
    // The stored rows of an uncompressed picture.
    ULONGLONG PixelBytes() const { return nStride * static_cast<ULONGLONG>(nHeight); }
    // Whether a file of nLength bytes, the bitmap starting at nStart, holds the pixels: where
    // they start and, uncompressed, every row. Asked before anything is read for them.
    BOOL PixelsFit(ULONGLONG nStart, ULONGLONG nLength) const {
        const ULONGLONG nPixels = nStart + nPixelOffset;
        return nPixels <= nLength && (IsRunLength() || PixelBytes() <= nLength - nPixels);
    }
};

// Reads bytes of the file in order, from its first byte on; the number read, short at its end.
using BitmapByteReader = std::function<UINT(BYTE* pBuffer, UINT nBytes)>;

// Reads the file header, the info header, the masks and the colour table's entries in use, and
// checks them by rules. 0, with the next byte the first of nGap bytes before the pixels; or the
// refusal's code: JERR_INPUT_EOF when the file ends first, else one of the BMP_ERR codes.
int ReadBitmapLayout(const BitmapByteReader& read, BitmapRules rules, BitmapLayout& rLayout);

// The same over a file's bytes in memory, nSize of them from pFile on.
int ReadBitmapLayout(const BYTE* pFile, ULONGLONG nSize, BitmapRules rules, BitmapLayout& rLayout);

// The same for a compressor's source: a refusal is raised through cinfo's error manager, and the
// resolution the header gives goes into the JPEG in dots per centimetre.
BitmapLayout ReadBitmapLayoutFor(j_compress_ptr cinfo, const BitmapByteReader& read,
                                 BitmapRules rules);

// Whether a file header has nothing after it (its size and pixel offset are its own length): the
// record an empty DIB leaves in an archive.
BOOL IsBareFileHeader(const BYTE* pFileHeader);

// Whether the bitmap file's own reader takes the file at this path: then its output stays exactly
// what it has always been.
BOOL IsClassicBitmapLayout(LPCTSTR lpszPath);

// Decodes run-length data into one colour index per pixel: row y (counted from the bottom, as
// stored) at pIndexes + y × nRowBytes. Pixels the data skips stay as they were. 0, or
// BMP_ERR_BAD_RLE for data that runs off the picture or ends before its end mark.
int DecodeBitmapRunLength(const BitmapLayout& layout, const BYTE* pData, ULONGLONG nDataBytes,
                          BYTE* pIndexes, ULONGLONG nRowBytes);

// The largest run-length picture, which is held decoded, in pixels.
constexpr ULONGLONG kMaxRunLengthPixels = 256ULL * 1024 * 1024;
