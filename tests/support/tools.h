// Running the reference tools (cjpeg, djpeg) and tarnel-cli's entry point from tests.
#pragma once

#include <string>
#include <vector>

// Runs a shell command; its exit status (-1 when it could not run).
int RunShell(const std::string& sCommand);

// Runs tarnel-cli's RunCli with these arguments, no terminal, and returns its exit code;
// what it printed goes to *psOut and *psErr when given.
int RunTarnelCli(const std::vector<std::string>& args, std::string* psOut = nullptr,
                 std::string* psErr = nullptr, const std::string& sAnswer = "",
                 bool bInteractive = false);

// Names of the files in a folder.
std::vector<std::string> ListFolder(const std::string& sDir);
