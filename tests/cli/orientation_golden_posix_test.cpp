// tarnel-cli's --auto-orient against djpeg and Pillow: for every Exif orientation, in both byte
// orders, as 24-bit, 8-bit and OS/2 bitmaps and in a batch, the bitmap is djpeg's picture turned
// as Pillow turns it; orientation 1 and a broken tag give djpeg's bytes.
#include <gtest/gtest.h>

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

class OrientationGoldenTest : public TempDirTest {};

TEST_F(OrientationGoldenTest, EveryOrientationGivesDjpegsPictureTurnedAsPillowTurnsIt) {
    BmpShape shape;
    shape.nWidth = 61;  // odd sides: rows padded differently once turned
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
