// CConversion: one conversion as the dialog and tarnel-cli run it. The bitmap file, the JPEG file
// and the coder are built over two paths, the options are handed over in the dialog's order, and
// the run's outcome comes back worded for the user. Compressing, the bitmap's layout picks the
// reader: the bitmap file's own for what it reads, so its JPEG stays what cjpeg makes; the reader
// of every layout for the rest.
#pragma once

#include <functional>
#include <memory>

#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/image_file.h"
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
    BOOL bKeepProfile = FALSE;  // a version-5 bitmap's embedded colour profile goes into the JPEG
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
    ConversionResult result = ConversionResult::Failed;
    // What the dialog tells the user: "エラー：" and libjpeg's warnings, or "例外 : " and the
    // error, with a second line saying in words what a bitmap's error code means; empty after a
    // clean run.
    CString sMessage;
    int nErrorCode = 0;  // the failure's libjpeg or image-file code
    // For a front end with its own words: libjpeg's messages or the error, as libjpeg words
    // them (one per line), and whether the messages were only notes, no warning among them.
    CString sLibraryText;
    bool bOnlyNotes = false;
};

// Makes the coder of a run once its two file objects exist: a seam for tests.
template <typename Coder>
using CoderMaker =
    std::function<std::unique_ptr<Coder>(const COXImageFile& bitmap, const COXJPEGImageFile& jpeg)>;

// One run, built as the dialog builds it: the bitmap file object, then the JPEG file object,
// then the coder, and the options handed to the coder after that.
class CConversion {
public:
    // Bitmap to JPEG; without a maker, the plain encoder.
    CConversion(const CString& sBitmapFile, const CString& sJpegFile, const EncoderOptions& options,
                const CoderMaker<COXJPEGEncoder>& makeEncoder = nullptr);
    // JPEG to bitmap.
    CConversion(const CString& sBitmapFile, const CString& sJpegFile, const DecoderOptions& options,
                const CoderMaker<COXJPEGDecoder>& makeDecoder = nullptr);
    // JPEG to a bitmap written into a file the caller keeps open (a scratch file).
    CConversion(CFile* pBitmapFile, const CString& sJpegFile, const DecoderOptions& options,
                const CoderMaker<COXJPEGDecoder>& makeDecoder);
    CConversion(const CConversion&) = delete;
    CConversion& operator=(const CConversion&) = delete;
    // The coder goes first, then the JPEG file object, then the bitmap file object; a file a
    // failed run left open is let go without completing it.
    ~CConversion() = default;

    ConversionOutcome Run();

private:
    void ApplyDecoderOptions(const DecoderOptions& options);

    // Members are destroyed in reverse order.
    std::unique_ptr<COXImageFile> m_pBitmap;
    COXJPEGImageFile m_jpeg;
    std::unique_ptr<COXJPEGEncoder> m_pEncoder;
    std::unique_ptr<COXJPEGDecoder> m_pDecoder;
};

// The reader a conversion compresses the bitmap at this path with: the bitmap file's own for the
// layouts it reads, the reader of every layout for the rest.
std::unique_ptr<COXImageFile> OpenBitmapSource(const CString& sBitmapFile);

// The checks both front ends make before a run, worded as the dialog words them.
CString MissingSourceMessage(LPCTSTR lpszPath);
// Why a run cannot read its source: empty when it can; the dialog's words for a source that is
// not there; the system's reason for one that is there but cannot be read (held by another
// program, not ours to read).
CString SourceProblem(LPCTSTR lpszPath);
CString OverwriteQuestion(LPCTSTR lpszPath);
