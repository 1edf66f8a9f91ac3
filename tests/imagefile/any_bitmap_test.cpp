// The reader of every layout over the shared test bitmaps: each layout gives the JPEG that the
// same picture as a plain 24-bit bitmap gives; what cannot be read is refused by code.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/any_bitmap_file.h"
#include "imagefile/bitmap_file.h"
#include "imagefile/bitmap_layout.h"
#include "tests/support/bitmap_cases.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/run_ending.h"
#include "tests/support/temp_dir.h"

namespace {

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

// Each layout gives the JPEG that the classic reader makes of the same picture as a plain
// 24-bit bitmap; the classic reader keeps the layouts it takes.
TEST_F(AnyBitmapTest, EveryLayoutGivesThePlainBitmapsJpeg) {
    for (const BitmapLayoutCase& c : EveryBitmapLayout()) {
        SCOPED_TRACE(c.pszWhat);
        const std::string sExpected = WithClassicReader(BuildBmp(PlainTwin(c.shape)));
        ASSERT_EQ(sExpected.substr(0, 2), "\xFF\xD8");
        EXPECT_EQ(WithAnyReader(BuildBmp(c.shape)), sExpected);
        EXPECT_EQ(IsClassicBitmapLayout(PathOf("in.bmp").c_str()) != FALSE, c.nClassicCode == 0);
    }
}

TEST_F(AnyBitmapTest, WhatCannotBeReadIsRefusedWithItsCode) {
    for (const HostileBitmapCase& c : HostileBitmaps()) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(WithAnyReader(c.sBytes), "error " + std::to_string(c.nEveryCode));
    }
}
