// Hostile and corrupt input: the fuzzers' findings replayed, JPEG headers that promise more than
// a bitmap can hold, and JPEG files cut or damaged anywhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
    } targets[] = {{"bitmap", FuzzBitmapToJpeg},
                   {"any_bitmap", FuzzAnyBitmapToJpeg},
                   {"jpeg", FuzzJpegToBitmap},
                   {"dib", FuzzDib},
                   {"path_record", FuzzPathRecords}};
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
