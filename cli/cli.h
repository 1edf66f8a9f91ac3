// tarnel-cli: converting between BMP and JPEG from the command line.
#pragma once

#include <cstdio>

// Exit codes, also listed by --help.
enum CliExit : int {
    kExitSuccess = 0,
    kExitFailure = 1,   // the conversion failed, or was refused or declined
    kExitUsage = 2,     // the command line could not be understood
    kExitWarnings = 3,  // converted, but libjpeg reported warnings
};
// An interrupted run ends by the signal instead, as shells expect.

struct CliStreams {
    std::FILE* in;  // answers to the overwrite question
    std::FILE* out;
    std::FILE* err;
    bool bInteractive;       // whether the overwrite question may be asked on in
    bool bProgress = false;  // whether err is a terminal that may show a batch's progress line
    bool bOutputIsTerminal = false;  // whether out is a terminal, which takes no picture
};

int RunCli(int argc, const char* const* argv, const CliStreams& streams);
