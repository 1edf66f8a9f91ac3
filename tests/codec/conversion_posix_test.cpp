// Whole runs under POSIX-only conditions: a file-size limit, file permissions.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/codec/conversion_fixture.h"
#include "tests/support/tools.h"

TEST_F(ConversionTest, FileSizeLimitMidRunKeepsTheOldDestination) {
    BmpShape big;
    big.nWidth = 400;
    big.nHeight = 300;
    WriteFile(PathOf("in.bmp"), BuildBmp(big));
    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("in.jpg")).nResult, 0);
    WriteFile(PathOf("old.bmp"), "precious");
    WriteFile(PathOf("old.jpg"), "precious");
    // In a child, so the limit binds nothing else.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{20000, 20000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool bBmpFailed = Decompress(PathOf("in.jpg"), PathOf("old.bmp")).nResult == -1;
        const bool bJpegFailed = Compress(PathOf("in.bmp"), PathOf("old.jpg")).nResult == -1;
        _exit(bBmpFailed && bJpegFailed ? 0 : 1);
    }
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
    EXPECT_EQ(ReadFile(PathOf("old.bmp")), "precious");
    EXPECT_EQ(ReadFile(PathOf("old.jpg")), "precious");
    EXPECT_EQ(ListFolder(m_sDir).size(), 4u);
}

TEST_F(ConversionTest, SuccessfulRunReplacesTheDestinationKeepingItsPermissions) {
    WriteFile(PathOf("in.bmp"), BuildBmp(BmpShape()));
    WriteFile(PathOf("out.jpg"), "old");
    chmod(PathOf("out.jpg").c_str(), 0640);
    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("out.jpg")).nResult, JPEG_SUCCESS);
    EXPECT_EQ(ReadFile(PathOf("out.jpg")).substr(0, 2), "\xFF\xD8");
    struct stat st {};
    stat(PathOf("out.jpg").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ListFolder(m_sDir).size(), 2u);
}
