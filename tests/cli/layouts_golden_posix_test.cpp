// tarnel-cli against cjpeg and Pillow over the shared test bitmaps of every layout: the JPEG made
// from each layout Pillow reads equals cjpeg's from a plain 24-bit bitmap of the pixels Pillow
// decodes from the same file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/cli/run_cli.h"
#include "tests/support/bitmap_cases.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

// Whether a file's run-length data holds what Pillow 9 misreads: moves over pixels, and 4-bit
// stretches of an odd length (it reads one pixel short). The readers' own tests cover them.
bool PillowMisreads(const std::string& sFile, const BmpShape& shape) {
    if (shape.nCompression != 1 && shape.nCompression != 2)
        return false;
    std::size_t p = GetLE32(sFile, 10);
    while (p + 1 < sFile.size()) {
        const unsigned n = static_cast<unsigned char>(sFile[p]);
        const unsigned c = static_cast<unsigned char>(sFile[p + 1]);
        p += 2;
        if (n != 0 || c == 0)
            continue;  // a run, or the end of a line
        if (c == 1)
            return false;  // the end of the picture
        const bool bFour = shape.nCompression == 2;
        if (c == 2 || (bFour && c % 2 != 0))
            return true;
        const std::size_t nBytes = bFour ? (c + 1) / 2 : c;
        p += (nBytes + 1) & ~std::size_t{1};  // a stretch stored as it is, to a word
    }
    return false;
}

}  // namespace

class LayoutsGoldenTest : public TempDirTest {};

TEST_F(LayoutsGoldenTest, EveryLayoutGivesCjpegsJpegOfPillowsPicture) {
    const std::vector<BitmapLayoutCase> layouts = EveryBitmapLayout();
    for (std::size_t i = 0; i < layouts.size(); ++i)
        WriteFile(PathOf(std::to_string(i) + ".bmp"), BuildBmp(layouts[i].shape));
    // Debian's own Python, which has Pillow (python3-pil), whatever python3 comes first in PATH.
    // Beside each file it reads, Pillow writes its picture as a plain 24-bit bitmap.
    const std::string sCommand =
        "cd " + m_sDir +
        " && /usr/bin/python3 -c 'import glob\nfrom PIL import Image\nfor f in "
        "glob.glob(\"*.bmp\"):\n"
        "    try:\n        image = Image.open(f); image.load()\n    except Exception:\n"
        "        continue\n    image.convert(\"RGB\").save(f[:-4] + \".pillow\", \"BMP\")'";
    ASSERT_EQ(std::system(sCommand.c_str()), 0) << sCommand;
    int nCompared = 0;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE(layouts[i].pszWhat);
        const std::string sPillow = PathOf(std::to_string(i) + ".pillow");
        if (!Exists(sPillow) ||
            PillowMisreads(ReadFile(PathOf(std::to_string(i) + ".bmp")), layouts[i].shape))
            continue;  // a layout Pillow does not read: the other suites check it
        ++nCompared;
        const std::string sOurs = PathOf(std::to_string(i) + ".jpg");
        std::string sErr;
        ASSERT_EQ(
            RunTarnelCli({"compress", PathOf(std::to_string(i) + ".bmp"), sOurs}, nullptr, &sErr),
            0)
            << sErr;
        // Pillow's file carries the layout's resolution, as far as its header had room for one.
        std::string sPlain = ReadFile(sPillow);
        const BmpShape& shape = layouts[i].shape;
        const bool bResolution = shape.nInfoSize >= 40;
        PutLE32(sPlain, 38, bResolution ? static_cast<std::uint32_t>(shape.nXPelsPerMeter) : 0);
        PutLE32(sPlain, 42, bResolution ? static_cast<std::uint32_t>(shape.nYPelsPerMeter) : 0);
        const std::string sReference = PeerConvert("cjpeg", "", sPlain);
        ASSERT_FALSE(sReference.empty());
        EXPECT_TRUE(ReadFile(sOurs) == sReference);
    }
    std::printf("%d of %zu layouts compared with Pillow's pictures\n", nCompared, layouts.size());
    EXPECT_GE(nCompared, 20);
}
