// COXImageFile's file handling: owned and borrowed files, open, close, abort, byte transfer.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imagefile/image_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

// The file handling under test needs no image format.
class PlainImageFile : public COXImageFile {
public:
    using COXImageFile::COXImageFile;
    using COXImageFile::ReadBytes;
    using COXImageFile::WriteBytes;

    BOOL BeginRead(j_compress_ptr) override { return TRUE; }
    BOOL EndRead(j_compress_ptr) override { return TRUE; }
    JDIMENSION ReadRows(j_compress_ptr) override { return 0; }
    BOOL BeginWrite(j_decompress_ptr) override { return TRUE; }
    BOOL EndWrite(j_decompress_ptr) override { return TRUE; }
    BOOL WriteRows(j_decompress_ptr, JDIMENSION) override { return TRUE; }
    BOOL AttachCompressor(j_compress_ptr) override { return TRUE; }
    BOOL PrepareWrite(j_decompress_ptr, BOOL) override { return TRUE; }

    CFile* File() const { return m_file.GetFile(); }
};

constexpr UINT kReadFlags = CFile::modeRead | CFile::shareDenyWrite;
constexpr UINT kWriteFlags = CFile::modeCreate | CFile::modeWrite;

class ImageFileTest : public TempDirTest {};

}  // namespace

TEST_F(ImageFileTest, StartsClosedWithEmptyBuffer) {
    PlainImageFile file(CString(PathOf("a.bmp").c_str()));
    EXPECT_EQ(file.File(), nullptr);
    EXPECT_EQ(file.m_pBuffer, nullptr);
    EXPECT_EQ(file.m_nBufferHeight, 0u);
    EXPECT_EQ(file.GetFileName(), PathOf("a.bmp").c_str());
}

TEST_F(ImageFileTest, OpenTwiceKeepsTheFirstFileAndCloseAllowsReopening) {
    const std::string sPath = PathOf("out.bmp");
    PlainImageFile file(CString(sPath.c_str()));
    file.Open(kWriteFlags);
    CFile* pFirst = file.File();
    ASSERT_NE(pFirst, nullptr);
    file.Open(kReadFlags);
    EXPECT_EQ(file.File(), pFirst);
    EXPECT_TRUE(file.WriteBytes("BM", 2));
    file.Close();
    EXPECT_EQ(file.File(), nullptr);
    file.Close();  // closed: nothing to do
    EXPECT_EQ(ReadFile(sPath), "BM");

    file.Open(kReadFlags);
    char sz[4] = {};
    EXPECT_EQ(file.ReadBytes(sz, 4), 2u);
    EXPECT_STREQ(sz, "BM");
}

TEST_F(ImageFileTest, OpenWithoutNameOrFileIsABadPath) {
    PlainImageFile file;
    try {
        file.Open(kReadFlags);
        FAIL() << "no exception";
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::badPath);
        EXPECT_EQ(e->m_lOsError, -1);
        EXPECT_TRUE(e->m_strFileName.IsEmpty());
        e->Delete();
    }
    EXPECT_EQ(file.File(), nullptr);
}

TEST_F(ImageFileTest, OpenFailureOfTheSystemPassesThroughAndLeavesItClosed) {
    PlainImageFile file(CString(PathOf("missing.bmp").c_str()));
    try {
        file.Open(kReadFlags);
        FAIL() << "no exception";
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
        e->Delete();
    }
    EXPECT_EQ(file.File(), nullptr);
}

TEST_F(ImageFileTest, BorrowedFileIsNeverClosedAndDetachesByChoice) {
    const std::string sPath = PathOf("borrowed.bmp");
    CStdioFile borrowed(sPath.c_str(), kWriteFlags);
    {
        PlainImageFile file(&borrowed);
        EXPECT_EQ(file.GetFileName(), "");
        file.Open(kWriteFlags);  // already has a file
        EXPECT_EQ(file.File(), &borrowed);
        EXPECT_TRUE(file.WriteBytes("xy", 2));
        file.SetDetachOnClose(FALSE);
        file.Close();
        EXPECT_EQ(file.File(), &borrowed);
        file.Abort();
        EXPECT_EQ(file.File(), &borrowed);
        file.SetDetachOnClose(TRUE);
        file.Abort();
        EXPECT_EQ(file.File(), nullptr);
    }
    {
        PlainImageFile file(&borrowed);  // destroyed while attached
    }
    EXPECT_TRUE(borrowed.IsOpen());
    borrowed.Write("z", 1);
    borrowed.Close();
    EXPECT_EQ(ReadFile(sPath), "xyz");
}

TEST_F(ImageFileTest, DestroyingAnOpenObjectDiscardsOutputThatWasNeverClosed) {
    // Only a failed run leaves its output open; what it wrote must not replace anything.
    const std::string sPath = PathOf("left-open.bmp");
    WriteFile(sPath, "old picture");
    {
        PlainImageFile file(CString(sPath.c_str()));
        file.Open(kWriteFlags);
        EXPECT_TRUE(file.WriteBytes("half", 4));
    }
    EXPECT_EQ(ReadFile(sPath), "old picture");
    EXPECT_EQ(ListFolder(m_sDir).size(), 1u);

    PlainImageFile file(CString(sPath.c_str()));
    file.Open(kWriteFlags);
    EXPECT_TRUE(file.WriteBytes("new picture", 11));
    file.Close();
    EXPECT_EQ(ReadFile(sPath), "new picture");
}

TEST_F(ImageFileTest, TransferFailuresAreResultsNotExceptions) {
    PlainImageFile file(CString(PathOf("w.bmp").c_str()));
    file.Open(kWriteFlags);
    char c = 0;
    EXPECT_EQ(file.ReadBytes(&c, 1), 0u);  // the read raises inside; absorbed

    PlainImageFile closed(CString(PathOf("never-opened.bmp").c_str()));
    EXPECT_EQ(closed.ReadBytes(&c, 1), 0u);
    EXPECT_FALSE(closed.WriteBytes(&c, 1));
}

TEST_F(ImageFileTest, WriteFailureOnAFullDiskIsReportedByCloseAndAbortIsQuiet) {
    if (!Exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not available";
    {
        PlainImageFile file(CString("/dev/full"));
        file.Open(CFile::modeWrite);
        EXPECT_TRUE(file.WriteBytes("x", 1));  // still in the stream's buffer
        try {
            file.Close();
            ADD_FAILURE() << "Close hid the write error";
        } catch (CFileException* e) {
            EXPECT_EQ(e->m_cause, CFileException::diskFull);
            e->Delete();
        }
        EXPECT_EQ(file.File(), nullptr);
    }
    PlainImageFile file(CString("/dev/full"));
    file.Open(CFile::modeWrite);
    EXPECT_TRUE(file.WriteBytes("x", 1));
    EXPECT_NO_THROW(file.Abort());
    EXPECT_EQ(file.File(), nullptr);
}
