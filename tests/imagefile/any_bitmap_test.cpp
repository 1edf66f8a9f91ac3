// Every bitmap layout the command line reads, built here from one picture: each gives the JPEG
// that the same picture as a plain 24-bit bitmap gives; what cannot be read is refused by code.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/any_bitmap_file.h"
#include "imagefile/bitmap_file.h"
#include "imagefile/bitmap_layout.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/run_ending.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kWidth = 13;  // odd: padded rows, half-filled bytes
constexpr int kHeight = 7;

// Eight colours every depth holds exactly: each channel 0 or 255.
unsigned ColourOf(int nIndex) {
    return ((nIndex & 1) ? 0xFF0000u : 0) | ((nIndex & 2) ? 0x00FF00u : 0) |
           ((nIndex & 4) ? 0x0000FFu : 0);
}
// The picture, top row first; row 3 is all colour 0 (run-length files skip it).
int IndexAt(int x, int y, int nColours) { return y == 3 ? 0 : (x + 2 * y) % nColours; }

// The picture in one layout: nColours of the eight colours, a full colour table.
BmpShape Layout(int nInfoSize, int nBits, unsigned nCompression = 0, bool bTopDown = false,
                int nColours = 8, std::vector<std::uint32_t> masks = {}) {
    BmpShape shape = ShapeOf(nInfoSize, kWidth, kHeight, nBits, nCompression);
    shape.bTopDown = bTopDown;
    shape.masks = std::move(masks);
    if (nInfoSize != 12)
        shape.nXPelsPerMeter = shape.nYPelsPerMeter = 2835;
    shape.indexAt = [nColours](int x, int y) { return IndexAt(x, y, nColours); };
    shape.tableColour = [nColours](int i) { return i < nColours ? ColourOf(i) : 0u; };
    shape.colourAt = [nColours](int x, int y) { return ColourOf(IndexAt(x, y, nColours)); };
    return shape;
}

// The picture as the plain 24-bit bitmap the classic reader takes; a header too short for the
// resolution gives a JPEG without it.
std::string Plain24(int nColours, bool bResolution = true) {
    std::string s = BuildBmp(Layout(40, 24, 0, false, nColours));
    if (!bResolution)
        PutLE32(s, 38, 0), PutLE32(s, 42, 0);
    return s;
}

class AnyBitmapTest : public TempDirTest {
protected:
    // The JPEG of sBmp read by the reader made by makeSource, or the error code as text.
    std::string Compress(const std::string& sBmp,
                         const std::function<COXImageFile*(CString)>& makeSource) {
        WriteFile(PathOf("in.bmp"), sBmp);
        std::unique_ptr<COXImageFile> pSource(makeSource(PathOf("in.bmp").c_str()));
        COXJPEGImageFile jpeg{CString(PathOf("out.jpg").c_str())};
        COXJPEGEncoder encoder;
        const RunEnding ending = EndingOf([&] { encoder.DoCompress(pSource.get(), &jpeg); });
        return ending.nCode != 0 ? "error " + std::to_string(ending.nCode)
                                 : ReadFile(PathOf("out.jpg"));
    }
    std::string WithAnyReader(const std::string& sBmp) {
        return Compress(sBmp, [](CString s) { return new COXAnyBitmapFile(s); });
    }
    std::string WithClassicReader(const std::string& sBmp) {
        return Compress(sBmp, [](CString s) { return new COXBitmapFile(s); });
    }
};

}  // namespace

TEST_F(AnyBitmapTest, EveryLayoutGivesThePlainBitmapsJpeg) {
    const std::vector<std::uint32_t> k565 = {0xF800, 0x07E0, 0x001F};
    const std::vector<std::uint32_t> kBGRA = {0x0000FF00, 0x00FF0000, 0xFF000000};
    const struct {
        const char* pszName;
        BmpShape shape;
        int nColours;
    } cases[] = {
        {"1-bit", Layout(40, 1, 0, false, 2), 2},
        {"4-bit", Layout(40, 4), 8},
        {"4-bit OS/2 2.x, 16-byte header", Layout(16, 4), 8},
        {"4-bit OS/2 2.x, 64-byte header", Layout(64, 4), 8},
        {"1-bit OS/2 1.x", Layout(12, 1, 0, false, 2), 2},
        {"8-bit top-down", Layout(40, 8, 0, true), 8},
        {"16-bit 5-5-5", Layout(40, 16), 8},
        {"16-bit 5-6-5 masks after the header", Layout(40, 16, 3, false, 8, k565), 8},
        {"16-bit 5-6-5, 108-byte header", Layout(108, 16, 3, false, 8, k565), 8},
        {"24-bit top-down", Layout(40, 24, 0, true), 8},
        {"24-bit, 124-byte header", Layout(124, 24), 8},
        {"32-bit BGRX", Layout(40, 32), 8},
        {"32-bit masks, 52-byte header", Layout(52, 32, 3, false, 8, kBGRA), 8},
        {"32-bit masks, 56-byte header", Layout(56, 32, 3, false, 8, {0xFF0000, 0xFF00, 0xFF}), 8},
        {"RLE8", Layout(40, 8, 1), 8},
        {"RLE4", Layout(40, 4, 2), 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        const std::string sExpected =
            WithClassicReader(Plain24(c.nColours, c.shape.nInfoSize >= 32));
        ASSERT_EQ(sExpected.substr(0, 2), "\xFF\xD8");
        EXPECT_EQ(WithAnyReader(BuildBmp(c.shape)), sExpected);
        EXPECT_FALSE(IsClassicBitmapLayout(PathOf("in.bmp").c_str()));
    }
    // What the classic reader takes stays with it.
    WriteFile(PathOf("classic.bmp"), Plain24(8));
    EXPECT_TRUE(IsClassicBitmapLayout(PathOf("classic.bmp").c_str()));
}

TEST_F(AnyBitmapTest, WhatCannotBeReadIsRefusedWithItsCode) {
    const auto with = [](std::string s, std::size_t nOffset, unsigned nValue) {
        PutLE32(s, nOffset, nValue);
        return s;
    };
    const std::string s24 = Plain24(8);
    std::string sBrokenRle = BuildBmp(Layout(40, 8, 1));
    sBrokenRle.resize(sBrokenRle.size() - 2);  // no end-of-picture mark
    std::string sOverflowRle = BuildBmp(Layout(40, 8, 1));
    sOverflowRle[14 + 40 + 256 * 4 + 1] = 20;  // a stretch longer than the row
    const struct {
        const char* pszWhat;
        std::string sBmp;
        int nCode;
    } cases[] = {
        {"embedded JPEG", with(s24, 30, 4), BMP_ERR_EMBEDDED_JPEG},
        {"embedded PNG", with(s24, 30, 5), BMP_ERR_EMBEDDED_PNG},
        {"OS/2 Huffman", with(BuildBmp(Layout(64, 1, 0, false, 2)), 30, 3),
         BMP_ERR_OS2_COMPRESSION},
        {"run-length data without its end", sBrokenRle, BMP_ERR_BAD_RLE},
        {"a stretch beyond the row", sOverflowRle, BMP_ERR_BAD_RLE},
        {"overlapping masks", BuildBmp(Layout(40, 16, 3, false, 8, {0xF800, 0x0FE0, 0x001F})),
         BMP_ERR_BIT_FIELDS},
        {"cut in the pixels", BuildBmp(Layout(40, 16)).substr(0, 100), JERR_INPUT_EOF},
        {"2 bits per pixel", with(s24, 28, 0x10002), BMP_ERR_BIT_COUNT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(WithAnyReader(c.sBmp), "error " + std::to_string(c.nCode));
    }
}
