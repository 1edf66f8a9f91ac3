// CConversion: building a run, handing its options over and wording its outcome.
#include "codec/conversion.h"

CConversion::CConversion(const CString& sBitmapFile, const CString& sJpegFile,
                         const EncoderOptions& o, std::unique_ptr<COXJPEGEncoder> pEncoder)
    : m_bitmap(sBitmapFile),
      m_jpeg(sJpegFile),
      m_pEncoder(pEncoder ? std::move(pEncoder) : std::make_unique<COXJPEGEncoder>()) {
    ApplyEncoderOptions(o);
}

CConversion::CConversion(std::unique_ptr<COXImageFile> pSource, const CString& sJpegFile,
                         const EncoderOptions& o)
    : m_bitmap(CString()),
      m_pSource(std::move(pSource)),
      m_jpeg(sJpegFile),
      m_pEncoder(std::make_unique<COXJPEGEncoder>()) {
    ApplyEncoderOptions(o);
}

void CConversion::ApplyEncoderOptions(const EncoderOptions& o) {
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
                         const DecoderOptions& o, std::unique_ptr<COXJPEGDecoder> pDecoder)
    : m_bitmap(sBitmapFile),
      m_jpeg(sJpegFile),
      m_pDecoder(pDecoder ? std::move(pDecoder) : std::make_unique<COXJPEGDecoder>()) {
    m_bitmap.SetOS2Format(o.bOS2Format);
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
            nResult = m_pEncoder->DoCompress(&Bitmap(), &m_jpeg);
        } else {
            pCoder = m_pDecoder.get();
            nResult = m_pDecoder->DoDecompress(&m_jpeg, &m_bitmap);
        }
        if (nResult == JPEG_WARNING)
            return {ConversionResult::ConvertedWithWarnings,
                    "エラー：" + pCoder->GetWarningMessages(), 0};
        return {ConversionResult::Converted, CString(), 0};
    } catch (COXJPEGException* e) {
        // The dialog's buffer: at most 255 bytes of the message.
        char szMessage[256];
        e->GetErrorMessage(szMessage, sizeof szMessage);
        const int nCode = e->m_nErrorCode;
        e->Delete();
        return {ConversionResult::Failed, CString("例外 : ") + szMessage, nCode};
    }
}

CString MissingSourceMessage(LPCTSTR lpszPath) {
    CString s;
    s.Format("エラー： %s が存在しません", lpszPath);
    return s;
}

CString OverwriteQuestion(LPCTSTR lpszPath) {
    CString s;
    s.Format("すでに %s は存在します 上書きしますか？", lpszPath);
    return s;
}
