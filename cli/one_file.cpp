// One file's conversion for tarnel-cli: which reader, and the outcome's words.
#include "cli/one_file.h"

#include <memory>

#include "imagefile/any_bitmap_file.h"

namespace {

std::unique_ptr<CConversion> BuildConversion(const CliOptions& o, const CString& sSource,
                                             const CString& sDestination) {
    // The bitmap file's own reader for what it reads, so its output stays what cjpeg makes;
    // the reader of every layout for the rest.
    if (o.command == CliCommand::Compress && !IsClassicBitmapLayout(sSource))
        return std::make_unique<CConversion>(std::make_unique<COXAnyBitmapFile>(sSource),
                                             sDestination, o.encoder);
    if (o.command == CliCommand::Compress)
        return std::make_unique<CConversion>(sSource, sDestination, o.encoder);
    return std::make_unique<CConversion>(sDestination, sSource, o.decoder);
}

// What a bitmap's error code means, in words: libjpeg's table has no text for these codes.
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

}  // namespace

ConversionOutcome ConvertOneFile(const CliOptions& options, const std::string& sSource,
                                 const std::string& sDestination) {
    return BuildConversion(options, sSource.c_str(), sDestination.c_str())->Run();
}

std::string OutcomeText(const ConversionOutcome& outcome) {
    std::string sText = static_cast<LPCTSTR>(outcome.sMessage);
    if (sText.empty())
        return sText;
    // libjpeg's warnings end in a line break of their own.
    if (sText.back() != '\n')
        sText += '\n';
    if (const char* pszMeaning = ImageFileCodeMeaning(outcome.nErrorCode))
        sText += std::string(pszMeaning) + '\n';
    return sText;
}
