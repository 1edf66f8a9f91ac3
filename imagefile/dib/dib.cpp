// COXDIB: lifetime, header accessors, the palette, and reading and writing BMP files.
#include "imagefile/dib/dib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "imagefile/bitmap_layout.h"
#include "imagefile/dib/packed_dib.h"

IMPLEMENT_SERIAL(COXDIB, CObject, 1)

using namespace packed_dib;

namespace {

constexpr UINT kArchiveBufferSize = 4096;
constexpr UINT kChunkSize = 16384;  // bulk transfers go in pieces of at most this
constexpr WORD kPaletteVersion = 0x300;

UINT ReadChunked(CArchive& ar, BYTE* pData, SIZE_T nBytes) {
    SIZE_T nDone = 0;
    while (nDone < nBytes) {
        const auto nPiece = static_cast<UINT>(std::min<SIZE_T>(nBytes - nDone, kChunkSize));
        const UINT nRead = ar.Read(pData + nDone, nPiece);
        nDone += nRead;
        if (nRead < nPiece)
            break;
    }
    return static_cast<UINT>(nDone);
}

void WriteChunked(CArchive& ar, const BYTE* pData, SIZE_T nBytes) {
    for (SIZE_T nDone = 0; nDone < nBytes; nDone += kChunkSize)
        ar.Write(pData + nDone, static_cast<UINT>(std::min<SIZE_T>(nBytes - nDone, kChunkSize)));
}

// Skips nBytes of the archive; FALSE when it ends first.
BOOL Skip(CArchive& ar, ULONGLONG nBytes) {
    BYTE scratch[256];
    while (nBytes > 0) {
        const auto n = static_cast<UINT>(std::min<ULONGLONG>(nBytes, sizeof scratch));
        if (ar.Read(scratch, n) != n)
            return FALSE;
        nBytes -= n;
    }
    return TRUE;
}

// How many bytes the archive's file holds in all, or the largest size when it cannot tell.
ULONGLONG FileLength(CArchive& ar) {
    try {
        return ar.GetFile() != nullptr ? ar.GetFile()->GetLength() : 0;
    } catch (CFileException* e) {
        e->Delete();
        return std::numeric_limits<ULONGLONG>::max();
    }
}

// Run-length data, decoded into whole rows of the bit count: the rest of the file, as much as
// the reader of every layout takes.
BOOL ReadRunLength(CArchive& ar, const BitmapLayout& l, ULONGLONG nAvailable, BYTE* pBits) {
    std::vector<BYTE> data, indexes;
    try {
        const bool bKnownLength = nAvailable != std::numeric_limits<ULONGLONG>::max();
        data.resize(static_cast<std::size_t>(bKnownLength ? nAvailable : 0));
        if (ReadChunked(ar, data.data(), data.size()) != data.size())
            return FALSE;
        while (!bKnownLength) {  // a file that cannot say its length: to its end
            const std::size_t nOld = data.size();
            data.resize(nOld + kChunkSize);
            const UINT nRead = ar.Read(data.data() + nOld, kChunkSize);
            data.resize(nOld + nRead);
            if (nRead < kChunkSize)
                break;
        }
        indexes.assign(static_cast<std::size_t>(l.nWidth) * static_cast<std::size_t>(l.nHeight), 0);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    if (DecodeBitmapRunLength(l, data.data(), data.size(), indexes.data(),
                              static_cast<ULONGLONG>(l.nWidth)) != 0)
        return FALSE;
    const auto nWidth = static_cast<std::size_t>(l.nWidth);
    for (std::size_t y = 0; y < static_cast<std::size_t>(l.nHeight); ++y) {
        const BYTE* pIn = indexes.data() + y * nWidth;
        BYTE* pOut = pBits + y * static_cast<std::size_t>(l.nStride);
        if (l.nBitsPerPixel == 8)
            std::memcpy(pOut, pIn, nWidth);
        else
            for (std::size_t x = 0; x < nWidth; ++x)
                pOut[x / 2] |= static_cast<BYTE>(x % 2 == 0 ? pIn[x] << 4 : pIn[x]);
    }
    return TRUE;
}

// The rows into the packed DIB p, whose header is in place, bottom row first.
BOOL ReadPixels(CArchive& ar, const BitmapLayout& l, ULONGLONG nAvailable, BYTE* p) {
    BYTE* pBits = COXDIB::GetBits(p);
    if (l.IsRunLength())
        return ReadRunLength(ar, l, nAvailable, pBits);
    if (ReadChunked(ar, pBits, static_cast<SIZE_T>(l.PixelBytes())) != l.PixelBytes())
        return FALSE;
    if (l.bTopDown)
        TurnRowsOver(p);
    return TRUE;
}

// Whether a block holds a packed DIB this class can work on, checked as a file of it would be:
// a 40-byte header (or, with bCoreAllowed, a 12-byte one), a layout the converter reads, a
// compression GDI paints, and every byte the header promises inside the block.
BOOL IsSoundPackedDIB(HGLOBAL hDIB, BOOL bCoreAllowed) {
    const SIZE_T nSize = hDIB != nullptr ? GlobalSize(hDIB) : 0;
    CGlobalLock dib(hDIB);
    const BYTE* p = dib.Get();
    if (p == nullptr || nSize < kInfoHeaderSize)
        return FALSE;
    const DWORD nHeader = HeaderSize(p);
    if (nHeader != kInfoHeaderSize && !(bCoreAllowed && nHeader == kCoreHeaderSize))
        return FALSE;
    if (nHeader == kInfoHeaderSize && Info(p)->biCompression > BI_BITFIELDS)
        return FALSE;
    const ULONGLONG nPixelOffset = nHeader + ColorTableBytes(p);
    BYTE fileHeader[kFileHeaderSize] = {'B', 'M'};
    const auto nOffBits = static_cast<DWORD>(
        std::min<ULONGLONG>(kFileHeaderSize + nPixelOffset, std::numeric_limits<DWORD>::max()));
    std::memcpy(fileHeader + 10, &nOffBits, sizeof nOffBits);
    // The file the block would be: the header above, then the block's first bytes.
    std::basic_string<BYTE> file(fileHeader, kFileHeaderSize);
    file.append(p, std::min<SIZE_T>(nSize, bitmap_format::kMostHeaderBytes));
    BitmapLayout layout;
    if (ReadBitmapLayout(file.data(), file.size(), BitmapRules::Every, layout) != 0)
        return FALSE;
    const ULONGLONG nPixels = layout.IsRunLength() ? layout.nSizeImage : layout.PixelBytes();
    return (!layout.IsRunLength() || nPixels > 0) && nPixelOffset + nPixels <= nSize;
}

}  // namespace

HGLOBAL CopyGlobal(HGLOBAL hSource) {
    if (hSource == nullptr)
        return nullptr;
    const SIZE_T nSize = GlobalSize(hSource);
    HGLOBAL hCopy = GlobalAlloc(GHND, nSize);
    if (hCopy == nullptr)
        return nullptr;
    CGlobalLock source(hSource), copy(hCopy);
    if (source.Get() == nullptr || copy.Get() == nullptr) {
        GlobalFree(hCopy);
        return nullptr;
    }
    std::memcpy(copy.Get(), source.Get(), nSize);
    return hCopy;
}

COXDIB::COXDIB() : m_hDIB(nullptr), m_pPalette(nullptr) {}

COXDIB::COXDIB(HGLOBAL hDIB) : COXDIB() {
    if (!IsSoundPackedDIB(hDIB, TRUE))
        return;
    if (HGLOBAL hCopy = CopyGlobal(hDIB))
        Adopt(hCopy);
}

COXDIB::COXDIB(const COXDIB& other) : COXDIB(other.m_hDIB) {}

COXDIB& COXDIB::operator=(const COXDIB& other) {
    if (this != &other)
        *this = other.m_hDIB;
    return *this;
}

COXDIB& COXDIB::operator=(HGLOBAL hDIB) {
    if (hDIB == nullptr || hDIB == m_hDIB || !IsSoundPackedDIB(hDIB, FALSE))
        return *this;
    HGLOBAL hCopy = CopyGlobal(hDIB);
    Empty();
    if (hCopy != nullptr)
        Adopt(hCopy);
    return *this;
}

COXDIB::~COXDIB() { Empty(); }

void COXDIB::Empty() {
    if (m_hDIB != nullptr)
        GlobalFree(m_hDIB);
    m_hDIB = nullptr;
    delete m_pPalette;
    m_pPalette = nullptr;
}

HGLOBAL COXDIB::Detach() {
    HGLOBAL h = m_hDIB;
    m_hDIB = nullptr;
    return h;
}

HGLOBAL COXDIB::GetDIBCopy() const { return CopyGlobal(m_hDIB); }

BOOL COXDIB::Adopt(HGLOBAL hDIB) {
    Empty();
    m_hDIB = hDIB;
    BOOL bPainted = FALSE;
    {
        CGlobalLock dib(m_hDIB);
        BYTE* p = dib.Get();
        // A top-down image is held bottom-up, as every operation expects.
        if (p != nullptr && HeaderSize(p) == kInfoHeaderSize && Info(p)->biHeight < 0) {
            Info(p)->biHeight = -Info(p)->biHeight;
            TurnRowsOver(p);
        }
        bPainted = p != nullptr && BuildPalette(p);
    }
    // An image without the palette its colour table asks for cannot be shown as it is.
    if (!bPainted)
        Empty();
    return bPainted;
}

CSize COXDIB::GetSize(const BYTE* pDIB) const {
    if (pDIB == nullptr) {
        CGlobalLock dib(m_hDIB);
        return dib.Get() != nullptr ? GetSize(dib.Get()) : CSize();
    }
    if (HeaderSize(pDIB) == kInfoHeaderSize)
        return CSize(Info(pDIB)->biWidth, Info(pDIB)->biHeight);
    return CSize(Core(pDIB)->bcWidth, Core(pDIB)->bcHeight);
}

WORD COXDIB::GetBitCount(const BYTE* pDIB) const {
    if (pDIB == nullptr) {
        CGlobalLock dib(m_hDIB);
        return dib.Get() != nullptr ? GetBitCount(dib.Get()) : 0;
    }
    return HeaderSize(pDIB) == kInfoHeaderSize ? Info(pDIB)->biBitCount : Core(pDIB)->bcBitCount;
}

WORD COXDIB::GetNumColors(const BYTE* pDIB) const {
    if (pDIB == nullptr) {
        CGlobalLock dib(m_hDIB);
        return dib.Get() != nullptr ? GetNumColors(dib.Get()) : 0;
    }
    return NumColors(pDIB);
}

WORD COXDIB::GetColorTableSize(const BYTE* pDIB) {
    return pDIB != nullptr ? static_cast<WORD>(ColorTableBytes(pDIB)) : 0;
}

const BYTE* COXDIB::GetBits(const BYTE* pDIB) {
    return pDIB != nullptr ? pDIB + HeaderSize(pDIB) + GetColorTableSize(pDIB) : nullptr;
}

BYTE* COXDIB::GetBits(BYTE* pDIB) {
    return pDIB != nullptr ? pDIB + HeaderSize(pDIB) + GetColorTableSize(pDIB) : nullptr;
}

BOOL COXDIB::BuildPalette(const BYTE* pDIB) {
    const WORD nColors = NumColors(pDIB);
    if (nColors == 0)
        return TRUE;
    delete m_pPalette;
    m_pPalette = nullptr;
    try {
        std::vector<BYTE> storage(sizeof(LOGPALETTE) + nColors * sizeof(PALETTEENTRY));
        auto* pLog = reinterpret_cast<LOGPALETTE*>(storage.data());
        pLog->palVersion = kPaletteVersion;
        pLog->palNumEntries = nColors;
        for (WORD i = 0; i < nColors; ++i)
            pLog->palPalEntry[i] = ColorEntry(pDIB, i);
        auto pPalette = std::make_unique<CPalette>();
        if (!pPalette->CreatePalette(pLog))
            return FALSE;  // no palette object without a palette behind it
        m_pPalette = pPalette.release();
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL COXDIB::Read(LPCTSTR lpszPath) {
    CFile file;
    CFileException error;
    if (!file.Open(lpszPath, CFile::modeRead | CFile::shareDenyWrite, &error)) {
        Empty();
        return FALSE;
    }
    if (Read(&file))
        return TRUE;
    file.Abort();
    return FALSE;
}

BOOL COXDIB::Read(CFile* pFile) {
    try {
        CArchive ar(pFile, CArchive::load, kArchiveBufferSize);
        const BOOL bRead = Read(ar);
        ar.Close();
        return bRead;
    } catch (CFileException* e) {
        e->Delete();
    } catch (CArchiveException* e) {
        e->Delete();
    }
    Empty();
    return FALSE;
}

BOOL COXDIB::Read(CArchive& ar) { return ReadBitmap(ar, FALSE); }

BOOL COXDIB::ReadBitmap(CArchive& ar, BOOL bEmptyRecord) {
    Empty();
    // The file header first: in an archive of objects it may be the record of an empty DIB.
    BYTE fileHeader[kFileHeaderSize];
    if (ar.Read(fileHeader, kFileHeaderSize) != kFileHeaderSize)
        return FALSE;
    if (bEmptyRecord && IsBareFileHeader(fileHeader))
        return TRUE;
    UINT nReplayed = 0;
    const auto read = [&](BYTE* p, UINT n) {
        const UINT nFromHeader = std::min<UINT>(n, kFileHeaderSize - nReplayed);
        std::memcpy(p, fileHeader + nReplayed, nFromHeader);
        nReplayed += nFromHeader;
        return nFromHeader + (n > nFromHeader ? ar.Read(p + nFromHeader, n - nFromHeader) : 0);
    };
    BitmapLayout layout;
    if (ReadBitmapLayout(read, BitmapRules::Every, layout) != 0)
        return FALSE;
    // Nothing is allocated for more than the file can hold.
    const ULONGLONG nLength = FileLength(ar);
    if (!layout.PixelsFit(0, nLength))
        return FALSE;
    CBlockOwner block(GlobalAlloc(GHND, PackedSize(layout)));
    if (block.Get() == nullptr)
        return FALSE;
    {
        CGlobalLock dib(block.Get());
        BYTE* p = dib.Get();
        if (p == nullptr)
            return FALSE;
        PutHeaderAndTable(layout, p);
        if (!Skip(ar, layout.nGap) || !ReadPixels(ar, layout, nLength - layout.nPixelOffset, p) ||
            !IndexesWithinTable(layout, GetBits(p)))
            return FALSE;
    }
    return Adopt(block.Release());
}

BOOL COXDIB::Write(LPCTSTR lpszPath) {
    // A new file beside the old one, put in its place only when the whole image is written.
    CReplaceFile file;
    CFileException error;
    if (!file.Open(lpszPath, CFile::modeCreate | CFile::modeWrite, &error))
        return FALSE;
    return Write(&file);
}

BOOL COXDIB::Write(CFile* pFile) {
    // The file is closed either way; one that was not written whole is let go without being
    // completed, so a replacement never takes the place of what was there.
    try {
        CArchive ar(pFile, CArchive::store, kArchiveBufferSize);
        const BOOL bWritten = Write(ar);
        ar.Close();
        if (bWritten) {
            pFile->Close();
            return TRUE;
        }
    } catch (CException* e) {
        e->Delete();
    }
    pFile->Abort();
    return FALSE;
}

BOOL COXDIB::Write(CArchive& ar) {
    CGlobalLock dib(m_hDIB);
    BYTE* p = dib.Get();
    if (p == nullptr || HeaderSize(p) != kInfoHeaderSize)
        return FALSE;
    BITMAPINFOHEADER* pInfo = Info(p);
    SIZE_T nDataSize = kInfoHeaderSize + GetColorTableSize(p);
    if (pInfo->biCompression != BI_RLE8 && pInfo->biCompression != BI_RLE4)
        pInfo->biSizeImage =
            static_cast<DWORD>(Stride(pInfo->biWidth, pInfo->biBitCount) * pInfo->biHeight);
    nDataSize += pInfo->biSizeImage;
    WriteFileHeader(ar, static_cast<DWORD>(nDataSize + kFileHeaderSize),
                    kFileHeaderSize + kInfoHeaderSize + GetColorTableSize(p));
    WriteChunked(ar, p, nDataSize);
    return TRUE;
}

void COXDIB::Serialize(CArchive& ar) {
    // An empty DIB is a bare file header, so that what follows it in the archive is read as
    // what it is.
    if (ar.IsStoring() && IsEmpty())
        WriteFileHeader(ar, kFileHeaderSize, kFileHeaderSize);
    else if (ar.IsStoring())
        Write(ar);
    else
        ReadBitmap(ar, TRUE);
}

int COXDIB::GetPaddingBytes(int nWidth, int nBits) {
    // From the first byte that holds a padding bit (a partly used last byte counts) to the
    // row's end.
    return static_cast<int>(Stride(nWidth, nBits) - static_cast<ULONGLONG>(nWidth) * nBits / 8);
}
