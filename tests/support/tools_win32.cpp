// PeerConvert on Windows: the answers the Linux suites left in the cache.
#include <windows.h>

#include <fstream>
#include <iterator>

#include "tests/support/tools.h"

std::string PeerConvert(const std::string& sTool, const std::string& sArgs,
                        const std::string& sInput) {
    std::ifstream in(PeerCachePath(sTool, sArgs, sInput), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

void SetEnvironment(const std::string& sName, const std::string& sValue) {
    _putenv_s(sName.c_str(), sValue.c_str());  // an empty value removes the variable
}
