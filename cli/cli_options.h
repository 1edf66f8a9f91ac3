// tarnel-cli's command line: what to convert and every coder option.
#pragma once

#include <string>

enum class CliCommand { None, Compress, Uncompress, Help, Version };

struct CompressOptions {
    int nQuality = 75;
    bool bGrayscale = false;
    bool bProgressive = false;
    bool bBaseline = false;
    bool bOptimize = false;
    int nSmooth = 0;
    int nDCTMethod = 0;  // 0: libjpeg's default, else the DCT_ selection
    int nMaxMemory = 0;
};

struct UncompressOptions {
    int nColors = 0;
    bool bGrayscale = false;
    bool bOS2 = false;
    bool bFast = false;
    int nScale = 1;       // SCALE_1_1
    int nDCTMethod = 0;   // 0: libjpeg's default
    int nDitherMethod = 0;
    bool bNoSmooth = false;
    bool bOnePass = false;
    int nMaxMemory = 0;
};

struct CliOptions {
    CliCommand command = CliCommand::None;
    std::string sSource;
    std::string sDestination;
    bool bYes = false;
    bool bTime = false;
    CompressOptions compress;
    UncompressOptions uncompress;
};

// Fills rOptions from the arguments after the program name; on failure returns false with a
// message for the user in rsError.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions& rOptions, std::string& rsError);

extern const char* const kCliUsage;
