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

std::unique_ptr<COXImageFile> OpenBitmapDestination(const CString& sBitmapFile, BOOL bOS2Format) {
    auto pBitmap = std::make_unique<COXBitmapFile>(sBitmapFile);
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
                    "エラー：" + pCoder->GetWarningMessages(), 0};
        return {ConversionResult::Converted, CString(), 0};
    } catch (COXJPEGException* e) {
        // The dialog's buffer: at most 255 bytes of the message.
        char szMessage[256];
        e->GetErrorMessage(szMessage, sizeof szMessage);
        const int nCode = e->m_nErrorCode;
        e->Delete();
        CString sMessage = CString("例外 : ") + szMessage;
        if (const char* pszMeaning = ImageFileCodeMeaning(nCode))
            sMessage += CString("\n") + pszMeaning;
        return {ConversionResult::Failed, sMessage, nCode};
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

const char* ImageFileCodeMeaning(int nCode) {
    switch (nCode) {
    case BMP_ERR_COLORMAP:
        return "色表の項目の大きさか色数 (256 色まで) が読めません";
    case BMP_ERR_BIT_COUNT:
        return "この 1 画素あたりのビット数には対応していません";
    case BMP_ERR_HEADER:
        return "ヘッダーの長さ・画素データの位置・幅や高さが使えない値です";
    case BMP_ERR_PLANES:
        return "プレーン数が 1 ではありません";
    case BMP_ERR_COLOR_SPACE:
        return "出力の色空間がグレースケールでも RGB でもありません";
    case BMP_ERR_COMPRESSED:
        return "この圧縮形式のビットマップには対応していません";
    case BMP_ERR_NOT_BMP:
        return "BMP ファイルではありません (先頭が \"BM\" ではありません)";
    case BMP_ERR_COLOR_INDEX:
        return "画素の色番号が色表の外を指しています";
    case BMP_ERR_TOO_LARGE:
        return "画像が大きすぎて扱えません";
    case BMP_ERR_EMBEDDED_JPEG:
        return "中身が JPEG 画像のビットマップです (そのまま JPEG として使えます)";
    case BMP_ERR_EMBEDDED_PNG:
        return "中身が PNG 画像のビットマップです";
    case BMP_ERR_OS2_COMPRESSION:
        return "OS/2 の Huffman 圧縮か 24 ビットのランレングス圧縮には対応していません";
    case BMP_ERR_BAD_RLE:
        return "ランレングス圧縮のデータが壊れています";
    case BMP_ERR_BIT_FIELDS:
        return "色のビットマスクが空か重なっていて使えません";
    case BMP_ERR_COLORMAP_SIZE:
        return "色数が色表の 256 色を超えています";
    default:
        return nullptr;
    }
}
