// Running tarnel-cli's entry point from tests.
#pragma once

#include <string>
#include <vector>

// Runs tarnel-cli's RunCli with these arguments, no terminal (unless bInteractive: one to ask
// on; bOutputIsTerminal: one as standard output), and returns its exit code; what it printed
// goes to *psOut and *psErr when given.
int RunTarnelCli(const std::vector<std::string>& args, std::string* psOut = nullptr,
                 std::string* psErr = nullptr, const std::string& sAnswer = "",
                 bool bInteractive = false, bool bOutputIsTerminal = false);
