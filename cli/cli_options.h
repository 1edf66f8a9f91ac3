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
    std::string sSource;  // the form with one source and one destination
    std::string sDestination;
    // The batch form: files and folders, taken when the paths are not exactly one source and
    // one destination (a second path named like an input is another input), or when one of the
    // batch options is given.
    bool bBatch = false;
    std::vector<std::string> inputs;
    std::string sOutDir;  // empty: outputs beside their inputs
    bool bRecursive = false;
    int nJobs = 0;  // 0: one per core
    bool bQuiet = false;
    bool bVerbose = false;  // names each file converted and each one skipped
    bool bYes = false;
    bool bTime = false;
    bool bAutoOrient = false;   // uncompress: turn the picture as its Exif orientation says
    bool bKeepProfile = false;  // uncompress: a version-5 bitmap with the JPEG's colour profile
    EncoderOptions encoder;
    DecoderOptions decoder;
    std::vector<TransformStep> transform;
};

// Whether a file's name says it is an input of the command (a bitmap to compress, a JPEG to
// uncompress): the files a folder's walk takes.
bool IsInputName(CliCommand command, const std::string& sName);

// Fills rOptions from the arguments after the program name; on failure returns false with a
// message for the user in rsError.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions& rOptions, std::string& rsError);

// "-": standard input as the input, standard output as the output, for one file.
constexpr const char* kStandardStream = "-";
