// COXDIB: lifetime, header accessors, the palette, and reading and writing BMP files.
#include "imagefile/dib/dib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "imagefile/dib/dib_layout.h"

IMPLEMENT_SERIAL(COXDIB, CObject, 1)

using namespace dib_layout;

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
BOOL Skip(CArchive& ar, DWORD nBytes) {
    BYTE scratch[256];
    while (nBytes > 0) {
        const UINT n = std::min<DWORD>(nBytes, sizeof scratch);
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
    if (hDIB == nullptr || hDIB == m_hDIB)
        return *this;
    {
        CGlobalLock source(hDIB);
        if (source.Get() == nullptr || HeaderSize(source.Get()) != kInfoHeaderSize)
            return *this;
    }
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
    CGlobalLock dib(m_hDIB);
    if (dib.Get() != nullptr && BuildPalette(dib.Get()))
        return TRUE;
    // An image without the palette its colour table asks for cannot be shown as it is.
    Empty();
    return FALSE;
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
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + nColors * sizeof(PALETTEENTRY));
    auto* pLog = reinterpret_cast<LOGPALETTE*>(storage.data());
    pLog->palVersion = kPaletteVersion;
    pLog->palNumEntries = nColors;
    for (WORD i = 0; i < nColors; ++i)
        pLog->palPalEntry[i] = ColorEntry(pDIB, i);
    delete m_pPalette;
    m_pPalette = new CPalette;
    return m_pPalette->CreatePalette(pLog);
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

BOOL COXDIB::Read(CArchive& ar) {
    Empty();
    FileHeader fileHeader;
    InfoHeaderRead header;
    if (!ReadFileHeader(ar, fileHeader) || !ReadInfoHeader(ar, header))
        return FALSE;
    const ULONGLONG nPixelStart = kFileHeaderSize + header.nSizeInFile + header.nTableBytesInFile;
    if (fileHeader.nOffBits < nPixelStart)
        return FALSE;  // the pixels would overlap the headers or the colour table
    const DWORD nGap =
        static_cast<DWORD>(std::min<ULONGLONG>(fileHeader.nOffBits - nPixelStart, 0xFFFFFFFFu));
    // Nothing is allocated for more than the file can hold.
    if (nPixelStart + nGap + header.info.biSizeImage > FileLength(ar))
        return FALSE;

    const SIZE_T nTableBytes = ColorTableBytes(header.info, header.info.biClrUsed);
    HGLOBAL hDIB =
        GlobalAlloc(GMEM_MOVEABLE, kInfoHeaderSize + nTableBytes + header.info.biSizeImage);
    if (hDIB == nullptr)
        return FALSE;
    BOOL bRead = FALSE;
    {
        CGlobalLock dib(hDIB);
        BYTE* p = dib.Get();
        if (p != nullptr) {
            std::memcpy(p, &header.info, kInfoHeaderSize);
            bRead = ReadColorTable(ar, header, p + kInfoHeaderSize) && Skip(ar, nGap) &&
                    ReadChunked(ar, p + kInfoHeaderSize + nTableBytes, header.info.biSizeImage) ==
                        header.info.biSizeImage;
            if (bRead && header.bTopDown)
                TurnRowsOver(p);
        }
    }
    if (!bRead) {
        GlobalFree(hDIB);
        return FALSE;
    }
    return Adopt(hDIB);
}

BOOL COXDIB::Write(LPCTSTR lpszPath) {
    // A new file beside the old one, put in its place only when the whole image is written.
    CReplaceFile file;
    CFileException error;
    if (!file.Open(lpszPath, CFile::modeCreate | CFile::modeWrite, &error))
        return FALSE;
    if (Write(&file))
        return TRUE;
    file.Abort();
    return FALSE;
}

BOOL COXDIB::Write(CFile* pFile) {
    try {
        CArchive ar(pFile, CArchive::store, kArchiveBufferSize);
        const BOOL bWritten = Write(ar);
        ar.Close();
        if (bWritten)
            pFile->Close();
        return bWritten;
    } catch (CException* e) {
        e->Delete();
        return FALSE;
    }
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
    if (ar.IsStoring())
        Write(ar);
    else
        Read(ar);
}

int COXDIB::GetPaddingBytes(int nWidth, int nBits) {
    const long long nRowBits = static_cast<long long>(nWidth) * nBits;
    if (nRowBits % 32 == 0)
        return 0;
    return static_cast<int>((32 - nRowBits % 32) / 8 + (nRowBits % 8 != 0 ? 1 : 0));
}
