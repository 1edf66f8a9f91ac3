// CString and lstrcpyn: clamping, searching, formatting and UTF-8-safe cutting.
#include <gtest/gtest.h>

#include <string>

#include "platform/cstring.h"

TEST(CStringTest, SubstringsClampOutOfRangeArguments) {
    const CString s("photo.bmp");
    EXPECT_STREQ(s.Left(5), "photo");
    EXPECT_STREQ(s.Left(99), "photo.bmp");
    EXPECT_STREQ(s.Left(-1), "");
    EXPECT_STREQ(s.Right(3), "bmp");
    EXPECT_STREQ(s.Right(99), "photo.bmp");
    EXPECT_STREQ(s.Mid(6), "bmp");
    EXPECT_STREQ(s.Mid(42), "");
    EXPECT_STREQ(s.Mid(2, 100), "oto.bmp");
    EXPECT_STREQ(s.Mid(-3, 2), "ph");
}

TEST(CStringTest, SearchesReportByteIndexOrMinusOne) {
    const CString s("C:\\写真\\a.b.bmp");
    EXPECT_EQ(s.ReverseFind('.'), s.GetLength() - 4);
    EXPECT_EQ(s.Find('.'), s.ReverseFind('.') - 2);
    EXPECT_EQ(s.Find("bmp"), s.GetLength() - 3);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.Find('.', 1000), -1);
    EXPECT_EQ(CString().ReverseFind('.'), -1);
}

TEST(CStringTest, CaseOperationsTouchOnlyAsciiLetters) {
    CString s("Tarnel 変換.JPG");
    s.MakeLower();
    EXPECT_STREQ(s, "tarnel 変換.jpg");
    s.MakeUpper();
    EXPECT_STREQ(s, "TARNEL 変換.JPG");
    EXPECT_EQ(CString("/AUTOMATION").CompareNoCase("/Automation"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abcd").CompareNoCase("ABC"), 0);
}

TEST(CStringTest, FormatHandlesTextLongerThanAnyFixedBuffer) {
    const std::string sLong(5000, 'x');
    CString s;
    s.Format("%s|%d|%.2f", sLong.c_str(), -7, 1.5);
    EXPECT_EQ(std::string(s), sLong + "|-7|1.50");
}

TEST(CStringTest, BufferAccessForCApis) {
    CString s("abc");
    char* p = s.GetBuffer(10);
    std::snprintf(p, 11, "%s", "xyz");
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "xyz");
    EXPECT_EQ(s.GetLength(), 3);
}

TEST(CStringTest, TrimAndConcatenate) {
    CString s("  a b \t\n");
    s.TrimLeft();
    s.TrimRight();
    EXPECT_STREQ(s, "a b");
    EXPECT_STREQ("<" + s + '>', "<a b>");
    s += CString('!', 3);
    EXPECT_EQ(s, "a b!!!");
}

TEST(LstrcpynTest, CopiesAtMostCapacityMinusOneAndTerminates) {
    char sz[10];
    lstrcpyn(sz, "Premature end of JPEG file", 10);
    EXPECT_STREQ(sz, "Premature");
    lstrcpyn(sz, "ok", 10);
    EXPECT_STREQ(sz, "ok");
    sz[0] = 'z';
    lstrcpyn(sz, "anything", 1);
    EXPECT_STREQ(sz, "");
    sz[0] = 'z';
    lstrcpyn(sz, "anything", 0);  // no room even for the terminator: untouched
    EXPECT_EQ(sz[0], 'z');
}

TEST(LstrcpynTest, NeverSplitsAMultiByteCharacter) {
    char sz[6];
    // "例外" is two characters of three bytes each; five bytes hold only the first.
    lstrcpyn(sz, "例外", 6);
    EXPECT_STREQ(sz, "例");
    lstrcpyn(sz, "a例外", 6);
    EXPECT_STREQ(sz, "a例");
}
