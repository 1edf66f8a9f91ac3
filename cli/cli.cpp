// tarnel-cli's run: the dialog's rules for existence, overwriting and reporting, on a terminal.
#include "cli/cli.h"

#include <cstdio>
#include <string>

#include <memory>

#include "cli/cli_options.h"
#include "codec/conversion.h"
#include "imagefile/any_bitmap_file.h"
#include "imagefile/dib/dib.h"
#include "platform/file.h"
#include "platform/tick.h"
#include "tarnel_version.h"

namespace {

// The dialog's overwrite question; without a terminal to ask on, only --yes says yes.
bool MayReplace(const std::string& sPath, bool bYes, const CliStreams& io) {
    if (bYes)
        return true;
    std::fputs(OverwriteQuestion(sPath.c_str()), io.err);
    if (!io.bInteractive) {
        std::fprintf(io.err, "\n端末から確認できないため上書きしません (--yes で置き換えます)\n");
        return false;
    }
    std::fprintf(io.err, " [y/N] ");
    std::fflush(io.err);
    char szAnswer[16] = {};
    if (std::fgets(szAnswer, sizeof szAnswer, io.in) == nullptr)
        return false;
    return szAnswer[0] == 'y' || szAnswer[0] == 'Y';
}

std::unique_ptr<CConversion> BuildConversion(const CliOptions& o) {
    const CString sSource(o.sSource.c_str());
    const CString sDestination(o.sDestination.c_str());
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

int ExitCodeFor(ConversionResult result) {
    switch (result) {
    case ConversionResult::Converted:
        return kExitSuccess;
    case ConversionResult::ConvertedWithWarnings:
        return kExitWarnings;
    default:
        return kExitFailure;
    }
}

// The checks before any run: the source is there, and an existing destination may go.
bool MayRun(const CliOptions& o, const CliStreams& io) {
    if (!CanOpenForReading(o.sSource.c_str())) {
        std::fprintf(io.err, "%s\n", static_cast<LPCTSTR>(MissingSourceMessage(o.sSource.c_str())));
        return false;
    }
    return !CanOpenForReading(o.sDestination.c_str()) || MayReplace(o.sDestination, o.bYes, io);
}

BOOL ApplyStep(COXDIB& dib, const TransformStep& step) {
    switch (step.kind) {
    case TransformStep::Rotate:
        return dib.Rotate(step.nAngle, FALSE, FALSE);
    case TransformStep::Flip:
        return dib.Rotate(0, TRUE, FALSE);
    case TransformStep::Flop:
        return dib.Rotate(0, FALSE, TRUE);
    default:
        return dib.Resize(step.nWidth, step.nHeight);
    }
}

int Transform(const CliOptions& o, const CliStreams& io) {
    if (!MayRun(o, io))
        return kExitFailure;
    const DWORD nStart = GetTickCount();
    COXDIB dib;
    if (!dib.Read(o.sSource.c_str())) {
        std::fprintf(io.err, "例外 : %s はビットマップとして読めません\n", o.sSource.c_str());
        return kExitFailure;
    }
    for (const TransformStep& step : o.transform)
        if (!ApplyStep(dib, step)) {
            // Resizing takes 8 bits and more; rotation fails only for lack of memory.
            std::fprintf(io.err, "例外 : %s は%sできません\n", o.sSource.c_str(),
                         step.kind == TransformStep::Resize ? "拡大縮小" : "回転・反転");
            return kExitFailure;
        }
    if (!dib.Write(o.sDestination.c_str())) {
        std::fprintf(io.err, "例外 : %s に書き込めません\n", o.sDestination.c_str());
        return kExitFailure;
    }
    if (o.bTime)
        std::fprintf(io.out, "%f 秒\n", (GetTickCount() - nStart) / 1000.0);
    return kExitSuccess;
}

int Convert(const CliOptions& o, const CliStreams& io) {
    if (!MayRun(o, io))
        return kExitFailure;

    const std::unique_ptr<CConversion> pConversion = BuildConversion(o);
    const DWORD nStart = GetTickCount();
    const ConversionOutcome outcome = pConversion->Run();
    if (!outcome.sMessage.IsEmpty()) {
        // libjpeg's warnings end in a line break of their own.
        const bool bEndsLine = outcome.sMessage[outcome.sMessage.GetLength() - 1] == '\n';
        std::fprintf(io.err, "%s%s", static_cast<LPCTSTR>(outcome.sMessage), bEndsLine ? "" : "\n");
        if (const char* pszMeaning = ImageFileCodeMeaning(outcome.nErrorCode))
            std::fprintf(io.err, "%s\n", pszMeaning);
    }
    const DWORD nElapsed = GetTickCount() - nStart;
    if (o.bTime)
        std::fprintf(io.out, "%f 秒\n", nElapsed / 1000.0);
    return ExitCodeFor(outcome.result);
}

}  // namespace

int RunCli(int argc, const char* const* argv, const CliStreams& io) {
    CliOptions options;
    std::string sError;
    if (!ParseCliOptions(argc - 1, argv + 1, options, sError)) {
        std::fprintf(io.err, "tarnel-cli: %s\n'tarnel-cli --help' で使い方を表示します\n",
                     sError.c_str());
        return kExitUsage;
    }
    switch (options.command) {
    case CliCommand::Help:
        std::fputs(kCliUsage, io.out);
        return kExitSuccess;
    case CliCommand::Version:
        std::fputs("tarnel-cli " TARNEL_VERSION "\n", io.out);
        return kExitSuccess;
    case CliCommand::Transform:
        return Transform(options, io);
    default:
        return Convert(options, io);
    }
}
