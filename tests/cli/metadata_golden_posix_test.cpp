// tarnel-cli and a photo's metadata, against djpeg, Pillow and ImageMagick: --auto-orient for
// every Exif orientation, in both byte orders, as 24-bit, 8-bit and OS/2 bitmaps and in a batch
// (djpeg's picture turned as Pillow turns it; orientation 1 and a broken tag give djpeg's bytes),
// and colour profiles carried both ways.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

// The JPEG with an APP1 segment after its start: Exif with this Orientation, or the bytes given.
std::string WithExif(const std::string& sJpeg, int nOrientation, bool bBigEndian) {
    const auto put = [bBigEndian](std::string& s, unsigned n, int nBytes) {
        for (int i = 0; i < nBytes; ++i)
            s += static_cast<char>(n >> (8 * (bBigEndian ? nBytes - 1 - i : i)));
    };
    std::string sExif("Exif\0\0", 6);
    sExif += bBigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4);
    put(sExif, 8, 4);
    put(sExif, 1, 2);
    put(sExif, 0x0112, 2), put(sExif, 3, 2), put(sExif, 1, 4);
    put(sExif, static_cast<unsigned>(nOrientation), 2), put(sExif, 0, 2), put(sExif, 0, 4);
    const std::size_t nLength = sExif.size() + 2;
    return sJpeg.substr(0, 2) + "\xFF\xE1" + static_cast<char>(nLength >> 8) +
           static_cast<char>(nLength & 0xFF) + sExif + sJpeg.substr(2);
}

}  // namespace

class MetadataGoldenTest : public TempDirTest {};

TEST_F(MetadataGoldenTest, EveryOrientationGivesDjpegsPictureTurnedAsPillowTurnsIt) {
    BmpShape shape;
    shape.nWidth = 149;  // odd sides, rows padded differently once turned; output rows turned
                         // in more than one group
    shape.nHeight = 37;
    const std::string sJpeg = PeerConvert("cjpeg", "-quality 90", BuildBmp(shape));
    ASSERT_FALSE(sJpeg.empty());
    const struct {
        const char* pszName;
        std::vector<std::string> options;
        const char* pszDjpeg;
    } formats[] = {{"24", {}, "-bmp"},
                   {"8", {"--colors", "256"}, "-bmp -colors 256"},
                   {"os2", {"--os2"}, "-os2"}};
    std::filesystem::create_directory(PathOf("batch-in"));
    for (const auto& format : formats) {
        for (int n = 0; n <= 8; ++n) {  // 0: a tag with a value no orientation has
            const std::string sName = "o" + std::to_string(n) + "-" + format.pszName;
            const std::string sWith = WithExif(sJpeg, n == 0 ? 9 : n, n % 2 == 0);
            WriteFile(PathOf(sName + ".jpg"), sWith);
            std::vector<std::string> args = {"uncompress", PathOf(sName + ".jpg"),
                                             PathOf(sName + ".ours.bmp"), "--auto-orient"};
            args.insert(args.end(), format.options.begin(), format.options.end());
            std::string sErr;
            ASSERT_EQ(RunTarnelCli(args, nullptr, &sErr), 0) << sName << sErr;
            const std::string sDjpeg = PeerConvert("djpeg", format.pszDjpeg, sWith);
            WriteFile(PathOf(sName + ".djpeg.bmp"), sDjpeg);
            if (n <= 1) {
                EXPECT_TRUE(ReadFile(PathOf(sName + ".ours.bmp")) == sDjpeg) << sName;
            }
            if (std::string(format.pszName) == "24")
                WriteFile(PathOf("batch-in/" + sName + ".jpg"), sWith);
        }
    }
    // Each file of a batch is turned as on its own.
    ASSERT_EQ(RunTarnelCli({"uncompress", PathOf("batch-in"), "-r", "--auto-orient", "--out-dir",
                            PathOf("batch-out")}),
              0);
    // Debian's own Python, which has Pillow (python3-pil), whatever python3 comes first in PATH.
    const std::string sCommand =
        "cd " + m_sDir +
        " && /usr/bin/python3 -c 'import glob, sys\nfrom PIL import Image\n"
        "turns = {2: Image.FLIP_LEFT_RIGHT, 3: Image.ROTATE_180, 4: Image.FLIP_TOP_BOTTOM,\n"
        "         5: Image.TRANSPOSE, 6: Image.ROTATE_270, 7: Image.TRANSVERSE, 8: "
        "Image.ROTATE_90}\n"
        "failed = 0\n"
        "for ours in glob.glob(\"*.ours.bmp\") + glob.glob(\"batch-out/*.bmp\"):\n"
        "    name = ours.split(\"/\")[-1].split(\".\")[0]\n"
        "    picture = Image.open(name + \".djpeg.bmp\").convert(\"RGB\")\n"
        "    n = int(name[1])\n"
        "    picture = picture.transpose(turns[n]) if n in turns else picture\n"
        "    mine = Image.open(ours).convert(\"RGB\")\n"
        "    if mine.size != picture.size or mine.tobytes() != picture.tobytes():\n"
        "        print(\"differs:\", ours); failed += 1\n"
        "sys.exit(failed)'";
    EXPECT_EQ(std::system(sCommand.c_str()), 0) << sCommand;
}

// A version-5 bitmap's embedded profile goes into the JPEG and comes back byte for byte in a
// version-5 bitmap, as ImageMagick and a reader of the header find it; a profile outside the
// file, or APP2 segments that do not fit together, are left out with a warning.
TEST_F(MetadataGoldenTest, AColourProfileGoesThroughBothWays) {
    std::string sProfile;
    for (int i = 0; i < 70000; ++i)  // more than one APP2 segment holds
        sProfile += static_cast<char>(i * 7 % 251);
    std::string sBitmap = BuildBmp(ShapeOf(124, 21, 13, 24));
    PutLE32(sBitmap, 14 + 56, 0x4D424544);  // 'MBED'
    PutLE32(sBitmap, 14 + 112, static_cast<std::uint32_t>(sBitmap.size() - 14));
    PutLE32(sBitmap, 14 + 116, static_cast<std::uint32_t>(sProfile.size()));
    WriteFile(PathOf("outside.bmp"), sBitmap);
    sBitmap += sProfile;
    PutLE32(sBitmap, 2, static_cast<std::uint32_t>(sBitmap.size()));
    WriteFile(PathOf("v5.bmp"), sBitmap);

    ASSERT_EQ(RunTarnelCli({"compress", PathOf("v5.bmp"), PathOf("v5.jpg")}), 0);
    std::string sErr;
    ASSERT_EQ(RunTarnelCli({"uncompress", PathOf("v5.jpg"), PathOf("back.bmp"), "--keep-profile"},
                           nullptr, &sErr),
              0)
        << sErr;
    const std::string sBack = ReadFile(PathOf("back.bmp"));
    ASSERT_GE(sBack.size(), 14u + 124u);
    EXPECT_EQ(GetLE32(sBack, 14), 124u);
    EXPECT_EQ(GetLE32(sBack, 14 + 56), 0x4D424544u);
    const std::size_t nProfile = 14 + GetLE32(sBack, 14 + 112);
    EXPECT_EQ(GetLE32(sBack, 14 + 116), sProfile.size());
    EXPECT_TRUE(sBack.substr(nProfile) == sProfile);
    ASSERT_EQ(std::system(("cd " + m_sDir + " && convert back.bmp back.icc").c_str()), 0);
    EXPECT_TRUE(ReadFile(PathOf("back.icc")) == sProfile);
    // The pixels are djpeg's.
    const std::string sPlain = PeerConvert("djpeg", "-bmp", ReadFile(PathOf("v5.jpg")));
    EXPECT_TRUE(sBack.substr(14 + 124, nProfile - 14 - 124) == sPlain.substr(54));

    EXPECT_EQ(
        RunTarnelCli({"compress", PathOf("outside.bmp"), PathOf("outside.jpg")}, nullptr, &sErr),
        3);
    EXPECT_NE(sErr.find("[1040]"), std::string::npos) << sErr;
    // Segment 2 of 2 twice: the profile cannot be joined.
    std::string sJpeg = ReadFile(PathOf("v5.jpg"));
    const std::size_t nFirst = sJpeg.find(std::string("ICC_PROFILE\0\x01", 13));
    ASSERT_NE(nFirst, std::string::npos);
    sJpeg[nFirst + 12] = 2;
    WriteFile(PathOf("damaged.jpg"), sJpeg);
    EXPECT_EQ(
        RunTarnelCli({"uncompress", PathOf("damaged.jpg"), PathOf("damaged.bmp"), "--keep-profile"},
                     nullptr, &sErr),
        3);
    EXPECT_NE(sErr.find("色プロファイル"), std::string::npos) << sErr;
    EXPECT_TRUE(ReadFile(PathOf("damaged.bmp")) == PeerConvert("djpeg", "-bmp", sJpeg));
}
