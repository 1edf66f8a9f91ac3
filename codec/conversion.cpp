// CConversion: building a run, handing its options over and wording its outcome.
#include "codec/conversion.h"

#include "imagefile/any_bitmap_file.h"
#include "imagefile/bitmap_file.h"
#include "platform/file.h"

std::unique_ptr<COXImageFile> OpenBitmapSource(const CString& sBitmapFile) {
    // A pipe can be read once: its headers are the bitmap file's reader's, which takes a
    // picture from a pipe, as the reader of every layout cannot.
    if (!IsRegularFile(sBitmapFile) || IsClassicBitmapLayout(sBitmapFile))
        return std::make_unique<COXBitmapFile>(sBitmapFile);
    return std::make_unique<COXAnyBitmapFile>(sBitmapFile);
}

namespace {

template <typename Where>
std::unique_ptr<COXImageFile> OpenBitmapDestination(Where where, BOOL bOS2Format) {
    auto pBitmap = std::make_unique<COXBitmapFile>(where);
    pBitmap->SetOS2Format(bOS2Format);
    return pBitmap;
}

template <typename Coder>
std::unique_ptr<Coder> MakeCoder(const CoderMaker<Coder>& make, const COXImageFile& bitmap,
                                 const COXJPEGImageFile& jpeg) {
    return make ? make(bitmap, jpeg) : std::make_unique<Coder>();
}

}  // namespace

CConversion::CConversion(const CString& sBitmapFile, const CString& sJpegFile,
                         const EncoderOptions& o, const CoderMaker<COXJPEGEncoder>& makeEncoder)
    : m_pBitmap(OpenBitmapSource(sBitmapFile)),
      m_jpeg(sJpegFile),
      m_pEncoder(MakeCoder(makeEncoder, *m_pBitmap, m_jpeg)) {
    m_pBitmap->SetKeepProfile(o.bKeepProfile);
    m_pEncoder->SetGrayscale(o.bGrayscale);
    m_pEncoder->SetBaseline(o.bBaseline);
    m_pEncoder->SetProgressive(o.bProgressive);
    m_pEncoder->SetOptimize(o.bOptimize);
    m_pEncoder->SetQuality(o.nQuality);
    if (o.nSmooth != 0)
        m_pEncoder->SetSmooth(o.nSmooth);
    m_pEncoder->SetMaxMemory(o.nMaxMemory);
    if (o.nDCTMethod != DCT_DEFAULT)
        m_pEncoder->SetDCTMethod(o.nDCTMethod);
}

CConversion::CConversion(const CString& sBitmapFile, const CString& sJpegFile,
                         const DecoderOptions& o, const CoderMaker<COXJPEGDecoder>& makeDecoder)
    : m_pBitmap(OpenBitmapDestination(sBitmapFile, o.bOS2Format)),
      m_jpeg(sJpegFile),
      m_pDecoder(MakeCoder(makeDecoder, *m_pBitmap, m_jpeg)) {
    ApplyDecoderOptions(o);
}

CConversion::CConversion(CFile* pBitmapFile, const CString& sJpegFile, const DecoderOptions& o,
                         const CoderMaker<COXJPEGDecoder>& makeDecoder)
    : m_pBitmap(OpenBitmapDestination(pBitmapFile, o.bOS2Format)),
      m_jpeg(sJpegFile),
      m_pDecoder(MakeCoder(makeDecoder, *m_pBitmap, m_jpeg)) {
    ApplyDecoderOptions(o);
}

void CConversion::ApplyDecoderOptions(const DecoderOptions& o) {
    m_pDecoder->SetGrayscale(o.bGrayscale);
    m_pDecoder->SetFast(o.bFast);
    m_pDecoder->SetNoSmooth(o.bNoSmooth);
    m_pDecoder->SetOnePass(o.bOnePass);
    m_pDecoder->SetMaxMemory(o.nMaxMemory);
    if (o.nDCTMethod != DCT_DEFAULT)
        m_pDecoder->SetDCTMethod(o.nDCTMethod);
    if (o.nDitherMethod != DITHER_DEFAULT)
        m_pDecoder->SetDitherMethod(o.nDitherMethod);
    m_pDecoder->SetScale(o.nScale);
    if (o.nColors != 0)
        m_pDecoder->SetColors(o.nColors);
}

ConversionOutcome CConversion::Run() {
    try {
        const COXJPEGCoder* pCoder = nullptr;
        short nResult = JPEG_SUCCESS;
        if (m_pEncoder) {
            pCoder = m_pEncoder.get();
            nResult = m_pEncoder->DoCompress(m_pBitmap.get(), &m_jpeg);
        } else {
            pCoder = m_pDecoder.get();
            nResult = m_pDecoder->DoDecompress(&m_jpeg, m_pBitmap.get());
        }
        if (nResult == JPEG_WARNING)
            return {ConversionResult::ConvertedWithWarnings,
                    "エラー：" + pCoder->GetWarningMessages(), 0, pCoder->GetWarningMessages(),
                    !pCoder->HasWarned()};
        return {ConversionResult::Converted, CString(), 0, CString(), false};
    } catch (COXJPEGException* e) {
        // The dialog's buffer: at most 255 bytes of the message.
        char szMessage[256];
        e->GetErrorMessage(szMessage, sizeof szMessage);
        const int nCode = e->m_nErrorCode;
        e->Delete();
        CString sMessage = CString("例外 : ") + szMessage;
        if (const char* pszMeaning = BitmapCodeMeaning(nCode))
            sMessage += CString("\n") + pszMeaning;
        return {ConversionResult::Failed, sMessage, nCode, szMessage, false};
    }
}

CString MissingSourceMessage(LPCTSTR lpszPath) {
    CString s;
    s.Format("エラー： %s が存在しません", lpszPath);
    return s;
}

CString SourceProblem(LPCTSTR lpszPath) {
    CFileException error;
    if (CanOpenForReading(lpszPath, &error))
        return CString();
    if (error.m_cause == CFileException::fileNotFound || error.m_cause == CFileException::badPath)
        return MissingSourceMessage(lpszPath);
    return CString("エラー： ") + error.GetErrorMessage();
}

CString OverwriteQuestion(LPCTSTR lpszPath) {
    CString s;
    s.Format("すでに %s は存在します 上書きしますか？", lpszPath);
    return s;
}
