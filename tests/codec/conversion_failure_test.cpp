// Whole runs that fail or warn: the texts callers get, and that a failure never loses or
// leaves a file. Also the layouts of the bitmaps the decoder writes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

struct RunOutcome {
    short nResult = -1;  // -1 when the run threw
    std::string sMessage;
    std::string sWarnings;
};

class ConversionTest : public TempDirTest {
protected:
    template <typename Configure>
    RunOutcome Decompress(const std::string& sJpegPath, const std::string& sBmpPath, Configure configure) {
        COXJPEGImageFile jpeg{CString(sJpegPath.c_str())};
        COXBitmapFile bitmap{CString(sBmpPath.c_str())};
        COXJPEGDecoder decoder;
        configure(decoder, bitmap);
        RunOutcome outcome;
        try {
            outcome.nResult = decoder.DoDecompress(&jpeg, &bitmap);
        } catch (COXJPEGException* e) {
            outcome.sMessage = static_cast<LPCTSTR>(e->m_sMessage);
            e->Delete();
        }
        outcome.sWarnings = static_cast<LPCTSTR>(decoder.GetWarningMessages());
        return outcome;
    }
    RunOutcome Decompress(const std::string& sJpegPath, const std::string& sBmpPath) {
        return Decompress(sJpegPath, sBmpPath, [](COXJPEGDecoder&, COXBitmapFile&) {});
    }

    RunOutcome Compress(const std::string& sBmpPath, const std::string& sJpegPath) {
        COXBitmapFile bitmap{CString(sBmpPath.c_str())};
        COXJPEGImageFile jpeg{CString(sJpegPath.c_str())};
        COXJPEGEncoder encoder;
        RunOutcome outcome;
        try {
            outcome.nResult = encoder.DoCompress(&bitmap, &jpeg);
        } catch (COXJPEGException* e) {
            outcome.sMessage = static_cast<LPCTSTR>(e->m_sMessage);
            e->Delete();
        }
        return outcome;
    }

    // A real JPEG of a generated picture, made by our own encoder.
    std::string MakeJpeg(int nWidth, int nHeight) {
        BmpSpec spec;
        spec.nWidth = nWidth;
        spec.nHeight = nHeight;
        WriteFile(PathOf("pic.bmp"), BuildBmp(spec));
        EXPECT_EQ(Compress(PathOf("pic.bmp"), PathOf("pic.jpg")).nResult, 0);
        return ReadFile(PathOf("pic.jpg"));
    }
};

}  // namespace

TEST_F(ConversionTest, DecoderFailuresKeepTheOldBitmapAndLeaveNothingBehind) {
    const std::string sJpeg = MakeJpeg(64, 48);
    const struct {
        const char* pszWhat;
        std::string sInput;
        int nColors;
        const char* pszMessage;
    } cases[] = {
        {"empty file", "", 0, "Empty input file"},
        {"a bitmap", BuildBmp(BmpSpec()), 0, "Not a JPEG file: starts with 0x42 0x4d"},
        {"tables only", "\xFF\xD8\xFF\xD9", 0, "JPEG datastream contains no image"},
        {"one colour", sJpeg, 1, "Cannot quantize to fewer than 8 colors"},  // two-pass minimum
        {"300 colours", sJpeg, 300, "Cannot quantize to more than 256 colors"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        WriteFile(PathOf("in.jpg"), c.sInput);
        WriteFile(PathOf("out.bmp"), "precious");
        const RunOutcome outcome = Decompress(PathOf("in.jpg"), PathOf("out.bmp"),
                                              [&](COXJPEGDecoder& d, COXBitmapFile&) {
                                                  if (c.nColors != 0)
                                                      d.SetColors(c.nColors);
                                              });
        EXPECT_EQ(outcome.nResult, -1);
        EXPECT_EQ(outcome.sMessage, c.pszMessage);
        EXPECT_EQ(ReadFile(PathOf("out.bmp")), "precious");
        EXPECT_EQ(ListFolder(m_sDir).size(), 4u);  // pic.bmp, pic.jpg, in.jpg, out.bmp
    }
    // Without an old bitmap, a failed run creates none.
    WriteFile(PathOf("in.jpg"), "");
    EXPECT_EQ(Decompress(PathOf("in.jpg"), PathOf("new.bmp")).sMessage, "Empty input file");
    EXPECT_FALSE(Exists(PathOf("new.bmp")));
}

TEST_F(ConversionTest, TruncatedJpegGivesAFullSizeBitmapWithOneWarning) {
    const std::string sJpeg = MakeJpeg(120, 90);
    WriteFile(PathOf("cut.jpg"), sJpeg.substr(0, sJpeg.size() / 2));
    const RunOutcome outcome = Decompress(PathOf("cut.jpg"), PathOf("cut.bmp"));
    EXPECT_EQ(outcome.nResult, JPEG_WARNING);
    EXPECT_EQ(outcome.sWarnings, "Premature end of JPEG file\n");
    const std::string sBmp = ReadFile(PathOf("cut.bmp"));
    EXPECT_EQ(sBmp.size(), 54u + 90 * 360);
}

TEST_F(ConversionTest, MissingFilesFailAtOpeningAndCreateNothing) {
    RunOutcome outcome = Compress(PathOf("missing.bmp"), PathOf("out.jpg"));
    EXPECT_EQ(outcome.nResult, -1);
    EXPECT_NE(outcome.sMessage.find("missing.bmp"), std::string::npos) << outcome.sMessage;
    EXPECT_FALSE(Exists(PathOf("out.jpg")));

    WriteFile(PathOf("in.bmp"), BuildBmp(BmpSpec()));
    outcome = Compress(PathOf("in.bmp"), PathOf("no-such-dir/out.jpg"));
    EXPECT_EQ(outcome.nResult, -1);
    EXPECT_NE(outcome.sMessage.find("no-such-dir/out.jpg"), std::string::npos) << outcome.sMessage;
    EXPECT_LE(outcome.sMessage.size(), 254u);
}

TEST_F(ConversionTest, FullDiskEndsEitherRunWithTheWriteError) {
    if (!Exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not available";
    BmpSpec big;
    big.nWidth = 300;
    big.nHeight = 200;
    WriteFile(PathOf("in.bmp"), BuildBmp(big));
    RunOutcome outcome = Compress(PathOf("in.bmp"), "/dev/full");
    EXPECT_EQ(outcome.sMessage, "Output file write error --- out of disk space?");

    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("in.jpg")).nResult, 0);
    outcome = Decompress(PathOf("in.jpg"), "/dev/full");
    EXPECT_EQ(outcome.sMessage, "Output file write error --- out of disk space?");
}

TEST_F(ConversionTest, FileSizeLimitMidRunKeepsTheOldDestination) {
    BmpSpec big;
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
    WriteFile(PathOf("in.bmp"), BuildBmp(BmpSpec()));
    WriteFile(PathOf("out.jpg"), "old");
    chmod(PathOf("out.jpg").c_str(), 0640);
    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("out.jpg")).nResult, JPEG_SUCCESS);
    EXPECT_EQ(ReadFile(PathOf("out.jpg")).substr(0, 2), "\xFF\xD8");
    struct stat st {};
    stat(PathOf("out.jpg").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ListFolder(m_sDir).size(), 2u);
}

TEST_F(ConversionTest, WrittenBitmapLayouts) {
    BmpSpec spec;
    spec.nWidth = 2;
    spec.nHeight = 2;
    spec.nXPelsPerMeter = spec.nYPelsPerMeter = 3780;
    WriteFile(PathOf("in.bmp"), BuildBmp(spec));
    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("in.jpg")).nResult, 0);
    auto le32 = [](const std::string& s, std::size_t n) {
        return static_cast<unsigned>(static_cast<unsigned char>(s[n])) |
               static_cast<unsigned>(static_cast<unsigned char>(s[n + 1])) << 8 |
               static_cast<unsigned>(static_cast<unsigned char>(s[n + 2])) << 16 |
               static_cast<unsigned>(static_cast<unsigned char>(s[n + 3])) << 24;
    };

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("os2.bmp"),
                         [](COXJPEGDecoder&, COXBitmapFile& b) { b.SetOS2Format(TRUE); }).nResult, 0);
    std::string s = ReadFile(PathOf("os2.bmp"));
    EXPECT_EQ(le32(s, 2), 42u);   // 26 + 2 rows of 8 bytes
    EXPECT_EQ(le32(s, 10), 26u);
    EXPECT_EQ(le32(s, 14), 12u);

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("win.bmp")).nResult, 0);
    s = ReadFile(PathOf("win.bmp"));
    EXPECT_EQ(le32(s, 38), 3700u);  // 37 dots per centimetre
    EXPECT_EQ(le32(s, 46), 0u);     // 24 bits: no colours

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("grey.bmp"),
                         [](COXJPEGDecoder& d, COXBitmapFile&) { d.SetGrayscale(TRUE); }).nResult, 0);
    s = ReadFile(PathOf("grey.bmp"));
    EXPECT_EQ(le32(s, 10), 54u + 1024);
    EXPECT_EQ(le32(s, 46), 256u);
    EXPECT_EQ(s.substr(54 + 4 * 200, 4), std::string("\xC8\xC8\xC8\0", 4));  // the ramp

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("q.bmp"),
                         [](COXJPEGDecoder& d, COXBitmapFile&) { d.SetColors(8); }).nResult, 0);
    s = ReadFile(PathOf("q.bmp"));
    EXPECT_EQ(le32(s, 46), 256u);
    EXPECT_EQ(s.substr(54 + 4 * 8, 4 * 248), std::string(4 * 248, '\0'));  // padding entries
}
