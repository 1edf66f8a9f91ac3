// Reference tools and tarnel-cli for tests.
#include "tests/support/tools.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cli/cli.h"

std::string PeerCachePath(const std::string& sTool, const std::string& sArgs, const std::string& sInput) {
    // FNV-1a over the whole question.
    std::uint64_t nHash = 14695981039346656037ULL;
    for (const std::string* p : {&sTool, &sArgs, &sInput})
        for (const char c : *p + '\0') {
            nHash ^= static_cast<unsigned char>(c);
            nHash *= 1099511628211ULL;
        }
    char szName[32];
    std::snprintf(szName, sizeof szName, "%016llx.out", static_cast<unsigned long long>(nHash));
    return std::string(TARNEL_GOLDEN_CACHE_DIR) + "/" + szName;
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
