// One verdict on every bitmap: the converter, COXDIB (which the preview paints) and transform
// take the same files and refuse the same files, and COXDIB holds the picture the converter
// reads. Generated files of every layout, and hostile ones.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "codec/conversion.h"
#include "imagefile/bitmap_layout.h"
#include "imagefile/dib/dib.h"
#include "imagefile/bitmap_file.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/run_ending.h"
#include "tests/support/temp_dir.h"
#include "tests/cli/run_cli.h"
#include "tests/support/tools.h"
#ifndef _WIN32
#include "tests/support/fifo.h"
#endif

namespace {

// Catches the rows the bitmap's reader hands to libjpeg, as red, green, blue.
class CRowCatcher : public COXJPEGImageFile {
public:
    using COXJPEGImageFile::COXJPEGImageFile;
    BOOL WriteScanlines(j_compress_ptr cinfo, JSAMPARRAY pRows, JDIMENSION nRows) override {
        const bool bBlueFirst = cinfo->in_color_space == JCS_EXT_BGR;
        for (JDIMENSION r = 0; r < nRows; ++r)
            for (JDIMENSION x = 0; x < cinfo->image_width; ++x) {
                const JSAMPLE* p = pRows[r] + 3 * x;
                m_sRows += {static_cast<char>(p[bBlueFirst ? 2 : 0]), static_cast<char>(p[1]),
                            static_cast<char>(p[bBlueFirst ? 0 : 2])};
            }
        return COXJPEGImageFile::WriteScanlines(cinfo, pRows, nRows);
    }
    std::string m_sRows;
};

BmpShape Shape(int nInfoSize, int nBits, unsigned nCompression = 0) {
    return ShapeOf(nInfoSize, 11, 6, nBits, nCompression);
}

template <typename Change>
BmpShape With(BmpShape shape, Change change) {
    change(shape);
    return shape;
}

std::string Patched(std::string s, std::size_t nOffset, std::uint32_t nValue) {
    PutLE32(s, nOffset, nValue);
    return s;
}
std::string Patched16(std::string s, std::size_t nOffset, unsigned nValue) {
    PutLE16(s, nOffset, nValue);
    return s;
}

struct Case {
    const char* pszWhat;
    std::string sBytes;
    bool bReadable;
};

std::vector<Case> EveryLayout() {
    const std::vector<std::uint32_t> k444 = {0xF00, 0x0F0, 0x00F};
    const std::vector<std::uint32_t> k10Bit = {0x3FF00000, 0x000FFC00, 0x000003FF};
    const std::vector<std::uint32_t> kRGBA = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    return {
        {"1-bit", BuildBmp(Shape(40, 1)), true},
        {"1-bit OS/2 1.x", BuildBmp(Shape(12, 1)), true},
        {"4-bit", BuildBmp(Shape(40, 4)), true},
        {"4-bit, 9 colours", BuildBmp(With(Shape(40, 4), [](BmpShape& s) { s.nColors = 9; })),
         true},
        {"4-bit, a table of 17 colours",
         BuildBmp(With(Shape(40, 4), [](BmpShape& s) { s.nColors = 17; })), true},
        {"4-bit OS/2 2.x, 16-byte header", BuildBmp(Shape(16, 4)), true},
        {"4-bit OS/2 2.x, 64-byte header", BuildBmp(Shape(64, 4)), true},
        {"8-bit", BuildBmp(Shape(40, 8)), true},
        {"8-bit grey", BuildBmp(With(Shape(40, 8), [](BmpShape& s) { s.bGreyPalette = true; })),
         true},
        {"8-bit OS/2 1.x", BuildBmp(Shape(12, 8)), true},
        {"8-bit top-down", BuildBmp(With(Shape(40, 8), [](BmpShape& s) { s.bTopDown = true; })),
         true},
        {"8-bit, 124-byte header", BuildBmp(Shape(124, 8)), true},
        {"8-bit, a table of 300 colours",
         BuildBmp(With(Shape(40, 8), [](BmpShape& s) { s.nColors = 300; })), true},
        {"16-bit 5-5-5", BuildBmp(Shape(40, 16)), true},
        {"16-bit 5-6-5, masks after the header", BuildBmp(Shape(40, 16, 3)), true},
        {"16-bit 5-6-5, 108-byte header", BuildBmp(Shape(108, 16, 3)), true},
        {"16-bit 4-4-4", BuildBmp(With(Shape(40, 16, 3), [&](BmpShape& s) { s.masks = k444; })),
         true},
        {"24-bit", BuildBmp(Shape(40, 24)), true},
        {"24-bit OS/2 1.x", BuildBmp(Shape(12, 24)), true},
        {"24-bit top-down", BuildBmp(With(Shape(40, 24), [](BmpShape& s) { s.bTopDown = true; })),
         true},
        {"24-bit, 56-byte header", BuildBmp(Shape(56, 24)), true},
        {"24-bit, 16 bytes of padding counted in the image size",
         BuildBmp(With(Shape(40, 24), [](BmpShape& s) { s.nSlack = 16; })), true},
        {"24-bit, a gap before the pixels",
         BuildBmp(With(Shape(40, 24), [](BmpShape& s) { s.nGap = 21; })), true},
        {"32-bit", BuildBmp(Shape(40, 32)), true},
        {"32-bit masks, 52-byte header", BuildBmp(Shape(52, 32, 3)), true},
        {"32-bit 10-bit masks",
         BuildBmp(With(Shape(40, 32, 3), [&](BmpShape& s) { s.masks = k10Bit; })), true},
        {"32-bit alpha bit fields",
         BuildBmp(With(Shape(40, 32, 6), [&](BmpShape& s) { s.masks = kRGBA; })), true},
        {"32-bit RGBA masks, 124-byte header",
         BuildBmp(With(Shape(124, 32, 3), [&](BmpShape& s) { s.masks = kRGBA; })), true},
        {"run-length 8-bit", BuildBmp(Shape(40, 8, 1)), true},
        {"run-length 4-bit", BuildBmp(Shape(40, 4, 2)), true},
        {"run-length with a row skipped by a move",
         BuildBmp(
             With(Shape(40, 8, 1),
                  [](BmpShape& s) { s.indexAt = [](int x, int y) { return y == 2 ? 0 : x; }; })),
         true},
    };
}

std::vector<Case> HostileFiles() {
    const std::string s8 = BuildBmp(Shape(40, 8));
    const std::string s24 = BuildBmp(Shape(40, 24));
    const std::string sRle = BuildBmp(Shape(40, 8, 1));
    std::string sIndexBeyond = BuildBmp(With(Shape(40, 8), [](BmpShape& s) { s.nColors = 16; }));
    sIndexBeyond[sIndexBeyond.size() - 4] = static_cast<char>(200);
    std::string sStretchBeyond = sRle;
    sStretchBeyond[14 + 40 + 256 * 4 + 1] = 40;
    return {
        {"not BM", "BA" + s8.substr(2), false},
        {"cut in the header", s8.substr(0, 30), false},
        {"cut in the colour table", s8.substr(0, 300), false},
        {"cut in the pixels", s8.substr(0, s8.size() - 1), false},
        {"offset inside the colour table", Patched(s8, 10, 14 + 40 + 100), false},
        {"offset inside the headers", Patched(s8, 10, 20), false},
        {"offset beyond the end", Patched(s24, 10, 100000), false},
        {"header length 8", Patched(s8, 14, 8), false},
        {"header length 200", Patched(s8, 14, 200), false},
        {"3 bits per pixel", Patched16(s8, 28, 3), false},
        {"planes 2", Patched16(s8, 26, 2), false},
        {"zero width", Patched(s8, 18, 0), false},
        {"zero height", Patched(s8, 22, 0), false},
        {"negative width", Patched(s8, 18, static_cast<std::uint32_t>(-5)), false},
        {"rows overflow 32 bits", Patched(s24, 18, 0x7FFFFFFF), false},
        {"wider than a JPEG", Patched(s24, 18, 70000), false},
        {"gigabytes in a small file", Patched(Patched(s24, 18, 20000), 22, 20000), false},
        {"JPEG inside", Patched(s24, 30, 4), false},
        {"PNG inside", Patched(s24, 30, 5), false},
        {"OS/2 Huffman", Patched(BuildBmp(Shape(64, 1)), 30, 3), false},
        {"run-length 4 on 8 bits", Patched(s8, 30, 2), false},
        {"bit fields on 8 bits", Patched(s8, 30, 3), false},
        {"overlapping masks",
         BuildBmp(With(Shape(40, 16, 3),
                       [](BmpShape& s) {
                           s.masks = {0xF800, 0x0FE0, 0x001F};
                       })),
         false},
        {"a mask with a hole",
         BuildBmp(With(Shape(40, 16, 3),
                       [](BmpShape& s) {
                           s.masks = {0xF800, 0x07A0, 0x001F};
                       })),
         false},
        {"run-length without its end mark", sRle.substr(0, sRle.size() - 2), false},
        {"a run-length stretch beyond the row", sStretchBeyond, false},
        {"top-down run-length", Patched(sRle, 22, static_cast<std::uint32_t>(-6)), false},
        {"a colour index beyond the table", sIndexBeyond, false},
    };
}

class BitmapVerdictTest : public TempDirTest {
protected:
    // The converter's verdict, and the rows it reads when it takes the file.
    bool Convert(const std::string& sPath, std::string& rsRows) {
        CRowCatcher jpeg(CString(PathOf("out.jpg").c_str()));
        COXJPEGEncoder encoder;
        std::unique_ptr<COXImageFile> pSource = OpenBitmapSource(sPath.c_str());
        if (EndingOf([&] { encoder.DoCompress(pSource.get(), &jpeg); }).nCode != 0)
            return false;
        rsRows = jpeg.m_sRows;
        return true;
    }
};

}  // namespace

TEST_F(BitmapVerdictTest, TheConverterThePreviewAndTransformAgreeOnEveryFile) {
    std::vector<Case> cases = EveryLayout();
    const std::size_t nLayouts = cases.size();
    for (Case& c : HostileFiles())
        cases.push_back(std::move(c));
    int nAgreed = 0, nPicturesEqual = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const std::string sPath = PathOf("in.bmp");
        WriteFile(sPath, c.sBytes);

        // The service, as the dialog and tarnel-cli run it.
        const ConversionOutcome outcome =
            CConversion(sPath.c_str(), PathOf("service.jpg").c_str(), EncoderOptions()).Run();
        const bool bConverted = outcome.result != ConversionResult::Failed;
        std::string sRows;
        EXPECT_EQ(Convert(sPath, sRows), bConverted);
        COXDIB dib;
        const bool bLoaded = dib.Read(sPath.c_str()) != FALSE;
        EXPECT_EQ(dib.IsEmpty(), !bLoaded);
        EXPECT_EQ(dib.GetPalette() == nullptr, !bLoaded || dib.GetNumColors() == 0);
        const bool bTransformed = RunTarnelCli({"transform", sPath, PathOf("turned.bmp"),
                                                "--rotate", "90", "--yes"}) == kExitSuccess;

        EXPECT_EQ(bConverted, c.bReadable) << static_cast<LPCTSTR>(outcome.sMessage);
        EXPECT_EQ(bLoaded, bConverted);
        EXPECT_EQ(bTransformed, bConverted);
        nAgreed += bLoaded == bConverted && bTransformed == bConverted;
        if (!bLoaded || !bConverted)
            continue;
        // The DIB's picture, written as it holds it, read by the converter.
        ASSERT_TRUE(dib.Write(PathOf("held.bmp").c_str()));
        std::string sHeldRows;
        ASSERT_TRUE(Convert(PathOf("held.bmp"), sHeldRows));
        EXPECT_EQ(sHeldRows.size(), sRows.size());
        EXPECT_TRUE(sHeldRows == sRows);
        nPicturesEqual += sHeldRows == sRows;
    }
    std::printf("%zu files (%zu layouts, %zu hostile): %d verdicts agree, %d pictures equal\n",
                cases.size(), nLayouts, cases.size() - nLayouts, nAgreed, nPicturesEqual);
    EXPECT_EQ(nPicturesEqual, static_cast<int>(nLayouts));
}

#ifndef _WIN32
// The bitmap file's reader refuses a file the same way whether it reads the rows in place (a
// file) or holds the whole image (a pipe): the same code and the same text, for every hostile
// file and for pictures too big for a JPEG that are also cut short.
TEST_F(BitmapVerdictTest, AFileAndAPipeGiveTheSameRefusal) {
    signal(SIGPIPE, SIG_IGN);  // a refusal closes the pipe before the feeder is done
    auto refusal = [&](const std::string& sPath) {
        COXBitmapFile bitmap{CString(sPath.c_str())};
        COXJPEGImageFile jpeg{CString(PathOf("out.jpg").c_str())};
        COXJPEGEncoder encoder;
        const RunEnding ending = EndingOf([&] { encoder.DoCompress(&bitmap, &jpeg); });
        return ending.nCode != 0 ? std::to_string(ending.nCode) + " " + ending.sMessage
                                 : std::string("converted");
    };
    std::vector<Case> cases = HostileFiles();
    const std::string s24 = BuildBmp(Shape(40, 24));
    cases.push_back(
        {"wider than a JPEG, cut short", Patched(s24, 18, 70000).substr(0, 100), false});
    cases.push_back(
        {"taller than a JPEG, cut short", Patched(s24, 22, 70000).substr(0, 100), false});
    cases.push_back({"a pixel area of 4 GB, cut short",
                     Patched(Patched(s24, 18, 60000), 22, 25000).substr(0, 100), false});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        WriteFile(PathOf("in.bmp"), c.sBytes);
        const std::string sFromFile = refusal(PathOf("in.bmp"));
        Fifo fifo(PathOf("pipe.bmp"));
        fifo.Feed(c.sBytes);
        EXPECT_EQ(refusal(PathOf("pipe.bmp")), sFromFile);
    }
}
#endif
