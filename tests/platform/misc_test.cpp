// CMapPtrToPtr and the tick count.
#include <gtest/gtest.h>

#include <thread>

#include "platform/ptrmap.h"
#include "platform/tick.h"

TEST(MapPtrToPtrTest, SetLookupAndRemove) {
    CMapPtrToPtr map(10);
    int a = 0, b = 0;
    void* pValue = nullptr;
    EXPECT_FALSE(map.Lookup(&a, pValue));
    map.SetAt(&a, &b);
    map.SetAt(&b, &a);
    map.SetAt(&a, &a);  // replaces
    ASSERT_TRUE(map.Lookup(&a, pValue));
    EXPECT_EQ(pValue, &a);
    EXPECT_EQ(map.GetCount(), 2);
    EXPECT_TRUE(map.RemoveKey(&a));
    EXPECT_FALSE(map.RemoveKey(&a));  // absent: harmless
    EXPECT_FALSE(map.Lookup(&a, pValue));
    EXPECT_EQ(map.GetBlockSize(), 10);
}

TEST(TickCountTest, AdvancesInMilliseconds) {
    const DWORD nStart = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const DWORD nElapsed = GetTickCount() - nStart;
    EXPECT_GE(nElapsed, 25u);
    EXPECT_LT(nElapsed, 5000u);
}
