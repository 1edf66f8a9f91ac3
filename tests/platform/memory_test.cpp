// Movable global memory and the palette, as the DIB uses them.
#include <gtest/gtest.h>

#include "platform/global_memory.h"
#include "platform/palette.h"

TEST(GlobalMemoryTest, BlocksLockNestAndGrowKeepingTheirBytes) {
    HGLOBAL h = GlobalAlloc(GHND, 10);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 10u);
    auto* p = static_cast<BYTE*>(GlobalLock(h));
    EXPECT_EQ(p[0] + p[9], 0);
    p[0] = 42;
    GlobalLock(h);
    EXPECT_TRUE(GlobalUnlock(h));   // still locked once
    EXPECT_FALSE(GlobalUnlock(h));  // now unlocked
    HGLOBAL hGrown = GlobalReAlloc(h, 20, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(hGrown, nullptr);
    EXPECT_EQ(GlobalSize(hGrown), 20u);
    p = static_cast<BYTE*>(GlobalLock(hGrown));
    EXPECT_EQ(p[0], 42);
    EXPECT_EQ(p[19], 0);
    GlobalUnlock(hGrown);
    EXPECT_EQ(GlobalFree(hGrown), nullptr);
}

TEST(PaletteTest, HoldsItsEntries) {
    BYTE storage[sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY)] = {};
    auto* pLog = reinterpret_cast<LOGPALETTE*>(storage);
    pLog->palVersion = 0x300;
    pLog->palNumEntries = 3;
    for (BYTE i = 0; i < 3; ++i)
        pLog->palPalEntry[i] =
            PALETTEENTRY{i, static_cast<BYTE>(i * 10), static_cast<BYTE>(i * 20), 0};
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(pLog));
    EXPECT_FALSE(palette.CreatePalette(pLog));
    EXPECT_EQ(palette.GetEntryCount(), 3);
    PALETTEENTRY entries[5] = {};
    EXPECT_EQ(palette.GetPaletteEntries(1, 5, entries), 2u);
    EXPECT_EQ(entries[1].peGreen, 20);
    EXPECT_EQ(entries[1].peBlue, 40);
    EXPECT_TRUE(palette.DeleteObject());
    EXPECT_FALSE(palette.DeleteObject());
}
