// PeerConvert on Linux: runs cjpeg or djpeg and keeps the answer for the Windows build.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/tools.h"

namespace {

std::string Slurp(const std::string& sPath) {
    std::ifstream in(sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spill(const std::string& sPath, const std::string& sBytes) {
    std::ofstream out(sPath, std::ios::binary);
    out.write(sBytes.data(), static_cast<std::streamsize>(sBytes.size()));
}

}  // namespace

std::string PeerConvert(const std::string& sTool, const std::string& sArgs,
                        const std::string& sInput) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tarnel-peer-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string sIn = (dir / "in").string(), sOut = (dir / "out").string();
    Spill(sIn, sInput);
    fs::remove(sOut);
    const int nStatus =
        std::system((sTool + " " + sArgs + " -outfile " + sOut + " " + sIn).c_str());
    std::string sResult;
    if (nStatus != -1 && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0)
        sResult = Slurp(sOut);
    fs::remove_all(dir);
    if (!sResult.empty()) {
        fs::create_directories(TARNEL_GOLDEN_CACHE_DIR);
        Spill(PeerCachePath(sTool, sArgs, sInput), sResult);
    }
    return sResult;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

void SetEnvironment(const std::string& sName, const std::string& sValue) {
    if (sValue.empty())
        unsetenv(sName.c_str());
    else
        setenv(sName.c_str(), sValue.c_str(), 1);
}
