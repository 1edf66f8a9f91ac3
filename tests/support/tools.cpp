// Reference tools and tarnel-cli for tests.
#include "tests/support/tools.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cli/cli.h"

int RunShell(const std::string& sCommand) {
    const int nStatus = std::system(sCommand.c_str());
    return (nStatus != -1 && WIFEXITED(nStatus)) ? WEXITSTATUS(nStatus) : -1;
}

namespace {

std::string Drain(std::FILE* pFile) {
    std::string s;
    std::rewind(pFile);
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pFile)) > 0)
        s.append(buf, n);
    std::fclose(pFile);
    return s;
}

}  // namespace

int RunTarnelCli(const std::vector<std::string>& args, std::string* psOut, std::string* psErr,
                 const std::string& sAnswer, bool bInteractive) {
    std::vector<const char*> argv{"tarnel-cli"};
    for (const auto& a : args)
        argv.push_back(a.c_str());
    std::FILE* pIn = std::tmpfile();
    std::FILE* pOut = std::tmpfile();
    std::FILE* pErr = std::tmpfile();
    std::fputs(sAnswer.c_str(), pIn);
    std::rewind(pIn);
    const int nExit = RunCli(static_cast<int>(argv.size()), argv.data(),
                             CliStreams{pIn, pOut, pErr, bInteractive});
    std::fclose(pIn);
    const std::string sOut = Drain(pOut);
    const std::string sErr = Drain(pErr);
    if (psOut)
        *psOut = sOut;
    if (psErr)
        *psErr = sErr;
    return nExit;
}

std::vector<std::string> ListFolder(const std::string& sDir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sDir))
        names.push_back(entry.path().filename().string());
    return names;
}
