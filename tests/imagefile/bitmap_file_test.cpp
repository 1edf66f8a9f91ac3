// Reading hostile and malformed bitmaps: every check ends the run with its own orderly error
// before memory is committed, and the nothing-lost rule holds for each.
#include <gtest/gtest.h>

#include <string>

#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "tests/support/bitmap_cases.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/run_ending.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

class BitmapReadTest : public TempDirTest {
protected:
    // Compresses sBmp over an existing JPEG.
    RunEnding Run(const std::string& sBmp) {
        const std::string sIn = PathOf("in.bmp"), sOut = PathOf("out.jpg");
        WriteFile(sIn, sBmp);
        WriteFile(sOut, "precious");
        COXBitmapFile bitmap{CString(sIn.c_str())};
        COXJPEGImageFile jpeg{CString(sOut.c_str())};
        COXJPEGEncoder encoder;
        return EndingOf([&] { encoder.DoCompress(&bitmap, &jpeg); });
    }

    // Runs sBmp and expects it to fail with nCode, losing nothing.
    void ExpectRefused(const std::string& sBmp, int nCode) {
        const RunEnding ending = Run(sBmp);
        EXPECT_EQ(ending.nCode, nCode) << ending.sMessage;
        ExpectNothingLost();
    }

    // A failed run leaves the old destination as it was and nothing else behind.
    void ExpectNothingLost() {
        EXPECT_EQ(ReadFile(PathOf("out.jpg")), "precious");
        EXPECT_EQ(ListFolder(m_sDir).size(), 2u);
    }

    std::string Valid(int nBits = 24, bool bOS2 = false) {
        BmpShape shape;
        shape.nBitsPerPixel = nBits;
        shape.bOS2 = bOS2;
        return BuildBmp(shape);
    }
};

}  // namespace

// The bitmap file's own reader takes its layouts and refuses every other layout and every
// hostile file with its code, losing nothing.
TEST_F(BitmapReadTest, HeaderChecksGiveTheirCodes) {
    for (const BitmapLayoutCase& c : EveryBitmapLayout()) {
        SCOPED_TRACE(c.pszWhat);
        if (c.nClassicCode == 0)
            EXPECT_EQ(Run(BuildBmp(c.shape)).nCode, 0);
        else
            ExpectRefused(BuildBmp(c.shape), c.nClassicCode);
    }
    for (const HostileBitmapCase& c : HostileBitmaps()) {
        SCOPED_TRACE(c.pszWhat);
        ExpectRefused(c.sBytes, c.nClassicCode);
    }
    // The bitmap file's own codes have no text in libjpeg's table.
    EXPECT_EQ(Run("BA" + Valid().substr(2)).sMessage, "Bogus message code 1007");
}

TEST_F(BitmapReadTest, TruncationAnywhereIsAPrematureEnd) {
    const std::string s8 = Valid(8);
    // In the file header, the info header, the colour map, the gap and the pixel area.
    for (std::size_t nLength : {std::size_t{0}, std::size_t{10}, std::size_t{16}, std::size_t{40},
                                std::size_t{54 + 500}, s8.size() - 1}) {
        SCOPED_TRACE(nLength);
        ExpectRefused(s8.substr(0, nLength), JERR_INPUT_EOF);
    }
    // The pixel data would start beyond the end.
    ExpectRefused(WithLE32(Valid(), 10, 54 + 4000), JERR_INPUT_EOF);
    // Cut inside a colour map whose pixel offset is also too small: the map is read first.
    ExpectRefused(WithLE32(Valid(8, true), 10, 26 + 700).substr(0, 26 + 300), JERR_INPUT_EOF);
    EXPECT_EQ(Run(s8.substr(0, 10)).sMessage, "Premature end of input file");
}

TEST_F(BitmapReadTest, ResolutionFieldsAreUnsigned) {
    const struct {
        std::uint32_t nPelsPerMeter;
        int nUnit;
        unsigned nDensity;  // the JFIF density the JPEG carries
    } cases[] = {
        {3780, 2, 37},
        {0, 0, 1},                                                 // no resolution: JFIF's 1:1
        {3000000000u, 2, static_cast<UINT16>(3000000000u / 100)},  // not a negative number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nPelsPerMeter);
        BmpShape shape;
        shape.nXPelsPerMeter = shape.nYPelsPerMeter = static_cast<std::int32_t>(c.nPelsPerMeter);
        ASSERT_EQ(Run(BuildBmp(shape)).nCode, 0);
        const std::string sJpeg = ReadFile(PathOf("out.jpg"));
        ASSERT_EQ(sJpeg.compare(6, 5, std::string("JFIF\0", 5)), 0);
        EXPECT_EQ(static_cast<unsigned char>(sJpeg[13]), c.nUnit);
        EXPECT_EQ(GetBE16(sJpeg, 14), c.nDensity);
    }
}

TEST_F(BitmapReadTest, HugeDimensionsTheFileCannotHoldAreRejected) {
    // The pixel area these headers promise is far larger than the file; no gigabytes are asked
    // for. A side beyond a JPEG's, or an area beyond a bitmap's 32-bit sizes, is too large; a
    // picture a JPEG could hold is a file cut short.
    const struct {
        std::uint32_t nWidth, nHeight;
        int nCode;
    } cases[] = {{0x7FFFFFFF, 1, BMP_ERR_TOO_LARGE},
                 {1, 0x7FFFFFFF, BMP_ERR_TOO_LARGE},
                 {65000, 65000, BMP_ERR_TOO_LARGE},
                 {0x55555556, 3, BMP_ERR_TOO_LARGE},
                 {20000, 20000, JERR_INPUT_EOF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.nWidth) + " x " + std::to_string(c.nHeight));
        const RunEnding ending = Run(WithLE32(WithLE32(Valid(), 18, c.nWidth), 22, c.nHeight));
        EXPECT_EQ(ending.nCode, c.nCode) << ending.sMessage;
        ExpectNothingLost();
    }
}

TEST_F(BitmapReadTest, ColourIndexBeyondTheMapIsRejected) {
    BmpShape shape;
    shape.nBitsPerPixel = 8;
    shape.nColors = 16;
    std::string s = BuildBmp(shape);
    EXPECT_EQ(Run(s).nCode, 0);
    s[s.size() - 4] = static_cast<char>(200);
    ExpectRefused(s, BMP_ERR_COLOR_INDEX);
}

TEST_F(BitmapReadTest, ThreePixelRowsArePaddedToTwelveBytes) {
    BmpShape shape;
    shape.nWidth = 3;
    shape.nHeight = 2;
    const std::string s = BuildBmp(shape);
    ASSERT_EQ(s.size(), 54u + 2 * 12);
    EXPECT_EQ(Run(s).nCode, 0);
    EXPECT_EQ(Run(s.substr(0, s.size() - 1)).nCode, JERR_INPUT_EOF);
}
