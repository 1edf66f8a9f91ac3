// Running the reference tools (cjpeg, djpeg) and tarnel-cli's entry point from tests.
#pragma once

#include <string>
#include <vector>

// What a reference tool (cjpeg or djpeg, with sArgs) makes of sInput. On Linux the tool runs
// and its answer is also kept in a cache in the build tree; the Windows build, which cannot run
// it, reads the answer from that cache, so the Linux suites must have run first. An empty
// string when the tool failed or no answer is known.
std::string PeerConvert(const std::string& sTool, const std::string& sArgs,
                        const std::string& sInput);

// Runs tarnel-cli's RunCli with these arguments, no terminal, and returns its exit code;
// what it printed goes to *psOut and *psErr when given.
int RunTarnelCli(const std::vector<std::string>& args, std::string* psOut = nullptr,
                 std::string* psErr = nullptr, const std::string& sAnswer = "",
                 bool bInteractive = false);

// Cache file of PeerConvert for one question.
std::string PeerCachePath(const std::string& sTool, const std::string& sArgs,
                          const std::string& sInput);

// This process's id, to keep scratch names apart from other test processes'.
unsigned long CurrentProcessId();

// Names of the files in a folder.
std::vector<std::string> ListFolder(const std::string& sDir);

// Sets an environment variable of this process; an empty value removes it.
void SetEnvironment(const std::string& sName, const std::string& sValue);
