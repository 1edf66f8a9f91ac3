// tarnel-cli's command line: what to convert and every coder option.
#pragma once

#include <string>

#include "codec/conversion.h"

enum class CliCommand { None, Compress, Uncompress, Help, Version };

struct CliOptions {
    CliCommand command = CliCommand::None;
    std::string sSource;
    std::string sDestination;
    bool bYes = false;
    bool bTime = false;
    EncoderOptions encoder;
    DecoderOptions decoder;
};

// Fills rOptions from the arguments after the program name; on failure returns false with a
// message for the user in rsError.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions& rOptions, std::string& rsError);

extern const char* const kCliUsage;
