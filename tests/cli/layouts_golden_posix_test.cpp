// tarnel-cli against cjpeg and Pillow over every bitmap layout: the JPEG made from each layout
// equals cjpeg's from a plain 24-bit bitmap of the pixels Pillow decodes from the same file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"
#include "tests/cli/run_cli.h"
#include "tests/support/tools.h"

class LayoutsGoldenTest : public TempDirTest {};

TEST_F(LayoutsGoldenTest, EveryLayoutGivesCjpegsJpegOfPillowsPicture) {
    // Debian's own Python, which has Pillow (python3-pil), whatever python3 comes first in PATH.
    const std::string sCommand = std::string("/usr/bin/python3 ") + TARNEL_TEST_DATA_DIR +
                                 "/../cli/make_bitmap_layouts.py " + m_sDir;
    ASSERT_EQ(std::system(sCommand.c_str()), 0) << sCommand;
    int nLayouts = 0;
    for (const std::string& sName : ListFolder(m_sDir)) {
        const auto nPillow = sName.find(".pillow.bmp");
        if (nPillow == std::string::npos)
            continue;
        const std::string sLayout = sName.substr(0, nPillow);
        SCOPED_TRACE(sLayout);
        ++nLayouts;
        std::string sErr;
        ASSERT_EQ(RunTarnelCli({"compress", PathOf(sLayout + ".bmp"), PathOf(sLayout + ".jpg")},
                               nullptr, &sErr),
                  0)
            << sErr;
        const std::string sReference = PeerConvert("cjpeg", "", ReadFile(PathOf(sName)));
        ASSERT_FALSE(sReference.empty());
        EXPECT_TRUE(ReadFile(PathOf(sLayout + ".jpg")) == sReference);
    }
    EXPECT_GE(nLayouts, 20);
}
