// tarnel-cli's batch form: many files and whole folders converted on every core, with a
// progress line on a terminal and a summary at the end.
#pragma once

#include <cstdint>
#include <string>

#include "cli/cli.h"
#include "cli/cli_options.h"

// Converts every input of options (files, and folders with -r); returns the exit code: success
// when all converted, warnings when some only with warnings, failure when any failed or a stop
// was asked for before all were started. Existing outputs without --yes are skipped.
int RunBatch(const CliOptions& options, const CliStreams& io);

// Where a batch stands, for its progress line.
struct BatchProgress {
    std::size_t nFilesDone = 0;
    std::size_t nFiles = 0;
    std::uintmax_t nBytesDone = 0;
    std::uintmax_t nBytes = 0;
    double dSeconds = 0;  // since the start
};

// "12/100 ファイル  48.0/400.0 MB  24.0 MB/s  残り 0:14": files, input bytes, rate, time left.
std::string ProgressLine(const BatchProgress& progress);
