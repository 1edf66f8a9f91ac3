// Reading and checking a bitmap file's headers, masks and colour table; run-length decoding.
#include "imagefile/bitmap_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "imagefile/bitmap_format.h"
#include "imagefile/byte_fields.h"
#include "platform/file.h"
#include "platform/memfile.h"

namespace {

using byte_fields::Get16;
using byte_fields::Get32;
using namespace bitmap_format;

constexpr UINT kLongestClassicHeader = 64;
constexpr UINT kMasksInHeaderFrom = 52;
// JPEG's own limit: a bitmap wider or taller converts to nothing.
constexpr LONG kMaxDimension = 65500;
// The pixels of a bitmap file lie within its 32-bit size, beside the longest headers and table.
constexpr ULONGLONG kMaxPixelBytes = 0xFFFFFFFFULL - kMostHeaderBytes;

// Compression values beyond those the DIB records name.
constexpr DWORD kCompressionJPEG = 4;  // OS/2 2.x: 24-bit run-length
constexpr DWORD kCompressionPNG = 5;
constexpr DWORD kCompressionAlphaBitFields = 6;

BOOL IsClassicHeaderSize(UINT nSize) {
    return nSize == kCoreHeaderSize || nSize == kInfoHeaderSize || nSize == kLongestClassicHeader;
}

BOOL IsOS2Header(UINT nSize) { return nSize == kCoreHeaderSize || nSize == 16 || nSize == 64; }

BOOL TakesBitCount(BitmapRules rules, int nBits) {
    if (rules == BitmapRules::Classic)
        return nBits == 8 || nBits == 24;
    return nBits == 1 || nBits == 4 || nBits == 8 || nBits == 16 || nBits == 24 || nBits == 32;
}

// The codes that name what the pixels really are; the reader of every layout says them first.
int NamedCompressionRefusal(const BitmapLayout& l) {
    if (IsOS2Header(l.nInfoSize) &&
        (l.nCompression == BI_BITFIELDS || l.nCompression == kCompressionJPEG))
        return BMP_ERR_OS2_COMPRESSION;
    if (l.nCompression == kCompressionJPEG)
        return BMP_ERR_EMBEDDED_JPEG;
    if (l.nCompression == kCompressionPNG)
        return BMP_ERR_EMBEDDED_PNG;
    return 0;
}

BOOL CompressionFitsBitCount(BitmapRules rules, DWORD nCompression, int nBits) {
    if (nCompression == BI_RGB)
        return TRUE;
    if (rules == BitmapRules::Classic)
        return FALSE;
    switch (nCompression) {
    case BI_RLE8:
        return nBits == 8;
    case BI_RLE4:
        return nBits == 4;
    case BI_BITFIELDS:
    case kCompressionAlphaBitFields:
        return nBits == 16 || nBits == 32;
    default:
        return FALSE;
    }
}

// The info header's fields; a header shorter than 40 bytes leaves the rest zero.
void ParseInfoHeader(const BYTE* info, BitmapLayout& l, unsigned& rnPlanes, long& rnClrUsed) {
    if (l.IsOS2Core()) {
        l.nWidth = static_cast<LONG>(Get16(info + 4));
        l.nHeight = static_cast<LONG>(Get16(info + 6));
        rnPlanes = Get16(info + 8);
        l.nBitsPerPixel = static_cast<int>(Get16(info + 10));
        l.nEntrySize = kCoreEntrySize;
        rnClrUsed = 0;
        return;
    }
    l.nWidth = static_cast<std::int32_t>(Get32(info + 4));
    l.nHeight = static_cast<std::int32_t>(Get32(info + 8));
    rnPlanes = Get16(info + 12);
    l.nBitsPerPixel = static_cast<int>(Get16(info + 14));
    l.nCompression = Get32(info + 16);
    l.nSizeImage = Get32(info + 20);
    l.nXPelsPerMeter = Get32(info + 24);
    l.nYPelsPerMeter = Get32(info + 28);
    rnClrUsed = static_cast<std::int32_t>(Get32(info + 32));  // 0 or less: a full table
    l.nClrImportant = Get32(info + 36);
    if (l.nInfoSize >= kLongestHeader) {
        l.nProfileType = Get32(info + 56);
        l.nProfileData = Get32(info + 112);
        l.nProfileSize = Get32(info + 116);
    }
}

// Width and height: not empty, bottom-up for the bitmap file's own reader, within JPEG's and
// the file format's sizes. A run-length picture is held decoded, so it has a limit of its own.
int CheckDimensions(BitmapRules rules, BitmapLayout& l) {
    if (l.nWidth <= 0 || l.nHeight == 0 || (rules == BitmapRules::Classic && l.nHeight < 0))
        return BMP_ERR_HEADER;
    l.bTopDown = l.nHeight < 0;
    if (l.bTopDown && l.nHeight < -kMaxDimension)
        return BMP_ERR_TOO_LARGE;
    l.nHeight = l.bTopDown ? -l.nHeight : l.nHeight;
    if (l.bTopDown && l.IsRunLength())
        return BMP_ERR_BAD_RLE;  // run-length pictures are stored bottom-up only
    if (l.nWidth > kMaxDimension || l.nHeight > kMaxDimension)
        return BMP_ERR_TOO_LARGE;
    l.nStride = Stride(l.nWidth, l.nBitsPerPixel);
    const ULONGLONG nPixels = static_cast<ULONGLONG>(l.nWidth) * static_cast<ULONGLONG>(l.nHeight);
    if (l.IsRunLength() ? nPixels > kMaxRunLengthPixels : l.PixelBytes() > kMaxPixelBytes)
        return BMP_ERR_TOO_LARGE;
    return 0;
}

// A mask's place and width; FALSE when it is empty or has holes.
BOOL MakeField(DWORD nMask, BitmapField& rField) {
    rField = BitmapField{};
    rField.nMask = nMask;
    if (nMask == 0)
        return FALSE;
    while (((nMask >> rField.nShift) & 1) == 0)
        ++rField.nShift;
    while (rField.nShift + rField.nBits < 32 && ((nMask >> (rField.nShift + rField.nBits)) & 1))
        ++rField.nBits;
    const DWORD nFull = rField.nBits == 32 ? 0xFFFFFFFFu : (1u << rField.nBits) - 1;
    return (nMask >> rField.nShift) == nFull;
}

// The channels of 16- and 32-bit pixels: the file's masks (in a header of 52 bytes or more,
// else right after it), or the plain layouts' 5-5-5 and 8-8-8.
int ReadFields(const BitmapByteReader& read, const BYTE* info, BitmapLayout& l,
               DWORD nFileCompression) {
    BYTE masks[16] = {};
    if (l.HasMasks() && l.nInfoSize >= kMasksInHeaderFrom) {
        std::memcpy(masks, info + 40, 12);
    } else if (l.HasMasks()) {
        l.nMaskBytes = nFileCompression == kCompressionAlphaBitFields ? 16 : 12;
        if (read(masks, l.nMaskBytes) != l.nMaskBytes)
            return JERR_INPUT_EOF;
    } else if (l.nBitsPerPixel == 16) {
        const DWORD plain[3] = {0x7C00, 0x03E0, 0x001F};
        std::memcpy(masks, plain, sizeof plain);
    } else if (l.nBitsPerPixel == 32) {
        const DWORD plain[3] = {0xFF0000, 0x00FF00, 0x0000FF};
        std::memcpy(masks, plain, sizeof plain);
    } else {
        return 0;
    }
    DWORD nSeen = 0;
    for (int i = 0; i < 3; ++i) {
        const DWORD nMask = Get32(masks + 4 * i);
        if (!MakeField(nMask, l.fields[i]) || (nMask & nSeen) != 0)
            return BMP_ERR_BIT_FIELDS;
        nSeen |= nMask;
    }
    return 0;
}

// How many entries the colour table holds in the file: the header's count, or the bit count's
// when it gives none. The bitmap file's own reader takes no more than 256.
int CountTableEntries(BitmapRules rules, const BitmapLayout& l, long nClrUsed,
                      ULONGLONG& rnEntries) {
    rnEntries = 0;
    if (l.nBitsPerPixel > 8)
        return 0;
    if (rules == BitmapRules::Classic && nClrUsed > kMaxColors)
        return BMP_ERR_COLORMAP;
    rnEntries = nClrUsed <= 0 ? DefaultColorTableEntries(l.nBitsPerPixel)
                              : static_cast<ULONGLONG>(nClrUsed);
    return 0;
}

// The entries in use, as many as the bit count can index; then where the pixels lie.
int ReadColorTable(const BitmapByteReader& read, BitmapLayout& l, ULONGLONG nEntries) {
    const ULONGLONG nIndexable = DefaultColorTableEntries(l.nBitsPerPixel);
    l.nColors = static_cast<int>(nEntries < nIndexable ? nEntries : nIndexable);
    BYTE entries[kMaxColors * kInfoEntrySize];
    const UINT nBytes = static_cast<UINT>(l.nColors * l.nEntrySize);
    if (read(entries, nBytes) != nBytes)
        return JERR_INPUT_EOF;
    for (int i = 0; i < l.nColors; ++i) {
        const BYTE* e = entries + i * l.nEntrySize;
        l.colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    const ULONGLONG nHeaders = kFileHeaderSize + l.nInfoSize + l.nMaskBytes;
    if (l.nPixelOffset < nHeaders + nEntries * static_cast<ULONGLONG>(l.nEntrySize))
        return BMP_ERR_HEADER;  // the pixels would overlap the headers or the colour table
    l.nGap = l.nPixelOffset - nHeaders - static_cast<ULONGLONG>(l.nColors) * l.nEntrySize;
    return 0;
}

int ReadHeaderBytes(const BitmapByteReader& read, BitmapRules rules, BitmapLayout& l, BYTE* info) {
    BYTE fileHeader[kFileHeaderSize];
    if (read(fileHeader, kFileHeaderSize) != kFileHeaderSize)
        return JERR_INPUT_EOF;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return BMP_ERR_NOT_BMP;
    l.nPixelOffset = Get32(fileHeader + 10);
    if (read(info, 4) != 4)
        return JERR_INPUT_EOF;
    l.nInfoSize = Get32(info);
    const UINT nLongest = rules == BitmapRules::Classic ? kLongestClassicHeader : kLongestHeader;
    if (l.nInfoSize < kCoreHeaderSize || l.nInfoSize > nLongest)
        return BMP_ERR_HEADER;
    if (read(info + 4, l.nInfoSize - 4) != l.nInfoSize - 4)
        return JERR_INPUT_EOF;
    if (rules == BitmapRules::Classic && !IsClassicHeaderSize(l.nInfoSize))
        return BMP_ERR_HEADER;
    return 0;
}

}  // namespace

int ReadBitmapLayout(const BitmapByteReader& read, BitmapRules rules, BitmapLayout& rLayout) {
    BitmapLayout& l = rLayout;
    l = BitmapLayout{};
    BYTE info[kLongestHeader] = {};
    if (const int nCode = ReadHeaderBytes(read, rules, l, info))
        return nCode;
    unsigned nPlanes = 1;
    long nClrUsed = 0;
    ParseInfoHeader(info, l, nPlanes, nClrUsed);
    const DWORD nFileCompression = l.nCompression;
    if (rules == BitmapRules::Every)
        if (const int nCode = NamedCompressionRefusal(l))
            return nCode;
    if (!TakesBitCount(rules, l.nBitsPerPixel))
        return BMP_ERR_BIT_COUNT;
    if (nPlanes != 1)
        return BMP_ERR_PLANES;
    if (!CompressionFitsBitCount(rules, l.nCompression, l.nBitsPerPixel))
        return BMP_ERR_COMPRESSED;
    if (l.nCompression == kCompressionAlphaBitFields)
        l.nCompression = BI_BITFIELDS;  // the alpha mask goes, as alpha goes in a JPEG
    if (const int nCode = CheckDimensions(rules, l))
        return nCode;
    if (const int nCode = ReadFields(read, info, l, nFileCompression))
        return nCode;
    ULONGLONG nEntries = 0;
    if (const int nCode = CountTableEntries(rules, l, nClrUsed, nEntries))
        return nCode;
    return ReadColorTable(read, l, nEntries);
}

int ReadBitmapLayout(const BYTE* pFile, ULONGLONG nSize, BitmapRules rules, BitmapLayout& rLayout) {
    // Only the headers, the masks and the colour table are read.
    CMemFile file(
        std::string(reinterpret_cast<const char*>(pFile), std::min(nSize, kMostHeaderBytes)));
    return ReadBitmapLayout([&file](BYTE* p, UINT n) { return file.Read(p, n); }, rules, rLayout);
}

BitmapLayout ReadBitmapLayoutFor(j_compress_ptr cinfo, const BitmapByteReader& read,
                                 BitmapRules rules) {
    BitmapLayout layout;
    if (const int nCode = ReadBitmapLayout(read, rules, layout))
        ERREXIT(cinfo, nCode);
    if (layout.nXPelsPerMeter > 0 && layout.nYPelsPerMeter > 0) {
        cinfo->X_density = static_cast<UINT16>(layout.nXPelsPerMeter / kCentimetresPerMetre);
        cinfo->Y_density = static_cast<UINT16>(layout.nYPelsPerMeter / kCentimetresPerMetre);
        cinfo->density_unit = kJfifDotsPerCentimetre;
    }
    return layout;
}

BOOL IsBareFileHeader(const BYTE* pFileHeader) {
    return pFileHeader[0] == 'B' && pFileHeader[1] == 'M' &&
           Get32(pFileHeader + 2) == kFileHeaderSize && Get32(pFileHeader + 10) == kFileHeaderSize;
}

BOOL IsClassicBitmapLayout(LPCTSTR lpszPath) {
    FILE* pFile = OpenCStream(lpszPath, "rb");
    if (pFile == nullptr)
        return FALSE;
    BitmapLayout layout;
    const int nCode = ReadBitmapLayout(
        [pFile](BYTE* p, UINT n) { return static_cast<UINT>(std::fread(p, 1, n, pFile)); },
        BitmapRules::Classic, layout);
    std::fclose(pFile);
    return nCode == 0;
}

int DecodeBitmapRunLength(const BitmapLayout& l, const BYTE* pData, ULONGLONG nDataBytes,
                          BYTE* pIndexes, ULONGLONG nRowBytes) {
    const auto nWidth = static_cast<ULONGLONG>(l.nWidth);
    const auto nHeight = static_cast<ULONGLONG>(l.nHeight);
    const bool bFour = l.nCompression == BI_RLE4;
    ULONGLONG p = 0, x = 0, y = 0;  // y counts rows from the bottom
    // The ith index of a 4-bit run: its byte's two pixels taken by turns.
    const auto nibble = [](const BYTE* pPixels, ULONGLONG i) {
        return static_cast<BYTE>(GetSmallPixel(pPixels, static_cast<long long>(i), 4));
    };
    const auto put = [&](BYTE nIndex) {
        if (x >= nWidth || y >= nHeight)
            return false;
        pIndexes[y * nRowBytes + x++] = nIndex;
        return true;
    };
    for (;;) {
        if (p + 2 > nDataBytes)
            return BMP_ERR_BAD_RLE;  // no end-of-picture mark
        const BYTE n = pData[p], c = pData[p + 1];
        p += 2;
        if (n > 0) {  // a run of n pixels
            for (ULONGLONG i = 0; i < n; ++i)
                if (!put(bFour ? nibble(&c, i % 2) : c))
                    return BMP_ERR_BAD_RLE;
        } else if (c == 0) {  // end of line
            x = 0;
            ++y;
        } else if (c == 1) {  // end of picture
            return 0;
        } else if (c == 2) {  // move right and up
            if (p + 2 > nDataBytes)
                return BMP_ERR_BAD_RLE;
            x += pData[p];
            y += pData[p + 1];
            p += 2;
        } else {  // c pixels as they are, padded to a 16-bit boundary
            const ULONGLONG nBytes = bFour ? (c + 1u) / 2 : c;
            if (p + nBytes > nDataBytes)
                return BMP_ERR_BAD_RLE;
            for (ULONGLONG i = 0; i < c; ++i)
                if (!put(bFour ? nibble(pData + p, i) : pData[p + i]))
                    return BMP_ERR_BAD_RLE;
            p += (nBytes + 1) & ~ULONGLONG{1};
        }
    }
}
