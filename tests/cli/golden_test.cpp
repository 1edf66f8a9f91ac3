// Our output against libjpeg-turbo's own cjpeg and djpeg at equivalent settings: byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/cli/run_cli.h"
#include "tests/support/tools.h"

namespace {

struct GoldenCase {
    const char* pszName;
    std::vector<std::string> ourArgs;
    std::string sPeerArgs;
};

std::string Join(const std::vector<std::string>& args) {
    std::string s;
    for (const auto& a : args)
        s += " " + a;
    return s;
}

class GoldenTest : public TempDirTest {
protected:
    // Compresses sBmp with tarnel-cli and with cjpeg (on sPeerInput when given); both outputs
    // must be identical.
    void ExpectSameJpeg(const std::string& sBmp, const std::vector<std::string>& ourArgs,
                        const std::string& sPeerArgs, const std::string& sPeerInput = "") {
        const std::string sIn = PathOf("in.bmp"), sOurs = PathOf("ours.jpg");
        WriteFile(sIn, sBmp);
        std::vector<std::string> args{"compress", sIn, sOurs, "--yes"};
        args.insert(args.end(), ourArgs.begin(), ourArgs.end());
        std::string sErr;
        // Coarse tables outside baseline are a libjpeg warning (exit 3); the file is written.
        const int nExit = RunTarnelCli(args, nullptr, &sErr);
        ASSERT_TRUE(nExit == 0 || nExit == 3) << sErr;
        const std::string sPeer =
            PeerConvert("cjpeg", sPeerArgs, sPeerInput.empty() ? sBmp : sPeerInput);
        ASSERT_FALSE(sPeer.empty()) << "no answer from cjpeg " << sPeerArgs;
        EXPECT_TRUE(ReadFile(sOurs) == sPeer) << "differs from cjpeg " << sPeerArgs;
    }

    // Decompresses sJpeg with tarnel-cli and with djpeg; both bitmaps must be identical.
    void ExpectSameBmp(const std::string& sJpeg, const std::vector<std::string>& ourArgs,
                       const std::string& sPeerArgs) {
        const std::string sIn = PathOf("in.jpg"), sOurs = PathOf("ours.bmp");
        WriteFile(sIn, sJpeg);
        std::vector<std::string> args{"uncompress", sIn, sOurs, "--yes"};
        args.insert(args.end(), ourArgs.begin(), ourArgs.end());
        std::string sErr;
        ASSERT_EQ(RunTarnelCli(args, nullptr, &sErr), 0) << sErr;
        const std::string sPeer = PeerConvert("djpeg", sPeerArgs, sJpeg);
        ASSERT_FALSE(sPeer.empty()) << "no answer from djpeg " << sPeerArgs;
        EXPECT_TRUE(ReadFile(sOurs) == sPeer) << "differs from djpeg " << sPeerArgs;
    }
};

class CompressGoldenTest : public GoldenTest, public ::testing::WithParamInterface<GoldenCase> {};

const GoldenCase kCompressCases[] = {
    {"Defaults", {}, ""},
    {"Quality50", {"--quality", "50"}, " -quality 50"},
    {"Quality10", {"--quality", "10"}, " -quality 10"},
    {"Quality10Baseline", {"--quality", "10", "--baseline"}, " -quality 10 -baseline"},
    {"Quality100", {"-q", "100"}, " -quality 100"},
    {"Grayscale", {"--grayscale"}, " -grayscale"},
    {"Progressive", {"--progressive"}, " -progressive"},
    {"ProgressiveGrayscale", {"--progressive", "--grayscale"}, " -progressive -grayscale"},
    {"Optimize", {"--optimize"}, " -optimize"},
    {"Smooth", {"--smooth", "40"}, " -smooth 40"},
    {"DctIslow", {"--dct", "islow"}, " -dct int"},
    {"DctIfast", {"--dct", "ifast"}, " -dct fast"},
    {"DctFloat", {"--dct", "float"}, " -dct float"},
    {"Everything",
     {"--quality=85", "--optimize", "--progressive", "--smooth=10", "--dct=float"},
     " -quality 85 -optimize -progressive -smooth 10 -dct float"},
};

INSTANTIATE_TEST_SUITE_P(Options, CompressGoldenTest, ::testing::ValuesIn(kCompressCases),
                         [](const auto& info) { return std::string(info.param.pszName); });

}  // namespace

TEST_P(CompressGoldenTest, MatchesCjpegOnEveryBitmapLayout) {
    const GoldenCase& c = GetParam();
    BmpShape win24;
    win24.nXPelsPerMeter = win24.nYPelsPerMeter = 3780;
    BmpShape win8;
    win8.nBitsPerPixel = 8;
    win8.nColors = 100;
    win8.nWidth = 41;
    BmpShape os2_24;
    os2_24.bOS2 = true;
    os2_24.nWidth = 19;
    BmpShape os2_8;
    os2_8.bOS2 = true;
    os2_8.nBitsPerPixel = 8;
    os2_8.nWidth = 3;
    os2_8.nHeight = 70;
    for (const BmpShape& shape : {win24, win8, os2_24, os2_8}) {
        SCOPED_TRACE("bits " + std::to_string(shape.nBitsPerPixel) +
                     (shape.bOS2 ? " OS/2" : " Windows"));
        ExpectSameJpeg(BuildBmp(shape), c.ourArgs, c.sPeerArgs);
    }
}

TEST_F(GoldenTest, GreyPaletteBitmapMatchesCjpegOnTheSamePictureIn24Bits) {
    // cjpeg turns an all-grey palette into a one-component JPEG; our reader always delivers
    // RGB, which is what cjpeg makes of the same picture stored in 24 bits.
    BmpShape grey;
    grey.nBitsPerPixel = 8;
    grey.bGreyPalette = true;
    grey.nWidth = 3;
    grey.nHeight = 3;
    // The 24-bit twin: each index replaced by its grey colour.
    std::string s8 = BuildBmp(grey);
    BmpShape twin;
    twin.nWidth = 3;
    twin.nHeight = 3;
    std::string s24 = BuildBmp(twin);
    const std::size_t nMap = 54, nPixels8 = nMap + 256 * 4;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            const auto t =
                static_cast<unsigned char>(s8[nPixels8 + static_cast<std::size_t>(y * 4 + x)]);
            const char g = s8[nMap + t * 4];
            for (int k = 0; k < 3; ++k)
                s24[54 + static_cast<std::size_t>(y * 12 + x * 3 + k)] = g;
        }
    ExpectSameJpeg(s8, {}, "", s24);
}

TEST_F(GoldenTest, DecompressionMatchesDjpegWithEveryOption) {
    BmpShape picture;
    picture.nWidth = 75;
    picture.nHeight = 61;
    picture.nXPelsPerMeter = picture.nYPelsPerMeter = 2835;
    const std::string sBmp = BuildBmp(picture);
    const std::string sColour = PeerConvert("cjpeg", "-quality 80", sBmp);
    const std::string sProgressive = PeerConvert("cjpeg", "-progressive", sBmp);
    const std::string sGrey = PeerConvert("cjpeg", "-grayscale", sBmp);
    ASSERT_FALSE(sColour.empty() || sProgressive.empty() || sGrey.empty());
    const struct {
        std::vector<std::string> ourArgs;
        std::string sPeerArgs;
    } cases[] = {
        {{}, " -bmp"},
        {{"--os2"}, " -os2"},
        {{"--colors", "16"}, " -bmp -colors 16"},
        {{"--colors", "256", "--os2"}, " -os2 -colors 256"},
        {{"-c", "9", "--dither", "ordered"}, " -bmp -colors 9 -dither ordered"},
        {{"--colors", "32", "--dither", "none"}, " -bmp -colors 32 -dither none"},
        {{"--colors", "32", "--dither", "fs", "--onepass"}, " -bmp -colors 32 -dither fs -onepass"},
        {{"--grayscale"}, " -bmp -grayscale"},
        {{"--fast"}, " -bmp -fast"},
        {{"--fast", "--colors", "64"}, " -bmp -fast -colors 64"},
        {{"--scale", "1/2"}, " -bmp -scale 1/2"},
        {{"--scale", "1/4", "--os2"}, " -os2 -scale 1/4"},
        {{"--scale", "1/8"}, " -bmp -scale 1/8"},
        {{"--nosmooth"}, " -bmp -nosmooth"},
        {{"--dct", "ifast"}, " -bmp -dct fast"},
        {{"--dct", "float"}, " -bmp -dct float"},
        {{"--max-memory", "500"}, " -bmp -maxmemory 500"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Join(c.ourArgs));
        ExpectSameBmp(sColour, c.ourArgs, c.sPeerArgs);
        ExpectSameBmp(sProgressive, c.ourArgs, c.sPeerArgs);
        ExpectSameBmp(sGrey, c.ourArgs, c.sPeerArgs);
    }
}

TEST_F(GoldenTest, AMemoryLimitNeitherFailsNorChangesARunThatFitsInMemory) {
    // The whole 640 x 480 image alone is 900 kB, above a 500 kB limit; a progressive JPEG also
    // makes libjpeg hold all of its coefficients.
    BmpShape picture;
    picture.nWidth = 640;
    picture.nHeight = 480;
    const std::string sBmp = BuildBmp(picture);
    const std::string sPlain = PeerConvert("cjpeg", "", sBmp);
    const std::string sProgressive = PeerConvert("cjpeg", "-progressive", sBmp);
    const std::string sDecoded = PeerConvert("djpeg", "-bmp", sProgressive);
    ASSERT_FALSE(sPlain.empty() || sProgressive.empty() || sDecoded.empty());
    WriteFile(PathOf("in.bmp"), sBmp);
    WriteFile(PathOf("in.jpg"), sProgressive);
    const struct {
        std::vector<std::string> args;
        std::string sExpected;
    } runs[] = {
        {{"compress", PathOf("in.bmp"), PathOf("out.jpg")}, sPlain},
        {{"compress", PathOf("in.bmp"), PathOf("out.jpg"), "--progressive"}, sProgressive},
        {{"uncompress", PathOf("in.jpg"), PathOf("out.bmp")}, sDecoded},
    };
    for (const bool bFromEnvironment : {false, true}) {
        SetEnvironment("JPEGMEM", bFromEnvironment ? "500K" : "");
        for (const auto& run : runs) {
            std::vector<std::string> args = run.args;
            args.push_back("--yes");
            if (!bFromEnvironment)
                args.insert(args.end(), {"--max-memory", "500"});
            SCOPED_TRACE(Join(args) + (bFromEnvironment ? " with JPEGMEM=500K" : ""));
            std::string sErr;
            EXPECT_EQ(RunTarnelCli(args, nullptr, &sErr), 0) << sErr;
            EXPECT_TRUE(ReadFile(args[2]) == run.sExpected);
        }
    }
    SetEnvironment("JPEGMEM", "");
}
