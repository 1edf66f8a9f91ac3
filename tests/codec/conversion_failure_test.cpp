// Whole runs that fail or warn: the texts callers get, and that a failure never loses or
// leaves a file. Also the layouts of the bitmaps the decoder writes.
#include <gtest/gtest.h>

#include <string>

#include "platform/memfile.h"
#include "tests/codec/conversion_fixture.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/failing_file.h"
#include "tests/support/run_ending.h"
#include "tests/support/tools.h"

namespace {

// How many libjpeg objects the coders' registry holds now.
struct CRegistryProbe : COXJPEGCoder {
    static int Count() { return m_mapCoders.GetCount(); }
};

}  // namespace

// Each failure also leaves the coders' registry as it found it: empty.
TEST_F(ConversionTest, DecoderFailuresKeepTheOldBitmapAndLeaveNothingBehind) {
    const std::string sJpeg = MakeJpeg(64, 48);
    const struct {
        const char* pszWhat;
        std::string sInput;
        int nColors;
        const char* pszMessage;
    } cases[] = {
        {"empty file", "", 0, "Empty input file"},
        {"a bitmap", BuildBmp(BmpShape()), 0, "Not a JPEG file: starts with 0x42 0x4d"},
        {"tables only", "\xFF\xD8\xFF\xD9", 0, "JPEG datastream contains no image"},
        {"one colour", sJpeg, 1, "Cannot quantize to fewer than 8 colors"},  // two-pass minimum
        {"300 colours", sJpeg, 300, "Cannot quantize to more than 256 colors"},
        {"CMYK", ReadFile(std::string(TARNEL_TEST_DATA_DIR) + "/cmyk.jpg"), 0,
         "Bogus message code 1005"},  // a bitmap holds grey or RGB only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        WriteFile(PathOf("in.jpg"), c.sInput);
        WriteFile(PathOf("out.bmp"), "precious");
        const RunOutcome outcome =
            Decompress(PathOf("in.jpg"), PathOf("out.bmp"), [&](COXJPEGDecoder& d, COXBitmapFile&) {
                if (c.nColors != 0)
                    d.SetColors(c.nColors);
            });
        EXPECT_EQ(outcome.nResult, -1);
        EXPECT_EQ(outcome.sMessage, c.pszMessage);
        EXPECT_EQ(ReadFile(PathOf("out.bmp")), "precious");
        EXPECT_EQ(ListFolder(m_sDir).size(), 4u);  // pic.bmp, pic.jpg, in.jpg, out.bmp
        EXPECT_EQ(CRegistryProbe::Count(), 0);
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

    WriteFile(PathOf("in.bmp"), BuildBmp(BmpShape()));
    outcome = Compress(PathOf("in.bmp"), PathOf("no-such-dir/out.jpg"));
    EXPECT_EQ(outcome.nResult, -1);
    EXPECT_NE(outcome.sMessage.find("no-such-dir/out.jpg"), std::string::npos) << outcome.sMessage;
    EXPECT_LE(outcome.sMessage.size(), 254u);
}

namespace {}  // namespace

// Rows are read on a second thread, a block ahead: a read that fails in any block still ends
// the run as a premature end, and a file read whole gives the same JPEG as before.
TEST_F(ConversionTest, AReadErrorInAnyBlockIsAPrematureEnd) {
    BmpShape shape;
    shape.nWidth = 1501;  // rows of 4504 bytes: thirteen blocks of 1 MiB
    shape.nHeight = 3000;
    const std::string sBmp = BuildBmp(shape);
    for (ULONGLONG nLimit : {ULONGLONG{1000}, sBmp.size() / 2, sBmp.size() - 10, ULONGLONG{0}}) {
        SCOPED_TRACE(nLimit);
        CFailingReads file(sBmp, nLimit == 0 ? sBmp.size() : nLimit);
        COXBitmapFile bitmap(&file);
        COXJPEGImageFile jpeg{CString(PathOf("out.jpg").c_str())};
        COXJPEGEncoder encoder;
        const int nCode = EndingOf([&] { encoder.DoCompress(&bitmap, &jpeg); }).nCode;
        EXPECT_EQ(nCode, nLimit == 0 ? 0 : JERR_INPUT_EOF);
        EXPECT_EQ(CRegistryProbe::Count(), 0);
    }
    WriteFile(PathOf("in.bmp"), sBmp);
    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("file.jpg")).nResult, 0);
    EXPECT_EQ(ReadFile(PathOf("out.jpg")), ReadFile(PathOf("file.jpg")));
}

TEST_F(ConversionTest, FullDiskEndsEitherRunWithTheWriteError) {
    if (!Exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not available";
    BmpShape big;
    big.nWidth = 300;
    big.nHeight = 200;
    WriteFile(PathOf("in.bmp"), BuildBmp(big));
    RunOutcome outcome = Compress(PathOf("in.bmp"), "/dev/full");
    EXPECT_EQ(outcome.sMessage, "Output file write error --- out of disk space?");

    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("in.jpg")).nResult, 0);
    outcome = Decompress(PathOf("in.jpg"), "/dev/full");
    EXPECT_EQ(outcome.sMessage, "Output file write error --- out of disk space?");
}

namespace {

// A file lent to the bitmap writer that refuses writes while told to and can behave as a pipe,
// which cannot be positioned.
class CScriptedFile : public CMemFile {
public:
    void Write(const void* lpBuf, UINT nCount) override {
        if (bFailWrites)
            AfxThrowFileException(CFileException::diskFull, 28, "scripted");
        CMemFile::Write(lpBuf, nCount);
    }
    ULONGLONG Seek(std::int64_t lOff, UINT nFrom) override {
        if (bPipe)
            AfxThrowFileException(CFileException::badSeek, 29, "scripted");
        return CMemFile::Seek(lOff, nFrom);
    }
    std::string Contents() {
        bPipe = false;
        std::string s(static_cast<std::size_t>(GetLength()), '\0');
        SeekToBegin();
        s.resize(Read(s.data(), static_cast<UINT>(s.size())));
        return s;
    }

    bool bFailWrites = false;
    bool bPipe = false;
};

}  // namespace

// A bitmap file object written again after a run whose writes failed starts clean, whether the
// second run writes in place or, through a pipe, the whole image at the end.
TEST_F(ConversionTest, AnObjectWrittenAgainAfterFailedWritesStartsClean) {
    MakeJpeg(64, 48);
    ASSERT_EQ(Decompress(PathOf("pic.jpg"), PathOf("fresh.bmp")).nResult, 0);
    for (bool bPipe : {false, true}) {
        SCOPED_TRACE(bPipe ? "then a pipe" : "then a file");
        CScriptedFile file;
        COXBitmapFile bitmap(&file);
        bitmap.SetDetachOnClose(FALSE);  // lent for both runs
        auto run = [&] {
            COXJPEGImageFile jpeg{CString(PathOf("pic.jpg").c_str())};
            COXJPEGDecoder decoder;
            try {
                return static_cast<int>(decoder.DoDecompress(&jpeg, &bitmap));
            } catch (COXJPEGException* e) {
                const int nCode = e->m_nErrorCode;
                e->Delete();
                return nCode;
            }
        };
        file.bFailWrites = true;
        EXPECT_EQ(run(), JERR_FILE_WRITE);
        file.bFailWrites = false;
        file.bPipe = bPipe;
        EXPECT_EQ(run(), JPEG_SUCCESS);
        EXPECT_TRUE(file.Contents() == ReadFile(PathOf("fresh.bmp")));
    }
}

TEST_F(ConversionTest, WrittenBitmapLayouts) {
    BmpShape shape;
    shape.nWidth = 2;
    shape.nHeight = 2;
    shape.nXPelsPerMeter = shape.nYPelsPerMeter = 3780;
    WriteFile(PathOf("in.bmp"), BuildBmp(shape));
    ASSERT_EQ(Compress(PathOf("in.bmp"), PathOf("in.jpg")).nResult, 0);

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("os2.bmp"),
                         [](COXJPEGDecoder&, COXBitmapFile& b) { b.SetOS2Format(TRUE); })
                  .nResult,
              0);
    std::string s = ReadFile(PathOf("os2.bmp"));
    EXPECT_EQ(GetLE32(s, 2), 42u);  // 26 + 2 rows of 8 bytes
    EXPECT_EQ(GetLE32(s, 10), 26u);
    EXPECT_EQ(GetLE32(s, 14), 12u);

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("win.bmp")).nResult, 0);
    s = ReadFile(PathOf("win.bmp"));
    EXPECT_EQ(GetLE32(s, 38), 3700u);  // 37 dots per centimetre
    EXPECT_EQ(GetLE32(s, 46), 0u);     // 24 bits: no colours

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("grey.bmp"),
                         [](COXJPEGDecoder& d, COXBitmapFile&) { d.SetGrayscale(TRUE); })
                  .nResult,
              0);
    s = ReadFile(PathOf("grey.bmp"));
    EXPECT_EQ(GetLE32(s, 10), 54u + 1024);
    EXPECT_EQ(GetLE32(s, 46), 256u);
    EXPECT_EQ(s.substr(54 + 4 * 200, 4), std::string("\xC8\xC8\xC8\0", 4));  // the ramp

    ASSERT_EQ(Decompress(PathOf("in.jpg"), PathOf("q.bmp"),
                         [](COXJPEGDecoder& d, COXBitmapFile&) { d.SetColors(8); })
                  .nResult,
              0);
    s = ReadFile(PathOf("q.bmp"));
    EXPECT_EQ(GetLE32(s, 46), 256u);
    EXPECT_EQ(s.substr(54 + 4 * 8, 4 * 248), std::string(4 * 248, '\0'));  // padding entries
}
