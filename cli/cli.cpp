// tarnel-cli's run: the dialog's rules for existence, overwriting and reporting, on a terminal.
#include "cli/cli.h"

#include <cstdio>
#include <string>

#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/one_file.h"
#include "imagefile/dib/dib.h"
#include "platform/file.h"
#include "platform/interrupt.h"
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
    const CString sProblem = SourceProblem(o.sSource.c_str());
    if (!sProblem.IsEmpty()) {
        std::fprintf(io.err, "%s\n", static_cast<LPCTSTR>(sProblem));
        return false;
    }
    // A device or a pipe is written, not replaced: nothing to ask.
    return !IsRegularFile(o.sDestination.c_str()) || MayReplace(o.sDestination, o.bYes, io);
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

    const DWORD nStart = GetTickCount();
    const ConversionOutcome outcome = ConvertOneFile(o, o.sSource, o.sDestination);
    std::fputs(OutcomeText(outcome).c_str(), io.err);
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
        break;
    }
    if (options.bBatch && options.command != CliCommand::Transform)
        return RunBatch(options, io);  // stops between files, so that none is cut short
    const CRemoveTemporariesOnInterrupt removeTemporariesOnInterrupt;
    return options.command == CliCommand::Transform ? Transform(options, io) : Convert(options, io);
}
