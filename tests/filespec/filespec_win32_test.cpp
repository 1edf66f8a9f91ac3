// The path classes on real files and folders, Japanese names included, and the tree copy with
// its roll-back: run under Wine in a scratch folder.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "filespec/copy_tree.h"
#include "filespec/name_text.h"
#include "filespec/system_win32.h"
#include "platform/file.h"
#include "platform/wide_win32.h"
#include "tests/support/temp_dir.h"

namespace {

DWORD Attributes(const std::string& sPath) {
    return GetFileAttributesW(Utf8ToWide(sPath.c_str()).c_str());
}

bool IsThere(const std::string& sPath) { return Attributes(sPath) != INVALID_FILE_ATTRIBUTES; }

void Write(const std::string& sPath, const std::string& sBytes) {
    CFile file(sPath.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write(sBytes.data(), static_cast<UINT>(sBytes.size()));
    file.Close();
}

std::string Read(const std::string& sPath) {
    CFile file(sPath.c_str(), CFile::modeRead);
    std::string s(static_cast<std::size_t>(file.GetLength()), '\0');
    file.Read(s.data(), static_cast<UINT>(s.size()));
    return s;
}

void MakeDirectory(const std::string& sPath) {
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(sPath.c_str()).c_str(), nullptr)) << sPath;
}

// Every entry below sDir: its relative path, and for a file its bytes, attributes and time.
using Snapshot = std::map<std::string, std::string>;
void TakeSnapshot(const std::string& sDir, const std::string& sRelative, Snapshot& snapshot) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(Utf8ToWide((sDir + "\\*").c_str()).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string sName = WideToUtf8(data.cFileName).str();
        if (sName == "." || sName == "..")
            continue;
        const std::string sEntry = sRelative + sName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            snapshot[sEntry] = "<dir>";
            TakeSnapshot(sDir + "\\" + sName, sEntry + "\\", snapshot);
        } else {
            snapshot[sEntry] = Read(sDir + "\\" + sName) + "|" +
                               std::to_string(data.dwFileAttributes) + "|" +
                               std::to_string(data.ftLastWriteTime.dwLowDateTime);
        }
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
}
Snapshot SnapshotOf(const std::string& sDir) {
    Snapshot snapshot;
    TakeSnapshot(sDir, "", snapshot);
    return snapshot;
}

// Read-only files would keep the scratch folder from going.
void ClearReadOnly(const std::string& sDir) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(Utf8ToWide((sDir + "\\*").c_str()).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string sPath = sDir + "\\" + WideToUtf8(data.cFileName).str();
        if (data.cFileName[0] == L'.' && (data.cFileName[1] == L'\0' || data.cFileName[1] == L'.'))
            continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            ClearReadOnly(sPath);
        else
            SetFileAttributesW(Utf8ToWide(sPath.c_str()).c_str(), FILE_ATTRIBUTE_NORMAL);
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
}

class FileSystemTest : public TempDirTest {
protected:
    void TearDown() override {
        ClearReadOnly(m_sDir);
        TempDirTest::TearDown();
    }
    std::string In(const std::string& sRelative) const { return m_sDir + "\\" + sRelative; }
};

TEST_F(FileSystemTest, ExistenceAbsoluteShortAndCompactPaths) {
    MakeDirectory(In("写真"));
    Write(In("写真\\夏の海.BMP"), "bm");
    EXPECT_TRUE(COXPathSpec(In("写真\\夏の海.bmp").c_str()).Exists());
    EXPECT_TRUE(COXDirSpec(In("写真").c_str()).Exists());
    EXPECT_FALSE(COXDirSpec(In("写真\\夏の海.bmp").c_str()).Exists());  // a file, not a folder
    EXPECT_FALSE(COXPathSpec(In("写真\\冬.bmp").c_str()).Exists());
    EXPECT_TRUE(COXDirSpec("c:\\").Exists());

    ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(m_sDir.c_str()).c_str()));
    COXPathSpec relative("写真\\夏の海.bmp");
    ASSERT_TRUE(relative.MakeAbsolute());
    EXPECT_TRUE(relative.Exists());
    EXPECT_EQ(relative.GetPath(), COXPathSpec(In("写真\\夏の海.bmp").c_str()).GetPath());
    EXPECT_EQ(COXPathSpec("写真\\夏の海.bmp").GetCompactPath(),
              relative.GetDrive() + "\\..\\写真\\夏の海.bmp");

    CString sShort;
    ASSERT_TRUE(relative.GetShortPath(sShort));
    EXPECT_TRUE(IsThere(sShort.str()));
    EXPECT_FALSE(COXPathSpec().GetShortPath(sShort));

    COXDirSpec current;
    ASSERT_TRUE(current.SetToCurrentDirectory());
    EXPECT_EQ(current, COXDirSpec(m_sDir.c_str()));
    ASSERT_TRUE(COXDirSpec("写真").MakeCurrent());
    ASSERT_TRUE(current.SetToCurrentDirectory());
    EXPECT_EQ(current, COXDirSpec(In("写真").c_str()));
    COXDirSpec temp;
    ASSERT_TRUE(temp.SetToTempDirectory());
    EXPECT_TRUE(temp.Exists());

    COXDirSpec deep(In("写真\\無い\\もっと無い").c_str());
    EXPECT_TRUE(deep.MakeAbsoluteExisting());
    EXPECT_EQ(deep, COXDirSpec(In("写真").c_str()));
}

TEST_F(FileSystemTest, TemporaryAndUniqueNames) {
    COXPathSpec temp;
    ASSERT_TRUE(temp.MakeTempFileName(TRUE, "tst", m_sDir.c_str()));
    EXPECT_TRUE(temp.Exists());
    EXPECT_EQ(temp.GetDirectory(), COXDirSpec(m_sDir.c_str()).GetDirectory());
    COXPathSpec gone;
    ASSERT_TRUE(gone.MakeTempFileName(FALSE, "tst", m_sDir.c_str()));
    EXPECT_FALSE(gone.Exists());
    EXPECT_NE(gone, temp);
    EXPECT_TRUE(COXPathSpec().MakeTempFileName());  // in the system's temporary folder

    Write(In("abcdefghij.bmp"), "1");
    Write(In("abcdefg2.bmp"), "2");
    COXPathSpec unique(In("ABCDEFGHIJ.BMP").c_str());
    ASSERT_TRUE(unique.MakeUnique());
    EXPECT_EQ(unique.GetFileName(), "abcdefg3.bmp");
    COXPathSpec free(In("free.bmp").c_str());
    ASSERT_TRUE(free.MakeUnique());
    EXPECT_EQ(free.GetFileName(), "free.bmp");

    MakeDirectory(In("写真"));
    COXDirSpec folder(In("写真").c_str());
    ASSERT_TRUE(folder.MakeUnique());
    EXPECT_EQ(folder.GetLastSubdirectory().GetSubdirectory(), "写真_____2");
}

TEST_F(FileSystemTest, SearchLooksInTheGivenFolderFirstAndThenTheWholePath) {
    MakeDirectory(In("given"));
    MakeDirectory(In("on-path"));
    Write(In("given\\both.txt"), "given");
    Write(In("on-path\\both.txt"), "path");
    Write(In("on-path\\検索.txt"), "path");

    // A PATH far longer than any fixed buffer, the folder last.
    std::string sSearchPath;
    for (int i = 0; i < 40; ++i)
        sSearchPath += "C:\\no-such-folder-" + std::to_string(i) + ";";
    sSearchPath += In("on-path");
    wchar_t szOld[32767] = L"";
    GetEnvironmentVariableW(L"PATH", szOld, 32767);
    SetEnvironmentVariableW(L"PATH", Utf8ToWide(sSearchPath.c_str()).c_str());

    COXPathSpec found;
    EXPECT_TRUE(found.SearchFile(COXFileSpec("both.txt"), COXDirSpec(In("given").c_str())));
    EXPECT_EQ(Read(found.GetPath().str()), "given");
    EXPECT_TRUE(found.SearchFile(COXFileSpec("both.txt")));
    EXPECT_EQ(Read(found.GetPath().str()), "path");
    EXPECT_TRUE(found.SearchFile(COXFileSpec("検索.txt")));
    const CString sBefore = found.GetPath();
    EXPECT_FALSE(found.SearchFile(COXFileSpec("nowhere-at-all.txt")));
    EXPECT_EQ(found.GetPath(), sBefore);
    SetEnvironmentVariableW(L"PATH", szOld);
}

TEST_F(FileSystemTest, CopyRenameRemoveAndFileInformation) {
    Write(In("元.txt"), "original contents");
    COXPathSpec source(In("元.txt").c_str());
    source.SetTime(CTime(1000000000));
    source.SetAttributes(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(source.WriteFileTime());
    ASSERT_TRUE(source.WriteFileAttributes());

    COXPathSpec copy(In("写し.txt").c_str());
    ASSERT_TRUE(source.CopyFileTo(copy));
    ASSERT_TRUE(copy.ReadFileInfo());
    EXPECT_EQ(Read(In("写し.txt")), "original contents");
    EXPECT_EQ(copy.GetTime().GetTime(), 1000000000);
    EXPECT_EQ(copy.GetLength(), 17);
    EXPECT_EQ(copy.GetAttributes() & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
    // Into a folder: the file keeps its name.
    MakeDirectory(In("中"));
    ASSERT_TRUE(source.CopyFileTo(COXPathSpec((In("中") + "\\").c_str())));
    EXPECT_EQ(Read(In("中\\元.txt")), "original contents");

    EXPECT_FALSE(copy.RemoveFile());  // read-only
    EXPECT_TRUE(copy.RemoveFile(TRUE));
    EXPECT_FALSE(IsThere(In("写し.txt")));

    Write(In("other.txt"), "other");
    EXPECT_FALSE(source.RenameTo(COXPathSpec(In("other.txt").c_str())));  // never over a file
    EXPECT_EQ(Read(In("other.txt")), "other");
    EXPECT_TRUE(source.RenameTo(COXPathSpec(In("元.TXT").c_str())));  // itself
    EXPECT_TRUE(source.RenameTo(COXPathSpec("改名.txt")));            // the folder is this one's
    EXPECT_TRUE(IsThere(In("改名.txt")));
    EXPECT_FALSE(IsThere(In("元.txt")));

    COXPathSpec sized(In("other.txt").c_str());
    sized.SetLength(2);
    ASSERT_TRUE(sized.WriteFileLength());
    EXPECT_EQ(Read(In("other.txt")), "ot");
    sized.SetLength(4);
    ASSERT_TRUE(sized.WriteFileLength());
    EXPECT_EQ(Read(In("other.txt")), std::string("ot\0\0", 4));
    EXPECT_FALSE(COXPathSpec(In("absent.txt").c_str()).WriteFileLength());
}

TEST_F(FileSystemTest, AFailedCopyLeavesTheDestinationAsItWasAndNothingBeside) {
    const std::string sBig(300000, 'x');
    Write(In("big.bin"), sBig);
    Write(In("dest.bin"), "the user's file");
    Write(In("locked-dest.bin"), "read-only");
    SetFileAttributesW(Utf8ToWide(In("locked-dest.bin").c_str()).c_str(), FILE_ATTRIBUTE_READONLY);
    const Snapshot before = SnapshotOf(m_sDir);

    // A source that breaks off after 100000 bytes: a pipe whose writer goes away.
    const std::string sPipe = "\\\\.\\pipe\\tarnel-copy-source";
    HANDLE hPipe = CreateNamedPipeW(Utf8ToWide(sPipe.c_str()).c_str(), PIPE_ACCESS_OUTBOUND,
                                    PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
    ASSERT_NE(hPipe, INVALID_HANDLE_VALUE);
    DWORD nWritten = 0;
    std::thread writer([&] {
        ConnectNamedPipe(hPipe, nullptr);
        ::WriteFile(hPipe, sBig.data(), 100000, &nWritten, nullptr);
        FlushFileBuffers(hPipe);
        CloseHandle(hPipe);
    });
    EXPECT_FALSE(COXPathSpec(sPipe.c_str()).CopyFileTo(COXPathSpec(In("dest.bin").c_str())));
    writer.join();
    EXPECT_EQ(nWritten, 100000u);  // the copy read a good part before the source broke off

    EXPECT_FALSE(
        COXPathSpec(In("big.bin").c_str()).CopyFileTo(COXPathSpec(In("locked-dest.bin").c_str())));
    EXPECT_FALSE(
        COXPathSpec(In("absent.bin").c_str()).CopyFileTo(COXPathSpec(In("dest.bin").c_str())));
    EXPECT_EQ(SnapshotOf(m_sDir), before);
    SetFileAttributesW(Utf8ToWide(In("locked-dest.bin").c_str()).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileSystemTest, FindOperationsListFilesAndFoldersWithoutDotNames) {
    MakeDirectory(In("一"));
    MakeDirectory(In("two"));
    MakeDirectory(In(".hidden"));
    Write(In("a.bmp"), "aa");
    Write(In("写真.BMP"), "bbb");
    Write(In("c.txt"), "c");
    Write(In(".dot.bmp"), "d");

    std::map<std::string, LONG> files;
    FindContext context;
    COXPathSpec pattern((In("*.bmp")).c_str());
    for (BOOL bMore = pattern.FindFirstEntry(context); context.m_bFound;) {
        const COXFileSpec entry = pattern.FindNextEntry(context);
        files[entry.GetFileName().str()] = entry.GetLength();
        (void)bMore;
    }
    EXPECT_EQ(files, (std::map<std::string, LONG>{{"a.bmp", 2}, {"写真.bmp", 3}}));
    EXPECT_EQ(context.m_hFind, nullptr);

    std::vector<std::string> folders;
    COXPathSpec all((m_sDir + "\\").c_str());
    all.FindFirstSubdirectoryEntry(context);
    while (context.m_bFound)
        folders.push_back(all.FindNextSubdirectoryEntry(context).GetDirectory().str());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders,
              (std::vector<std::string>{COXDirSpec(In("TWO").c_str()).GetDirectory().str(),
                                        COXDirSpec(In("一").c_str()).GetDirectory().str()}));
    EXPECT_FALSE(COXPathSpec(In("*.none").c_str()).FindFirstEntry(context));
}

TEST_F(FileSystemTest, DirectoriesAreCreatedInspectedAndRemoved) {
    COXDirSpec nested(In("上\\中\\下").c_str());
    ASSERT_TRUE(nested.CreateDirectories());
    EXPECT_TRUE(nested.Exists());
    EXPECT_TRUE(nested.HasNoEntries());
    Write(In("上\\中\\下\\f.txt"), "f");
    Write(In("上\\中\\ro.txt"), "r");
    SetFileAttributesW(Utf8ToWide(In("上\\中\\ro.txt").c_str()).c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(nested.HasNoEntries());

    const COXDirSpec top(In("上").c_str());
    EXPECT_FALSE(top.Remove());      // not empty
    EXPECT_FALSE(top.Remove(TRUE));  // the read-only file stays without force
    EXPECT_TRUE(IsThere(In("上\\中\\ro.txt")));
    EXPECT_TRUE(top.Remove(TRUE, TRUE));
    EXPECT_FALSE(IsThere(In("上")));

    const COXDirSpec drive("c:");
    EXPECT_EQ(drive.QueryDriveType(), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_GT(drive.QueryFreeSpace(), 0u);
    EXPECT_FALSE(drive.GetFileSystemName().IsEmpty());
    EXPECT_EQ(COXDirSpec("\\x").QueryDriveType(), 0u);
    EXPECT_EQ(COXDirSpec("\\x").QueryFreeSpace(), 0u);
}

// A status window that asks to stop once a number of files were copied, and records what it
// was shown.
class StopAfter : public CopyStatusWindow {
public:
    explicit StopAfter(int nCopies) : m_nStopAfter(nCopies) {}
    BOOL OpenStatus() override { return TRUE; }
    BOOL IsStopRequested() override { return m_nCopies >= m_nStopAfter; }
    void ShowStep(int nStep, LPCTSTR pszFirst, LPCTSTR) override {
        m_steps.push_back(std::to_string(nStep) + " " + pszFirst);
        if (nStep == stepCopy)
            ++m_nCopies;
        if (m_onStep)
            m_onStep();
    }
    void SetStatusTitle(LPCTSTR pszTitle) override { m_titles.push_back(pszTitle); }
    void CloseStatus() override { ++m_nClosed; }

    int m_nStopAfter;
    int m_nCopies = 0;
    int m_nClosed = 0;
    std::vector<std::string> m_steps;
    std::vector<std::string> m_titles;
    std::function<void()> m_onStep;
};

class TreeCopyTest : public FileSystemTest {
protected:
    // 元 holds a.txt, 写真.bmp, 下位\b.txt and 下位\深い\c.txt; 先 holds 元\a.txt already.
    void SetUp() override {
        FileSystemTest::SetUp();
        MakeDirectory(In("元"));
        MakeDirectory(In("元\\下位"));
        MakeDirectory(In("元\\下位\\深い"));
        MakeDirectory(In("元\\空"));
        Write(In("元\\a.txt"), "new a");
        Write(In("元\\写真.bmp"), "picture");
        Write(In("元\\下位\\b.txt"), "b");
        Write(In("元\\下位\\深い\\c.txt"), "c");
        MakeDirectory(In("先"));
        MakeDirectory(In("先\\元"));
        Write(In("先\\元\\a.txt"), "the old a, not to be lost");
    }
    COXDirSpec Source() const { return COXDirSpec(In("元").c_str()); }
    COXDirSpec Destination() const { return COXDirSpec(In("先").c_str()); }
};

TEST_F(TreeCopyTest, CopiesTheTreeIntoAFolderOfItsNameOrItsContentsAlone) {
    COXCopyTree copy;
    ASSERT_TRUE(copy.CopyTree(Source(), Destination()));
    EXPECT_EQ(copy.GetError(), 0);
    EXPECT_EQ(Read(In("先\\元\\a.txt")), "new a");
    EXPECT_EQ(Read(In("先\\元\\写真.bmp")), "picture");
    EXPECT_EQ(Read(In("先\\元\\下位\\深い\\c.txt")), "c");
    EXPECT_TRUE(COXDirSpec(In("先\\元\\空").c_str()).Exists());
    EXPECT_EQ(SnapshotOf(In("先\\元")).size(), SnapshotOf(In("元")).size());

    MakeDirectory(In("中身"));
    ASSERT_TRUE(Source().CopyTo(COXDirSpec(In("中身").c_str()), TRUE));
    EXPECT_EQ(Read(In("中身\\a.txt")), "new a");
    EXPECT_EQ(Read(In("中身\\下位\\b.txt")), "b");

    // The destination is taken where it is when the copy starts, not in the source tree.
    ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(m_sDir.c_str()).c_str()));
    ASSERT_TRUE(COXDirSpec("元\\下位").CopyTo(COXDirSpec("相対\\先")));
    EXPECT_EQ(Read(In("相対\\先\\下位\\b.txt")), "b");
    COXDirSpec current;
    current.SetToCurrentDirectory();
    EXPECT_EQ(current, COXDirSpec(m_sDir.c_str()));
}

TEST_F(TreeCopyTest, AStopWithCleanUpLeavesTheDestinationExactlyAsItWas) {
    const Snapshot before = SnapshotOf(In("先"));
    // Stop before each file in turn, so that every file, the one that replaces another among
    // them, has once been copied when the roll-back starts.
    for (int nStop = 0; nStop < 4; ++nStop) {
        StopAfter status(nStop);
        COXCopyTree copy;
        EXPECT_FALSE(copy.CopyTree(Source(), Destination(), FALSE, TRUE, &status)) << nStop;
        EXPECT_EQ(copy.GetError(), COXCopyTree::errorStopped);
        EXPECT_EQ(status.m_nCopies, nStop);
        if (nStop > 0) {  // with nothing copied there may be nothing to take back
            EXPECT_EQ(status.m_titles, std::vector<std::string>{"Removal Status"});
        }
        EXPECT_EQ(status.m_nClosed, 1);
        EXPECT_EQ(SnapshotOf(In("先")), before) << "stopped after " << nStop;
    }
    // Without a folder of the source's name the roll-back removes what it created too.
    StopAfter status(1);
    MakeDirectory(In("空の先"));
    EXPECT_FALSE(Source().CopyTo(COXDirSpec(In("空の先\\新").c_str()), FALSE, TRUE, &status));
    EXPECT_FALSE(IsThere(In("空の先\\新")));
    EXPECT_TRUE(IsThere(In("空の先")));
}

TEST_F(TreeCopyTest, AStopWithoutCleanUpKeepsWhatWasCopied) {
    StopAfter status(2);
    COXCopyTree copy;
    EXPECT_FALSE(copy.CopyTree(Source(), Destination(), FALSE, FALSE, &status));
    EXPECT_EQ(copy.GetError(), COXCopyTree::errorStopped);
    EXPECT_TRUE(status.m_titles.empty());
    int nCopied = 0;
    for (const auto& entry : SnapshotOf(In("先\\元")))
        nCopied += entry.second != "<dir>" && entry.second.rfind("the old a", 0) != 0;
    EXPECT_EQ(nCopied, 2);
    // Nothing kept aside is left behind.
    for (const auto& entry : SnapshotOf(In("先")))
        EXPECT_EQ(entry.first.find(".tmp"), std::string::npos) << entry.first;
}

TEST_F(TreeCopyTest, OneCopyAtATimeAndNeverIntoItselfOrFromNowhere) {
    StopAfter status(100);
    BOOL bSecond = TRUE;
    short nSecondError = -1;
    status.m_onStep = [&] {
        if (nSecondError != -1)
            return;
        COXCopyTree second;
        bSecond = second.CopyTree(Source(), COXDirSpec(In("別").c_str()));
        nSecondError = second.GetError();
    };
    COXCopyTree first;
    EXPECT_TRUE(first.CopyTree(Source(), Destination(), FALSE, FALSE, &status));
    EXPECT_FALSE(bSecond);
    EXPECT_EQ(nSecondError, 0);
    EXPECT_FALSE(IsThere(In("別")));

    // Never into itself, however the case of its name is written (é and É are one name to the
    // file system): the copy would copy its own copies.
    MakeDirectory(In("été"));
    MakeDirectory(In("été\\sous"));
    Write(In("été\\x.txt"), "x");
    const Snapshot before = SnapshotOf(m_sDir);
    EXPECT_FALSE(Source().CopyTo(Source()));
    EXPECT_FALSE(Source().CopyTo(COXDirSpec(In("元\\下位").c_str()), TRUE));
    EXPECT_FALSE(COXDirSpec(In("été").c_str()).CopyTo(COXDirSpec(In("ÉTÉ\\sous").c_str()), TRUE));
    EXPECT_EQ(SnapshotOf(m_sDir), before);

    // A source that is not there is found before any folder is made for its copy.
    for (BOOL bOnlyContents : {TRUE, FALSE}) {
        COXCopyTree missing;
        EXPECT_FALSE(missing.CopyTree(COXDirSpec(In("無い").c_str()),
                                      COXDirSpec(In("新\\先").c_str()), bOnlyContents, TRUE));
        EXPECT_EQ(missing.GetError(), COXCopyTree::errorSourceDirectory);
        EXPECT_FALSE(IsThere(In("新")));
    }
}

// One object copies again as if new: its second run, stopped, gives back exactly what was there
// before it, the user's later changes to the first run's copies included.
TEST_F(TreeCopyTest, ASecondRunOnTheSameObjectStartsAfresh) {
    COXCopyTree copy;
    ASSERT_TRUE(copy.CopyTree(Source(), Destination()));
    for (const auto& [sName, sEntry] : SnapshotOf(In("先")))
        if (sEntry != "<dir>")
            Write(In("先\\" + sName), "the user's newer " + sName);
    const Snapshot before = SnapshotOf(In("先"));
    StopAfter status(3);
    EXPECT_FALSE(copy.CopyTree(Source(), Destination(), FALSE, TRUE, &status));
    EXPECT_EQ(SnapshotOf(In("先")), before);
    EXPECT_FALSE(copy.IsRollBackUnfinished());
}

// Fails the operations for which fail(operation, its number among all) says so, for the length
// of a scope, and counts them.
class FaultScope {
public:
    using Rule = std::function<bool(filespec_system::FileOperation, int)>;
    explicit FaultScope(Rule fail = nullptr) {
        filespec_system::SetFaultInjector([this, fail](filespec_system::FileOperation operation) {
            ++m_nOperations;
            return fail && fail(operation, m_nOperations);
        });
    }
    ~FaultScope() { filespec_system::SetFaultInjector(nullptr); }
    int m_nOperations = 0;
};

// The nth operation of a kind fails.
FaultScope::Rule NthOf(filespec_system::FileOperation kind, int n) {
    auto nSeen = std::make_shared<int>(0);
    return [kind, n, nSeen](filespec_system::FileOperation operation, int) {
        return operation == kind && ++*nSeen == n;
    };
}

std::string Slashed(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

TEST_F(TreeCopyTest, ARollBackGivesBackTheUsersFileWhenOneNameIsWrittenTwice) {
    // A folder that holds a.txt and A.TXT, which one Windows name stands for.
    const std::string sClash = Slashed(std::string(TARNEL_TEST_DATA_DIR) + "/case-clash");
    MakeDirectory(In("先\\case-clash"));
    Write(In("先\\case-clash\\a.txt"), "the user's");
    const Snapshot before = SnapshotOf(In("先"));
    FaultScope faults(NthOf(filespec_system::FileOperation::Copy, 2));
    COXCopyTree copy;
    EXPECT_FALSE(copy.CopyTree(COXDirSpec(sClash.c_str()), Destination(), FALSE, TRUE));
    EXPECT_EQ(SnapshotOf(In("先")), before);
}

TEST_F(TreeCopyTest, AUsersFileThatCannotBeGivenBackIsKeptNotDeleted) {
    MakeDirectory(In("一"));
    Write(In("一\\a.txt"), "new");
    for (BOOL bCleanUp : {FALSE, TRUE}) {
        SCOPED_TRACE(bCleanUp ? "with clean-up" : "without");
        const std::string sFolder = bCleanUp ? "受1\\一" : "受2\\一";
        MakeDirectory(In(sFolder.substr(0, sFolder.find('\\'))));
        MakeDirectory(In(sFolder));
        Write(In(sFolder + "\\a.txt"), "the user's");
        // The copy over the user's file fails, and so does every move back.
        FaultScope faults([](filespec_system::FileOperation operation, int) {
            return operation == filespec_system::FileOperation::MoveBack ||
                   operation == filespec_system::FileOperation::Copy;
        });
        COXCopyTree copy;
        EXPECT_FALSE(copy.CopyTree(COXDirSpec(In("一").c_str()),
                                   COXDirSpec(In(sFolder.substr(0, sFolder.find('\\'))).c_str()),
                                   FALSE, bCleanUp));
        EXPECT_TRUE(copy.IsRollBackUnfinished());
        const Snapshot after = SnapshotOf(In(sFolder));
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after.begin()->second.substr(0, 11), "the user's|");
    }
}

// A finished copy whose user's file, kept aside, cannot be cleared away says so and names it.
TEST_F(TreeCopyTest, AKeptFileThatCannotBeClearedAwayIsNamed) {
    FaultScope faults([](filespec_system::FileOperation operation, int) {
        return operation == filespec_system::FileOperation::Remove;
    });
    COXCopyTree copy;
    EXPECT_TRUE(copy.CopyTree(Source(), Destination()));
    EXPECT_TRUE(copy.IsRollBackUnfinished());
    ASSERT_EQ(copy.GetLeftBehind().size(), 1u);
    EXPECT_EQ(Read(static_cast<LPCTSTR>(copy.GetLeftBehind()[0])), "the old a, not to be lost");
    EXPECT_EQ(Read(In("先\\元\\a.txt")), "new a");
}

TEST_F(TreeCopyTest, ADestinationTheDirectoryClassRefusesIsRefusedNotTakenAsTheCurrentFolder) {
    MakeDirectory(In("今"));
    ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(In("今").c_str()).c_str()));
    const COXDirSpec refused((In("先") + "\\").c_str());  // a trailing separator empties it
    COXCopyTree copy;
    EXPECT_FALSE(copy.CopyTree(Source(), refused));
    EXPECT_EQ(copy.GetError(), COXCopyTree::errorDestinationDirectory);
    EXPECT_TRUE(SnapshotOf(In("今")).empty());
    SetCurrentDirectoryW(Utf8ToWide(m_sDir.c_str()).c_str());
}

TEST_F(TreeCopyTest, DotAndDotDotCopyTheFolderTheyName) {
    ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(In("元\\下位").c_str()).c_str()));
    ASSERT_TRUE(COXDirSpec(".").CopyTo(Destination()));
    EXPECT_EQ(Read(In("先\\下位\\b.txt")), "b");
    ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(In("元\\下位\\深い").c_str()).c_str()));
    ASSERT_TRUE(COXDirSpec("..").CopyTo(COXDirSpec(In("上").c_str())));
    EXPECT_EQ(Read(In("上\\下位\\深い\\c.txt")), "c");
    EXPECT_FALSE(IsThere(In("先\\b.txt")));
    SetCurrentDirectoryW(Utf8ToWide(m_sDir.c_str()).c_str());
}

TEST_F(TreeCopyTest, ReadOnlyFilesTheCopyMadeAreRemovedByItsRollBack) {
    for (const char* pszFile :
         {"元\\a.txt", "元\\写真.bmp", "元\\下位\\b.txt", "元\\下位\\深い\\c.txt"})
        SetFileAttributesW(Utf8ToWide(In(pszFile).c_str()).c_str(), FILE_ATTRIBUTE_READONLY);
    const Snapshot before = SnapshotOf(In("先"));
    for (int nStop = 1; nStop <= 3; ++nStop) {
        StopAfter status(nStop);
        COXCopyTree copy;
        EXPECT_FALSE(copy.CopyTree(Source(), Destination(), FALSE, TRUE, &status));
        EXPECT_EQ(SnapshotOf(In("先")), before) << "stopped after " << nStop;
    }
}

TEST_F(TreeCopyTest, AFolderThatCannotBeListedFailsTheCopy) {
    FaultScope faults(NthOf(filespec_system::FileOperation::List, 1));
    COXCopyTree copy;
    EXPECT_FALSE(copy.CopyTree(Source(), COXDirSpec(In("新").c_str()), FALSE, TRUE));
    EXPECT_EQ(copy.GetError(), COXCopyTree::errorStopped);  // after its roll-back
    EXPECT_FALSE(IsThere(In("新")));
    COXCopyTree without;
    FaultScope again(NthOf(filespec_system::FileOperation::List, 1));
    EXPECT_FALSE(without.CopyTree(Source(), COXDirSpec(In("新").c_str())));
    EXPECT_EQ(without.GetError(), COXCopyTree::errorSourceDirectory);
}

TEST_F(FileSystemTest, LinksToFoldersAreNeverEnteredByARemovalOrACopy) {
    const std::string sLinks = Slashed(TARNEL_LINK_TREE_DIR);
    CreateDirectoryW(Utf8ToWide((sLinks + "\\outside").c_str()).c_str(), nullptr);
    Write(sLinks + "\\outside\\keep.txt", "elsewhere");
    Write(sLinks + "\\tree\\own.txt", "own");
    ASSERT_NE(Attributes(sLinks + "\\tree\\link") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    ASSERT_TRUE(COXDirSpec((sLinks + "\\tree").c_str()).CopyTo(COXDirSpec(In("写し").c_str())));
    EXPECT_EQ(Read(In("写し\\tree\\own.txt")), "own");
    EXPECT_FALSE(IsThere(In("写し\\tree\\link")));
    // Nor is a copy made into itself through a link.
    EXPECT_FALSE(COXDirSpec((sLinks + "\\outside").c_str())
                     .CopyTo(COXDirSpec((sLinks + "\\tree\\link").c_str())));
    EXPECT_FALSE(IsThere(sLinks + "\\outside\\outside"));
    COXDirSpec((sLinks + "\\tree").c_str()).Remove(TRUE, TRUE);
    EXPECT_EQ(Read(sLinks + "\\outside\\keep.txt"), "elsewhere");
}

// Every operation of a copy over existing files fails once, run by run, with and without
// clean-up: afterwards the destination is as it was (clean-up) or holds every file the user
// had, whole (none), and a copy that says it finished holds every file of the source.
TEST_F(TreeCopyTest, AnyOneFailingOperationLosesNothing) {
    Write(In("先\\元\\写真.bmp"), "the user's picture");
    MakeDirectory(In("先\\元\\下位"));
    Write(In("先\\元\\下位\\b.txt"), "the user's b");
    int nOperations = 0;
    {
        FaultScope count;
        COXCopyTree copy;
        ASSERT_TRUE(copy.CopyTree(Source(), Destination(), FALSE, TRUE));
        nOperations = count.m_nOperations;
    }
    const Snapshot complete = SnapshotOf(In("先"));
    const auto restore = [&] {
        ClearReadOnly(In("先"));
        std::filesystem::remove_all(Utf8ToWide(In("先").c_str()).c_str());
        MakeDirectory(In("先"));
        MakeDirectory(In("先\\元"));
        MakeDirectory(In("先\\元\\下位"));
        Write(In("先\\元\\a.txt"), "the old a, not to be lost");
        Write(In("先\\元\\写真.bmp"), "the user's picture");
        Write(In("先\\元\\下位\\b.txt"), "the user's b");
    };
    const auto contents = [](const Snapshot& snapshot) {
        std::map<std::string, std::string> names;
        for (const auto& [sName, sEntry] : snapshot)
            names[sName] = sEntry.substr(0, sEntry.find('|'));
        return names;
    };
    int nRuns = 0;
    for (BOOL bCleanUp : {TRUE, FALSE}) {
        for (int k = 1; k <= nOperations; ++k) {
            SCOPED_TRACE(std::string(bCleanUp ? "clean-up" : "none") + ", failing operation " +
                         std::to_string(k));
            restore();
            const Snapshot start = SnapshotOf(In("先"));
            BOOL bCopied = FALSE;
            {
                FaultScope faults([k](filespec_system::FileOperation, int n) { return n == k; });
                COXCopyTree copy;
                bCopied = copy.CopyTree(Source(), Destination(), FALSE, bCleanUp);
            }
            ++nRuns;
            const Snapshot after = SnapshotOf(In("先"));
            if (bCopied) {
                EXPECT_EQ(contents(after), contents(complete));
            } else if (bCleanUp) {
                EXPECT_EQ(after, start);
            } else {
                const auto left = contents(after), finished = contents(complete);
                for (const auto& [sName, sEntry] : contents(start)) {
                    const auto found = left.find(sName);
                    ASSERT_NE(found, left.end()) << sName;
                    EXPECT_TRUE(found->second == sEntry || found->second == finished.at(sName))
                        << sName << ": " << found->second;
                }
                for (const auto& [sName, sEntry] : after)
                    EXPECT_EQ(sName.find(".tmp"), std::string::npos) << sName;
            }
        }
    }
    std::printf("%d operations in a copy; %d runs, each failing one of them\n", nOperations, nRuns);
}
}  // namespace
