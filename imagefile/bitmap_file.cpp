// COXBitmapFile: parsing and delivering BMP pixels to the compressor, and collecting the
// decompressor's rows into a BMP file.
#include "imagefile/bitmap_file.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "imagefile/block_worker.h"
#include "imagefile/bitmap_format.h"
#include "imagefile/byte_fields.h"
#include "libjpeg/libjpeg_call.h"
#include "platform/memory.h"

namespace {

using namespace bitmap_format;
// Rows read or written in place move through a block of about this size: large transfers, and a
// memory use that does not grow with the picture.
constexpr JDIMENSION kBlockBytes = 1024 * 1024;

using byte_fields::Put16;
using byte_fields::Put32;

j_common_ptr Common(j_compress_ptr cinfo) { return reinterpret_cast<j_common_ptr>(cinfo); }
j_common_ptr Common(j_decompress_ptr cinfo) { return reinterpret_cast<j_common_ptr>(cinfo); }

JSAMPARRAY AllocRows(j_common_ptr cinfo, JDIMENSION nSamplesPerRow, JDIMENSION nRows) {
    return CallLibjpeg(
        [&] { return (*cinfo->mem->alloc_sarray)(cinfo, JPOOL_IMAGE, nSamplesPerRow, nRows); });
}

jvirt_sarray_ptr RequestWholeImage(j_common_ptr cinfo, JDIMENSION nRowWidth, JDIMENSION nRows) {
    return CallLibjpeg([&] {
        return (*cinfo->mem->request_virt_sarray)(cinfo, JPOOL_IMAGE, FALSE, nRowWidth, nRows, 1);
    });
}

}  // namespace

COXBitmapFile::COXBitmapFile(CString sFileName) : COXImageFile(std::move(sFileName)) { Clear(); }

COXBitmapFile::COXBitmapFile(CFile* pFile) : COXImageFile(pFile) { Clear(); }

void COXBitmapFile::Clear() {
    m_pWholeImage = nullptr;
    m_nRowWidth = 0;
    m_bRowsInPlace = FALSE;
    m_nPixelAreaStart = 0;
    m_pBlock = nullptr;
    m_nBlockCapacity = 0;
    m_nBlockFirst = 0;
    m_nBlockRows = 0;
    m_bHeaderWriteFailed = FALSE;
    m_bRowWriteFailed = FALSE;
    m_nOverflowColors = 0;
    m_pCompressInfo = nullptr;
    m_pColorMap = nullptr;
    m_nColors = 0;
    m_nSourceRow = 0;
    m_nBitsPerPixel = 0;
    m_pfnReadRow = &COXBitmapFile::PreloadImage;
    m_bOS2Format = FALSE;
    m_nDataWidth = 0;
    m_nPadBytes = 0;
    m_nCurOutputRow = 0;
    m_pfnWriteRow = &COXBitmapFile::PutPixelRow;
}

BOOL COXBitmapFile::AttachCompressor(j_compress_ptr cinfo) {
    m_pCompressInfo = cinfo;
    return TRUE;
}

int COXBitmapFile::ReadByte() {
    BYTE c = 0;
    if (ReadBytes(&c, 1) == 0)
        ERREXIT(m_pCompressInfo, JERR_INPUT_EOF);
    return c;
}

void COXBitmapFile::ReadColorMap(const BitmapLayout& layout) {
    SplitColors(layout.colors, layout.nColors, m_pColorMap[0], m_pColorMap[1], m_pColorMap[2], 1);
}

BitmapLayout COXBitmapFile::ReadHeaders(j_compress_ptr cinfo) {
    const BitmapLayout layout = ReadBitmapLayoutFor(
        cinfo, [this](BYTE* p, UINT n) { return ReadBytes(p, n); }, BitmapRules::Classic);
    const int nTrace = layout.IsOS2Core()
                           ? (layout.nBitsPerPixel == 8 ? BMP_TRC_OS2_8 : BMP_TRC_OS2_24)
                           : (layout.nBitsPerPixel == 8 ? BMP_TRC_WIN_8 : BMP_TRC_WIN_24);
    TRACEMS2(cinfo, 1, nTrace, static_cast<int>(layout.nWidth), static_cast<int>(layout.nHeight));
    return layout;
}

BOOL COXBitmapFile::CheckPixelAreaFits(j_compress_ptr cinfo, const BitmapLayout& layout,
                                       ULONGLONG nStart) {
    // A header may promise more than the file holds; find out before committing memory to it,
    // and before any row is compressed.
    ULONGLONG nLength = 0;
    if (!m_file.GetLength(nLength))
        return FALSE;  // not a regular file: the row reads still stop short
    if (!layout.PixelsFit(nStart, nLength))
        ERREXIT(cinfo, JERR_INPUT_EOF);
    return TRUE;
}

void COXBitmapFile::AllocateBlock(j_common_ptr cinfo, JDIMENSION nImageRows) {
    JDIMENSION nRows = kBlockBytes / m_nRowWidth;
    nRows = nRows < 1 ? 1 : (nRows > nImageRows ? nImageRows : nRows);
    m_nBlockCapacity = nRows;
    m_nBlockRows = 0;
    // The file is read or written on a second thread, a block ahead of the coding.
    try {
        m_pWorker = std::make_unique<CBlockWorker>(
            [this](BYTE* pBlock, ULONGLONG nOffset, UINT nBytes, bool bWrite) {
                if (!m_file.Seek(nOffset))
                    return false;
                return bWrite ? WriteBytes(pBlock, nBytes) != FALSE
                              : ReadBytes(pBlock, nBytes) == nBytes;
            },
            static_cast<std::size_t>(nRows) * m_nRowWidth);
    } catch (const std::exception&) {  // no memory or no thread for it
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    m_pBlock = m_pWorker->FirstBuffer();
}

ULONGLONG COXBitmapFile::FileRowOffset(JDIMENSION nFileRow) const {
    return m_nPixelAreaStart + ULONGLONG{nFileRow} * m_nRowWidth;
}

void COXBitmapFile::Abort() {
    m_pWorker.reset();
    COXImageFile::Abort();
}

void COXBitmapFile::Close() {
    m_pWorker.reset();
    COXImageFile::Close();
}

BOOL COXBitmapFile::BeginRead(j_compress_ptr cinfo) {
    // A bitmap lent to us may start anywhere in its file.
    ULONGLONG nStart = 0;
    const BOOL bPositioned = m_file.GetPosition(nStart);
    const BitmapLayout h = ReadHeaders(cinfo);
    const ULONGLONG nRowWidth = h.nStride;
    const auto nHeight = static_cast<ULONGLONG>(h.nHeight);
    m_nBitsPerPixel = h.nBitsPerPixel;
    m_nColors = h.nColors;
    if (h.nColors > 0) {
        m_pColorMap = AllocRows(Common(cinfo), static_cast<JDIMENSION>(h.nColors), 3);
        ReadColorMap(h);
    }
    auto nGap = h.nGap;
    // A file that cannot be positioned (a pipe) has no length to judge by either.
    const BOOL bKnownLength = bPositioned && CheckPixelAreaFits(cinfo, h, nStart);
    m_nRowWidth = static_cast<JDIMENSION>(nRowWidth);
    m_bRowsInPlace = bPositioned && bKnownLength;
    if (m_bRowsInPlace) {
        m_nPixelAreaStart = nStart + h.nPixelOffset;
        AllocateBlock(Common(cinfo), static_cast<JDIMENSION>(nHeight));
    } else {
        for (; nGap > 0; --nGap)
            ReadByte();
        m_pWholeImage =
            RequestWholeImage(Common(cinfo), m_nRowWidth, static_cast<JDIMENSION>(nHeight));
    }
    m_pfnReadRow = &COXBitmapFile::PreloadImage;
    m_pBuffer = AllocRows(Common(cinfo), static_cast<JDIMENSION>(h.nWidth) * 3, 1);
    m_nBufferHeight = 1;

    // Rows in place go to libjpeg as the file has them: blue, green, red. The same pixels, so
    // the same JPEG, without a pass that turns each row around.
    cinfo->in_color_space = m_bRowsInPlace && h.nBitsPerPixel == 24 ? JCS_EXT_BGR : JCS_RGB;
    cinfo->input_components = 3;
    cinfo->data_precision = 8;
    cinfo->image_width = static_cast<JDIMENSION>(h.nWidth);
    cinfo->image_height = static_cast<JDIMENSION>(nHeight);
    return TRUE;
}

BOOL COXBitmapFile::EndRead(j_compress_ptr /*cinfo*/) {
    m_pWorker.reset();  // every row was read: the file is the coding thread's again
    return TRUE;
}

JDIMENSION COXBitmapFile::ReadRows(j_compress_ptr cinfo) { return (this->*m_pfnReadRow)(cinfo); }

JSAMPROW COXBitmapFile::AccessWholeImageRow(j_common_ptr cinfo, JDIMENSION nRow, BOOL bWritable) {
    return CallLibjpeg([&] {
        return (*cinfo->mem->access_virt_sarray)(cinfo, m_pWholeImage, nRow, 1, bWritable);
    })[0];
}

void COXBitmapFile::AdviseWholeImage(JSAMPROW pFirstRow, JDIMENSION nRows) const {
    // libjpeg realises an in-memory array of under a gigabyte as one block of rows at least
    // m_nRowWidth apart, so these bytes from the first row on are all the array's. The block is
    // fresh memory that is about to be filled completely.
    const std::size_t nBytes = static_cast<std::size_t>(m_nRowWidth) * nRows;
    if (nBytes < std::size_t{900} * 1000 * 1000)
        AdviseBulkWrite(pFirstRow, nBytes);
}

const JSAMPLE* COXBitmapFile::SourceRow(j_compress_ptr cinfo, JDIMENSION nFileRow) {
    if (!m_bRowsInPlace)
        return AccessWholeImageRow(Common(cinfo), nFileRow, FALSE);
    if (m_nBlockRows == 0 || nFileRow < m_nBlockFirst || nFileRow >= m_nBlockFirst + m_nBlockRows) {
        // Rows go out top first, so the block ends at the row asked for.
        const JDIMENSION nRows = nFileRow + 1 < m_nBlockCapacity ? nFileRow + 1 : m_nBlockCapacity;
        const JDIMENSION nFirst = nFileRow + 1 - nRows;
        m_pBlock = m_pWorker->Read(FileRowOffset(nFirst), nRows * m_nRowWidth);
        if (m_pBlock == nullptr)
            ERREXIT(cinfo, JERR_INPUT_EOF);
        m_nBlockFirst = nFirst;
        m_nBlockRows = nRows;
        // The rows below come next: they are read while these are coded.
        const JDIMENSION nNextRows = nFirst < m_nBlockCapacity ? nFirst : m_nBlockCapacity;
        if (nNextRows > 0)
            m_pWorker->ReadAhead(FileRowOffset(nFirst - nNextRows), nNextRows * m_nRowWidth);
    }
    return m_pBlock + static_cast<std::size_t>(nFileRow - m_nBlockFirst) * m_nRowWidth;
}

JDIMENSION COXBitmapFile::PreloadImage(j_compress_ptr cinfo) {
    // The file stores the bottom row first. Without rows in place the whole area is loaded, so
    // rows can go out top first.
    for (JDIMENSION nRow = 0; nRow < cinfo->image_height && !m_bRowsInPlace; ++nRow) {
        JSAMPROW pRow = AccessWholeImageRow(Common(cinfo), nRow, TRUE);
        if (nRow == 0)
            AdviseWholeImage(pRow, cinfo->image_height);
        if (ReadBytes(pRow, m_nRowWidth) != m_nRowWidth)
            ERREXIT(m_pCompressInfo, JERR_INPUT_EOF);
    }
    if (m_nBitsPerPixel == 8)
        m_pfnReadRow = &COXBitmapFile::Get8BitRow;
    else if (m_nBitsPerPixel == 24)
        m_pfnReadRow =
            m_bRowsInPlace ? &COXBitmapFile::Get24BitRowInPlace : &COXBitmapFile::Get24BitRow;
    else
        ERREXIT(cinfo, BMP_ERR_BIT_COUNT);
    m_nSourceRow = cinfo->image_height;
    return (this->*m_pfnReadRow)(cinfo);
}

JDIMENSION COXBitmapFile::Get8BitRow(j_compress_ptr cinfo) {
    const JSAMPLE* pIn = SourceRow(cinfo, --m_nSourceRow);
    JSAMPLE* pOut = m_pBuffer[0];
    const JSAMPLE* pRed = m_pColorMap[0];
    const JSAMPLE* pGreen = m_pColorMap[1];
    const JSAMPLE* pBlue = m_pColorMap[2];
    for (JDIMENSION x = 0; x < cinfo->image_width; ++x) {
        const int t = pIn[x];
        if (t >= m_nColors)  // no colour in the map for this pixel
            ERREXIT(cinfo, BMP_ERR_COLOR_INDEX);
        *pOut++ = pRed[t];
        *pOut++ = pGreen[t];
        *pOut++ = pBlue[t];
    }
    return 1;
}

JDIMENSION COXBitmapFile::Get24BitRow(j_compress_ptr cinfo) {
    SwapRedAndBlue(SourceRow(cinfo, --m_nSourceRow), m_pBuffer[0], cinfo->image_width);
    return 1;
}

JDIMENSION COXBitmapFile::Get24BitRowInPlace(j_compress_ptr cinfo) {
    m_pBuffer[0] = const_cast<JSAMPLE*>(SourceRow(cinfo, --m_nSourceRow));
    return 1;
}

BOOL COXBitmapFile::IsEightBitOutput(j_decompress_ptr cinfo) const {
    return cinfo->out_color_space == JCS_GRAYSCALE || cinfo->quantize_colors;
}

BOOL COXBitmapFile::PrepareWrite(j_decompress_ptr cinfo, BOOL /*bFlag*/) {
    // A run starts clean: an object may be opened again after a run whose writes failed.
    m_bHeaderWriteFailed = FALSE;
    m_bRowWriteFailed = FALSE;
    m_nOverflowColors = 0;
    ULONGLONG nStart = 0;
    ChooseRowWriter(cinfo, nStart);
    MeasureRows(cinfo);
    if (m_bRowsInPlace) {
        m_nPixelAreaStart = nStart + HeaderSize(cinfo);
        AllocateBlock(Common(cinfo), cinfo->output_height);
    } else {
        m_pWholeImage = RequestWholeImage(Common(cinfo), m_nRowWidth, cinfo->output_height);
    }
    m_nCurOutputRow = 0;
    m_pBuffer = AllocRows(Common(cinfo), m_nRowWidth, 1);
    m_nBufferHeight = 1;
    return TRUE;
}

void COXBitmapFile::ChooseRowWriter(j_decompress_ptr cinfo, ULONGLONG& rnStart) {
    if (cinfo->out_color_space == JCS_GRAYSCALE)
        m_pfnWriteRow = &COXBitmapFile::PutGrayRow;
    else if (cinfo->out_color_space == JCS_RGB)
        m_pfnWriteRow =
            cinfo->quantize_colors ? &COXBitmapFile::PutGrayRow : &COXBitmapFile::PutPixelRow;
    else
        ERREXIT(cinfo, BMP_ERR_COLOR_SPACE);

    // Rows in place: libjpeg writes each row straight into its place, 24-bit ones as blue, green,
    // red, so nothing is copied or turned around. Decided here, before the sizes are worked out.
    m_bRowsInPlace = m_file.GetPosition(rnStart) && m_file.Seek(rnStart);
    if (m_bRowsInPlace) {
        if (m_pfnWriteRow == &COXBitmapFile::PutPixelRow)
            cinfo->out_color_space = JCS_EXT_BGR;
        m_pfnWriteRow = &COXBitmapFile::PutRowInPlace;
    }
}

void COXBitmapFile::MeasureRows(j_decompress_ptr cinfo) {
    CallLibjpeg([&] { jpeg_calc_output_dimensions(cinfo); });
    m_nDataWidth = cinfo->output_width * static_cast<JDIMENSION>(cinfo->output_components);
    m_nRowWidth = static_cast<JDIMENSION>(Stride(m_nDataWidth, 8));
    // A file's size is a 32-bit field: a bigger picture has no bitmap file, and a few bytes of
    // hostile JPEG header must not make us hold gigabytes for one.
    const ULONGLONG nFileSize = ULONGLONG{kFileHeaderSize} + kInfoHeaderSize +
                                kMaxColors * kInfoEntrySize +
                                ULONGLONG{m_nRowWidth} * cinfo->output_height;
    if (nFileSize > 0xFFFFFFFFULL)
        ERREXIT(cinfo, BMP_ERR_TOO_LARGE);
    m_nPadBytes = static_cast<int>(m_nRowWidth - m_nDataWidth);
}

BOOL COXBitmapFile::BeginWrite(j_decompress_ptr cinfo) {
    // Decompression has started: the sizes and, for 8-bit output, the colour map are known.
    if (m_bRowsInPlace) {
        WriteHeadersAndColorMap(cinfo);
        m_pBuffer[0] = OutputRow(cinfo, 0);
    }
    return TRUE;
}

ULONGLONG COXBitmapFile::HeaderSize(j_decompress_ptr cinfo) const {
    const ULONGLONG nInfoSize = m_bOS2Format ? kCoreHeaderSize : kInfoHeaderSize;
    const ULONGLONG nEntrySize = m_bOS2Format ? kCoreEntrySize : kInfoEntrySize;
    return kFileHeaderSize + nInfoSize + (IsEightBitOutput(cinfo) ? kMaxColors * nEntrySize : 0);
}

void COXBitmapFile::WriteHeadersAndColorMap(j_decompress_ptr cinfo) {
    if (m_bOS2Format)
        WriteOS2Header(cinfo);
    else
        WriteWindowsHeader(cinfo);
    if (!IsEightBitOutput(cinfo) || m_bHeaderWriteFailed)
        return;
    const int nColors = cinfo->colormap != nullptr ? cinfo->actual_number_of_colors : kMaxColors;
    if (nColors > kMaxColors) {
        m_nOverflowColors = nColors;
        return;
    }
    if (!WriteColorMap(cinfo, kMaxColors, m_bOS2Format ? kCoreEntrySize : kInfoEntrySize))
        m_bRowWriteFailed = TRUE;
}

JSAMPLE* COXBitmapFile::OutputRow(j_decompress_ptr cinfo, JDIMENSION nOutputRow) {
    if (!m_bRowsInPlace) {
        JSAMPLE* pRow = AccessWholeImageRow(Common(cinfo), nOutputRow, TRUE);
        if (nOutputRow == 0)
            AdviseWholeImage(pRow, cinfo->output_height);
        return pRow;
    }
    // Rows arrive top first and are stored bottom first: the block fills from its end.
    const JDIMENSION nFileRow = cinfo->output_height - 1 - nOutputRow;
    if (m_nBlockRows == 0) {
        m_nBlockFirst = nFileRow + 1 > m_nBlockCapacity ? nFileRow + 1 - m_nBlockCapacity : 0;
        m_nBlockRows = nFileRow + 1 - m_nBlockFirst;
    }
    return m_pBlock + static_cast<std::size_t>(nFileRow - m_nBlockFirst) * m_nRowWidth;
}

void COXBitmapFile::OutputRowDone(j_decompress_ptr cinfo, JDIMENSION nOutputRow) {
    if (m_bRowsInPlace && cinfo->output_height - 1 - nOutputRow == m_nBlockFirst)
        FlushBlock();
}

void COXBitmapFile::FlushBlock() {
    if (m_nBlockRows == 0)
        return;
    // Written on the second thread while the next block fills the other buffer.
    if (!m_bRowWriteFailed && !m_bHeaderWriteFailed)
        m_pBlock = m_pWorker->WriteBehind(FileRowOffset(m_nBlockFirst), m_nBlockRows * m_nRowWidth);
    m_nBlockRows = 0;
}

BOOL COXBitmapFile::WriteRows(j_decompress_ptr cinfo, JDIMENSION nRows) {
    (this->*m_pfnWriteRow)(cinfo, nRows);
    return TRUE;
}

void COXBitmapFile::PutGrayRow(j_decompress_ptr cinfo, JDIMENSION nRows) {
    if (nRows == 0 || m_nCurOutputRow >= cinfo->output_height)
        return;
    JSAMPLE* pOut = OutputRow(cinfo, m_nCurOutputRow);
    std::memcpy(pOut, m_pBuffer[0], cinfo->output_width);
    std::memset(pOut + m_nDataWidth, 0, static_cast<std::size_t>(m_nPadBytes));
    OutputRowDone(cinfo, m_nCurOutputRow++);
}

void COXBitmapFile::PutPixelRow(j_decompress_ptr cinfo, JDIMENSION nRows) {
    if (nRows == 0 || m_nCurOutputRow >= cinfo->output_height)
        return;
    JSAMPLE* pOut = OutputRow(cinfo, m_nCurOutputRow);
    SwapRedAndBlue(m_pBuffer[0], pOut, cinfo->output_width);
    std::memset(pOut + 3 * static_cast<std::size_t>(cinfo->output_width), 0,
                static_cast<std::size_t>(m_nPadBytes));
    OutputRowDone(cinfo, m_nCurOutputRow++);
}

void COXBitmapFile::PutRowInPlace(j_decompress_ptr cinfo, JDIMENSION nRows) {
    if (nRows == 0 || m_nCurOutputRow >= cinfo->output_height)
        return;
    std::memset(m_pBuffer[0] + m_nDataWidth, 0, static_cast<std::size_t>(m_nPadBytes));
    OutputRowDone(cinfo, m_nCurOutputRow++);
    if (m_nCurOutputRow < cinfo->output_height)
        m_pBuffer[0] = OutputRow(cinfo, m_nCurOutputRow);
}

void COXBitmapFile::WriteHeaderBlock(j_decompress_ptr cinfo, const BYTE* pBlock, UINT nSize) {
    if (m_bHeaderWriteFailed || WriteBytes(pBlock, nSize))
        return;
    if (!m_bRowsInPlace)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    m_bHeaderWriteFailed = TRUE;  // reported by EndWrite, after the rows, as the other way
}

void COXBitmapFile::WriteFileHeaders(j_decompress_ptr cinfo, int nInfoSize, int nEntrySize) {
    const int nMapColors = IsEightBitOutput(cinfo) ? 256 : 0;
    const DWORD nHeaderSize =
        kFileHeaderSize + static_cast<DWORD>(nInfoSize + nEntrySize * nMapColors);
    BYTE fileHeader[kFileHeaderSize] = {'B', 'M'};
    Put32(fileHeader + 2, nHeaderSize + m_nRowWidth * cinfo->output_height);
    Put32(fileHeader + 10, nHeaderSize);
    WriteHeaderBlock(cinfo, fileHeader, kFileHeaderSize);
}

void COXBitmapFile::WriteWindowsHeader(j_decompress_ptr cinfo) {
    const bool bEightBit = IsEightBitOutput(cinfo);
    WriteFileHeaders(cinfo, kInfoHeaderSize, kInfoEntrySize);
    BYTE info[kInfoHeaderSize] = {};
    Put32(info + 0, kInfoHeaderSize);
    Put32(info + 4, cinfo->output_width);
    Put32(info + 8, cinfo->output_height);
    Put16(info + 12, 1);
    Put16(info + 14, bEightBit ? 8 : 24);
    if (cinfo->density_unit == kJfifDotsPerCentimetre) {
        Put32(info + 24, static_cast<DWORD>(cinfo->X_density) * kCentimetresPerMetre);
        Put32(info + 28, static_cast<DWORD>(cinfo->Y_density) * kCentimetresPerMetre);
    }
    Put32(info + 32, bEightBit ? 256 : 0);
    WriteHeaderBlock(cinfo, info, kInfoHeaderSize);
}

void COXBitmapFile::WriteOS2Header(j_decompress_ptr cinfo) {
    WriteFileHeaders(cinfo, kCoreHeaderSize, kCoreEntrySize);
    BYTE info[kCoreHeaderSize] = {};
    Put32(info + 0, kCoreHeaderSize);
    Put16(info + 4, cinfo->output_width & 0xFFFF);
    Put16(info + 6, cinfo->output_height & 0xFFFF);
    Put16(info + 8, 1);
    Put16(info + 10, IsEightBitOutput(cinfo) ? 8 : 24);
    WriteHeaderBlock(cinfo, info, kCoreHeaderSize);
}

BOOL COXBitmapFile::WriteColorMap(j_decompress_ptr cinfo, int nMapColors, int nEntrySize) {
    const int nColors = cinfo->colormap != nullptr ? cinfo->actual_number_of_colors : 256;
    if (nColors > nMapColors) {
        cinfo->err->msg_parm.i[0] = nColors;
        ERREXIT(cinfo, BMP_ERR_COLORMAP_SIZE);
    }
    BOOL bWritten = TRUE;
    for (int i = 0; i < nMapColors; ++i) {
        BYTE entry[4] = {};
        if (i >= nColors) {
            // padding entries stay zero
        } else if (cinfo->colormap == nullptr) {
            entry[0] = entry[1] = entry[2] = static_cast<BYTE>(i);  // plain greyscale ramp
        } else if (cinfo->out_color_components == 3) {
            entry[0] = cinfo->colormap[2][i];
            entry[1] = cinfo->colormap[1][i];
            entry[2] = cinfo->colormap[0][i];
        } else {
            entry[0] = entry[1] = entry[2] = cinfo->colormap[0][i];
        }
        bWritten = WriteBytes(entry, static_cast<UINT>(nEntrySize)) && bWritten;
    }
    return bWritten;
}

BOOL COXBitmapFile::EndWrite(j_decompress_ptr cinfo) {
    if (m_bRowsInPlace) {
        FlushBlock();
        if (!m_pWorker->Finish())
            m_bRowWriteFailed = TRUE;
        if (m_bHeaderWriteFailed)
            ERREXIT(cinfo, JERR_FILE_WRITE);
        if (m_nOverflowColors > 0) {
            cinfo->err->msg_parm.i[0] = m_nOverflowColors;
            ERREXIT(cinfo, BMP_ERR_COLORMAP_SIZE);
        }
        return !m_bRowWriteFailed;
    }
    BOOL bComplete = TRUE;
    if (m_bOS2Format)
        WriteOS2Header(cinfo);
    else
        WriteWindowsHeader(cinfo);
    if (IsEightBitOutput(cinfo))
        bComplete =
            WriteColorMap(cinfo, kMaxColors, m_bOS2Format ? kCoreEntrySize : kInfoEntrySize);
    // The file stores the bottom row first: the last row libjpeg produced.
    for (JDIMENSION nRow = cinfo->output_height; nRow > 0 && bComplete; --nRow) {
        const JSAMPLE* pRow = AccessWholeImageRow(Common(cinfo), nRow - 1, FALSE);
        bComplete = WriteBytes(pRow, m_nRowWidth);
    }
    return bComplete;
}
