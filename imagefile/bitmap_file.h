// COXBitmapFile: Windows and OS/2 bitmap files as the encoder's source and the decoder's
// destination. The file stores the bottom row first; rows go straight from and to their place in
// the file through a block of 1 MiB, or, where the file cannot be positioned, through the
// whole image held in a libjpeg virtual array.
#pragma once

#include <memory>

#include "imagefile/bitmap_layout.h"
#include "imagefile/block_worker.h"
#include "imagefile/image_file.h"

class COXBitmapFile : public COXImageFile {
public:
    explicit COXBitmapFile(CString sFileName);
    explicit COXBitmapFile(CFile* pFile);

    // Write the OS/2 layout (12-byte header, 3-byte colour entries) instead of the Windows one.
    void SetOS2Format(BOOL bOS2Format) { m_bOS2Format = bOS2Format; }

    BOOL BeginRead(j_compress_ptr cinfo) override;
    BOOL EndRead(j_compress_ptr cinfo) override;
    JDIMENSION ReadRows(j_compress_ptr cinfo) override;
    BOOL BeginWrite(j_decompress_ptr cinfo) override;
    // FALSE when the pixel rows or the colour map could not all be written.
    BOOL EndWrite(j_decompress_ptr cinfo) override;
    BOOL WriteRows(j_decompress_ptr cinfo, JDIMENSION nRows) override;
    BOOL AttachCompressor(j_compress_ptr cinfo) override;
    BOOL PrepareWrite(j_decompress_ptr cinfo, BOOL bFlag) override;
    // The second thread that moves blocks of rows ends before the file is let go.
    void Abort() override;
    void Close() override;

protected:
    int ReadByte();
    // The colour map as libjpeg's rows of red, green and blue.
    void ReadColorMap(const BitmapLayout& layout);
    JDIMENSION PreloadImage(j_compress_ptr cinfo);
    JDIMENSION Get8BitRow(j_compress_ptr cinfo);
    JDIMENSION Get24BitRow(j_compress_ptr cinfo);
    // A 24-bit row handed to libjpeg where it lies in the block, as blue, green, red.
    JDIMENSION Get24BitRowInPlace(j_compress_ptr cinfo);
    void PutGrayRow(j_decompress_ptr cinfo, JDIMENSION nRows);
    void PutPixelRow(j_decompress_ptr cinfo, JDIMENSION nRows);
    // A row libjpeg wrote straight into its place in the block; points the buffer at the next.
    void PutRowInPlace(j_decompress_ptr cinfo, JDIMENSION nRows);
    void WriteWindowsHeader(j_decompress_ptr cinfo);
    void WriteOS2Header(j_decompress_ptr cinfo);
    BOOL WriteColorMap(j_decompress_ptr cinfo, int nMapColors, int nEntrySize);

    jvirt_sarray_ptr m_pWholeImage;
    JDIMENSION m_nRowWidth;

    // Rows in place: the block holds consecutive file rows, counted from the bottom.
    BOOL m_bRowsInPlace;
    ULONGLONG m_nPixelAreaStart;  // file position of the bottom row
    JSAMPLE* m_pBlock;            // the block in use, in one of m_pWorker's buffers
    std::unique_ptr<CBlockWorker> m_pWorker;
    JDIMENSION m_nBlockCapacity;  // rows
    JDIMENSION m_nBlockFirst;     // the block's first (lowest) file row
    JDIMENSION m_nBlockRows;      // rows it holds now

    // Reading
    j_compress_ptr m_pCompressInfo;
    JSAMPARRAY m_pColorMap;
    int m_nColors;  // entries in m_pColorMap
    JDIMENSION m_nSourceRow;
    int m_nBitsPerPixel;
    JDIMENSION (COXBitmapFile::*m_pfnReadRow)(j_compress_ptr);

    // Writing
    BOOL m_bOS2Format;
    // Failures of writing in place, kept for EndWrite, where writing the whole image meets them:
    // a run reports the same error whichever way its rows went.
    BOOL m_bHeaderWriteFailed;
    BOOL m_bRowWriteFailed;
    int m_nOverflowColors;  // colours beyond the map's 256, or 0
    JDIMENSION m_nDataWidth;
    int m_nPadBytes;
    JDIMENSION m_nCurOutputRow;
    void (COXBitmapFile::*m_pfnWriteRow)(j_decompress_ptr, JDIMENSION);

private:
    void Clear();
    BitmapLayout ReadHeaders(j_compress_ptr cinfo);
    // FALSE when the file has no length to judge by (not a regular file).
    BOOL CheckPixelAreaFits(j_compress_ptr cinfo, const BitmapLayout& layout, ULONGLONG nStart);
    void AllocateBlock(j_common_ptr cinfo, JDIMENSION nImageRows);
    // The row nFileRow (from the bottom) of a bitmap being read.
    const JSAMPLE* SourceRow(j_compress_ptr cinfo, JDIMENSION nFileRow);
    // Where output row nOutputRow (from the top) is put together, and its completion.
    JSAMPLE* OutputRow(j_decompress_ptr cinfo, JDIMENSION nOutputRow);
    void OutputRowDone(j_decompress_ptr cinfo, JDIMENSION nOutputRow);
    void FlushBlock();
    ULONGLONG FileRowOffset(JDIMENSION nFileRow) const;
    ULONGLONG HeaderSize(j_decompress_ptr cinfo) const;
    void WriteHeadersAndColorMap(j_decompress_ptr cinfo);
    JSAMPROW AccessWholeImageRow(j_common_ptr cinfo, JDIMENSION nRow, BOOL bWritable);
    // The whole image's memory, from its first row, is about to be filled.
    void AdviseWholeImage(JSAMPROW pFirstRow, JDIMENSION nRows) const;
    void WriteHeaderBlock(j_decompress_ptr cinfo, const BYTE* pBlock, UINT nSize);
    void WriteFileHeaders(j_decompress_ptr cinfo, int nInfoSize, int nEntrySize);
    BOOL IsEightBitOutput(j_decompress_ptr cinfo) const;
    // How rows are written: grey or colour-mapped, 24-bit, or straight into their place in a
    // file that can be positioned (24-bit ones then come from libjpeg as blue, green, red).
    // rnStart: where the bitmap starts in the file.
    void ChooseRowWriter(j_decompress_ptr cinfo, ULONGLONG& rnStart);
    // The output's size and its rows' widths; a picture no bitmap file can hold is refused.
    void MeasureRows(j_decompress_ptr cinfo);
};
