// tarnel-cli's batch form as a process: Ctrl-C in the middle of a batch, and a folder it may not
// write to.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

class BatchProcessTest : public TempDirTest {
protected:
    // Starts tarnel-cli with args, its output and errors going to files in the test's folder.
    // bAsNobody: under an unprivileged user when the tests run as root, who may write anywhere.
    pid_t Start(const std::vector<std::string>& args, bool bAsNobody = false) {
        std::vector<char*> argv{const_cast<char*>(TARNEL_CLI_PATH)};
        for (const std::string& s : args)
            argv.push_back(const_cast<char*>(s.c_str()));
        argv.push_back(nullptr);
        const std::string sOut = PathOf("stdout"), sErr = PathOf("stderr");
        const pid_t pid = fork();
        if (pid == 0) {
            if (!freopen(sOut.c_str(), "w", stdout) || !freopen(sErr.c_str(), "w", stderr))
                _exit(126);
            if (bAsNobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }
    int Wait(pid_t pid) {
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }
    std::vector<std::string> Bitmaps(int nCount, int nWidth, int nHeight) {
        std::filesystem::create_directories(PathOf("in"));
        std::vector<std::string> paths;
        for (int i = 0; i < nCount; ++i) {
            BmpShape shape;
            shape.nWidth = nWidth;
            shape.nHeight = nHeight;
            shape.nSeed = i;
            paths.push_back(PathOf("in/p" + std::to_string(i) + ".bmp"));
            WriteFile(paths.back(), BuildBmp(shape));
        }
        return paths;
    }
};

bool IsWholeJpeg(const std::string& s) {
    return s.size() > 4 && s.compare(0, 2, "\xFF\xD8") == 0 &&
           s.compare(s.size() - 2, 2, "\xFF\xD9") == 0;
}

}  // namespace

TEST_F(BatchProcessTest, CtrlCStartsNoNewFileAndLeavesOnlyWholeOutputs) {
    const int nFiles = 60;
    Bitmaps(nFiles, 800, 600);
    const pid_t pid =
        Start({"compress", PathOf("in"), "-r", "-j", "2", "--out-dir", PathOf("out")});
    // Interrupt as soon as the first output has appeared.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool bStarted = false;
    while (!bStarted && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(PathOf("out"), error))
            bStarted |= entry.path().extension() == ".jpg";
    }
    ASSERT_TRUE(bStarted);
    kill(pid, SIGINT);
    EXPECT_EQ(Wait(pid), 1);

    const std::vector<std::string> outputs = ListFolder(PathOf("out"));
    EXPECT_GT(outputs.size(), 0u);
    EXPECT_LT(outputs.size(), static_cast<std::size_t>(nFiles));
    for (const std::string& sName : outputs) {
        EXPECT_EQ(std::filesystem::path(sName).extension(), ".jpg") << sName;
        EXPECT_TRUE(IsWholeJpeg(ReadFile(PathOf("out/" + sName)))) << sName;
    }
    const std::string sStdout = ReadFile(PathOf("stdout"));
    EXPECT_NE(sStdout.find("中断しました: " + std::to_string(nFiles - outputs.size()) +
                           " ファイルは変換していません"),
              std::string::npos)
        << sStdout;
    EXPECT_NE(ReadFile(PathOf("stderr")).find("中断します"), std::string::npos);
}

TEST_F(BatchProcessTest, AFolderItMayNotWriteToFailsEachFileAndKeepsNothing) {
    Bitmaps(2, 30, 20);
    std::filesystem::create_directories(PathOf("locked"));
    chmod(PathOf("locked").c_str(), 0555);
    EXPECT_EQ(Wait(Start({"compress", PathOf("in"), "-r", "--out-dir", PathOf("locked")}, true)),
              1);
    EXPECT_TRUE(ListFolder(PathOf("locked")).empty());
    EXPECT_EQ(ReadFile(PathOf("stdout")), "変換 0, 警告付き 0, 失敗 2, スキップ 0\n");
    const std::string sErr = ReadFile(PathOf("stderr"));
    EXPECT_NE(sErr.find(PathOf("in/p0.bmp") + ": 例外 : "), std::string::npos) << sErr;
    EXPECT_NE(sErr.find(PathOf("in/p1.bmp") + ": 例外 : "), std::string::npos) << sErr;
}
