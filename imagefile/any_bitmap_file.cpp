// COXAnyBitmapFile: the headers of every bitmap layout, bit-field masks, palettes, run-length
// decoding, and each row turned into RGB top row first.
#include "imagefile/any_bitmap_file.h"

#include <cstring>
#include <new>

#include "imagefile/bitmap_file.h"
#include "imagefile/byte_fields.h"
#include "libjpeg/libjpeg_call.h"
#include "platform/file.h"

namespace {

constexpr UINT kFileHeaderSize = 14;
constexpr UINT kMaxInfoSize = 124;
constexpr DWORD kCompressionRGB = 0;
constexpr DWORD kCompressionRLE8 = 1;
constexpr DWORD kCompressionRLE4 = 2;
constexpr DWORD kCompressionBitFields = 3;  // OS/2: Huffman 1D
constexpr DWORD kCompressionJPEG = 4;       // OS/2: 24-bit run-length
constexpr DWORD kCompressionPNG = 5;
constexpr DWORD kCompressionAlphaBitFields = 6;
// A run-length picture is held decoded; a few header bytes must not ask for more than this.
constexpr ULONGLONG kMaxRunLengthPixels = 256ULL * 1024 * 1024;

using byte_fields::Get16;
using byte_fields::Get32;

// The 8-bit value of an n-bit channel, scaled and rounded down as Pillow does, so a
// file gives the same picture here as there.
JSAMPLE Widen(DWORD nValue, int nBits) {
    const ULONGLONG nMax = (1ULL << nBits) - 1;
    return static_cast<JSAMPLE>(nValue * 255ULL / nMax);
}

}  // namespace

struct COXAnyBitmapFile::Layout {
    DWORD nPixelOffset = 0;
    UINT nInfoSize = 0;
    long long nWidth = 0;
    long long nHeight = 0;
    int nBitsPerPixel = 0;
    DWORD nCompression = 0;
    int nColors = 0;
    int nEntrySize = 4;
    UINT nMasksAfterHeader = 0;  // bytes of masks between the header and the palette
};

BOOL IsClassicBitmapLayout(LPCTSTR lpszPath) {
    BYTE header[kFileHeaderSize + 20] = {};
    FILE* pFile = OpenCStream(lpszPath, "rb");
    if (pFile == nullptr)
        return FALSE;
    const std::size_t nRead = std::fread(header, 1, sizeof header, pFile);
    std::fclose(pFile);
    if (nRead < kFileHeaderSize + 16 || header[0] != 'B' || header[1] != 'M')
        return FALSE;
    const BYTE* info = header + kFileHeaderSize;
    const DWORD nInfoSize = Get32(info);
    if (nInfoSize == 12)
        return Get16(info + 10) == 8 || Get16(info + 10) == 24;
    if (nInfoSize != 40 && nInfoSize != 64)
        return FALSE;
    const unsigned nBits = Get16(info + 14);
    return (nBits == 8 || nBits == 24) && static_cast<std::int32_t>(Get32(info + 8)) > 0 &&
           Get32(info + 16) == kCompressionRGB;
}

COXAnyBitmapFile::COXAnyBitmapFile(CString sFileName) : COXImageFile(std::move(sFileName)) {}

COXAnyBitmapFile::COXAnyBitmapFile(CFile* pFile) : COXImageFile(pFile) {}

// Errors are raised through the compressor BeginRead and ReadRows are given.
BOOL COXAnyBitmapFile::AttachCompressor(j_compress_ptr /*cinfo*/) { return TRUE; }

COXAnyBitmapFile::Layout COXAnyBitmapFile::ReadLayout(j_compress_ptr cinfo) {
    BYTE fileHeader[kFileHeaderSize];
    if (ReadBytes(fileHeader, kFileHeaderSize) != kFileHeaderSize)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        ERREXIT(cinfo, BMP_ERR_NOT_BMP);
    Layout l;
    l.nPixelOffset = Get32(fileHeader + 10);
    BYTE info[kMaxInfoSize] = {};
    if (ReadBytes(info, 4) != 4)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    l.nInfoSize = Get32(info);
    if (l.nInfoSize < 12 || l.nInfoSize > kMaxInfoSize)
        ERREXIT(cinfo, BMP_ERR_HEADER);
    if (ReadBytes(info + 4, l.nInfoSize - 4) != l.nInfoSize - 4)
        ERREXIT(cinfo, JERR_INPUT_EOF);

    unsigned nPlanes = 1;
    if (l.nInfoSize == 12) {  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
        l.nWidth = Get16(info + 4);
        l.nHeight = Get16(info + 6);
        nPlanes = Get16(info + 8);
        l.nBitsPerPixel = static_cast<int>(Get16(info + 10));
        l.nEntrySize = 3;
    } else {  // Windows and OS/2 2.x: the fields a shorter header leaves out are zero
        l.nWidth = static_cast<std::int32_t>(Get32(info + 4));
        l.nHeight = static_cast<std::int32_t>(Get32(info + 8));
        nPlanes = Get16(info + 12);
        l.nBitsPerPixel = static_cast<int>(Get16(info + 14));
        l.nCompression = Get32(info + 16);
        l.nColors = static_cast<std::int32_t>(Get32(info + 32));
        // The resolution goes into the JPEG as the bitmap file's reader puts it.
        const DWORD nXPelsPerMeter = Get32(info + 24), nYPelsPerMeter = Get32(info + 28);
        if (nXPelsPerMeter > 0 && nYPelsPerMeter > 0) {
            cinfo->X_density = static_cast<UINT16>(nXPelsPerMeter / 100);
            cinfo->Y_density = static_cast<UINT16>(nYPelsPerMeter / 100);
            cinfo->density_unit = 2;  // dots per centimetre
        }
    }
    const bool bOS2 = l.nInfoSize == 12 || l.nInfoSize == 16 || l.nInfoSize == 64;
    if (nPlanes != 1)
        ERREXIT(cinfo, BMP_ERR_PLANES);
    if (bOS2 && (l.nCompression == kCompressionBitFields || l.nCompression == kCompressionJPEG))
        ERREXIT(cinfo, BMP_ERR_OS2_COMPRESSION);
    if (l.nCompression == kCompressionJPEG)
        ERREXIT(cinfo, BMP_ERR_EMBEDDED_JPEG);
    if (l.nCompression == kCompressionPNG)
        ERREXIT(cinfo, BMP_ERR_EMBEDDED_PNG);
    const int b = l.nBitsPerPixel;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        ERREXIT(cinfo, BMP_ERR_BIT_COUNT);
    const bool bFields =
        l.nCompression == kCompressionBitFields || l.nCompression == kCompressionAlphaBitFields;
    const bool bValid =
        l.nCompression == kCompressionRGB || (l.nCompression == kCompressionRLE8 && b == 8) ||
        (l.nCompression == kCompressionRLE4 && b == 4) || (bFields && (b == 16 || b == 32));
    if (!bValid)
        ERREXIT(cinfo, BMP_ERR_COMPRESSED);
    if (l.nWidth <= 0 || l.nHeight == 0)
        ERREXIT(cinfo, BMP_ERR_HEADER);
    m_bTopDown = l.nHeight < 0;
    if (m_bTopDown)
        l.nHeight = -l.nHeight;
    m_bRunLength = l.nCompression == kCompressionRLE8 || l.nCompression == kCompressionRLE4;
    if (m_bRunLength && m_bTopDown)
        ERREXIT(cinfo, BMP_ERR_BAD_RLE);

    // Masks inside a header of 52 bytes or more; after a 40-byte one.
    if (bFields && l.nInfoSize >= 52) {
        ReadMasks(cinfo, info + 40, 3);
    } else if (bFields) {
        BYTE masks[16];
        l.nMasksAfterHeader = l.nCompression == kCompressionAlphaBitFields ? 16 : 12;
        if (ReadBytes(masks, l.nMasksAfterHeader) != l.nMasksAfterHeader)
            ERREXIT(cinfo, JERR_INPUT_EOF);
        ReadMasks(cinfo, masks, 3);
    } else if (b == 16) {  // 5-5-5
        const BYTE masks[12] = {0x00, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0};
        ReadMasks(cinfo, masks, 3);
    } else if (b == 32) {
        const BYTE masks[12] = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
        ReadMasks(cinfo, masks, 3);
    }
    if (b <= 8) {
        const int nFull = 1 << b;
        if (l.nColors <= 0 || l.nColors > nFull)
            l.nColors = nFull;
    } else {
        l.nColors = 0;
    }
    return l;
}

void COXAnyBitmapFile::ReadMasks(j_compress_ptr cinfo, const BYTE* pMasks, int nCount) {
    DWORD nSeen = 0;
    for (int i = 0; i < nCount; ++i) {
        Mask& m = m_masks[i];
        m.nMask = Get32(pMasks + 4 * i);
        if (m.nMask == 0 || (m.nMask & nSeen) != 0)
            ERREXIT(cinfo, BMP_ERR_BIT_FIELDS);
        nSeen |= m.nMask;
        m.nShift = 0;
        while (((m.nMask >> m.nShift) & 1) == 0)
            ++m.nShift;
        m.nBits = 0;
        while (m.nShift + m.nBits < 32 && ((m.nMask >> (m.nShift + m.nBits)) & 1) != 0)
            ++m.nBits;
        if ((m.nMask >> m.nShift) != (m.nBits == 32 ? 0xFFFFFFFFu : (1u << m.nBits) - 1))
            ERREXIT(cinfo, BMP_ERR_BIT_FIELDS);  // holes in a mask
        // Every value of a channel up to 16 bits looked up rather than divided, pixel by pixel.
        m.levels.clear();
        for (DWORD n = 0; m.nBits <= 16 && n < (1u << m.nBits); ++n)
            m.levels.push_back(Widen(n, m.nBits));
    }
}

void COXAnyBitmapFile::ReadPalette(j_compress_ptr cinfo, int nColors, int nEntrySize) {
    std::vector<BYTE> entries(static_cast<std::size_t>(nColors) * nEntrySize);
    if (ReadBytes(entries.data(), static_cast<UINT>(entries.size())) != entries.size())
        ERREXIT(cinfo, JERR_INPUT_EOF);
    m_palette.resize(static_cast<std::size_t>(nColors) * 3);
    for (int i = 0; i < nColors; ++i) {
        const BYTE* e = entries.data() + static_cast<std::size_t>(i) * nEntrySize;
        m_palette[3 * i] = e[2];
        m_palette[3 * i + 1] = e[1];
        m_palette[3 * i + 2] = e[0];
    }
    m_nColors = nColors;
}

BOOL COXAnyBitmapFile::BeginRead(j_compress_ptr cinfo) {
    ULONGLONG nStart = 0;
    ULONGLONG nLength = 0;
    if (!m_file.GetPosition(nStart) || !m_file.GetLength(nLength))
        ERREXIT(cinfo, JERR_INPUT_EOF);  // this reader positions its rows
    const Layout l = ReadLayout(cinfo);
    m_nBitsPerPixel = l.nBitsPerPixel;
    if (l.nColors > 0)
        ReadPalette(cinfo, l.nColors, l.nEntrySize);
    const ULONGLONG nHeaders = kFileHeaderSize + l.nInfoSize + l.nMasksAfterHeader +
                               static_cast<ULONGLONG>(l.nColors) * l.nEntrySize;
    if (l.nPixelOffset < nHeaders - static_cast<ULONGLONG>(l.nColors) * l.nEntrySize)
        ERREXIT(cinfo, BMP_ERR_HEADER);
    m_nPixelStart = nStart + l.nPixelOffset;
    const ULONGLONG nStride = ((static_cast<ULONGLONG>(l.nWidth) * l.nBitsPerPixel + 31) / 32) * 4;
    const auto nHeight = static_cast<ULONGLONG>(l.nHeight);
    if (nStride > 0x7FFFFFFF || static_cast<ULONGLONG>(l.nWidth) * 3 > 0x7FFFFFFF)
        ERREXIT(cinfo, BMP_ERR_HEADER);
    m_nStride = static_cast<JDIMENSION>(nStride);
    if (m_nPixelStart > nLength)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    if (m_bRunLength) {
        if (static_cast<ULONGLONG>(l.nWidth) * nHeight > kMaxRunLengthPixels)
            ERREXIT(cinfo, BMP_ERR_TOO_LARGE);
        cinfo->image_width = static_cast<JDIMENSION>(l.nWidth);
        cinfo->image_height = static_cast<JDIMENSION>(nHeight);
        DecodeRunLength(cinfo, nLength - m_nPixelStart);
    } else if (nStride * nHeight > nLength - m_nPixelStart) {
        ERREXIT(cinfo, JERR_INPUT_EOF);  // before any row is compressed
    }
    m_row.resize(m_nStride);
    m_pBuffer = CallLibjpeg([&] {
        return (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                           static_cast<JDIMENSION>(l.nWidth) * 3, 1);
    });
    m_nBufferHeight = 1;
    m_nNextRow = 0;
    cinfo->in_color_space = JCS_RGB;
    cinfo->input_components = 3;
    cinfo->data_precision = 8;
    cinfo->image_width = static_cast<JDIMENSION>(l.nWidth);
    cinfo->image_height = static_cast<JDIMENSION>(nHeight);
    return TRUE;
}

void COXAnyBitmapFile::DecodeRunLength(j_compress_ptr cinfo, ULONGLONG nDataBytes) {
    const JDIMENSION nWidth = cinfo->image_width, nHeight = cinfo->image_height;
    std::vector<BYTE> data;
    try {
        data.resize(static_cast<std::size_t>(nDataBytes));
        m_indexes.assign(static_cast<std::size_t>(nWidth) * nHeight, 0);
    } catch (const std::bad_alloc&) {
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    if (!m_file.Seek(m_nPixelStart) ||
        ReadBytes(data.data(), static_cast<UINT>(data.size())) != data.size())
        ERREXIT(cinfo, JERR_INPUT_EOF);
    const bool bFour = m_nBitsPerPixel == 4;
    std::size_t p = 0;
    JDIMENSION x = 0, y = 0;  // y counts rows from the bottom
    const auto put = [&](BYTE nIndex) {
        if (x >= nWidth || y >= nHeight)
            ERREXIT(cinfo, BMP_ERR_BAD_RLE);
        m_indexes[static_cast<std::size_t>(nHeight - 1 - y) * nWidth + x++] = nIndex;
    };
    for (;;) {
        if (p + 2 > data.size())
            ERREXIT(cinfo, BMP_ERR_BAD_RLE);  // no end-of-picture mark
        const BYTE n = data[p], c = data[p + 1];
        p += 2;
        if (n > 0) {
            for (int i = 0; i < n; ++i)
                put(bFour ? static_cast<BYTE>(i % 2 == 0 ? c >> 4 : c & 0x0F) : c);
        } else if (c == 0) {  // end of line
            x = 0;
            ++y;
        } else if (c == 1) {  // end of picture
            return;
        } else if (c == 2) {  // move right and up
            if (p + 2 > data.size())
                ERREXIT(cinfo, BMP_ERR_BAD_RLE);
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {  // c pixels as they are, padded to a 16-bit boundary
            const std::size_t nBytes = bFour ? (c + 1u) / 2 : c;
            if (p + nBytes > data.size())
                ERREXIT(cinfo, BMP_ERR_BAD_RLE);
            for (int i = 0; i < c; ++i)
                put(bFour ? static_cast<BYTE>(i % 2 == 0 ? data[p + i / 2] >> 4
                                                         : data[p + i / 2] & 0x0F)
                          : data[p + i]);
            p += (nBytes + 1) & ~std::size_t{1};
        }
    }
}

BOOL COXAnyBitmapFile::EndRead(j_compress_ptr /*cinfo*/) { return TRUE; }

JSAMPLE COXAnyBitmapFile::PaletteChannel(int nIndex, int nChannel) const {
    return m_palette[3 * static_cast<std::size_t>(nIndex) + nChannel];
}

void COXAnyBitmapFile::ConvertRow(j_compress_ptr cinfo, const BYTE* pIn, JSAMPLE* pOut) const {
    const JDIMENSION nWidth = cinfo->image_width;
    const int b = m_nBitsPerPixel;
    for (JDIMENSION x = 0; x < nWidth; ++x, pOut += 3) {
        if (b <= 8) {
            int nIndex = 0;
            if (m_bRunLength || b == 8)
                nIndex = pIn[x];
            else if (b == 4)
                nIndex = x % 2 == 0 ? pIn[x / 2] >> 4 : pIn[x / 2] & 0x0F;
            else
                nIndex = (pIn[x / 8] >> (7 - x % 8)) & 1;
            if (nIndex >= m_nColors)
                ERREXIT(cinfo, BMP_ERR_COLOR_INDEX);
            pOut[0] = PaletteChannel(nIndex, 0);
            pOut[1] = PaletteChannel(nIndex, 1);
            pOut[2] = PaletteChannel(nIndex, 2);
        } else if (b == 24) {
            pOut[0] = pIn[3 * x + 2];
            pOut[1] = pIn[3 * x + 1];
            pOut[2] = pIn[3 * x];
        } else {
            const BYTE* p = pIn + x * (b / 8);
            const DWORD v = b == 16 ? static_cast<DWORD>(Get16(p)) : Get32(p);
            for (int c = 0; c < 3; ++c) {
                const Mask& m = m_masks[c];
                const DWORD n = (v & m.nMask) >> m.nShift;
                pOut[c] = m.levels.empty() ? Widen(n, m.nBits) : m.levels[n];
            }
        }
    }
}

JDIMENSION COXAnyBitmapFile::ReadRows(j_compress_ptr cinfo) {
    if (m_nNextRow >= cinfo->image_height)
        return 0;
    const JDIMENSION nTopRow = m_nNextRow++;
    if (m_bRunLength) {
        ConvertRow(cinfo, &m_indexes[static_cast<std::size_t>(nTopRow) * cinfo->image_width],
                   m_pBuffer[0]);
        return 1;
    }
    const JDIMENSION nFileRow = m_bTopDown ? nTopRow : cinfo->image_height - 1 - nTopRow;
    if (!m_file.Seek(m_nPixelStart + ULONGLONG{nFileRow} * m_nStride) ||
        ReadBytes(m_row.data(), m_nStride) != m_nStride)
        ERREXIT(cinfo, JERR_INPUT_EOF);
    ConvertRow(cinfo, m_row.data(), m_pBuffer[0]);
    return 1;
}

BOOL COXAnyBitmapFile::BeginWrite(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, BMP_ERR_COLOR_SPACE);
    return FALSE;
}
BOOL COXAnyBitmapFile::EndWrite(j_decompress_ptr /*cinfo*/) { return FALSE; }
BOOL COXAnyBitmapFile::WriteRows(j_decompress_ptr /*cinfo*/, JDIMENSION /*nRows*/) { return FALSE; }
BOOL COXAnyBitmapFile::PrepareWrite(j_decompress_ptr cinfo, BOOL /*bFlag*/) {
    ERREXIT(cinfo, BMP_ERR_COLOR_SPACE);
    return FALSE;
}
