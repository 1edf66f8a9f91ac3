// Whole runs under POSIX-only conditions: a file-size limit, file permissions, pipes.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <thread>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "codec/conversion.h"
#include "tests/codec/conversion_fixture.h"
#include "tests/support/fifo.h"
#include "platform/file.h"
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

namespace {

// s with nGap bytes between the colour map and the pixels, the pixel offset moved past them.
std::string WithGap(std::string s, std::uint32_t nGap) {
    const std::uint32_t nOffset = GetLE32(s, 10);
    s.insert(nOffset, std::string(nGap, '\x5A'));
    PutLE32(s, 10, nOffset + nGap);
    PutLE32(s, 2, static_cast<std::uint32_t>(s.size()));
    return s;
}

}  // namespace

// Bitmaps taller than one block of rows, read and written in place and through pipes: the same
// bytes either way, in both layouts and depths, with a gap before the pixels, and from a bitmap
// that starts inside a file lent to the reader.
TEST_F(ConversionTest, RowsInPlaceAndThroughAPipeGiveTheSameFiles) {
    const struct {
        int nBits;
        bool bOS2;
    } layouts[] = {{24, false}, {8, false}, {24, true}, {8, true}};
    for (const auto& layout : layouts) {
        SCOPED_TRACE(std::to_string(layout.nBits) + (layout.bOS2 ? " bits OS/2" : " bits Windows"));
        BmpShape shape;
        shape.nWidth = 1501;  // rows of 4504 or 1504 bytes: several 1 MiB blocks
        shape.nHeight = 3000;
        shape.nBitsPerPixel = layout.nBits;
        shape.bOS2 = layout.bOS2;
        const std::string sBmp = BuildBmp(shape);
        WriteFile(PathOf("in.bmp"), sBmp);
        ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("file.jpg")).nResult, JPEG_SUCCESS);
        const std::string sJpeg = ReadFile(PathOf("file.jpg"));

        WriteFile(PathOf("gap.bmp"), WithGap(sBmp, 1000));
        ASSERT_EQ(Compress(PathOf("gap.bmp"), PathOf("gap.jpg")).nResult, JPEG_SUCCESS);
        EXPECT_EQ(ReadFile(PathOf("gap.jpg")), sJpeg);
        {
            Fifo fifo(PathOf("pipe.bmp"));
            fifo.Feed(sBmp);
            ASSERT_EQ(Compress(PathOf("pipe.bmp"), PathOf("pipe.jpg")).nResult, JPEG_SUCCESS);
        }
        EXPECT_EQ(ReadFile(PathOf("pipe.jpg")), sJpeg);
        {
            WriteFile(PathOf("lent.bin"), "lead" + sBmp);
            CFile lent(PathOf("lent.bin").c_str(), CFile::modeRead);
            lent.Seek(4, CFile::begin);
            COXBitmapFile bitmap(&lent);
            COXJPEGImageFile jpeg{CString(PathOf("lent.jpg").c_str())};
            COXJPEGEncoder encoder;
            EXPECT_EQ(encoder.DoCompress(&bitmap, &jpeg), JPEG_SUCCESS);
        }
        EXPECT_EQ(ReadFile(PathOf("lent.jpg")), sJpeg);

        const auto configure = [&](COXJPEGDecoder& decoder, COXBitmapFile& bitmap) {
            decoder.SetColors(layout.nBits == 8 ? 256 : 0);
            bitmap.SetOS2Format(layout.bOS2);
        };
        ASSERT_EQ(Decompress(PathOf("file.jpg"), PathOf("out.bmp"), configure).nResult,
                  JPEG_SUCCESS);
        const std::string sOut = ReadFile(PathOf("out.bmp"));
        EXPECT_EQ(sOut.size(), sBmp.size());
        Fifo fifo(PathOf("pipe.bmp"));
        fifo.Drain();
        ASSERT_EQ(Decompress(PathOf("file.jpg"), PathOf("pipe.bmp"), configure).nResult,
                  JPEG_SUCCESS);
        EXPECT_EQ(fifo.Drained(), sOut);
    }
}

// The service looks at a bitmap's headers to pick its reader; a pipe's must be left for the run.
TEST_F(ConversionTest, TheServiceReadsABitmapFromAPipeWhole) {
    const std::string sBmp = BuildBmp(BmpShape());
    WriteFile(PathOf("in.bmp"), sBmp);
    const auto run = [&](const std::string& sFrom, const std::string& sTo) {
        return CConversion(sFrom.c_str(), sTo.c_str(), EncoderOptions()).Run().result;
    };
    ASSERT_EQ(run(PathOf("in.bmp"), PathOf("file.jpg")), ConversionResult::Converted);
    {
        Fifo fifo(PathOf("pipe.bmp"));
        fifo.Feed(sBmp);
        EXPECT_EQ(run(PathOf("pipe.bmp"), PathOf("pipe.jpg")), ConversionResult::Converted);
    }
    EXPECT_EQ(ReadFile(PathOf("pipe.jpg")), ReadFile(PathOf("file.jpg")));
}
