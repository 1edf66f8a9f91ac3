// Converting one file as tarnel-cli does, for the single and the batch form, and the outcome in
// words.
#pragma once

#include <string>

#include "cli/cli_options.h"
#include "codec/conversion.h"

// Runs one conversion from sSource to sDestination with the options' coder settings.
ConversionOutcome ConvertOneFile(const CliOptions& options, const std::string& sSource,
                                 const std::string& sDestination);

// What the user is told, line by line; empty after a clean run.
std::string OutcomeText(const ConversionOutcome& outcome);
