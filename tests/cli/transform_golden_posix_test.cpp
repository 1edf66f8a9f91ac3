// tarnel-cli transform against ImageMagick: the same picture, pixel for pixel, after rotating and
// mirroring 8- and 24-bit bitmaps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imagefile/dib/dib.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/cli/run_cli.h"
#include "tests/support/tools.h"

namespace {

// The picture a bitmap file shows: width, height and RGB rows from the top.
struct Picture {
    LONG nWidth = 0;
    LONG nHeight = 0;
    std::vector<BYTE> rgb;
    bool operator==(const Picture& other) const {
        return nWidth == other.nWidth && nHeight == other.nHeight && rgb == other.rgb;
    }
};

Picture Decode(const std::string& sPath) {
    Picture picture;
    COXDIB dib;
    if (!dib.Read(sPath.c_str()))
        return picture;
    HGLOBAL h = dib.Detach();
    const auto* p = static_cast<const BYTE*>(GlobalLock(h));
    const auto* pInfo = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    const BYTE* pBits = COXDIB::GetBits(p);
    const int nBits = pInfo->biBitCount;
    picture.nWidth = pInfo->biWidth;
    picture.nHeight = pInfo->biHeight;
    const std::size_t nStride = BmpStride(pInfo->biWidth, nBits);
    for (LONG y = pInfo->biHeight - 1; y >= 0; --y)
        for (LONG x = 0; x < pInfo->biWidth; ++x) {
            const BYTE* pRow = pBits + y * nStride;
            const BYTE* pColor = pRow + x * (nBits / 8);
            if (nBits <= 8) {  // ImageMagick writes fewer bits when the colours allow
                const long nBit = static_cast<long>(x) * nBits;
                const int nIndex = (pRow[nBit / 8] >> (8 - nBits - nBit % 8)) & ((1 << nBits) - 1);
                pColor = p + 40 + 4 * nIndex;
            }
            picture.rgb.insert(picture.rgb.end(), {pColor[2], pColor[1], pColor[0]});
        }
    GlobalUnlock(h);
    GlobalFree(h);
    return picture;
}

}  // namespace

class TransformGoldenTest : public TempDirTest {};

TEST_F(TransformGoldenTest, RotationAndMirroringMatchImageMagick) {
    const struct {
        std::vector<std::string> ours;
        std::string sMagick;
    } cases[] = {
        {{"--rotate", "90"}, "-rotate 90"},
        {{"--rotate", "180"}, "-rotate 180"},
        {{"--rotate", "270"}, "-rotate 270"},
        {{"--rotate", "-90"}, "-rotate -90"},
        {{"--flip"}, "-flip"},
        {{"--flop"}, "-flop"},
        {{"--rotate", "90", "--flop"}, "-rotate 90 -flop"},
    };
    for (int nBits : {8, 24}) {
        BmpShape shape;
        shape.nBitsPerPixel = nBits;
        shape.nWidth = 13;
        shape.nHeight = 7;
        const std::string sIn = PathOf("in.bmp");
        WriteFile(sIn, BuildBmp(shape));
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(nBits) + " bits, " + c.sMagick);
            std::vector<std::string> args{"transform", sIn, PathOf("ours.bmp"), "--yes"};
            args.insert(args.end(), c.ours.begin(), c.ours.end());
            ASSERT_EQ(RunTarnelCli(args), 0);
            const std::string sCommand =
                "convert " + sIn + " " + c.sMagick + " -compress none BMP3:" + PathOf("magick.bmp");
            ASSERT_EQ(std::system(sCommand.c_str()), 0) << sCommand;
            const Picture ours = Decode(PathOf("ours.bmp")), magick = Decode(PathOf("magick.bmp"));
            ASSERT_FALSE(magick.rgb.empty());
            EXPECT_TRUE(ours == magick);
        }
    }
}
