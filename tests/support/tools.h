// Running the reference tools (cjpeg, djpeg) from tests, and small helpers around files.
#pragma once

#include <string>
#include <vector>

// What a reference tool (cjpeg or djpeg, with sArgs) makes of sInput. On Linux the tool runs
// and its answer is also kept in a cache in the build tree; the Windows build, which cannot run
// it, reads the answer from that cache, so the Linux suites must have run first. An empty
// string when the tool failed or no answer is known.
std::string PeerConvert(const std::string& sTool, const std::string& sArgs,
                        const std::string& sInput);

// Cache file of PeerConvert for one question.
std::string PeerCachePath(const std::string& sTool, const std::string& sArgs,
                          const std::string& sInput);

// This process's id, to keep scratch names apart from other test processes'.
unsigned long CurrentProcessId();

// Names of the files in a folder.
std::vector<std::string> ListFolder(const std::string& sDir);

// Sets an environment variable of this process; an empty value removes it.
void SetEnvironment(const std::string& sName, const std::string& sValue);
