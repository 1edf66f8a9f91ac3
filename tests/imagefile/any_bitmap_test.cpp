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
#include "tests/support/bmp_builder.h"
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

void Put(std::string& s, unsigned nValue, int nBytes) {
    for (int i = 0; i < nBytes; ++i)
        s.push_back(static_cast<char>((nValue >> (8 * i)) & 0xFF));
}

struct Spec {
    Spec(const char* pszName_, int nInfoSize_ = 40, int nBits_ = 24, unsigned nCompression_ = 0,
         bool bTopDown_ = false, int nColours_ = 8, std::vector<unsigned> masks_ = {},
         bool bMasksAfterHeader_ = false)
        : pszName(pszName_),
          nInfoSize(nInfoSize_),
          nBits(nBits_),
          nCompression(nCompression_),
          bTopDown(bTopDown_),
          nColours(nColours_),
          masks(std::move(masks_)),
          bMasksAfterHeader(bMasksAfterHeader_) {}
    const char* pszName;
    int nInfoSize;
    int nBits;
    unsigned nCompression;
    bool bTopDown;
    int nColours;
    std::vector<unsigned> masks;  // red, green, blue; in the header from 52 bytes on
    bool bMasksAfterHeader;
};

// One row of pixels as the file stores it (not for run-length files).
std::string PixelRow(const Spec& spec, int y) {
    std::string row;
    unsigned nBitBuffer = 0;
    int nBitCount = 0;
    for (int x = 0; x < kWidth; ++x) {
        const int nIndex = IndexAt(x, y, spec.nColours);
        const unsigned c = ColourOf(nIndex);
        const unsigned r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
        if (spec.nBits <= 8) {
            nBitBuffer = (nBitBuffer << spec.nBits) | static_cast<unsigned>(nIndex);
            nBitCount += spec.nBits;
            if (nBitCount == 8)
                row.push_back(static_cast<char>(nBitBuffer)), nBitBuffer = 0, nBitCount = 0;
        } else if (spec.nBits == 24) {
            Put(row, b | (g << 8) | (r << 16), 3);
        } else {
            const std::vector<unsigned> m =
                spec.masks.empty()
                    ? (spec.nBits == 16 ? std::vector<unsigned>{0x7C00, 0x3E0, 0x1F}
                                        : std::vector<unsigned>{0xFF0000, 0xFF00, 0xFF})
                    : spec.masks;
            unsigned v = spec.nBits == 32 && spec.masks.empty() ? 0x5A000000u : 0;  // junk alpha
            const unsigned channel[3] = {r, g, b};
            for (int i = 0; i < 3; ++i)
                v |= channel[i] ? m[i] : 0;
            Put(row, v, spec.nBits / 8);
        }
    }
    if (nBitCount > 0)
        row.push_back(static_cast<char>(nBitBuffer << (8 - nBitCount)));
    while (row.size() % 4 != 0)
        row.push_back('\0');
    return row;
}

// Run-length rows, bottom first: runs, an absolute stretch, the blank row skipped by a move.
std::string RunLengthData(const Spec& spec) {
    std::string s;
    const bool bFour = spec.nBits == 4;
    for (int y = kHeight - 1; y >= 0; --y) {
        if (y == 3) {
            s += std::string("\0\x02\0\x01", 4);  // move up one row, the row stays colour 0
            continue;
        }
        // The first five pixels as they are, the rest pixel by pixel as runs of one.
        const int nAbsolute = 5;
        s += std::string(1, '\0') + static_cast<char>(nAbsolute);
        std::string stretch;
        for (int x = 0; x < nAbsolute; ++x) {
            const int i = IndexAt(x, y, spec.nColours);
            if (!bFour)
                stretch.push_back(static_cast<char>(i));
            else if (x % 2 == 0)
                stretch.push_back(static_cast<char>(i << 4));
            else
                stretch.back() = static_cast<char>(stretch.back() | i);
        }
        if (stretch.size() % 2 != 0)
            stretch.push_back('\0');
        s += stretch;
        for (int x = nAbsolute; x < kWidth; ++x) {
            const int i = IndexAt(x, y, spec.nColours);
            s += std::string(1, '\x01') + static_cast<char>(bFour ? (i << 4) | i : i);
        }
        s += std::string("\0\0", 2);  // end of line
    }
    return s + std::string("\0\x01", 2);
}

std::string Build(const Spec& spec) {
    const bool bOS2Small = spec.nInfoSize == 12;
    const int nEntry = bOS2Small ? 3 : 4;
    const int nPalette = spec.nBits <= 8 ? (1 << spec.nBits) : 0;
    std::string pixels;
    if (spec.nCompression == 1 || spec.nCompression == 2) {
        pixels = RunLengthData(spec);
    } else {
        for (int r = 0; r < kHeight; ++r)
            pixels += PixelRow(spec, spec.bTopDown ? r : kHeight - 1 - r);
    }
    std::string info;
    Put(info, static_cast<unsigned>(spec.nInfoSize), 4);
    if (bOS2Small) {
        Put(info, kWidth, 2), Put(info, kHeight, 2), Put(info, 1, 2), Put(info, spec.nBits, 2);
    } else {
        Put(info, kWidth, 4);
        Put(info, static_cast<unsigned>(spec.bTopDown ? -kHeight : kHeight), 4);
        Put(info, 1, 2), Put(info, spec.nBits, 2), Put(info, spec.nCompression, 4);
        Put(info, static_cast<unsigned>(pixels.size()), 4);
        Put(info, 2835, 4), Put(info, 2835, 4), Put(info, 0, 4), Put(info, 0, 4);
        if (spec.nInfoSize >= 52 && !spec.masks.empty())
            for (unsigned m : spec.masks)
                Put(info, m, 4);
        info.resize(static_cast<std::size_t>(spec.nInfoSize), '\0');
    }
    std::string extra;
    if (spec.bMasksAfterHeader)
        for (unsigned m : spec.masks)
            Put(extra, m, 4);
    for (int i = 0; i < nPalette; ++i) {
        const unsigned c = i < spec.nColours ? ColourOf(i) : 0;
        Put(extra, ((c >> 16) << 16) | (c & 0xFF00) | (c & 0xFF), nEntry);
    }
    std::string file = "BM";
    const unsigned nOffset = 14 + static_cast<unsigned>(info.size() + extra.size());
    Put(file, nOffset + static_cast<unsigned>(pixels.size()), 4), Put(file, 0, 4);
    Put(file, nOffset, 4);
    return file + info + extra + pixels;
}

// The picture as the plain 24-bit bitmap the classic reader takes; a header too short for the
// resolution gives a JPEG without it.
std::string Plain24(int nColours, bool bResolution = true) {
    Spec spec{"plain"};
    spec.nColours = nColours;
    std::string s = Build(spec);
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
        try {
            encoder.DoCompress(pSource.get(), &jpeg);
        } catch (COXJPEGException* e) {
            const int nCode = e->m_nErrorCode;
            e->Delete();
            return "error " + std::to_string(nCode);
        }
        return ReadFile(PathOf("out.jpg"));
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
    const std::vector<unsigned> k565 = {0xF800, 0x07E0, 0x001F};
    const std::vector<unsigned> kBGRA = {0x0000FF00, 0x00FF0000, 0xFF000000};
    Spec specs[] = {
        {"1-bit", 40, 1, 0, false, 2},
        {"4-bit", 40, 4},
        {"4-bit OS/2 2.x, 16-byte header", 16, 4},
        {"4-bit OS/2 2.x, 64-byte header", 64, 4},
        {"1-bit OS/2 1.x", 12, 1, 0, false, 2},
        {"8-bit top-down", 40, 8, 0, true},
        {"16-bit 5-5-5", 40, 16},
        {"16-bit 5-6-5 masks after the header", 40, 16, 3, false, 8, k565, true},
        {"16-bit 5-6-5, 108-byte header", 108, 16, 3, false, 8, k565},
        {"24-bit top-down", 40, 24, 0, true},
        {"24-bit, 124-byte header", 124, 24},
        {"32-bit BGRX", 40, 32},
        {"32-bit masks, 52-byte header", 52, 32, 3, false, 8, kBGRA},
        {"32-bit masks, 56-byte header", 56, 32, 3, false, 8, {0xFF0000, 0xFF00, 0xFF}},
        {"RLE8", 40, 8, 1},
        {"RLE4", 40, 4, 2},
    };
    for (const Spec& spec : specs) {
        SCOPED_TRACE(spec.pszName);
        const std::string sExpected =
            WithClassicReader(Plain24(spec.nColours, spec.nInfoSize >= 32));
        ASSERT_EQ(sExpected.substr(0, 2), "\xFF\xD8");
        EXPECT_EQ(WithAnyReader(Build(spec)), sExpected);
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
    std::string sBrokenRle = Build({"RLE8", 40, 8, 1});
    sBrokenRle.resize(sBrokenRle.size() - 2);  // no end-of-picture mark
    std::string sOverflowRle = Build({"RLE8", 40, 8, 1});
    sOverflowRle[14 + 40 + 256 * 4 + 1] = 20;  // a stretch longer than the row
    const struct {
        const char* pszWhat;
        std::string sBmp;
        int nCode;
    } cases[] = {
        {"embedded JPEG", with(s24, 30, 4), BMP_ERR_EMBEDDED_JPEG},
        {"embedded PNG", with(s24, 30, 5), BMP_ERR_EMBEDDED_PNG},
        {"OS/2 Huffman", with(Build({"os2", 64, 1, 0, false, 2}), 30, 3), BMP_ERR_OS2_COMPRESSION},
        {"run-length data without its end", sBrokenRle, BMP_ERR_BAD_RLE},
        {"a stretch beyond the row", sOverflowRle, BMP_ERR_BAD_RLE},
        {"overlapping masks", Build({"m", 40, 16, 3, false, 8, {0xF800, 0x0FE0, 0x001F}, true}),
         BMP_ERR_BIT_FIELDS},
        {"cut in the pixels", Build({"cut", 40, 16}).substr(0, 100), JERR_INPUT_EOF},
        {"2 bits per pixel", with(s24, 28, 0x10002), BMP_ERR_BIT_COUNT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(WithAnyReader(c.sBmp), "error " + std::to_string(c.nCode));
    }
}
