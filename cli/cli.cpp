// tarnel-cli's run: the dialog's rules for existence, overwriting and reporting, on a terminal,
// in the words of the user's language.
#include "cli/cli.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/messages.h"
#include "cli/one_file.h"
#include "imagefile/dib/dib.h"
#include "platform/file.h"
#include "platform/interrupt.h"
#include "platform/tick.h"
#include "tarnel_version.h"

namespace {

// One file's two ends: the paths the file objects open and the names the user is shown.
struct Ends {
    std::string sSource;
    std::string sDestination;
    std::string sSourceName;
    std::string sDestinationName;
    bool bSourceIsStream = false;
    bool bDestinationIsStream = false;
};

// "-" stands for standard input or output, opened as they are.
Ends EndsOf(const CliOptions& o) {
    Ends ends{o.sSource, o.sDestination, o.sSource, o.sDestination};
    if (o.sSource == kStandardStream) {
        ends.sSource = kStandardInputPath;
        ends.sSourceName = "stdin";
        ends.bSourceIsStream = true;
    }
    if (o.sDestination == kStandardStream) {
        ends.sDestination = kStandardOutputPath;
        ends.sDestinationName = "stdout";
        ends.bDestinationIsStream = true;
    }
    return ends;
}

// The dialog's overwrite question; without a terminal to ask on, only --yes says yes.
bool MayReplace(const std::string& sPath, bool bYes, const CliStreams& io) {
    if (bYes)
        return true;
    std::fputs(Say(Msg::Overwrite, sPath.c_str()).c_str(), io.err);
    if (!io.bInteractive) {
        std::fprintf(io.err, "\n");
        Complain(io.err, sPath, Say(Msg::NotOverwritten));
        return false;
    }
    std::fprintf(io.err, " [y/N] ");
    std::fflush(io.err);
    char szAnswer[16] = {};
    if (std::fgets(szAnswer, sizeof szAnswer, io.in) == nullptr)
        return false;
    return szAnswer[0] == 'y' || szAnswer[0] == 'Y';
}

// The checks before any run: the source can be read, the destination can be written, and an
// existing destination may go.
bool MayRun(const CliOptions& o, const Ends& ends, const CliStreams& io) {
    if (ends.bDestinationIsStream && io.bOutputIsTerminal) {
        Complain(io.err, ends.sDestinationName, Say(Msg::Terminal));
        return false;
    }
    if (!ends.bSourceIsStream) {
        const std::string sFault = SourceFault(ends.sSource);
        if (!sFault.empty()) {
            Complain(io.err, ends.sSourceName, sFault);
            return false;
        }
    }
    if (ends.bDestinationIsStream)
        return true;
    const std::string sFault = DestinationFault(ends.sDestination);
    if (!sFault.empty()) {
        Complain(io.err, ends.sDestinationName, sFault);
        return false;
    }
    // A device or a pipe is written, not replaced: nothing to ask.
    return !IsRegularFile(ends.sDestination.c_str()) || MayReplace(ends.sDestination, o.bYes, io);
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

void PrintSeconds(const CliOptions& o, DWORD nStart, const CliStreams& io) {
    if (o.bTime)
        std::fprintf(io.out, "%s\n", Say(Msg::Seconds, (GetTickCount() - nStart) / 1000.0).c_str());
}

int Transform(const CliOptions& o, const CliStreams& io) {
    const Ends ends = EndsOf(o);
    if (ends.bSourceIsStream || ends.bDestinationIsStream) {
        Complain(io.err, Say(Msg::TransformNeedsTwo));
        return kExitUsage;
    }
    if (!MayRun(o, ends, io))
        return kExitFailure;
    const DWORD nStart = GetTickCount();
    COXDIB dib;
    if (!dib.Read(o.sSource.c_str())) {
        Complain(io.err, o.sSource, Say(Msg::NotABitmap));
        return kExitFailure;
    }
    for (const TransformStep& step : o.transform)
        if (!ApplyStep(dib, step)) {
            Complain(io.err, o.sSource,
                     Say(step.kind == TransformStep::Resize ? Msg::CannotResize : Msg::CannotTurn));
            return kExitFailure;
        }
    if (!dib.Write(o.sDestination.c_str())) {
        Complain(io.err, o.sDestination, Say(Msg::CannotWrite));
        return kExitFailure;
    }
    PrintSeconds(o, nStart, io);
    return kExitSuccess;
}

int Convert(const CliOptions& o, const CliStreams& io) {
    const Ends ends = EndsOf(o);
    if (!MayRun(o, ends, io))
        return kExitFailure;
    const DWORD nStart = GetTickCount();
    const ConversionOutcome outcome = ConvertOneFile(o, ends.sSource, ends.sDestination);
    std::fputs(OutcomeReport(outcome, ends.sSourceName).c_str(), io.err);
    PrintSeconds(o, nStart, io);
    if (outcome.result == ConversionResult::Failed)
        return kExitFailure;
    return HasWarnings(outcome) ? kExitWarnings : kExitSuccess;
}

// Help and the version go to standard output; a failed write there is a failure, as for the
// GNU tools (tarnel-cli --version > /dev/full).
int PrintText(const std::string& sText, const CliStreams& io) {
    errno = 0;
    if (std::fputs(sText.c_str(), io.out) < 0 || std::fflush(io.out) != 0 ||
        std::ferror(io.out) != 0) {
        const int nError = errno != 0 ? errno : EIO;
        Complain(io.err, Say(Msg::WriteError, static_cast<LPCTSTR>(SystemErrorText(nError))));
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

int RunCli(int argc, const char* const* argv, const CliStreams& io) {
    CliOptions options;
    std::string sError;
    if (!ParseCliOptions(argc - 1, argv + 1, options, sError)) {
        Complain(io.err, sError);
        std::fprintf(io.err, "%s\n", Say(Msg::TryHelp).c_str());
        return kExitUsage;
    }
    switch (options.command) {
    case CliCommand::Help:
        return PrintText(UsageText(), io);
    case CliCommand::Version:
        return PrintText("tarnel-cli " TARNEL_VERSION "\n", io);
    default:
        break;
    }
    if (options.bBatch && options.command != CliCommand::Transform)
        return RunBatch(options, io);  // stops between files, so that none is cut short
    const CRemoveTemporariesOnInterrupt removeTemporariesOnInterrupt;
    return options.command == CliCommand::Transform ? Transform(options, io) : Convert(options, io);
}
