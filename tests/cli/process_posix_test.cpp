// tarnel-cli as a process, run by root and by an unprivileged user: Ctrl-C in the middle of a
// batch or of one file, a folder it may not write to, links other users planted, pipes, and an
// output that cannot be written.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

class CliProcessTest : public TempDirTest {
protected:
    // Starts tarnel-cli with args, its errors going to a file in the test's folder and its output
    // to another or to nStdout. nUser: run as that user (the program copied where every user
    // may run it) when the tests run as root, who may write anywhere.
    // nStdin: standard input from that descriptor. The program speaks Japanese, its first
    // language, as in the other suites.
    pid_t Start(const std::vector<std::string>& args, uid_t nUser = kSelf, int nStdout = -1,
                int nStdin = -1) {
        std::string sProgram = TARNEL_CLI_PATH;
        if (nUser != kSelf && geteuid() == 0) {
            sProgram = PathOf("tarnel-cli");
            std::filesystem::copy_file(TARNEL_CLI_PATH, sProgram,
                                       std::filesystem::copy_options::skip_existing);
        }
        std::vector<char*> argv{sProgram.data()};
        for (const std::string& s : args)
            argv.push_back(const_cast<char*>(s.c_str()));
        argv.push_back(nullptr);
        const std::string sOut = PathOf("stdout"), sErr = PathOf("stderr");
        std::fflush(nullptr);  // else the child writes our buffered output once more
        const pid_t pid = fork();
        if (pid == 0) {
            if ((nStdout < 0 && !freopen(sOut.c_str(), "w", stdout)) ||
                (nStdout >= 0 && dup2(nStdout, STDOUT_FILENO) < 0) ||
                (nStdin >= 0 && dup2(nStdin, STDIN_FILENO) < 0) ||
                !freopen(sErr.c_str(), "w", stderr))
                _exit(126);
            unsetenv("LC_ALL");
            setenv("LANG", "ja_JP.UTF-8", 1);
            if (nUser != kSelf && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(nUser) != 0 || setuid(nUser) != 0))
                _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }
    // The exit code a shell would show: 128 and the number of a signal that ended the program.
    int Wait(pid_t pid) {
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        return WIFSIGNALED(nStatus) ? 128 + WTERMSIG(nStatus) : WEXITSTATUS(nStatus);
    }
    // Runs tarnel-cli with its output going into a pipe, and sInput coming from another; returns
    // what came through.
    std::string RunIntoPipe(const std::vector<std::string>& args, int& rnExit,
                            const std::string& sInput = "") {
        int ends[2] = {-1, -1}, inEnds[2] = {-1, -1};
        // Closed in the program: its input ends when the feeder closes the other end.
        EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(inEnds, O_CLOEXEC), 0);
        const pid_t pid = Start(args, kSelf, ends[1], inEnds[0]);
        close(ends[1]);
        close(inEnds[0]);
        std::thread feeder([&] {
            for (std::size_t n = 0; n < sInput.size();) {
                const ssize_t nWritten = write(inEnds[1], sInput.data() + n, sInput.size() - n);
                if (nWritten <= 0)
                    break;
                n += static_cast<std::size_t>(nWritten);
            }
            close(inEnds[1]);
        });
        std::string sOut;
        char buffer[65536];
        for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;)
            sOut.append(buffer, static_cast<std::size_t>(n));
        close(ends[0]);
        feeder.join();
        rnExit = Wait(pid);
        return sOut;
    }
    std::string Jpeg(const std::string& sName, int nWidth, int nHeight) {
        BmpShape shape;
        shape.nWidth = nWidth;
        shape.nHeight = nHeight;
        WriteFile(PathOf("jpeg-source.bmp"), BuildBmp(shape));
        EXPECT_EQ(RunTarnelCli({"compress", PathOf("jpeg-source.bmp"), PathOf(sName)}), 0);
        std::filesystem::remove(PathOf("jpeg-source.bmp"));
        return PathOf(sName);
    }
    static constexpr uid_t kSelf = static_cast<uid_t>(-1);
    static constexpr uid_t kNobody = 65534;
    static constexpr uid_t kSomeoneElse = 4321;
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

TEST_F(CliProcessTest, CtrlCStartsNoNewFileAndLeavesOnlyWholeOutputs) {
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
    EXPECT_EQ(Wait(pid), 128 + SIGINT);  // ended by the signal, after its summary

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

TEST_F(CliProcessTest, AFolderItMayNotWriteToFailsEachFileAndKeepsNothing) {
    Bitmaps(2, 30, 20);
    std::filesystem::create_directories(PathOf("locked"));
    chmod(PathOf("locked").c_str(), 0555);
    EXPECT_EQ(Wait(Start({"compress", PathOf("in"), "-r", "--out-dir", PathOf("locked")}, kNobody)),
              1);
    EXPECT_TRUE(ListFolder(PathOf("locked")).empty());
    EXPECT_EQ(ReadFile(PathOf("stdout")), "変換 0, 警告付き 0, 失敗 2, スキップ 0\n");
    const std::string sErr = ReadFile(PathOf("stderr"));
    EXPECT_NE(sErr.find("tarnel-cli: " + PathOf("in/p0.bmp") + ": "), std::string::npos) << sErr;
    EXPECT_NE(sErr.find("tarnel-cli: " + PathOf("in/p1.bmp") + ": "), std::string::npos) << sErr;
}

// An interrupted one-file run removes its temporary file, leaves the destination as it was and
// ends by the signal, as a shell expects (130, 143, 129).
TEST_F(CliProcessTest, AnInterruptedRunLeavesTheDestinationAsItWas) {
#ifdef __SANITIZE_THREAD__
    GTEST_SKIP() << "ThreadSanitizer holds signals back until its own safe points";
#endif
    const std::string sJpeg = Jpeg("big.jpg", 3000, 2000);
    const std::string sOut = PathOf("out/photo.bmp");
    std::filesystem::create_directories(PathOf("out"));
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(nSignal);
        WriteFile(sOut, "old");
        const pid_t pid = Start({"uncompress", sJpeg, sOut, "--yes", "--colors", "256"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ListFolder(PathOf("out")).size() < 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        kill(pid, nSignal);
        EXPECT_EQ(Wait(pid), 128 + nSignal);
        EXPECT_EQ(ListFolder(PathOf("out")), std::vector<std::string>{"photo.bmp"});
        EXPECT_EQ(ReadFile(sOut), "old");
    }
}

// Both directions from pipe to pipe ("-" for each end, as cjpeg and djpeg read and write by
// default), and into a pipe named /dev/stdout, give the libjpeg tools' bytes.
TEST_F(CliProcessTest, AConversionThroughPipesGivesThePeersBytes) {
    const std::string sJpeg = Jpeg("photo.jpg", 61, 37);
    int nExit = -1;
    const std::string sBmp = RunIntoPipe({"uncompress", "-", "-"}, nExit, ReadFile(sJpeg));
    EXPECT_EQ(nExit, 0) << ReadFile(PathOf("stderr"));
    EXPECT_TRUE(sBmp == PeerConvert("djpeg", "-bmp", ReadFile(sJpeg)));
    EXPECT_TRUE(sBmp == RunIntoPipe({"uncompress", sJpeg, "/dev/stdout"}, nExit));
    const std::string sBack = RunIntoPipe({"compress", "-", "-"}, nExit, sBmp);
    EXPECT_EQ(nExit, 0) << ReadFile(PathOf("stderr"));
    EXPECT_TRUE(sBack == PeerConvert("cjpeg", "", sBmp));
}

// Help and the version that cannot be written fail, as the GNU tools do.
TEST_F(CliProcessTest, AVersionThatCannotBeWrittenFails) {
    const int nFull = open("/dev/full", O_WRONLY);
    ASSERT_GE(nFull, 0);
    EXPECT_EQ(Wait(Start({"--version"}, kSelf, nFull)), 1);
    close(nFull);
    EXPECT_NE(ReadFile(PathOf("stderr")).find("書き込みエラー"), std::string::npos);
}

// A link in a sticky folder everyone may write to is followed only by its owner or when the
// folder's owner made it, whatever fs.protected_symlinks says: otherwise the run is refused and
// nothing is written, neither where the link points nor beside it.
TEST_F(CliProcessTest, ALinkAnotherUserPlantedInASharedFolderIsRefused) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to make links of other users";
    struct LinkCase {
        uid_t nCaller, nLinkOwner, nFolderOwner;
        bool bDangling, bRefused;
    };
    const LinkCase cases[] = {
        {0, kNobody, 0, false, true},
        {0, kNobody, 0, true, true},
        {0, 0, 0, false, false},
        {kNobody, kSomeoneElse, 0, false, true},
        {kNobody, 0, 0, false, false},
        {kNobody, kNobody, 0, false, false},
        {0, kNobody, kNobody, false, false},
    };
    const std::string sJpeg = Jpeg("photo.jpg", 8, 8);
    // Where the links point: a folder every user may replace files in.
    std::filesystem::create_directory(PathOf("victims"));
    ASSERT_EQ(chmod(PathOf("victims").c_str(), 0777), 0);
    int nRow = 0;
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(nRow);
        const std::string sShared = PathOf("shared" + std::to_string(nRow));
        const std::string sVictim = PathOf("victims/" + std::to_string(nRow++));
        std::filesystem::create_directory(sShared);
        ASSERT_EQ(chown(sShared.c_str(), c.nFolderOwner, c.nFolderOwner), 0);
        ASSERT_EQ(chmod(sShared.c_str(), 01777), 0);
        if (!c.bDangling) {
            WriteFile(sVictim, "old");
            ASSERT_EQ(chmod(sVictim.c_str(), 0666), 0);
        }
        const std::string sLink = sShared + "/out.bmp";
        std::filesystem::create_symlink(sVictim, sLink);
        ASSERT_EQ(lchown(sLink.c_str(), c.nLinkOwner, c.nLinkOwner), 0);

        const int nExit = Wait(Start({"uncompress", sJpeg, sLink, "--yes"}, c.nCaller));
        EXPECT_EQ(nExit, c.bRefused ? 1 : 0) << ReadFile(PathOf("stderr"));
        EXPECT_EQ(ListFolder(sShared), std::vector<std::string>{"out.bmp"});
        if (c.bRefused)
            EXPECT_EQ(Exists(sVictim) ? ReadFile(sVictim) : "", c.bDangling ? "" : "old");
        else
            EXPECT_EQ(ReadFile(sVictim).substr(0, 2), "BM");
    }
}
