// The conversion dialog's logic driven through whole user stories against a fake window and
// real files; the version dialog's home-page command.
#include <gtest/gtest.h>

#include <new>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/about_config.h"
#include "app/resource.h"
#include "app/tarnel_auto_proxy.h"
#include "app/tarnel_dlg.h"
#include "app/version_info_dlg.h"
#include "codec/jpeg_decoder.h"
#include "codec/jpeg_encoder.h"
#include "codec/jpeg_image_file.h"
#include "imagefile/image_file.h"
#include "platform/file.h"
#include "tests/app/fake_window.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tools.h"

namespace {

// What a run was handed, read from the coder just before it runs.
struct HandedOptions {
    int nQuality = -1, nSmooth = -1, nDCT = -1, nMaxMemory = -1;
    int bGrayscale = -1, bBaseline = -1, bProgressive = -1, bOptimize = -1;
    int nColors = -1, nScale = -1, nDither = -1, bFast = -1, bNoSmooth = -1, bOnePass = -1;
};

// Each probe coder notes in the window's log when it is built and when it goes.
class ProbeEncoder : public COXJPEGEncoder {
public:
    ProbeEncoder(HandedOptions& o, std::vector<std::string>& log) : m_o(o), m_log(log) {
        m_log.push_back("coder built");
    }
    ~ProbeEncoder() override { m_log.push_back("coder gone"); }
    short DoCompress(COXImageFile* pSource, COXJPEGImageFile* pDest) override {
        m_o = HandedOptions{};
        m_o.nQuality = m_nQuality, m_o.nSmooth = m_nSmooth, m_o.nDCT = m_nDCTMethod;
        m_o.nMaxMemory = m_nMaxMemory, m_o.bGrayscale = m_bGrayscale, m_o.bBaseline = m_bBaseline;
        m_o.bProgressive = m_bProgressive, m_o.bOptimize = m_bOptimize;
        return COXJPEGEncoder::DoCompress(pSource, pDest);
    }
    HandedOptions& m_o;
    std::vector<std::string>& m_log;
};

class ProbeDecoder : public COXJPEGDecoder {
public:
    ProbeDecoder(HandedOptions& o, std::vector<std::string>& log) : m_o(o), m_log(log) {
        m_log.push_back("coder built");
    }
    ~ProbeDecoder() override { m_log.push_back("coder gone"); }
    short DoDecompress(COXJPEGImageFile* pSource, COXImageFile* pDest) override {
        m_o = HandedOptions{};
        m_o.nColors = m_nColors, m_o.nScale = m_nScale, m_o.nDither = m_nDitherMethod;
        m_o.nDCT = m_nDCTMethod, m_o.bFast = m_bFast, m_o.bNoSmooth = m_bNoSmooth;
        m_o.bOnePass = m_bOnePass, m_o.bGrayscale = m_bGrayscale, m_o.nMaxMemory = m_nMaxMemory;
        return COXJPEGDecoder::DoDecompress(pSource, pDest);
    }
    HandedOptions& m_o;
    std::vector<std::string>& m_log;
};

class ProbeDlg : public CTarnelDlg {
public:
    explicit ProbeDlg(FakeDlgWindow& window) : CTarnelDlg(window), m_log(window.log) {}
    HandedOptions handed;
    bool bNoMemoryForCoder = false;

protected:
    std::unique_ptr<COXJPEGEncoder> CreateEncoder(const COXImageFile& bitmap,
                                                  const COXJPEGImageFile& jpeg) override {
        NoteFiles(bitmap, jpeg);
        if (bNoMemoryForCoder)
            throw std::bad_alloc();
        return std::make_unique<ProbeEncoder>(handed, m_log);
    }
    std::unique_ptr<COXJPEGDecoder> CreateDecoder(const COXImageFile& bitmap,
                                                  const COXJPEGImageFile& jpeg) override {
        NoteFiles(bitmap, jpeg);
        if (bNoMemoryForCoder)
            throw std::bad_alloc();
        return std::make_unique<ProbeDecoder>(handed, m_log);
    }

private:
    // The file objects that exist when the coder is made, by the names of their files.
    void NoteFiles(const COXImageFile& bitmap, const COXJPEGImageFile& jpeg) {
        auto name = [](const CString& sPath) {
            const std::string s = static_cast<LPCTSTR>(sPath);
            return s.substr(s.find_last_of("/\\") + 1);
        };
        m_log.push_back("files " + name(bitmap.GetFileName()) + " " + name(jpeg.GetFileName()));
    }

    std::vector<std::string>& m_log;
};

class TarnelDlgTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        dlg.UpdateData(FALSE);  // what the dialog's initialisation shows
        window.texts[IDC_TIME] = "0";
        window.log.clear();
        sBmp = PathOf("photo.bmp");
        sJpg = PathOf("photo.jpg");
        BmpShape shape;
        shape.nWidth = 45;
        shape.nHeight = 30;
        WriteFile(sBmp, BuildBmp(shape));
    }

    // The user types both paths into the edits.
    void TypePaths(const std::string& sBitmap, const std::string& sJpeg) {
        window.texts[IDC_BITMAP_FILE] = sBitmap;
        window.texts[IDC_JPEG_FILE] = sJpeg;
    }

    FakeDlgWindow window;
    ProbeDlg dlg{window};
    std::string sBmp, sJpg;
};

}  // namespace

TEST_F(TarnelDlgTest, ConvertingBeforeChoosingNamesThePlaceholderAndChangesNothing) {
    dlg.OnCompress();
    dlg.OnUnCompress();
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"msgbox 16 0 エラー： ***.bmp が存在しません",
                                        "msgbox 16 0 エラー： ***.jpg が存在しません"}));
    EXPECT_EQ(window.texts[IDC_TIME], "0");
}

TEST_F(TarnelDlgTest, NoToTheOverwriteQuestionRunsNothing) {
    WriteFile(sJpg, "old");
    TypePaths(sBmp, sJpg);
    window.messageAnswers = {IDNO};
    dlg.OnCompress();
    EXPECT_EQ(window.log, (std::vector<std::string>{"msgbox 36 0 すでに " + sJpg +
                                                    " は存在します 上書きしますか？"}));
    EXPECT_EQ(ReadFile(sJpg), "old");
    EXPECT_EQ(dlg.handed.nQuality, -1);
}

// While the overwrite question is open, calls from another program are refused ("retry later")
// and even members changed behind the dialog's back do not move the run: it writes what the user
// confirmed and nothing else.
TEST_F(TarnelDlgTest, TheRunWritesOnlyWhatTheQuestionNamed) {
    WriteFile(sJpg, "old");
    TypePaths(sBmp, sJpg);
    CTarnelDlgAutoProxy proxy(&dlg);
    const std::string sOther = PathOf("other.jpg");
    window.whileMessageBoxIsOpen = [&] {
        EXPECT_FALSE(proxy.GetJpegFileName(sOther.c_str()));
        EXPECT_FALSE(proxy.Compress());
        dlg.OnUnCompress();  // a click on the other button
        dlg.m_sJpegFile = sOther.c_str();
        dlg.m_sBitmapFile = PathOf("other.bmp").c_str();
    };
    dlg.OnCompress();
    EXPECT_EQ(ReadFile(sJpg).substr(0, 2), "\xFF\xD8");
    EXPECT_FALSE(Exists(sOther));
    EXPECT_TRUE(proxy.GetJpegFileName(sOther.c_str()));
}

// A source that is there but cannot be read is not called missing: the system's reason is named.
TEST_F(TarnelDlgTest, AnUnreadableSourceIsNamedSo) {
    TypePaths(sBmp, sJpg);
#ifdef _WIN32
    // Another program holds the file and shares it with no one.
    CFile held(sBmp.c_str(), CFile::modeRead | CFile::shareExclusive);
    dlg.OnCompress();
    held.Close();
    const std::string sReason = "共有違反";
#else
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file; the unprivileged run checks this";
    ASSERT_EQ(chmod(sBmp.c_str(), 0), 0);
    dlg.OnCompress();
    const std::string sReason = "アクセスが拒否されました";
#endif
    const std::vector<std::string> boxes = window.Find("msgbox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("msgbox 16 0 エラー： "), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find(sReason), std::string::npos) << boxes[0];
    EXPECT_FALSE(Exists(sJpg));
}

// An exception that leaves a run (an automation call's, say) still ends its wait cursor.
TEST_F(TarnelDlgTest, AnExceptionLeavingARunEndsItsWaitCursor) {
    dlg.bNoMemoryForCoder = true;
    TypePaths(sBmp, sJpg);
    EXPECT_THROW(dlg.OnCompress(), std::bad_alloc);
    WriteFile(sJpg, "old");
    window.messageAnswers = {IDYES};
    EXPECT_THROW(dlg.OnUnCompress(), std::bad_alloc);
    EXPECT_EQ(window.Find("wait"),
              (std::vector<std::string>{"wait begin", "wait end", "wait begin", "wait end"}));
}

TEST_F(TarnelDlgTest, ARunIsTimedReportedAndEnablesTheOtherDirection) {
    TypePaths(sBmp, sJpg);
    window.ticks = {0xFFFFFF00u, 0xFFFFFF00u + 1234u};  // across the counter's wrap
    dlg.OnCompress();
    // The bitmap file, the JPEG file, then the coder; timed from when the coder is ready; the
    // coder and files go after everything else.
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"wait begin", "files photo.bmp photo.jpg", "coder built",
                                        "tick", "tick", "text 1036 1.234000", "enable 1020 1",
                                        "wait end", "coder gone"}));
    // The bytes cjpeg makes at the same settings.
    EXPECT_TRUE(ReadFile(sJpg) == PeerConvert("cjpeg", "", ReadFile(sBmp)));

    window.log.clear();
    TypePaths(PathOf("back.bmp"), sJpg);
    dlg.OnUnCompress();
    EXPECT_EQ(window.Find("enable"), std::vector<std::string>{"enable 1012 1"});
    EXPECT_TRUE(ReadFile(PathOf("back.bmp")) == PeerConvert("djpeg", "-bmp", ReadFile(sJpg)));
}

TEST_F(TarnelDlgTest, DefaultsAndUncheckedValuesAreHandedOn) {
    TypePaths(sBmp, sJpg);
    dlg.OnCompress();
    EXPECT_EQ(dlg.handed.nQuality, 75);
    EXPECT_EQ(dlg.handed.nSmooth, 0);
    EXPECT_EQ(dlg.handed.nDCT, DCT_DEFAULT);
    EXPECT_EQ(dlg.handed.nMaxMemory, 0);
    EXPECT_EQ(dlg.handed.bGrayscale + dlg.handed.bBaseline + dlg.handed.bProgressive +
                  dlg.handed.bOptimize,
              0);
    for (const char* pszQuality : {"0", "150"}) {
        window.texts[IDC_QUALITY] = pszQuality;
        window.checks[IDC_ENC_GRAYSCALE] = 1;
        dlg.m_nEncDCTIndex = 1;
        dlg.m_nEncSmooth = 20;
        dlg.OnCompress();
        EXPECT_EQ(dlg.handed.nQuality, std::stoi(pszQuality));
        EXPECT_EQ(dlg.handed.bGrayscale, 1);
        EXPECT_EQ(dlg.handed.nDCT, DCT_IFAST);
        EXPECT_EQ(dlg.handed.nSmooth, 20);
    }

    TypePaths(PathOf("out.bmp"), sJpg);
    dlg.OnUnCompress();
    EXPECT_EQ(dlg.handed.nScale, SCALE_1_1);
    EXPECT_EQ(dlg.handed.nColors, 0);
    EXPECT_EQ(dlg.handed.nDither, DITHER_DEFAULT);
    EXPECT_EQ(dlg.handed.nDCT, DCT_DEFAULT);
    dlg.m_nDecDitherIndex = 2;
    dlg.m_nDecDCTIndex = 0;
    window.texts[IDC_COLORS] = "64";
    dlg.OnUnCompress();
    EXPECT_EQ(dlg.handed.nColors, 64);
    EXPECT_EQ(dlg.handed.nDither, DITHER_NONE);
    EXPECT_EQ(dlg.handed.nDCT, DCT_ISLOW);
}

TEST_F(TarnelDlgTest, AFieldThatIsNotAnUnsignedNumberStopsTheTakeIn) {
    TypePaths(sBmp, sJpg);
    window.texts[IDC_QUALITY] = "90";
    window.texts[IDC_COLORS] = "";
    window.checks[IDC_DEC_GRAYSCALE] = 1;
    dlg.OnUnCompress();
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              std::string("msgbox 48 0 ") + kParseUnsignedMessage, "focus 1013"}));
    // Taken in before the failing field; not after it.
    EXPECT_EQ(dlg.m_sBitmapFile, sBmp.c_str());
    EXPECT_EQ(dlg.m_nEncQuality, 90u);
    EXPECT_EQ(dlg.m_bDecGrayscale, FALSE);
    EXPECT_FALSE(dlg.OnOK());
    for (const char* pszBad : {"-1", "7a", "4294967296"}) {
        window.texts[IDC_COLORS] = pszBad;
        EXPECT_FALSE(dlg.UpdateData(TRUE)) << pszBad;
    }
    window.texts[IDC_COLORS] = " 12 ";
    EXPECT_TRUE(dlg.OnOK());
    EXPECT_EQ(dlg.m_nDecColors, 12u);
}

TEST_F(TarnelDlgTest, WarningsAndExceptionsAreShownAndTheRunStillEnds) {
    TypePaths(sBmp, sJpg);
    dlg.OnCompress();
    const std::string sJpeg = ReadFile(sJpg);
    WriteFile(PathOf("cut.jpg"), sJpeg.substr(0, sJpeg.size() - 60));  // inside the coded data
    window.log.clear();
    TypePaths(PathOf("cut.bmp"), PathOf("cut.jpg"));
    dlg.OnUnCompress();
    EXPECT_EQ(window.Find("msgbox"),
              std::vector<std::string>{"msgbox 0 0 エラー：Premature end of JPEG file\n"});

    window.log.clear();
    TypePaths(PathOf("one.bmp"), sJpg);
    window.texts[IDC_COLORS] = "1";
    dlg.OnUnCompress();
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "wait begin", "files one.bmp photo.jpg", "coder built", "tick",
                              "msgbox 0 0 例外 : Cannot quantize to fewer than 8 colors", "tick",
                              "text 1036 0.000000", "enable 1012 1", "wait end", "coder gone"}));
    EXPECT_FALSE(Exists(PathOf("one.bmp")));
}

TEST_F(TarnelDlgTest, ChoosingFilesDerivesTheOtherNameAndSetsTheButtons) {
    WriteFile(PathOf("a.bmp"), std::string(2560, 'x'));
    window.fileDialogAnswers = {{IDOK, PathOf("a.bmp")}};
    window.texts[IDC_QUALITY] = "10";  // edited, not taken in: the show replaces it
    dlg.OnSelectBitmap();
    EXPECT_EQ(window.texts[IDC_FILE_SIZE], "2.51k bytes");
    EXPECT_EQ(dlg.m_sJpegFile, PathOf("a.jpg").c_str());
    EXPECT_EQ(window.texts[IDC_JPEG_FILE], PathOf("a.jpg"));
    EXPECT_EQ(window.texts[IDC_QUALITY], "75");
    EXPECT_TRUE(window.enabled[IDC_COMPRESS]);
    EXPECT_FALSE(window.enabled[IDC_UNCOMPRESS]);
    const FileDialogRequest& request = window.fileDialogRequests.back();
    EXPECT_TRUE(request.bBitmapPreview);
    EXPECT_EQ(request.sFilter, "Bitmap Files (*.bmp) | *.bmp ||");
    EXPECT_EQ(request.dwFlags, OFN_HIDEREADONLY);

    window.fileDialogAnswers = {{IDOK, PathOf("b.jpeg")}};
    dlg.OnSelectJpeg();
    EXPECT_EQ(dlg.m_sBitmapFile, PathOf("b.bmp").c_str());
    EXPECT_EQ(window.texts[IDC_FILE_SIZE], "(サイズ不明)");  // no b.jpeg to read
    EXPECT_FALSE(window.enabled[IDC_COMPRESS]);
    EXPECT_TRUE(window.enabled[IDC_UNCOMPRESS]);
    EXPECT_EQ(window.fileDialogRequests.back().sFilter,
              "JPEG Files (*.jpg or jpeg) | *.jpg;*.jpeg ||");

    // Cancelled: placeholders in the edits, both buttons on, the members keep the old paths.
    dlg.OnSelectBitmap();
    EXPECT_EQ(window.texts[IDC_BITMAP_FILE], "***.bmp");
    EXPECT_EQ(window.texts[IDC_JPEG_FILE], "***.jpg");
    EXPECT_EQ(dlg.m_sBitmapFile, PathOf("b.bmp").c_str());
    EXPECT_TRUE(window.enabled[IDC_COMPRESS] && window.enabled[IDC_UNCOMPRESS]);
    window.log.clear();
    dlg.OnCompress();  // takes the placeholders in
    EXPECT_EQ(window.log, std::vector<std::string>{"msgbox 16 0 エラー： ***.bmp が存在しません"});
}

TEST_F(TarnelDlgTest, DroppedFilesAreTakenAsTheFileDialogsChoiceIs) {
    WriteFile(PathOf("a.BMP"), std::string(2560, 'x'));
    dlg.OnDropFiles({"notes.txt", PathOf("a.BMP").c_str(), PathOf("z.dib").c_str()});
    EXPECT_EQ(dlg.m_sBitmapFile, PathOf("a.BMP").c_str());
    EXPECT_EQ(window.texts[IDC_JPEG_FILE], PathOf("a.jpg"));
    EXPECT_EQ(window.texts[IDC_FILE_SIZE], "2.51k bytes");
    EXPECT_TRUE(window.enabled[IDC_COMPRESS]);
    EXPECT_FALSE(window.enabled[IDC_UNCOMPRESS]);

    dlg.OpenFile(PathOf("photo.jfif").c_str());  // as "Open with" passes it
    EXPECT_EQ(window.texts[IDC_JPEG_FILE], PathOf("photo.jfif"));
    EXPECT_EQ(window.texts[IDC_BITMAP_FILE], PathOf("photo.bmp"));
    EXPECT_FALSE(window.enabled[IDC_COMPRESS]);
    EXPECT_TRUE(window.enabled[IDC_UNCOMPRESS]);

    // One of each kind: both paths as dropped, both directions open.
    dlg.OnDropFiles({PathOf("b.jpe").c_str(), PathOf("a.BMP").c_str(), PathOf("c.jpg").c_str()});
    EXPECT_EQ(window.texts[IDC_BITMAP_FILE], PathOf("a.BMP"));
    EXPECT_EQ(window.texts[IDC_JPEG_FILE], PathOf("b.jpe"));
    EXPECT_TRUE(window.enabled[IDC_COMPRESS] && window.enabled[IDC_UNCOMPRESS]);

    // Nothing the dialog takes: a message, the paths as they were.
    window.log.clear();
    dlg.OnDropFiles({"readme.txt", "archive.bmp.zip"});
    EXPECT_EQ(window.log,
              std::vector<std::string>{std::string("msgbox 48 0 ") + kDropRefusedMessage});
    EXPECT_EQ(dlg.m_sJpegFile, PathOf("b.jpe").c_str());
}

TEST_F(TarnelDlgTest, SizeTextDropsTheRemaindersLastDigit) {
    const std::string sPath = PathOf("size");
    const std::pair<long, const char*> cases[] = {{2560, "2.51k"},  {12345, "12.5k"}, {2048, "2.k"},
                                                  {1000, "0.100k"}, {5, "0.k"},       {0, "0.k"}};
    for (const auto& [nSize, pszText] : cases) {
        WriteFile(sPath, std::string(static_cast<std::size_t>(nSize), 'x'));
        CString sText;
        EXPECT_EQ(CTarnelDlg::GetFileSizeText(sPath.c_str(), sText), nSize);
        EXPECT_EQ(sText, pszText);
    }
    CString sText;
    EXPECT_EQ(CTarnelDlg::GetFileSizeText("/nonexistent/file", sText), -1);
}

TEST(TarnelDlgHelpersTest, CutAtLastLooksOnlyAtTheFileName) {
    const std::string sLong = std::string(400, 'd') + "/picture.bmp";
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\img\\a.bmp", "C:\\img\\a"},
        {"C:\\my.dir\\photo", "C:\\my.dir\\photo"},  // a dot in a folder name is no extension
        {"/home/my.dir/photo", "/home/my.dir/photo"},
        {"C:\\img\\archive.tar.gz", "C:\\img\\archive.tar"},
        {"noextension", "noextension"},
        {sLong, std::string(400, 'd') + "/picture"},  // no length limit
    };
    for (const auto& [sPath, sExpected] : cases) {
        CString s;
        CTarnelDlg::CutAtLast(sPath.c_str(), '.', s);
        EXPECT_EQ(std::string(s), sExpected) << sPath;
    }
}

TEST(VersionInfoDlgTest, HomePageFailureIsToldAndSuccessIsQuiet) {
    struct FakeShell : CVersionInfoWindow {
        long nResult = 33;
        std::vector<std::string> log;
        long ShellOpen(LPCTSTR lpszFile, int nShowCmd) override {
            log.push_back(std::string("open ") + lpszFile + " " + std::to_string(nShowCmd));
            return nResult;
        }
        int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) override {
            log.push_back(std::string("msgbox ") + lpszCaption + " " + std::to_string(nType) + " " +
                          lpszText);
            return IDOK;
        }
    } shell;
    CVersionInfoDlg dlg(shell);
    dlg.OnHomePage();
    shell.nResult = 32;
    dlg.OnHomePage();
    EXPECT_EQ(shell.log, (std::vector<std::string>{
                             std::string("open ") + TARNEL_HOMEPAGE_URL + " 5",
                             std::string("open ") + TARNEL_HOMEPAGE_URL + " 5",
                             "msgbox Error 16 ブラウザーが正しくインストールされていません"}));
}
