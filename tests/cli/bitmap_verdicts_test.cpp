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
#include "tests/support/bitmap_cases.h"
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

struct Case {
    const char* pszWhat;
    std::string sBytes;
    bool bReadable;
};

std::vector<Case> EveryLayout() {
    std::vector<Case> cases;
    for (const BitmapLayoutCase& c : EveryBitmapLayout())
        cases.push_back({c.pszWhat, BuildBmp(c.shape), true});
    return cases;
}

std::vector<Case> HostileFiles() {
    std::vector<Case> cases;
    for (HostileBitmapCase& c : HostileBitmaps())
        cases.push_back({c.pszWhat, std::move(c.sBytes), false});
    return cases;
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
    const std::string s24 = BuildBmp(ShapeOf(40, 11, 6, 24));
    // The first 100 bytes of a picture of this size.
    const auto cutShort = [&s24](std::uint32_t nWidth, std::uint32_t nHeight) {
        std::string s = s24;
        PutLE32(s, 18, nWidth);
        PutLE32(s, 22, nHeight);
        return s.substr(0, 100);
    };
    cases.push_back({"wider than a JPEG, cut short", cutShort(70000, 6), false});
    cases.push_back({"taller than a JPEG, cut short", cutShort(11, 70000), false});
    cases.push_back({"a pixel area of 4 GB, cut short", cutShort(60000, 25000), false});
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
