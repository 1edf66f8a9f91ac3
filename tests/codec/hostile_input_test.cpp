// Hostile and corrupt input: the fuzzers' findings replayed, JPEG headers that promise more than
// a bitmap can hold, JPEG files cut or damaged anywhere, and Exif data that lies.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codec/exif.h"
#include "fuzz/fuzz_targets.h"
#include "tests/codec/conversion_fixture.h"

namespace fs = std::filesystem;

namespace {

const std::string kFuzzData = std::string(TARNEL_TEST_DATA_DIR) + "/fuzz";

class HostileInputTest : public ConversionTest {
protected:
    // Decodes sJpeg; the run either fails with a message or writes a whole bitmap: of nFullSize
    // bytes, or, when the damage changed the picture's size, of the size its header states.
    void ExpectErrorOrFullBitmap(const std::string& sJpeg, std::size_t nFullSize,
                                 const std::string& sWhat) {
        WriteFile(PathOf("bad.jpg"), sJpeg);
        fs::remove(PathOf("bad.bmp"));
        const RunOutcome outcome = Decompress(PathOf("bad.jpg"), PathOf("bad.bmp"));
        if (outcome.nResult < 0) {
            EXPECT_FALSE(outcome.sMessage.empty()) << sWhat;
            EXPECT_FALSE(Exists(PathOf("bad.bmp"))) << sWhat;
        } else if (nFullSize != 0) {
            EXPECT_EQ(ReadFile(PathOf("bad.bmp")).size(), nFullSize) << sWhat;
        } else {
            const std::string sBmp = ReadFile(PathOf("bad.bmp"));
            ASSERT_GE(sBmp.size(), 6u) << sWhat;
            EXPECT_EQ(sBmp.size(), GetLE32(sBmp, 2)) << sWhat;
        }
    }
};

}  // namespace

TEST_F(HostileInputTest, EveryKeptFuzzInputRunsCleanly) {
    const struct {
        const char* pszFolder;
        void (*pfnTarget)(const std::uint8_t*, std::size_t);
    } targets[] = {{"bitmap", FuzzBitmapToJpeg},     {"any_bitmap", FuzzAnyBitmapToJpeg},
                   {"jpeg", FuzzJpegToBitmap},       {"dib", FuzzDib},
                   {"path_record", FuzzPathRecords}, {"exif", FuzzExifAndOrientation}};
    int nInputs = 0;
    for (const auto& target : targets) {
        for (const auto& entry : fs::directory_iterator(kFuzzData + "/" + target.pszFolder)) {
            const std::string sBytes = ReadFile(entry.path().string());
            SCOPED_TRACE(entry.path().filename().string());
            target.pfnTarget(reinterpret_cast<const std::uint8_t*>(sBytes.data()), sBytes.size());
            ++nInputs;
        }
    }
    EXPECT_GE(nInputs, 10);
}

TEST_F(HostileInputTest, JpegHeaderPromisingAnImpossibleBitmapIsRefusedAtOnce) {
    // 65000 x 65000 pixels in a few hundred bytes: no bitmap file can hold them.
    const RunOutcome outcome =
        Decompress(kFuzzData + "/jpeg/huge-dimensions.jpg", PathOf("huge.bmp"));
    EXPECT_EQ(outcome.nErrorCode, BMP_ERR_TOO_LARGE) << outcome.sMessage;
    EXPECT_FALSE(Exists(PathOf("huge.bmp")));
}

TEST_F(HostileInputTest, CutOrDamagedJpegsEndInAnErrorOrAFullBitmap) {
    BmpShape shape;
    shape.nWidth = 64;
    shape.nHeight = 48;
    WriteFile(PathOf("pic.bmp"), BuildBmp(shape));
    const std::size_t nFullSize = 54 + 64 * 3 * 48;
    for (const bool bProgressive : {false, true}) {
        COXBitmapFile bitmap{CString(PathOf("pic.bmp").c_str())};
        COXJPEGImageFile jpeg{CString(PathOf("pic.jpg").c_str())};
        COXJPEGEncoder encoder;
        encoder.SetProgressive(bProgressive);
        ASSERT_EQ(encoder.DoCompress(&bitmap, &jpeg), JPEG_SUCCESS);
        const std::string sJpeg = ReadFile(PathOf("pic.jpg"));

        // Cut at every marker and in between.
        std::vector<std::size_t> cuts;
        for (std::size_t i = 0; i + 1 < sJpeg.size(); ++i)
            if (static_cast<unsigned char>(sJpeg[i]) == 0xFF && sJpeg[i + 1] != 0 &&
                static_cast<unsigned char>(sJpeg[i + 1]) != 0xFF)
                cuts.push_back(i), cuts.push_back(i + 2);
        for (std::size_t i = 1; i < 16; ++i)
            cuts.push_back(sJpeg.size() * i / 16);
        for (const std::size_t nCut : cuts)
            ExpectErrorOrFullBitmap(sJpeg.substr(0, nCut), nFullSize,
                                    "cut at " + std::to_string(nCut));

        // Damage single bytes throughout.
        for (std::size_t i = 0; i < sJpeg.size(); i += sJpeg.size() / 40 + 1) {
            std::string sDamaged = sJpeg;
            sDamaged[i] = static_cast<char>(sDamaged[i] ^ 0x5A);
            ExpectErrorOrFullBitmap(sDamaged, 0, "byte " + std::to_string(i) + " flipped");
        }
    }
}

// Exif data as cameras write it and as it may be damaged: only a well-formed Orientation counts.
TEST(ExifTest, OnlyAWellFormedOrientationCounts) {
    // "Exif\0\0", a TIFF header of this byte order, and one directory entry, patched per row.
    const auto exif = [](bool bBig, unsigned nTag, unsigned nType, unsigned nCount, unsigned nValue,
                         unsigned nDirectory = 8, unsigned nEntries = 1) {
        std::string s("Exif\0\0", 6);
        const auto put = [&](unsigned n, int nBytes) {
            for (int i = 0; i < nBytes; ++i)
                s += static_cast<char>(n >> (8 * (bBig ? nBytes - 1 - i : i)));
        };
        s += bBig ? std::string("MM\0*", 4) : std::string("II*\0", 4);
        put(nDirectory, 4);
        put(nEntries, 2);
        put(nTag, 2), put(nType, 2), put(nCount, 4), put(nValue, 2), put(0, 2);
        put(0, 4);
        return s;
    };
    const struct {
        std::string sData;
        int nOrientation;
    } rows[] = {
        {exif(false, 0x0112, 3, 1, 6), 6},
        {exif(true, 0x0112, 3, 1, 8), 8},
        {exif(false, 0x0110, 2, 1, 6), 0},  // another tag only
        {exif(false, 0x0112, 3, 1, 9), 0},  // out of range
        {exif(false, 0x0112, 3, 1, 0), 0},
        {exif(false, 0x0112, 4, 1, 6), 0},                // a long, not a short
        {exif(true, 0x0112, 3, 2, 6), 0},                 // two values
        {exif(false, 0x0112, 3, 1, 6, 0xFFFFFFF0u), 0},   // directory outside the segment
        {exif(false, 0x0110, 3, 1, 6, 8, 4000), 0},       // entries beyond the segment
        {exif(false, 0x0112, 3, 1, 6).substr(0, 20), 0},  // cut inside the entry
        {std::string("Exif\0\0II*", 9), 0},
        {std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42), 0},
        {std::string(), 0},
    };
    for (const auto& row : rows) {
        // A copy of exactly the segment's size, so that a read past it is seen by the sanitizers.
        const std::vector<BYTE> bytes(row.sData.begin(), row.sData.end());
        EXPECT_EQ(ExifOrientation(bytes.data(), bytes.size()), row.nOrientation)
            << row.sData.size();
    }
    // XMP before Exif is passed over; no Exif at all means as stored.
    const std::string sSix = exif(true, 0x0112, 3, 1, 6);
    const std::vector<COXJPEGDecoder::Marker> markers = {
        {JPEG_APP0 + 1, std::vector<BYTE>(rows[11].sData.begin(), rows[11].sData.end())},
        {JPEG_APP0 + 2, std::vector<BYTE>(sSix.begin(), sSix.end())},
        {JPEG_APP0 + 1, std::vector<BYTE>(sSix.begin(), sSix.end())}};
    EXPECT_EQ(OrientationOf(markers), 6);
    EXPECT_EQ(OrientationOf({markers[0], markers[1]}), 1);

    // The header's Exif read before decoding: up to the first scan, every length inside the bytes.
    const auto segment = [](unsigned nMarker, const std::string& sData) {
        const std::size_t n = sData.size() + 2;
        return std::string{'\xFF', static_cast<char>(nMarker), static_cast<char>(n >> 8),
                           static_cast<char>(n)} +
               sData;
    };
    const std::string sSoi("\xFF\xD8", 2), sSos = segment(0xDA, std::string(10, '\0'));
    const std::string sApp1 = segment(0xE1, sSix), sDqt = segment(0xDB, std::string(65, '\1'));
    const struct {
        std::string sStart;
        BOOL bRead;
        int nOrientation;
    } starts[] = {
        {sSoi + segment(0xE0, "JFIF") + sApp1 + sDqt + sSos, TRUE, 6},
        {sSoi + "\xFF\xFF" + sApp1 + "\xFF\xD0" + sSos, TRUE, 6},  // fill byte, a restart
        {sSoi + sDqt + sSos + sApp1, TRUE, 1},                     // after the scan: not read
        {sSoi + "\xFF\xD9", TRUE, 1},
        {sSoi + sApp1.substr(0, 20), FALSE, 1},  // cut inside the segment
        {sSoi + sDqt, FALSE, 1},                 // no scan yet
        {sSoi + "x" + sApp1 + sSos, FALSE, 1},   // a stray byte where a marker must be
        {sSoi + std::string("\xFF\xE1\0\1", 4) + sSos, FALSE, 1},  // length below 2
        {sApp1 + sSos, FALSE, 1},                                  // no start of image
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.sStart.size());
        const std::vector<BYTE> bytes(start.sStart.begin(), start.sStart.end());
        std::vector<COXJPEGDecoder::Marker> segments;
        EXPECT_EQ(ReadHeaderExif(bytes.data(), bytes.size(), segments), start.bRead);
        EXPECT_EQ(OrientationOf(segments), start.nOrientation);
    }
}
