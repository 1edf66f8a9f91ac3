// COXDIB: a bitmap file read at most at the size it is shown, for previews of large pictures.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imagefile/dib/dib.h"
#include "imagefile/dib/packed_dib.h"
#include "platform/file.h"

using namespace packed_dib;

namespace {

// The source column or row whose middle is nearest the middle of position i of nTo.
LONG Nearest(LONG i, LONG nFrom, LONG nTo) {
    return static_cast<LONG>((2 * static_cast<long long>(i) + 1) * nFrom / (2LL * nTo));
}

// Takes every nth pixel of a source row into a reduced row.
void ReduceRow(const BYTE* pIn, const BitmapLayout& from, BYTE* pOut, const BitmapLayout& to) {
    const int nBits = from.nBitsPerPixel;
    for (LONG x = 0; x < to.nWidth; ++x) {
        const LONG nSource = Nearest(x, from.nWidth, to.nWidth);
        if (nBits < 8)
            PutSmallPixel(pOut, x, nBits, GetSmallPixel(pIn, nSource, nBits));
        else
            std::memcpy(pOut + x * (nBits / 8), pIn + nSource * (nBits / 8), nBits / 8);
    }
}

// The layout of the picture shown at most maxSize big: bottom-up rows of the nearest pixels.
BitmapLayout ReducedLayout(const BitmapLayout& from, CSize maxSize) {
    BitmapLayout to = from;
    to.nWidth = std::min<LONG>(from.nWidth, maxSize.cx);
    to.nHeight = std::min<LONG>(from.nHeight, maxSize.cy);
    to.bTopDown = FALSE;
    to.nStride = Stride(to.nWidth, to.nBitsPerPixel);
    return to;
}

// Reads for each row of to, bottom first, the nearest stored row of from, reduced, into pBits;
// FALSE when the file ends first. Throws CFileException* when it cannot be read.
BOOL ReadNearestRows(CFile& file, const BitmapLayout& from, const BitmapLayout& to, BYTE* pBits) {
    std::vector<BYTE> row(static_cast<std::size_t>(from.nStride));
    for (LONG y = 0; y < to.nHeight; ++y) {
        const LONG nRow = Nearest(y, from.nHeight, to.nHeight);
        const LONG nStored = from.bTopDown ? from.nHeight - 1 - nRow : nRow;
        file.Seek(static_cast<std::int64_t>(from.nPixelOffset +
                                            static_cast<ULONGLONG>(nStored) * from.nStride),
                  CFile::begin);
        if (file.Read(row.data(), static_cast<UINT>(row.size())) != row.size())
            return FALSE;
        ReduceRow(row.data(), from, pBits + static_cast<std::size_t>(y) * to.nStride, to);
    }
    return TRUE;
}

}  // namespace

BOOL COXDIB::ReadReduced(LPCTSTR lpszPath, CSize maxSize) {
    Empty();
    CFile file;
    CFileException error;
    if (maxSize.cx <= 0 || maxSize.cy <= 0 ||
        !file.Open(lpszPath, CFile::modeRead | CFile::shareDenyWrite, &error))
        return FALSE;
    try {
        BitmapLayout from;
        if (ReadBitmapLayout([&file](BYTE* p, UINT n) { return file.Read(p, n); },
                             BitmapRules::Every, from) != 0)
            return FALSE;
        // A picture that fits, or one only its whole run-length data describes, is read whole.
        if (from.IsRunLength() || (from.nWidth <= maxSize.cx && from.nHeight <= maxSize.cy)) {
            file.Close();
            return Read(lpszPath);
        }
        // The same verdict as a whole read on a file that cannot hold its rows.
        if (!from.PixelsFit(0, file.GetLength()))
            return FALSE;
        const BitmapLayout to = ReducedLayout(from, maxSize);
        CBlockOwner block(GlobalAlloc(GHND, PackedSize(to)));
        if (block.Get() == nullptr)
            return FALSE;
        {
            CGlobalLock dib(block.Get());
            BYTE* p = dib.Get();
            if (p == nullptr)
                return FALSE;
            PutHeaderAndTable(to, p);
            if (!ReadNearestRows(file, from, to, GetBits(p)) || !IndexesWithinTable(to, GetBits(p)))
                return FALSE;
        }
        return Adopt(block.Release());
    } catch (CFileException* e) {
        e->Delete();
    } catch (const std::bad_alloc&) {
    }
    return FALSE;
}
