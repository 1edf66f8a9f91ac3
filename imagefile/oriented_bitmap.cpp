// Orienting a bitmap: each output row gathered from the rows or the columns of the source.
#include "imagefile/oriented_bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagefile/bitmap_format.h"
#include "imagefile/bitmap_layout.h"
#include "imagefile/byte_fields.h"

namespace {

using namespace bitmap_format;

constexpr ULONGLONG kStripBytes = 16u << 20;
// Output rows turned at once: a source row's pixels for all of them share its lines of memory.
constexpr long long kGroupRows = 64;

using byte_fields::Get32;
using byte_fields::Put16;
using byte_fields::Put32;

// The picture's place and shape in a bitmap this program wrote.
struct Picture {
    std::vector<BYTE> header;  // everything before the pixels
    long long nWidth = 0;
    long long nHeight = 0;
    int nBytesPerPixel = 0;
    ULONGLONG nStride = 0;
};

// The picture of a bitmap this program wrote: 8 or 24 bits, uncompressed, bottom-up. The header
// is read by the one reader of bitmap headers; every row must be in the file, which also bounds
// what is held of it.
bool ReadPicture(CFile& source, Picture& rPicture) {
    source.Seek(0, CFile::begin);
    BitmapLayout layout;
    const BitmapByteReader read = [&source](BYTE* pBuffer, UINT nBytes) {
        return source.Read(pBuffer, nBytes);
    };
    if (ReadBitmapLayout(read, BitmapRules::Every, layout) != 0 ||
        (layout.nBitsPerPixel != 8 && layout.nBitsPerPixel != 24) ||
        layout.nCompression != BI_RGB || layout.bTopDown ||
        layout.nPixelOffset > kMostHeaderBytes || !layout.PixelsFit(0, source.GetLength()))
        return false;
    rPicture.nWidth = layout.nWidth;
    rPicture.nHeight = layout.nHeight;
    rPicture.nBytesPerPixel = layout.nBitsPerPixel / 8;
    rPicture.nStride = layout.nStride;
    rPicture.header.resize(layout.nPixelOffset);
    source.Seek(0, CFile::begin);
    return source.Read(rPicture.header.data(), layout.nPixelOffset) == layout.nPixelOffset;
}

// The header of the turned picture, nWidth by nHeight in nPixels bytes: the same, with the sides
// and sizes that change.
std::vector<BYTE> TurnedHeader(const Picture& picture, long long nWidth, long long nHeight,
                               ULONGLONG nPixels) {
    std::vector<BYTE> header = picture.header;
    Put32(header.data() + 2, static_cast<DWORD>(header.size() + nPixels));
    if (Get32(header.data() + kFileHeaderSize) == kCoreHeaderSize) {
        Put16(header.data() + 18, static_cast<unsigned>(nWidth));
        Put16(header.data() + 20, static_cast<unsigned>(nHeight));
    } else {
        Put32(header.data() + 18, static_cast<DWORD>(nWidth));
        Put32(header.data() + 22, static_cast<DWORD>(nHeight));
        if (Get32(header.data() + 34) != 0)
            Put32(header.data() + 34, static_cast<DWORD>(nPixels));
    }
    return header;
}

// A 40-byte header made a version-5 one with the profile embedded after nPixelBytes of pixels.
bool GiveProfile(std::vector<BYTE>& header, ULONGLONG nPixelBytes, std::size_t nProfileBytes) {
    if (Get32(header.data() + kFileHeaderSize) != kInfoHeaderSize)
        return false;
    constexpr DWORD kGrowth = kLongestHeader - kInfoHeaderSize;
    constexpr DWORD kImagesIntent = 4;  // LCS_GM_IMAGES
    std::vector<BYTE> more(kGrowth, 0);
    Put32(more.data() + 16, kProfileEmbedded);
    Put32(more.data() + 68, kImagesIntent);
    const ULONGLONG nTable = header.size() - kFileHeaderSize - kInfoHeaderSize;
    Put32(more.data() + 72, static_cast<DWORD>(kLongestHeader + nTable + nPixelBytes));
    Put32(more.data() + 76, static_cast<DWORD>(nProfileBytes));
    header.insert(header.begin() + kFileHeaderSize + kInfoHeaderSize, more.begin(), more.end());
    Put32(header.data() + kFileHeaderSize, kLongestHeader);
    Put32(header.data() + 10, static_cast<DWORD>(header.size()));
    Put32(header.data() + 2, static_cast<DWORD>(header.size() + nPixelBytes + nProfileBytes));
    return true;
}

void ReadAt(CFile& source, ULONGLONG nPosition, BYTE* pBuffer, UINT nCount) {
    source.Seek(static_cast<std::int64_t>(nPosition), CFile::begin);
    if (source.Read(pBuffer, nCount) != nCount)
        AfxThrowFileException(CFileException::endOfFile, 0, source.GetFilePath());
}

// Gathers nRows output rows nOutStride apart: pixel x of output row j is the pixel at
// pFirst + from(x) × nInStep + j × nNextColumn pixels. Taking a few rows at once reads each
// source line of memory once for all of them; the pixel's size is known at compile time, so a
// copy is a move of one or three bytes rather than a call.
template <int kBytes, typename Index>
void GatherRows(const BYTE* pFirst, std::size_t nInStep, long long nNextColumn, long long nRows,
                long long nPixels, std::size_t nOutStride, BYTE* pOut, Index from) {
    for (long long x = 0; x < nPixels; ++x) {
        const BYTE* pIn = pFirst + static_cast<std::size_t>(from(x)) * nInStep;
        BYTE* pTo = pOut + x * kBytes;
        for (long long j = 0; j < nRows; ++j)
            std::memcpy(pTo + j * nOutStride, pIn + j * nNextColumn * kBytes, kBytes);
    }
}

template <typename Index>
void GatherRows(int nBytes, const BYTE* pFirst, std::size_t nInStep, long long nNextColumn,
                long long nRows, long long nPixels, std::size_t nOutStride, BYTE* pOut,
                Index from) {
    if (nBytes == 3)
        GatherRows<3>(pFirst, nInStep, nNextColumn, nRows, nPixels, nOutStride, pOut, from);
    else
        GatherRows<1>(pFirst, nInStep, nNextColumn, nRows, nPixels, nOutStride, pOut, from);
}

// Orientations 1 to 4 keep rows as rows: each output row is a source row, perhaps reversed.
void WriteRowsAsRows(CFile& source, const Picture& p, int nOrientation, CFile& dest) {
    const bool bMirrorRows = nOrientation == 2 || nOrientation == 3;
    const bool bUpsideDown = nOrientation == 3 || nOrientation == 4;
    std::vector<BYTE> row(p.nStride), turned(p.nStride, 0);
    for (long long nFileRow = 0; nFileRow < p.nHeight; ++nFileRow) {
        const long long nSourceRow = bUpsideDown ? p.nHeight - 1 - nFileRow : nFileRow;
        ReadAt(source, p.header.size() + nSourceRow * p.nStride, row.data(),
               static_cast<UINT>(p.nStride));
        if (!bMirrorRows) {
            dest.Write(row.data(), static_cast<UINT>(p.nStride));
            continue;
        }
        GatherRows(p.nBytesPerPixel, row.data(), p.nBytesPerPixel, 0, 1, p.nWidth, 0, turned.data(),
                   [&p](long long x) { return p.nWidth - 1 - x; });
        dest.Write(turned.data(), static_cast<UINT>(p.nStride));
    }
}

// Orientations 5 to 8 turn columns into rows. The output is written in file order; a strip of
// output rows is a strip of source columns, read from every source row at its place in the file.
void WriteColumnsAsRows(CFile& source, const Picture& p, int nOrientation, CFile& dest) {
    const long long nOutWidth = p.nHeight, nOutHeight = p.nWidth;
    const ULONGLONG nOutStride = Stride(nOutWidth, p.nBytesPerPixel * 8);
    // Output row y (from the top) is source column x = y (5, 6) or W - 1 - y (7, 8); output
    // pixel x (from the left) is source row y = x (5, 8) or H - 1 - x (6, 7), rows from the top.
    const bool bColumnsReversed = nOrientation == 7 || nOrientation == 8;
    const bool bRowsReversed = nOrientation == 6 || nOrientation == 7;
    const long long nStrip = std::max<long long>(
        1, std::min<long long>(p.nWidth, kStripBytes / (p.nHeight * p.nBytesPerPixel)));
    std::vector<BYTE> strip(static_cast<std::size_t>(nStrip * p.nHeight * p.nBytesPerPixel));
    std::vector<BYTE> rows(static_cast<std::size_t>(kGroupRows * nOutStride), 0);
    // Output file rows from the bottom, taken nStrip at a time.
    for (long long nFirst = 0; nFirst < nOutHeight; nFirst += nStrip) {
        const long long nCount = std::min(nStrip, nOutHeight - nFirst);
        // Output file rows nFirst .. nFirst + nCount - 1 are visual rows from the top
        // nOutHeight - 1 - nFirst downwards, that is source columns starting at nColumn.
        const long long nTopRow = nOutHeight - nFirst - nCount;
        const long long nColumn = bColumnsReversed ? p.nWidth - (nTopRow + nCount) : nTopRow;
        const UINT nBytes = static_cast<UINT>(nCount * p.nBytesPerPixel);
        for (long long nSourceRow = 0; nSourceRow < p.nHeight; ++nSourceRow)
            ReadAt(source,
                   p.header.size() + (p.nHeight - 1 - nSourceRow) * p.nStride +
                       nColumn * p.nBytesPerPixel,
                   strip.data() + nSourceRow * nBytes, nBytes);
        for (long long nGroup = nFirst; nGroup < nFirst + nCount; nGroup += kGroupRows) {
            const long long nRows = std::min(kGroupRows, nFirst + nCount - nGroup);
            // File row nGroup is source column nGroupColumn; each next file row the column to
            // its right (7, 8) or left (5, 6).
            const long long y = nOutHeight - 1 - nGroup;
            const long long nGroupColumn = bColumnsReversed ? p.nWidth - 1 - y : y;
            GatherRows(
                p.nBytesPerPixel, strip.data() + (nGroupColumn - nColumn) * p.nBytesPerPixel,
                nBytes, bColumnsReversed ? 1 : -1, nRows, nOutWidth, nOutStride, rows.data(),
                [&p, bRowsReversed](long long x) { return bRowsReversed ? p.nHeight - 1 - x : x; });
            dest.Write(rows.data(), static_cast<UINT>(nRows * nOutStride));
        }
    }
}

}  // namespace

BOOL WriteOriented(CFile& source, int nOrientation, CFile& dest,
                   const std::vector<BYTE>* pProfile) {
    Picture picture;
    if (nOrientation < 1 || nOrientation > 8 || !ReadPicture(source, picture))
        return FALSE;
    const bool bTurned = nOrientation >= 5;
    const ULONGLONG nPixelBytes =
        bTurned ? Stride(picture.nHeight, picture.nBytesPerPixel * 8) * picture.nWidth
                : picture.nStride * picture.nHeight;
    std::vector<BYTE> header =
        bTurned ? TurnedHeader(picture, picture.nHeight, picture.nWidth, nPixelBytes)
                : picture.header;
    if (pProfile != nullptr && !GiveProfile(header, nPixelBytes, pProfile->size()))
        return FALSE;
    dest.Write(header.data(), static_cast<UINT>(header.size()));
    if (bTurned)
        WriteColumnsAsRows(source, picture, nOrientation, dest);
    else
        WriteRowsAsRows(source, picture, nOrientation, dest);
    if (pProfile != nullptr)
        dest.Write(pProfile->data(), static_cast<UINT>(pProfile->size()));
    return TRUE;
}
