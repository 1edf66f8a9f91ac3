// tarnel-cli's command line: what to convert and every coder option.
#pragma once

#include <string>
#include <vector>

#include "codec/conversion.h"

enum class CliCommand { None, Compress, Uncompress, Transform, Help, Version };

// One step of transform, applied in the order given.
struct TransformStep {
    enum Kind { Rotate, Flip, Flop, Resize } kind;
    int nAngle = 0;  // Rotate: degrees clockwise, a multiple of 90
    int nWidth = 0;  // Resize
    int nHeight = 0;
};

struct CliOptions {
    CliCommand command = CliCommand::None;
    std::string sSource;
    std::string sDestination;
    bool bYes = false;
    bool bTime = false;
    EncoderOptions encoder;
    DecoderOptions decoder;
    std::vector<TransformStep> transform;
};

// Fills rOptions from the arguments after the program name; on failure returns false with a
// message for the user in rsError.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions& rOptions, std::string& rsError);

extern const char* const kCliUsage;
