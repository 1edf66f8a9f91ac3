// COXAnyBitmapFile: reads every bitmap layout in common use for the encoder, as RGB rows: 1-, 4-
// and 8-bit colour-mapped, 16- and 32-bit with or without bit-field masks, 24-bit, run-length
// encoded 4- and 8-bit, top-down, and the OS/2 and Windows headers of every size. Reading only.
#pragma once

#include <vector>

#include "imagefile/bitmap_layout.h"
#include "imagefile/image_file.h"

class COXAnyBitmapFile : public COXImageFile {
public:
    explicit COXAnyBitmapFile(CString sFileName);
    explicit COXAnyBitmapFile(CFile* pFile);

    BOOL BeginRead(j_compress_ptr cinfo) override;
    BOOL EndRead(j_compress_ptr cinfo) override;
    JDIMENSION ReadRows(j_compress_ptr cinfo) override;
    BOOL AttachCompressor(j_compress_ptr cinfo) override;

    // Not a destination: writing is refused.
    BOOL BeginWrite(j_decompress_ptr cinfo) override;
    BOOL EndWrite(j_decompress_ptr cinfo) override;
    BOOL WriteRows(j_decompress_ptr cinfo, JDIMENSION nRows) override;
    BOOL PrepareWrite(j_decompress_ptr cinfo, BOOL bFlag) override;

private:
    struct Mask {
        BitmapField field;
        std::vector<JSAMPLE> levels;  // the 8-bit value of each channel value, up to 16 bits
    };

    void TakeMasks(const BitmapLayout& layout);
    void TakePalette(const BitmapLayout& layout);
    void DecodeRunLength(j_compress_ptr cinfo, const BitmapLayout& layout, ULONGLONG nDataBytes);
    // The embedded profile of a version-5 header, read from where it lies in the file; one that
    // is only named, or lies outside the file, is left out.
    void KeepProfile(const BitmapLayout& layout, ULONGLONG nStart, ULONGLONG nLength);
    void ConvertRow(j_compress_ptr cinfo, const BYTE* pIn, JSAMPLE* pOut) const;
    JSAMPLE PaletteChannel(int nIndex, int nChannel) const;

    int m_nBitsPerPixel = 0;
    BOOL m_bTopDown = FALSE;
    BOOL m_bRunLength = FALSE;
    ULONGLONG m_nPixelStart = 0;
    JDIMENSION m_nStride = 0;
    JDIMENSION m_nNextRow = 0;    // from the top
    Mask m_masks[3];              // red, green, blue
    std::vector<BYTE> m_palette;  // red, green, blue per entry
    int m_nColors = 0;
    std::vector<BYTE> m_row;      // one file row
    std::vector<BYTE> m_indexes;  // run-length pictures, decoded, one byte per pixel, as stored
};
