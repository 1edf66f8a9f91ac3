// COXAnyBitmapFile: reads every bitmap layout in common use for the encoder, as RGB rows: 1-, 4-
// and 8-bit colour-mapped, 16- and 32-bit with or without bit-field masks, 24-bit, run-length
// encoded 4- and 8-bit, top-down, and the OS/2 and Windows headers of every size. Reading only.
#pragma once

#include <vector>

#include "imagefile/image_file.h"

// Its error codes beyond the bitmap file's; like those, libjpeg's table has no text for them.
enum : int {
    BMP_ERR_EMBEDDED_JPEG = 1014,    // the pixels are a JPEG image inside the bitmap
    BMP_ERR_EMBEDDED_PNG = 1015,     // the pixels are a PNG image inside the bitmap
    BMP_ERR_OS2_COMPRESSION = 1016,  // OS/2 Huffman or 24-bit run-length coding
    BMP_ERR_BAD_RLE = 1017,          // run-length data that runs off the picture or ends early
    BMP_ERR_BIT_FIELDS = 1018,       // colour masks that are empty or overlap
};

// Whether the bitmap file's own reader takes this file (8 or 24 bits, uncompressed, bottom-up,
// a 12-, 40- or 64-byte header): then its output stays exactly what it was.
BOOL IsClassicBitmapLayout(LPCTSTR lpszPath);

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
        DWORD nMask = 0;
        int nShift = 0;
        int nBits = 0;
        std::vector<JSAMPLE> levels;  // the 8-bit value of each channel value, up to 16 bits
    };
    struct Layout;

    Layout ReadLayout(j_compress_ptr cinfo);
    void ReadMasks(j_compress_ptr cinfo, const BYTE* pMasks, int nCount);
    void ReadPalette(j_compress_ptr cinfo, int nColors, int nEntrySize);
    void DecodeRunLength(j_compress_ptr cinfo, ULONGLONG nDataBytes);
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
    std::vector<BYTE> m_indexes;  // run-length pictures, decoded, one byte per pixel, top first
};
