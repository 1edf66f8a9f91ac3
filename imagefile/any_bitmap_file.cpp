// COXAnyBitmapFile: the headers of every bitmap layout, bit-field masks, palettes, run-length
// decoding, and each row turned into RGB top row first.
#include "imagefile/any_bitmap_file.h"

#include <cstring>
#include <new>

#include "imagefile/bitmap_format.h"
#include "imagefile/byte_fields.h"
#include "libjpeg/libjpeg_call.h"

namespace {

using byte_fields::Get16;
using byte_fields::Get32;

// The 8-bit value of an n-bit channel, scaled and rounded down as Pillow does, so a
// file gives the same picture here as there.
JSAMPLE Widen(DWORD nValue, int nBits) {
    const ULONGLONG nMax = (1ULL << nBits) - 1;
    return static_cast<JSAMPLE>(nValue * 255ULL / nMax);
}

}  // namespace

COXAnyBitmapFile::COXAnyBitmapFile(CString sFileName) : COXImageFile(std::move(sFileName)) {}

COXAnyBitmapFile::COXAnyBitmapFile(CFile* pFile) : COXImageFile(pFile) {}

// Errors are raised through the compressor BeginRead and ReadRows are given.
BOOL COXAnyBitmapFile::AttachCompressor(j_compress_ptr /*cinfo*/) { return TRUE; }

void COXAnyBitmapFile::TakeMasks(const BitmapLayout& layout) {
    for (int i = 0; i < 3 && layout.fields[i].nMask != 0; ++i) {
        Mask& m = m_masks[i];
        m.field = layout.fields[i];
        // Every value of a channel up to 16 bits looked up rather than divided, pixel by pixel.
        m.levels.clear();
        for (DWORD n = 0; m.field.nBits <= 16 && n < (1u << m.field.nBits); ++n)
            m.levels.push_back(Widen(n, m.field.nBits));
    }
}

void COXAnyBitmapFile::TakePalette(const BitmapLayout& layout) {
    m_palette.resize(static_cast<std::size_t>(layout.nColors) * 3);
    if (layout.nColors > 0)
        bitmap_format::SplitColors(layout.colors, layout.nColors, &m_palette[0], &m_palette[1],
                                   &m_palette[2], 3);
    m_nColors = layout.nColors;
}

BOOL COXAnyBitmapFile::BeginRead(j_compress_ptr cinfo) {
    ULONGLONG nStart = 0;
    ULONGLONG nLength = 0;
    if (!m_file.GetPosition(nStart) || !m_file.GetLength(nLength))
        ERREXIT(cinfo, JERR_INPUT_EOF);  // this reader positions its rows
    const BitmapLayout l = ReadBitmapLayoutFor(
        cinfo, [this](BYTE* p, UINT n) { return ReadBytes(p, n); }, BitmapRules::Every);
    m_nBitsPerPixel = l.nBitsPerPixel;
    m_bTopDown = l.bTopDown;
    m_bRunLength = l.IsRunLength();
    TakeMasks(l);
    TakePalette(l);
    m_nPixelStart = nStart + l.nPixelOffset;
    m_nStride = static_cast<JDIMENSION>(l.nStride);
    const auto nHeight = static_cast<ULONGLONG>(l.nHeight);
    if (!l.PixelsFit(nStart, nLength))
        ERREXIT(cinfo, JERR_INPUT_EOF);  // before any row is compressed
    if (m_bKeepProfile)
        KeepProfile(l, nStart, nLength);
    cinfo->image_width = static_cast<JDIMENSION>(l.nWidth);
    cinfo->image_height = static_cast<JDIMENSION>(nHeight);
    if (m_bRunLength)
        DecodeRunLength(cinfo, l, nLength - m_nPixelStart);
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
    return TRUE;
}

void COXAnyBitmapFile::KeepProfile(const BitmapLayout& l, ULONGLONG nStart, ULONGLONG nLength) {
    m_colorProfile.clear();
    m_bProfileLeftOut = FALSE;
    if (l.nProfileSize == 0 ||
        (l.nProfileType != kProfileEmbedded && l.nProfileType != kProfileLinked))
        return;
    // The most APP2 segments can carry.
    constexpr ULONGLONG kMostProfileBytes = 255ULL * 65519;
    const ULONGLONG nProfile = nStart + bitmap_format::kFileHeaderSize + l.nProfileData;
    if (l.nProfileType == kProfileLinked || l.nProfileSize > kMostProfileBytes ||
        nProfile > nLength || l.nProfileSize > nLength - nProfile) {
        m_bProfileLeftOut = TRUE;
        return;
    }
    m_colorProfile.resize(l.nProfileSize);
    if (!m_file.Seek(nProfile) ||
        ReadBytes(m_colorProfile.data(), l.nProfileSize) != l.nProfileSize) {
        m_colorProfile.clear();
        m_bProfileLeftOut = TRUE;
    }
}

void COXAnyBitmapFile::DecodeRunLength(j_compress_ptr cinfo, const BitmapLayout& layout,
                                       ULONGLONG nDataBytes) {
    std::vector<BYTE> data;
    try {
        data.resize(static_cast<std::size_t>(nDataBytes));
        m_indexes.assign(static_cast<std::size_t>(cinfo->image_width) * cinfo->image_height, 0);
    } catch (const std::bad_alloc&) {
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    if (!m_file.Seek(m_nPixelStart) ||
        ReadBytes(data.data(), static_cast<UINT>(data.size())) != data.size())
        ERREXIT(cinfo, JERR_INPUT_EOF);
    if (const int nCode = DecodeBitmapRunLength(layout, data.data(), data.size(), m_indexes.data(),
                                                cinfo->image_width))
        ERREXIT(cinfo, nCode);
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
            else
                nIndex = static_cast<int>(bitmap_format::GetSmallPixel(pIn, x, b));
            if (nIndex >= m_nColors)
                ERREXIT(cinfo, BMP_ERR_COLOR_INDEX);
            pOut[0] = PaletteChannel(nIndex, 0);
            pOut[1] = PaletteChannel(nIndex, 1);
            pOut[2] = PaletteChannel(nIndex, 2);
        } else if (b == 24) {
            bitmap_format::SwapRedAndBlue(pIn + 3 * x, pOut, 1);
        } else {
            const BYTE* p = pIn + x * (b / 8);
            const DWORD v = b == 16 ? static_cast<DWORD>(Get16(p)) : Get32(p);
            for (int c = 0; c < 3; ++c) {
                const Mask& m = m_masks[c];
                const DWORD n = (v & m.field.nMask) >> m.field.nShift;
                pOut[c] = m.levels.empty() ? Widen(n, m.field.nBits) : m.levels[n];
            }
        }
    }
}

JDIMENSION COXAnyBitmapFile::ReadRows(j_compress_ptr cinfo) {
    if (m_nNextRow >= cinfo->image_height)
        return 0;
    const JDIMENSION nTopRow = m_nNextRow++;
    if (m_bRunLength) {
        const JDIMENSION nStoredRow = cinfo->image_height - 1 - nTopRow;
        ConvertRow(cinfo, &m_indexes[static_cast<std::size_t>(nStoredRow) * cinfo->image_width],
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
