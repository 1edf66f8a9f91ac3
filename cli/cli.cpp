// tarnel-cli's run: the dialog's rules for existence, overwriting and reporting, on a terminal.
#include "cli/cli.h"

#include <cstdio>
#include <string>

#include <memory>

#include "cli/cli_options.h"
#include "codec/conversion.h"
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
    if (o.command == CliCommand::Compress)
        return std::make_unique<CConversion>(sSource, sDestination, o.encoder);
    return std::make_unique<CConversion>(sDestination, sSource, o.decoder);
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

int Convert(const CliOptions& o, const CliStreams& io) {
    if (!CanOpenForReading(o.sSource.c_str())) {
        std::fprintf(io.err, "%s\n", static_cast<LPCTSTR>(MissingSourceMessage(o.sSource.c_str())));
        return kExitFailure;
    }
    if (CanOpenForReading(o.sDestination.c_str()) && !MayReplace(o.sDestination, o.bYes, io))
        return kExitFailure;

    const std::unique_ptr<CConversion> pConversion = BuildConversion(o);
    const DWORD nStart = GetTickCount();
    const ConversionOutcome outcome = pConversion->Run();
    if (!outcome.sMessage.IsEmpty()) {
        // libjpeg's warnings end in a line break of their own.
        const bool bEndsLine = outcome.sMessage[outcome.sMessage.GetLength() - 1] == '\n';
        std::fprintf(io.err, "%s%s", static_cast<LPCTSTR>(outcome.sMessage), bEndsLine ? "" : "\n");
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
    default:
        return Convert(options, io);
    }
}
