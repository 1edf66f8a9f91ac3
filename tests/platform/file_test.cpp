// CFile and CStdioFile over real files: transfers, open modes and the causes of failures.
#include <gtest/gtest.h>

#include <filesystem>
#ifdef _WIN32
#include "platform/wide_win32.h"
#include "platform/win32.h"
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif
#include <memory>
#include <string>

#include "platform/file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

// Runs body and returns the CFileException it throws (null when it throws none).
template <typename Body>
std::unique_ptr<CFileException> CatchFileException(Body body) {
    try {
        body();
    } catch (CFileException* e) {
        return std::unique_ptr<CFileException>(e);
    }
    return nullptr;
}

class FileTest : public TempDirTest {};

}  // namespace

TEST_F(FileTest, LengthOfAReadingStreamKeepsItsReadAhead) {
    const std::string sPath = PathOf("ahead.bin");
    WriteFile(sPath, "0123456789");
    CStdioFile file(sPath.c_str(), CFile::modeRead);
    char buf[4] = {};
    ASSERT_EQ(file.Read(buf, 3), 3u);
    EXPECT_EQ(file.GetLength(), 10u);
    ASSERT_EQ(file.Read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "345");
}

TEST_F(FileTest, WritesAndReadsBackThroughBothKinds) {
    const std::string sPath = PathOf("data.bin");
    {
        CStdioFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.Write("abc\r\n", 5);
        file.Write("\0xyz", 4);
        EXPECT_EQ(file.GetLength(), 9u);  // includes what the stream still buffers
        file.Close();
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_EQ(ReadFile(sPath), std::string("abc\r\n\0xyz", 9));

    CFile file(sPath.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    char buf[16] = {};
    EXPECT_EQ(file.Read(buf, 4), 4u);
    EXPECT_EQ(file.Read(buf, sizeof buf), 5u);  // short only at the end
    EXPECT_EQ(file.Read(buf, sizeof buf), 0u);
    EXPECT_EQ(file.GetLength(), 9u);
    file.SeekToBegin();
    EXPECT_EQ(file.GetPosition(), 0u);
}

TEST_F(FileTest, CreateTruncatesUnlessToldNotTo) {
    const std::string sPath = PathOf("old.jpg");
    WriteFile(sPath, "old contents");
    {
        CStdioFile file(sPath.c_str(),
                        CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
        file.Write("OLD", 3);
        file.Close();
    }
    EXPECT_EQ(ReadFile(sPath), "OLD contents");
    {
        CStdioFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Close();
    }
    EXPECT_EQ(ReadFile(sPath), "");
}

TEST_F(FileTest, ReadStringSplitsLinesAndDropsCarriageReturns) {
    const std::string sPath = PathOf("lines.txt");
    WriteFile(sPath, "first\r\nsecond\nlast");
    CStdioFile file(sPath.c_str(), CFile::modeRead | CFile::typeText);
    CString sLine;
    ASSERT_TRUE(file.ReadString(sLine));
    EXPECT_EQ(sLine, "first");
    ASSERT_TRUE(file.ReadString(sLine));
    EXPECT_EQ(sLine, "second");
    ASSERT_TRUE(file.ReadString(sLine));
    EXPECT_EQ(sLine, "last");
    EXPECT_FALSE(file.ReadString(sLine));
}

TEST_F(FileTest, OpenFailuresCarryCauseOsErrorAndFileName) {
    const std::string sMissing = PathOf("missing.bmp");
    auto e = CatchFileException([&] { CStdioFile file(sMissing.c_str(), CFile::modeRead); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
    EXPECT_NE(e->m_lOsError, 0);
    EXPECT_EQ(e->m_strFileName, sMissing.c_str());
    EXPECT_NE(e->GetErrorMessage().Find(sMissing.c_str()), -1);

    e = CatchFileException([&] {
        CFile file(PathOf("no/such/dir/x.jpg").c_str(), CFile::modeCreate | CFile::modeWrite);
    });
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->m_cause == CFileException::fileNotFound ||
                e->m_cause == CFileException::badPath);

    e = CatchFileException([&] { CStdioFile file(m_sDir.c_str(), CFile::modeRead); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->m_cause, CFileException::accessDenied);

    e = CatchFileException(
        [&] { CStdioFile file(PathOf("missing.bmp/x").c_str(), CFile::modeRead); });
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->m_cause == CFileException::fileNotFound ||
                e->m_cause == CFileException::badPath);
}

TEST_F(FileTest, OpenWithErrorRecordReturnsFalseInsteadOfThrowing) {
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(PathOf("missing").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Open("", CFile::modeRead, nullptr));
}

TEST_F(FileTest, ReadingAWriteOnlyFileGivesNothing) {
    CFile file(PathOf("w.bin").c_str(), CFile::modeCreate | CFile::modeWrite);
    char c = 0;
    auto e = CatchFileException([&] { file.Read(&c, 1); });
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->m_cause == CFileException::invalidFile ||
                e->m_cause == CFileException::accessDenied);
    // The buffered kind throws where the C library reports the error, or reads nothing.
    CStdioFile stream(PathOf("w2.bin").c_str(), CFile::modeCreate | CFile::modeWrite);
    UINT nRead = 0;
    e = CatchFileException([&] { nRead = stream.Read(&c, 1); });
    EXPECT_EQ(nRead, 0u);
}

TEST_F(FileTest, AFullDiskSurfacesAtCloseAndAbortStaysQuiet) {
    if (!Exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not available";
    {
        // The stream buffers the bytes, so the failure shows when they are flushed.
        CStdioFile file("/dev/full", CFile::modeWrite);
        file.Write("x", 1);
        auto e = CatchFileException([&] { file.Close(); });
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_cause, CFileException::diskFull);
        EXPECT_FALSE(file.IsOpen());
    }
    {
        CFile file("/dev/full", CFile::modeWrite);
        auto e = CatchFileException([&] { file.Write("x", 1); });
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_cause, CFileException::diskFull);
    }
    CStdioFile file("/dev/full", CFile::modeWrite);
    file.Write("x", 1);
    EXPECT_NO_THROW(file.Abort());
    EXPECT_FALSE(file.IsOpen());
}

// Temporary names are short (a path near the system's limit keeps room for them) and hidden;
// consecutive opens take consecutive names, and one another process holds is passed over.
TEST_F(FileTest, AReplacementTakesTheNextTemporaryNameWhenOneIsHeld) {
    const std::string sPath = PathOf("a-destination-with-a-long-name-of-its-own.bin");
    CReplaceFile probe(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
    const std::vector<std::string> names = ListFolder(m_sDir);
    ASSERT_EQ(names.size(), 1u);
    probe.Abort();
    const std::string sName = names[0];
    ASSERT_EQ(sName.size(), 9u) << sName;
    ASSERT_EQ(sName.substr(0, 3), ".tn");
    constexpr unsigned long long kNames = 36ULL * 36 * 36 * 36 * 36 * 36;
    const unsigned long long nName = std::stoull(sName.substr(3), nullptr, 36);
    auto nameOf = [&](unsigned long long n) {
        std::string s = ".tn000000";
        for (int i = 8; i >= 3; --i, n /= 36)
            s[i] = "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
        return s;
    };
    for (unsigned long long n : {nName + 1, nName + 2})
        WriteFile(PathOf(nameOf(n % kNames)), "held");

    CReplaceFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write("new", 3);
    file.Close();
    EXPECT_EQ(ReadFile(sPath), "new");
    EXPECT_EQ(ListFolder(m_sDir).size(), 3u);  // the two held names stay theirs
}

#ifndef _WIN32
// Replacing keeps what the user set up: a link's target is replaced (a link to no file yet
// creates it) and the link stays; the replaced file's permission bits, owner and group carry
// over (the owner only when we run as the superuser, who alone may give a file away).
TEST_F(FileTest, AReplacementKeepsLinksPermissionsAndOwner) {
    namespace fs = std::filesystem;
    fs::create_directory(PathOf("real"));
    const std::string sTarget = PathOf("real/photo.jpg");
    WriteFile(sTarget, "old");
    fs::create_symlink("real/photo.jpg", PathOf("link.jpg"));
    fs::create_symlink(PathOf("real/absent.jpg"), PathOf("dangling.jpg"));
    ASSERT_EQ(::chmod(sTarget.c_str(), 0640), 0);
    const bool bRoot = ::geteuid() == 0;
    if (bRoot) {
        ASSERT_EQ(::chown(sTarget.c_str(), 4321, 4322), 0);
    }
    for (const char* pszLink : {"link.jpg", "dangling.jpg"}) {
        CReplaceFile file(PathOf(pszLink).c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Write("new", 3);
        file.Close();
        EXPECT_TRUE(fs::is_symlink(PathOf(pszLink))) << pszLink;
    }
    EXPECT_EQ(ReadFile(sTarget), "new");
    EXPECT_EQ(ReadFile(PathOf("real/absent.jpg")), "new");
    struct stat st {};
    ASSERT_EQ(::stat(sTarget.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (bRoot) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(ListFolder(PathOf("real")).size(), 2u);  // no temporary file left beside them
}

// While it is written the temporary file is its owner's alone, whatever the replaced file lets
// others do; only the complete file takes the replaced file's mode, or a new file's.
TEST_F(FileTest, ATemporaryFileIsPrivateUntilItIsComplete) {
    const std::string sOld = PathOf("old.jpg"), sNew = PathOf("new.jpg");
    WriteFile(sOld, "old");
    ASSERT_EQ(::chmod(sOld.c_str(), 0644), 0);
    const mode_t nPreviousMask = ::umask(027);
    for (const std::string& sPath : {sOld, sNew}) {
        CReplaceFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Write("new", 3);
        int nTemporaries = 0;
        for (const std::string& sName : ListFolder(m_sDir)) {
            struct stat st {};
            if (sName.rfind(".tn", 0) == 0 && ::stat(PathOf(sName).c_str(), &st) == 0) {
                EXPECT_EQ(st.st_mode & 07777, 0600u) << sName;
                ++nTemporaries;
            }
        }
        EXPECT_EQ(nTemporaries, 1);
        file.Close();
    }
    ::umask(nPreviousMask);
    struct stat st {};
    ASSERT_EQ(::stat(sOld.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(::stat(sNew.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ListFolder(m_sDir).size(), 2u);
}

// A device or a pipe, also one named through /dev/fd or /dev/stdout, is written where it is, in
// order, and keeps its mode.
TEST_F(FileTest, ADestinationThatIsNoRegularFileIsWrittenInPlace) {
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(ends), 0);
    for (const std::string& sPath :
         {"/dev/fd/" + std::to_string(ends[1]), std::string("/dev/null")}) {
        struct stat before {};
        ASSERT_EQ(::stat(sPath.c_str(), &before), 0);
        CReplaceFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Write("new", 3);
        file.Close();
        struct stat after {};
        ASSERT_EQ(::stat(sPath.c_str(), &after), 0) << sPath;
        EXPECT_EQ(after.st_mode, before.st_mode) << sPath;
    }
    ::close(ends[1]);
    char szRead[8] = {};
    EXPECT_EQ(::read(ends[0], szRead, sizeof szRead), 3);
    EXPECT_STREQ(szRead, "new");
    ::close(ends[0]);
    EXPECT_TRUE(ListFolder(m_sDir).empty());
}

// The bytes still in the stream fail to reach the disk at the last flush (here the file-size
// limit stands for a full disk): the temporary file goes and the old file stays.
TEST_F(FileTest, AFailedLastFlushLeavesTheOldFileAndNoTemporaryOne) {
    const std::string sPath = PathOf("out.jpg");
    WriteFile(sPath, "old");
    CReplaceFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write(std::string(100, 'x').data(), 100);
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto e = CatchFileException([&] { file.Close(); });
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previousHandler);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(ReadFile(sPath), "old");
    EXPECT_EQ(ListFolder(m_sDir), std::vector<std::string>{"out.jpg"});
}
#endif

#ifdef _WIN32
// A destination another program holds open without letting it be deleted cannot be replaced:
// said when opening, before anything is written; one held with full sharing can be. The
// replaced file's attributes carry over, and a destination 250 characters long still has room
// for the temporary name beside it.
TEST_F(FileTest, AReplacementSaysAtOnceWhenItsDestinationIsHeld) {
    const std::string sPath = PathOf("held.jpg");
    WriteFile(sPath, "old");
    const std::wstring sWide = Utf8ToWide(sPath.c_str());
    for (DWORD nShare : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
        SCOPED_TRACE(nShare);
        HANDLE hHeld =
            CreateFileW(sWide.c_str(), GENERIC_READ, nShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
        CReplaceFile file;
        CFileException error;
        const BOOL bOpened = file.Open(sPath.c_str(), CFile::modeCreate | CFile::modeWrite, &error);
        if (nShare == 0) {
            EXPECT_FALSE(bOpened);
            EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
        } else {
            EXPECT_TRUE(bOpened);
            file.Write("new", 3);
            CloseHandle(hHeld);
            hHeld = INVALID_HANDLE_VALUE;
            file.Close();
        }
        if (hHeld != INVALID_HANDLE_VALUE)
            CloseHandle(hHeld);
    }
    EXPECT_EQ(ReadFile(sPath), "new");
}

// A device is written where it is, with nothing made beside it.
TEST_F(FileTest, ADeviceIsWrittenInPlace) {
    ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(m_sDir.c_str()).c_str()));
    CReplaceFile device("NUL", CFile::modeCreate | CFile::modeWrite);
    device.Write("new", 3);
    device.Close();
    EXPECT_TRUE(ListFolder(m_sDir).empty());

    SetCurrentDirectoryW(L"C:\\");
}

TEST_F(FileTest, AReplacementKeepsAttributesAndFitsBesideALongPath) {
    const std::string sHidden = PathOf("hidden.jpg");
    WriteFile(sHidden, "old");
    const std::wstring sWide = Utf8ToWide(sHidden.c_str());
    ASSERT_TRUE(SetFileAttributesW(sWide.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CReplaceFile hidden(sHidden.c_str(), CFile::modeCreate | CFile::modeWrite);
    hidden.Write("new", 3);
    hidden.Close();
    EXPECT_EQ(ReadFile(sHidden), "new");
    EXPECT_TRUE(GetFileAttributesW(sWide.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    std::string sFolder = m_sDir;
    while (sFolder.size() + 1 + 100 < 250 - 6) {
        sFolder += "\\" + std::string(100 - (sFolder.size() % 7), 'f');
        ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(sFolder.c_str()).c_str(), nullptr)) << sFolder;
    }
    const std::string sLong = sFolder + "\\" + std::string(250 - sFolder.size() - 5, 'n') + ".jpg";
    ASSERT_EQ(sLong.size(), 250u);
    CReplaceFile file(sLong.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write("new", 3);
    file.Close();
    EXPECT_EQ(ReadFile(sLong), "new");
}
#endif

TEST_F(FileTest, AReplacementThatCannotBeMovedInPlaceFailsAndLeavesNothing) {
    const std::string sPath = PathOf("out.bin");
    CReplaceFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write("new", 3);
    // Something else takes the name meanwhile: a folder, which no file can replace.
    std::filesystem::create_directory(sPath);
    const auto e = CatchFileException([&] { file.Close(); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->m_strFileName, sPath.c_str());
    EXPECT_TRUE(std::filesystem::is_directory(sPath));
    EXPECT_EQ(ListFolder(m_sDir).size(), 1u);
}

TEST(FileExceptionTest, MessageNamesCauseAndFileAndTruncatesSafely) {
    CFileException notFound(CFileException::fileNotFound, 2, "C:\\写真\\a.bmp");
    EXPECT_STREQ(notFound.GetErrorMessage(), "ファイル \"C:\\写真\\a.bmp\" が見つかりません。");
    CFileException diskFull(CFileException::diskFull, 28, "out.jpg");
    EXPECT_NE(diskFull.GetErrorMessage().Find("ディスクがいっぱい"), -1);
    EXPECT_NE(CFileException(CFileException::badPath).GetErrorMessage().Find("(名前なし)"), -1);

    char sz[8];
    UINT nHelp = 99;
    EXPECT_TRUE(notFound.GetErrorMessage(sz, sizeof sz, &nHelp));
    EXPECT_STREQ(sz, "ファ");  // 7 bytes hold two whole characters
    EXPECT_EQ(nHelp, 0u);

    CException plain;
    sz[0] = 'x';
    EXPECT_FALSE(plain.GetErrorMessage(sz, sizeof sz));
    EXPECT_STREQ(sz, "");
}
