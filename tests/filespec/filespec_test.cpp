// The path classes as values: name rules, splitting and joining, forced setters, comparisons,
// the 8.3 unique names, the compact form and the archive records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filespec/name_text.h"
#include "filespec/path_spec.h"
#include "platform/memfile.h"

namespace {

const std::string kJapaneseName = "写真フォルダ";  // 6 characters, 18 bytes

TEST(FileSpecTest, NamesAreCheckedLowerCasedAndSplitAtTheLastDot) {
    struct Case {
        const char* pszName;
        bool bAccepted;
        const char *pszStored, *pszBase, *pszExtension;
    } const cases[] = {
        {"README.TXT", true, "readme.txt", "readme", "txt"},
        {"archive.tar.gz", true, "archive.tar.gz", "archive.tar", "gz"},
        {"readme", true, "readme", "readme", ""},
        {".profile", true, ".profile", "", "profile"},
        {"name.", true, "name.", "name", ""},
        {"*.*", true, "*.*", "*", "*"},
        {"what?.bmp", true, "what?.bmp", "what?", "bmp"},
        {"写真.BMP", true, "写真.bmp", "写真", "bmp"},
        {"", true, "", "", ""},
        {"a:b", false, "", "", ""},
        {"a/b", false, "", "", ""},
        {"a\\b", false, "", "", ""},
        {"a<b", false, "", "", ""},
        {"a|b", false, "", "", ""},
        {"a\"b", false, "", "", ""},
        {"tab\there", false, "", "", ""},
    };
    for (const Case& c : cases) {
        COXFileSpec spec("old.bmp");
        EXPECT_EQ(static_cast<bool>(spec.SetFileName(c.pszName)), c.bAccepted) << c.pszName;
        if (!c.bAccepted) {
            EXPECT_EQ(spec.GetFileName(), "old.bmp") << c.pszName;
            continue;
        }
        EXPECT_EQ(spec.GetFileName(), c.pszStored);
        EXPECT_EQ(spec.GetBaseName(), c.pszBase) << c.pszName;
        EXPECT_EQ(spec.GetExtension(), c.pszExtension) << c.pszName;
    }
    EXPECT_TRUE(COXFileSpec("a:b").IsEmpty());
}

TEST(FileSpecTest, TheLengthLimitCountsUtf16UnitsAndForcedCutsKeepWholeCharacters) {
    COXFileSpec spec("old");
    EXPECT_TRUE(spec.SetFileName(std::string(255, 'a').c_str()));
    EXPECT_FALSE(spec.SetFileName(std::string(256, 'a').c_str()));
    EXPECT_EQ(spec.GetFileName().GetLength(), 255);

    std::string sJapanese;  // 255 characters Windows accepts, 765 bytes of UTF-8
    for (int i = 0; i < 85; ++i)
        sJapanese += "写真帳";
    EXPECT_TRUE(spec.SetFileName(sJapanese.c_str()));
    EXPECT_FALSE(spec.SetFileName((sJapanese + "x").c_str()));
    EXPECT_TRUE(spec.SetFileName("\xF0\x9F\x93\xB7.bmp"));  // one character, two UTF-16 units

    spec.SetFileNameForced((sJapanese + "写").c_str());
    EXPECT_EQ(spec.GetFileName(), sJapanese.c_str());
    spec.SetFileNameForced(std::string(300, 'B').c_str());
    EXPECT_EQ(spec.GetFileName(), std::string(255, 'b').c_str());
    spec.SetFileNameForced("Pic<tu>re:1.BMP");
    EXPECT_EQ(spec.GetFileName(), "picture1.bmp");
}

TEST(FileSpecTest, PartSettersKeepTheOtherPart) {
    COXFileSpec spec("old.bmp");
    EXPECT_TRUE(spec.SetBaseName("New"));
    EXPECT_EQ(spec.GetFileName(), "new.bmp");
    EXPECT_FALSE(spec.SetBaseName("a/b"));
    EXPECT_TRUE(spec.SetExtension("tar.GZ"));
    EXPECT_EQ(spec.GetFileName(), "new.tar.gz");
    ASSERT_TRUE(spec.SetFileName("a.b"));
    EXPECT_TRUE(spec.SetExtension(""));
    EXPECT_EQ(spec.GetFileName(), "a");
    EXPECT_FALSE(spec.SetExtension(std::string(254, 'x').c_str()));  // a + . + 254 = 256
    EXPECT_EQ(spec.GetFileName(), "a");
    spec.SetExtensionForced("J|PG");
    EXPECT_EQ(spec.GetFileName(), "a.jpg");
    spec.SetBaseNameForced("B<C");
    EXPECT_EQ(spec.GetFileName(), "bc.jpg");

    EXPECT_FALSE(spec.SetLength(-1));
    EXPECT_TRUE(spec.SetLength(0));
    COXFileSpec copy(spec);
    copy.SetLength(7);
    copy.SetAttributes(0x21);
    copy = COXFileSpec("other");
    EXPECT_EQ(copy.GetLength(), 7);  // the assignment copies the name alone
    EXPECT_EQ(copy.GetAttributes(), 0x21);
    EXPECT_TRUE(COXFileSpec("a") < COXFileSpec("B"));
    EXPECT_TRUE(COXFileSpec("A") == COXFileSpec("a"));
}

TEST(DirSpecTest, SetDirectorySplitsDriveAndSubdirectory) {
    struct Case {
        const char* pszDirectory;
        bool bAccepted;
        const char *pszDrive, *pszSubdirectory;
    } const cases[] = {
        {"c:\\windows\\desktop", true, "C:", "\\WINDOWS\\DESKTOP"},
        {"c:\\", true, "C:", "\\"},
        {"c:", true, "C:", ""},
        {"c:temp", true, "C:", "TEMP"},
        {"\\temp", true, "", "\\TEMP"},
        {"a/b", true, "", "A/B"},
        {"写真\\sub", true, "", "写真\\SUB"},
        {"c:\\temp\\", false, "C:", "\\OLD"},  // the drive is set before the refusal
        {"1:\\x", false, "D:", "\\OLD"},
        {"d:\\what?", false, "D:", "\\OLD"},
        {"d:\\a*", false, "D:", "\\OLD"},
        {"d:\\a:b", false, "D:", "\\OLD"},
    };
    for (const Case& c : cases) {
        COXDirSpec spec("d:\\old");
        EXPECT_EQ(static_cast<bool>(spec.SetDirectory(c.pszDirectory)), c.bAccepted)
            << c.pszDirectory;
        EXPECT_EQ(spec.GetDrive(), c.pszDrive) << c.pszDirectory;
        EXPECT_EQ(spec.GetSubdirectory(), c.pszSubdirectory) << c.pszDirectory;
    }
    COXDirSpec spec;
    EXPECT_TRUE(spec.SetDrive("cat"));
    EXPECT_EQ(spec.GetDirectory(), "C:");
    EXPECT_TRUE(spec.SetSubdirectory("temp"));
    EXPECT_EQ(spec.GetDirectory(), "C:TEMP");
    EXPECT_TRUE(COXDirSpec("c:\\temp\\").IsEmpty());
}

TEST(DirSpecTest, ForcedSettersAndComponentOperations) {
    COXDirSpec spec;
    spec.SetDirectoryForced("1:\\wh?at\\*ever\\");
    EXPECT_EQ(spec.GetDirectory(), "\\WHAT\\EVER");
    spec.SetDirectoryForced("e:\\");
    EXPECT_EQ(spec.GetDirectory(), "E:\\");

    COXDirSpec base("c:\\a");
    EXPECT_TRUE(base.AppendDirectory(COXDirSpec("b\\c")));
    EXPECT_EQ(base.GetDirectory(), "C:\\A\\B\\C");
    EXPECT_FALSE(base.AppendDirectory(COXDirSpec("\\abs")));
    EXPECT_FALSE(base.AppendDirectory(COXDirSpec("d:x")));
    EXPECT_TRUE(base.AppendDirectory(COXDirSpec("c:")));
    COXDirSpec root("c:\\");
    EXPECT_TRUE(root.AppendDirectory(COXDirSpec("x")));
    EXPECT_EQ(root.GetDirectory(), "C:\\X");

    EXPECT_EQ(base.GetLastSubdirectory().GetDirectory(), "C:C");
    base.RemoveLastSubdirectory();
    EXPECT_EQ(base.GetSubdirectory(), "\\A\\B");
    base.RemoveLastSubdirectory();
    base.RemoveLastSubdirectory();
    EXPECT_EQ(base.GetSubdirectory(), "\\");
    COXDirSpec relative("rel");
    relative.RemoveLastSubdirectory();
    EXPECT_EQ(relative.GetSubdirectory(), "REL");

    EXPECT_TRUE(COXDirSpec("c:\\a") == COXDirSpec("C:\\A"));
    EXPECT_TRUE(COXDirSpec("c:a") != COXDirSpec("c:\\a"));
    EXPECT_TRUE(COXDirSpec("c:\\a") < COXDirSpec("c:\\b"));
}

TEST(PathSpecTest, SetPathAndGetPath) {
    struct Case {
        const char* pszPath;
        bool bAccepted;
        const char *pszDrive, *pszSubdirectory, *pszFileName, *pszJoined;
    } const cases[] = {
        {"C:\\Images\\Photo.BMP", true, "C:", "\\IMAGES", "photo.bmp", "C:\\IMAGES\\photo.bmp"},
        {"C:\\photo.bmp", true, "C:", "\\", "photo.bmp", "C:\\photo.bmp"},
        {"C:photo.bmp", true, "C:", "", "photo.bmp", "C:\\photo.bmp"},
        {"photo.bmp", true, "", "", "photo.bmp", "photo.bmp"},
        {"C:\\dir\\", true, "C:", "\\DIR", "", "C:\\DIR"},
        {"a/b/.profile", true, "", "A/B", ".profile", "A/B\\.profile"},
        {"\\\\server\\share\\x.jpg", true, "", "\\\\SERVER\\SHARE", "x.jpg",
         "\\\\SERVER\\SHARE\\x.jpg"},
        {"C:\\写真\\夏.BMP", true, "C:", "\\写真", "夏.bmp", "C:\\写真\\夏.bmp"},
        {"", true, "", "", "", ""},
        {"C:\\a<b\\x.bmp", false, "C:", "\\OLD", "old.txt", "C:\\OLD\\old.txt"},
        {"D:\\ok\\x:y.bmp", false, "D:", "\\OK", ".bmp", "D:\\OK\\.bmp"},
    };
    for (const Case& c : cases) {
        COXPathSpec spec("E:\\old\\old.txt");
        EXPECT_EQ(static_cast<bool>(spec.SetPath(c.pszPath)), c.bAccepted) << c.pszPath;
        EXPECT_EQ(spec.GetDrive(), c.pszDrive) << c.pszPath;
        EXPECT_EQ(spec.GetSubdirectory(), c.pszSubdirectory) << c.pszPath;
        EXPECT_EQ(spec.GetFileName(), c.pszFileName) << c.pszPath;
        EXPECT_EQ(spec.GetPath(), c.pszJoined) << c.pszPath;
    }
    EXPECT_EQ(COXPathSpec("C:\\a<b\\x.bmp").GetPath(), "");

    COXPathSpec forced;
    forced.SetPathForced("1:\\a<b\\?\\x:y.B|MP");
    EXPECT_EQ(forced.GetPath(), "\\AB\\xy.bmp");

    COXPathSpec a("c:\\a\\x.bmp"), b("c:\\b\\y.bmp"), c("c:\\b\\a.bmp");
    EXPECT_TRUE(a < b);
    EXPECT_FALSE(a < c);  // the directory is smaller, the name is not
    EXPECT_FALSE(a > c);
    EXPECT_TRUE(a != c);
    EXPECT_TRUE(COXPathSpec("C:\\A\\X.BMP") == a);
}

TEST(PathSpecTest, UniqueBaseNamesAndCompactForms) {
    struct Unique {
        const char* pszBase;
        unsigned nCounter;
        const char* pszExpected;
    } const names[] = {
        {"abcdefghij", 2, "abcdefg2"}, {"report", 2, "report_2"},   {"report", 9, "report_9"},
        {"report", 10, "report10"},    {"report", 100, "repor100"}, {"a", 12345678, "12345678"},
        {"a", 123456789, ""},          {"写真", 3, "写真_____3"},
    };
    for (const Unique& u : names)
        EXPECT_EQ(COXPathSpec::UniqueBaseName(u.pszBase, u.nCounter), u.pszExpected) << u.pszBase;

    struct Compact {
        const char *pszAbsolute, *pszExpected;
    } const forms[] = {
        {"C:\\WINDOWS\\SYSTEM\\X.DLL", "C:\\..\\SYSTEM\\x.dll"},
        {"C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\win.ini"},
        {"C:\\A.TXT", "C:\\a.txt"},
        {"", ""},
    };
    for (const Compact& f : forms)
        EXPECT_EQ(COXPathSpec::CompactForm(COXPathSpec(f.pszAbsolute)), f.pszExpected);
}

// What the class stores, byte for byte: drive, subdirectory, name, time, length, attributes.
TEST(PathSpecTest, ArchiveRecordsAreTheFrameworkLayout) {
    COXPathSpec spec("C:\\Dir\\Name.Bmp");
    spec.SetTime(CTime(0x01020304));
    spec.SetLength(0x7FFFFFFE);
    spec.SetAttributes(0x21);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        spec.Serialize(ar);
        COXFileSpec(kJapaneseName.c_str()).Serialize(ar);
        ar.Close();
    }
    const std::string sExpected = std::string(
                                      "\x02"
                                      "C:"
                                      "\x04"
                                      "\\DIR"
                                      "\x08"
                                      "name.bmp",
                                      17) +
                                  std::string("\x04\x03\x02\x01\xFE\xFF\xFF\x7F\x21", 9) +
                                  std::string("\x12", 1) + kJapaneseName + std::string(9, '\0');
    std::string sStored(static_cast<std::size_t>(file.GetLength()), '\0');
    file.SeekToBegin();
    file.Read(sStored.data(), static_cast<UINT>(sStored.size()));
    EXPECT_EQ(sStored, sExpected);

    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    COXPathSpec loaded;
    loaded.Serialize(ar);
    EXPECT_EQ(loaded.GetPath(), "C:\\DIR\\name.bmp");
    EXPECT_EQ(loaded.GetTime().GetTime(), 0x01020304);
    EXPECT_EQ(loaded.GetLength(), 0x7FFFFFFE);
    EXPECT_EQ(loaded.GetAttributes(), 0x21);
}

TEST(PathSpecTest, ObjectRecordsLoadThroughTheirClassAndCutRecordsThrow) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        COXDirSpec dir("c:\\写真");
        COXFileSpec name("x.jpg");
        name.SetTime(CTime(-1));
        ar << &dir << &name;
        ar.Close();
    }
    file.SeekToBegin();
    {
        CArchive ar(&file, CArchive::load);
        COXDirSpec* pDir = nullptr;
        COXFileSpec* pName = nullptr;
        ar >> pDir >> pName;
        ASSERT_NE(pDir, nullptr);
        ASSERT_NE(pName, nullptr);
        EXPECT_EQ(pDir->GetDirectory(), "C:\\写真");
        EXPECT_EQ(pName->GetFileName(), "x.jpg");
        EXPECT_EQ(pName->GetTime().GetTime(), -1);
        delete pDir;
        delete pName;
    }
    EXPECT_TRUE(CRuntimeClass::FromName("COXPathSpec")->IsDerivedFrom(RUNTIME_CLASS(COXDirSpec)));
    EXPECT_EQ(CRuntimeClass::FromName("COXPathSpec")->CreateObject(), nullptr);

    // A record cut inside the time keeps the name already read and throws on.
    CMemFile cut(
        std::string("\x03"
                    "new"
                    "\x01\x02",
                    6));
    CArchive ar(&cut, CArchive::load);
    COXFileSpec spec("old");
    bool bThrown = false;
    try {
        spec.Serialize(ar);
    } catch (CArchiveException* e) {
        bThrown = e->m_cause == CArchiveException::endOfFile;
        e->Delete();
    }
    EXPECT_TRUE(bThrown);
    EXPECT_EQ(spec.GetFileName(), "new");
}

TEST(NameTextTest, SplitPathFollowsTheRuntime) {
    const name_text::PathParts parts = name_text::SplitPath("c:\\a.dir/b\\file.tar.gz");
    EXPECT_EQ(parts.sDrive, "c:");
    EXPECT_EQ(parts.sDirectory, "\\a.dir/b\\");
    EXPECT_EQ(parts.sBaseName, "file.tar");
    EXPECT_EQ(parts.sExtension, ".gz");
    EXPECT_EQ(name_text::Utf16Length("a\xF0\x9F\x93\xB7写\xFF"), 5);
}

TEST(NameTextTest, TheFoldersLeadingToANetworkPathStartAtItsShare) {
    using Folders = std::vector<CString>;
    EXPECT_EQ(name_text::PrefixesBeforeSeparators("\\\\SERVER\\SHARE\\A\\B"),
              (Folders{"\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE\\A"}));
    EXPECT_EQ(name_text::PrefixesBeforeSeparators("\\\\SERVER\\SHARE"), Folders{});
    EXPECT_EQ(name_text::PrefixesBeforeSeparators("C:\\A\\B"), (Folders{"C:", "C:\\A"}));
}

TEST(PathSpecTest, ADirectoryTooLongToKeepIsRefusedNotCut) {
    // 255 units ending in a character of three bytes: cut at 255 units, the separator after
    // it goes, and the character must not be split to drop a separator that is not there.
    const CString sDirectory = "\\" + CString(std::string(253, 'A')) + "写";
    COXPathSpec path;
    EXPECT_FALSE(path.SetPath(sDirectory + "\\B\\file.txt"));
    EXPECT_TRUE(path.SetPath(sDirectory.Left(200) + "\\file.txt"));
    path.SetPathForced(sDirectory + "\\file.txt");
    EXPECT_EQ(path.GetSubdirectory(), sDirectory);
}

}  // namespace
