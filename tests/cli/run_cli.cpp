// tarnel-cli's entry point run inside a test, with scratch files for its streams.
#include "tests/cli/run_cli.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cli/cli.h"
#include "cli/messages.h"
#include "tests/support/tools.h"

namespace {

// The suites hear tarnel-cli in Japanese, its first language, whatever the machine's locale; the
// table of messages holds both languages to account.
const bool g_bJapanese = (SetLanguage(Language::Japanese), true);

// A scratch stream of our own: the C library's tmpfile fails now and then on Windows when
// several test processes run at once.
struct Scratch {
    std::string sPath;
    std::FILE* pFile;
};

Scratch OpenScratch(const char* pszRole) {
    static unsigned s_nSerial = 0;
    const auto path = std::filesystem::temp_directory_path() /
                      ("tarnel-cli-" + std::to_string(CurrentProcessId()) + "-" +
                       std::to_string(++s_nSerial) + "-" + pszRole);
    std::FILE* pFile = std::fopen(path.string().c_str(), "w+b");
    if (pFile == nullptr)
        std::abort();
    return {path.string(), pFile};
}

std::string Drain(const Scratch& scratch) {
    std::string s;
    std::rewind(scratch.pFile);
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, scratch.pFile)) > 0)
        s.append(buf, n);
    std::fclose(scratch.pFile);
    std::remove(scratch.sPath.c_str());
    return s;
}

}  // namespace

int RunTarnelCli(const std::vector<std::string>& args, std::string* psOut, std::string* psErr,
                 const std::string& sAnswer, bool bInteractive, bool bOutputIsTerminal) {
    std::vector<const char*> argv{"tarnel-cli"};
    for (const auto& a : args)
        argv.push_back(a.c_str());
    const Scratch in = OpenScratch("in"), out = OpenScratch("out"), err = OpenScratch("err");
    std::fputs(sAnswer.c_str(), in.pFile);
    std::rewind(in.pFile);
    const int nExit =
        RunCli(static_cast<int>(argv.size()), argv.data(),
               CliStreams{in.pFile, out.pFile, err.pFile, bInteractive, false, bOutputIsTerminal});
    Drain(in);
    const std::string sOut = Drain(out);
    const std::string sErr = Drain(err);
    if (psOut)
        *psOut = sOut;
    if (psErr)
        *psErr = sErr;
    return nExit;
}
