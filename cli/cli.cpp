// tarnel-cli's run: the dialog's rules for existence, overwriting and reporting, on a terminal.
#include "cli/cli.h"

#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "platform/file.h"
#include "platform/tick.h"

namespace {

// The dialog's overwrite question; without a terminal to ask on, only --yes says yes.
bool MayReplace(const std::string& sPath, bool bYes, const CliStreams& io) {
    if (bYes)
        return true;
    std::fprintf(io.err, "すでに %s は存在します 上書きしますか？", sPath.c_str());
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

// Each run returns libjpeg's warnings, empty when it had none.
CString Compress(const CliOptions& o) {
    COXBitmapFile bitmap{CString(o.sSource.c_str())};
    COXJPEGImageFile jpeg{CString(o.sDestination.c_str())};
    COXJPEGEncoder encoder;
    const CompressOptions& c = o.compress;
    encoder.SetGrayscale(c.bGrayscale);
    encoder.SetBaseline(c.bBaseline);
    encoder.SetProgressive(c.bProgressive);
    encoder.SetOptimize(c.bOptimize);
    encoder.SetQuality(c.nQuality);
    if (c.nSmooth != 0)
        encoder.SetSmooth(c.nSmooth);
    encoder.SetMaxMemory(c.nMaxMemory);
    if (c.nDCTMethod != 0)
        encoder.SetDCTMethod(c.nDCTMethod);
    const short nResult = encoder.DoCompress(&bitmap, &jpeg);
    return nResult == JPEG_WARNING ? encoder.GetWarningMessages() : CString();
}

CString Uncompress(const CliOptions& o) {
    COXJPEGImageFile jpeg{CString(o.sSource.c_str())};
    COXBitmapFile bitmap{CString(o.sDestination.c_str())};
    const UncompressOptions& u = o.uncompress;
    bitmap.SetOS2Format(u.bOS2);
    COXJPEGDecoder decoder;
    decoder.SetGrayscale(u.bGrayscale);
    decoder.SetFast(u.bFast);
    decoder.SetNoSmooth(u.bNoSmooth);
    decoder.SetOnePass(u.bOnePass);
    decoder.SetMaxMemory(u.nMaxMemory);
    if (u.nDCTMethod != 0)
        decoder.SetDCTMethod(u.nDCTMethod);
    if (u.nDitherMethod != 0)
        decoder.SetDitherMethod(u.nDitherMethod);
    decoder.SetScale(u.nScale);
    if (u.nColors != 0)
        decoder.SetColors(u.nColors);
    const short nResult = decoder.DoDecompress(&jpeg, &bitmap);
    return nResult == JPEG_WARNING ? decoder.GetWarningMessages() : CString();
}

int Convert(const CliOptions& o, const CliStreams& io) {
    if (!CanOpenForReading(o.sSource.c_str())) {
        std::fprintf(io.err, "エラー： %s が存在しません\n", o.sSource.c_str());
        return kExitFailure;
    }
    if (CanOpenForReading(o.sDestination.c_str()) && !MayReplace(o.sDestination, o.bYes, io))
        return kExitFailure;

    const DWORD nStart = GetTickCount();
    int nExit = kExitSuccess;
    try {
        const CString sWarnings = o.command == CliCommand::Compress ? Compress(o) : Uncompress(o);
        if (!sWarnings.IsEmpty()) {
            // The output is complete; libjpeg's messages are shown the way the dialog shows them.
            std::fprintf(io.err, "エラー：%s", static_cast<LPCTSTR>(sWarnings));
            nExit = kExitWarnings;
        }
    } catch (COXJPEGException* e) {
        char szMessage[256];
        e->GetErrorMessage(szMessage, sizeof szMessage);
        e->Delete();
        std::fprintf(io.err, "例外 : %s\n", szMessage);
        nExit = kExitFailure;
    }
    const DWORD nElapsed = GetTickCount() - nStart;
    if (o.bTime)
        std::fprintf(io.out, "%f 秒\n", nElapsed / 1000.0);
    return nExit;
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
        std::fputs("tarnel-cli 1.1.0\n", io.out);
        return kExitSuccess;
    default:
        return Convert(options, io);
    }
}
