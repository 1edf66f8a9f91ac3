// CConversion: one conversion as the dialog and tarnel-cli run it. The bitmap file, the JPEG file
// and the coder are built over two paths, the options are handed over in the dialog's order, and
// the run's outcome comes back worded for the user.
#pragma once

#include <memory>

#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "platform/cstring.h"

// Bitmap to JPEG. Zero in a number leaves libjpeg's choice, except for the quality.
struct EncoderOptions {
    BOOL bGrayscale = FALSE;
    BOOL bBaseline = FALSE;
    BOOL bProgressive = FALSE;
    BOOL bOptimize = FALSE;
    int nQuality = 75;
    int nSmooth = 0;
    int nMaxMemory = 0;  // thousands of bytes
    int nDCTMethod = DCT_DEFAULT;
};

// JPEG to bitmap.
struct DecoderOptions {
    BOOL bGrayscale = FALSE;
    BOOL bFast = FALSE;
    BOOL bNoSmooth = FALSE;
    BOOL bOnePass = FALSE;
    int nMaxMemory = 0;  // thousands of bytes
    int nDCTMethod = DCT_DEFAULT;
    int nDitherMethod = DITHER_DEFAULT;
    int nScale = SCALE_1_1;
    int nColors = 0;  // 0 keeps the image's own colours
    BOOL bOS2Format = FALSE;
};

enum class ConversionResult { Converted, ConvertedWithWarnings, Failed };

struct ConversionOutcome {
    ConversionResult result;
    // What the user is told: "エラー：" and libjpeg's warnings, or "例外 : " and the error;
    // empty after a clean run.
    CString sMessage;
    int nErrorCode = 0;  // the failure's libjpeg or image-file code
};

class CConversion {
public:
    // Bitmap to JPEG. pEncoder replaces the plain encoder (a seam for tests).
    CConversion(const CString& sBitmapFile, const CString& sJpegFile, const EncoderOptions& options,
                std::unique_ptr<COXJPEGEncoder> pEncoder = nullptr);
    // Bitmap to JPEG from another reader of the bitmap (one that takes more layouts).
    CConversion(std::unique_ptr<COXImageFile> pSource, const CString& sJpegFile,
                const EncoderOptions& options);
    // JPEG to bitmap.
    CConversion(const CString& sBitmapFile, const CString& sJpegFile, const DecoderOptions& options,
                std::unique_ptr<COXJPEGDecoder> pDecoder = nullptr);
    CConversion(const CConversion&) = delete;
    CConversion& operator=(const CConversion&) = delete;
    // The coder goes first, then the JPEG file object, then the bitmap file object; a file a
    // failed run left open is let go without completing it.
    ~CConversion() = default;

    ConversionOutcome Run();

private:
    void ApplyEncoderOptions(const EncoderOptions& options);
    COXImageFile& Bitmap() { return m_pSource ? *m_pSource : m_bitmap; }

    // Members are destroyed in reverse order.
    COXBitmapFile m_bitmap;
    std::unique_ptr<COXImageFile> m_pSource;
    COXJPEGImageFile m_jpeg;
    std::unique_ptr<COXJPEGEncoder> m_pEncoder;
    std::unique_ptr<COXJPEGDecoder> m_pDecoder;
};

// The checks both front ends make before a run, worded as the dialog words them.
CString MissingSourceMessage(LPCTSTR lpszPath);
CString OverwriteQuestion(LPCTSTR lpszPath);
