// tarnel-cli's entry point.
#include <unistd.h>

#include <cstdio>

#include "cli/cli.h"

int main(int argc, char** argv) {
    const CliStreams streams{stdin,
                             stdout,
                             stderr,
                             isatty(STDIN_FILENO) != 0,
                             isatty(STDERR_FILENO) != 0,
                             isatty(STDOUT_FILENO) != 0};
    return RunCli(argc, argv, streams);
}
