// Reading hostile and malformed bitmaps: every check ends the run with its own orderly error
// before memory is committed, and the nothing-lost rule holds for each.
#include <gtest/gtest.h>

#include <string>

#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/bitmap_file.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

class BitmapReadTest : public TempDirTest {
protected:
    // Compresses sBmp over an existing JPEG; returns the exception's text, or "" on success.
    std::string Compress(const std::string& sBmp) {
        const std::string sIn = PathOf("in.bmp"), sOut = PathOf("out.jpg");
        WriteFile(sIn, sBmp);
        WriteFile(sOut, "precious");
        COXBitmapFile bitmap{CString(sIn.c_str())};
        COXJPEGImageFile jpeg{CString(sOut.c_str())};
        COXJPEGEncoder encoder;
        std::string sMessage;
        try {
            encoder.DoCompress(&bitmap, &jpeg);
        } catch (COXJPEGException* e) {
            sMessage = static_cast<LPCTSTR>(e->m_sMessage);
            e->Delete();
        }
        return sMessage;
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

TEST_F(BitmapReadTest, HeaderChecksGiveTheirCodes) {
    const struct {
        const char* pszWhat;
        std::string sBmp;
        const char* pszMessage;
    } cases[] = {
        {"wrong magic", "BA" + Valid().substr(2), "Bogus message code 1007"},
        {"bit count 4", [&] { auto s = Valid(); PutLE16(s, 28, 4); return s; }(), "Bogus message code 1002"},
        {"bit count 32", [&] { auto s = Valid(); PutLE16(s, 28, 32); return s; }(), "Bogus message code 1002"},
        {"OS/2 bit count 1", [&] { auto s = Valid(24, true); PutLE16(s, 24, 1); return s; }(), "Bogus message code 1002"},
        {"planes 2", [&] { auto s = Valid(); PutLE16(s, 26, 2); return s; }(), "Bogus message code 1004"},
        {"run-length encoded", [&] { auto s = Valid(8); PutLE32(s, 30, 1); return s; }(), "Bogus message code 1006"},
        {"header length 8", [&] { auto s = Valid(); PutLE32(s, 14, 8); return s; }(), "Bogus message code 1003"},
        {"header length 52", [&] { auto s = Valid(); PutLE32(s, 14, 52); return s; }(), "Bogus message code 1003"},
        {"header length 65", [&] { auto s = Valid(); PutLE32(s, 14, 65); return s; }(), "Bogus message code 1003"},
        {"300 colours", [&] { auto s = Valid(8); PutLE32(s, 46, 300); return s; }(), "Bogus message code 1001"},
        {"offset inside the map", [&] { auto s = Valid(8); PutLE32(s, 10, 54 + 100); return s; }(), "Bogus message code 1003"},
        {"OS/2 offset below its 768-byte map", [&] { auto s = Valid(8, true); PutLE32(s, 10, 26 + 700); return s; }(), "Bogus message code 1003"},
        {"zero width", [&] { auto s = Valid(); PutLE32(s, 18, 0); return s; }(), "Bogus message code 1003"},
        {"zero height", [&] { auto s = Valid(); PutLE32(s, 22, 0); return s; }(), "Bogus message code 1003"},
        {"top-down", [&] { auto s = Valid(); PutLE32(s, 22, static_cast<std::uint32_t>(-23)); return s; }(), "Bogus message code 1003"},
        {"OS/2 zero width", [&] { auto s = Valid(24, true); PutLE16(s, 18, 0); return s; }(), "Bogus message code 1003"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(Compress(c.sBmp), c.pszMessage);
        ExpectNothingLost();
    }
}

TEST_F(BitmapReadTest, TruncationAnywhereIsAPrematureEnd) {
    const std::string s8 = Valid(8);
    // In the file header, the info header, the colour map, the gap and the pixel area.
    for (std::size_t nLength : {std::size_t{0}, std::size_t{10}, std::size_t{16}, std::size_t{40},
                                std::size_t{54 + 500}, s8.size() - 1}) {
        SCOPED_TRACE(nLength);
        EXPECT_EQ(Compress(s8.substr(0, nLength)), "Premature end of input file");
        ExpectNothingLost();
    }
    std::string sGap = Valid();
    PutLE32(sGap, 10, 54 + 4000);  // the pixel data would start beyond the end
    EXPECT_EQ(Compress(sGap), "Premature end of input file");
    // Cut inside a colour map whose pixel offset is also too small: the map is read first.
    std::string sCutMap = Valid(8, true);
    PutLE32(sCutMap, 10, 26 + 700);
    EXPECT_EQ(Compress(sCutMap.substr(0, 26 + 300)), "Premature end of input file");
}

TEST_F(BitmapReadTest, ResolutionFieldsAreUnsigned) {
    const struct {
        std::uint32_t nPelsPerMeter;
        int nUnit;
        unsigned nDensity;  // the JFIF density the JPEG carries
    } cases[] = {
        {3780, 2, 37},
        {0, 0, 1},                                              // no resolution: JFIF's 1:1
        {3000000000u, 2, static_cast<UINT16>(3000000000u / 100)},  // not a negative number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nPelsPerMeter);
        BmpShape shape;
        shape.nXPelsPerMeter = shape.nYPelsPerMeter = static_cast<std::int32_t>(c.nPelsPerMeter);
        ASSERT_EQ(Compress(BuildBmp(shape)), "");
        const std::string sJpeg = ReadFile(PathOf("out.jpg"));
        ASSERT_EQ(sJpeg.compare(6, 5, std::string("JFIF\0", 5)), 0);
        EXPECT_EQ(static_cast<unsigned char>(sJpeg[13]), c.nUnit);
        EXPECT_EQ((static_cast<unsigned char>(sJpeg[14]) << 8) | static_cast<unsigned char>(sJpeg[15]),
                  static_cast<int>(c.nDensity));
    }
}

TEST_F(BitmapReadTest, HugeDimensionsTheFileCannotHoldAreRejected) {
    // The pixel area these headers promise is far larger than the file; no gigabytes are asked for.
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {
        {0x7FFFFFFF, 1}, {1, 0x7FFFFFFF}, {65000, 65000}, {0x55555556, 3}};
    for (const auto& [nWidth, nHeight] : sizes) {
        SCOPED_TRACE(std::to_string(nWidth) + " x " + std::to_string(nHeight));
        std::string s = Valid();
        PutLE32(s, 18, nWidth);
        PutLE32(s, 22, nHeight);
        const std::string sMessage = Compress(s);
        EXPECT_TRUE(sMessage == "Premature end of input file" || sMessage == "Bogus message code 1003")
            << sMessage;
        ExpectNothingLost();
    }
}

TEST_F(BitmapReadTest, ColourIndexBeyondTheMapIsRejected) {
    BmpShape shape;
    shape.nBitsPerPixel = 8;
    shape.nColors = 16;
    std::string s = BuildBmp(shape);
    EXPECT_EQ(Compress(s), "");
    s[s.size() - 4] = static_cast<char>(200);
    EXPECT_EQ(Compress(s), "Bogus message code 1012");
    ExpectNothingLost();
}

TEST_F(BitmapReadTest, ThreePixelRowsArePaddedToTwelveBytes) {
    BmpShape shape;
    shape.nWidth = 3;
    shape.nHeight = 2;
    const std::string s = BuildBmp(shape);
    ASSERT_EQ(s.size(), 54u + 2 * 12);
    EXPECT_EQ(Compress(s), "");
    EXPECT_EQ(Compress(s.substr(0, s.size() - 1)), "Premature end of input file");
}
