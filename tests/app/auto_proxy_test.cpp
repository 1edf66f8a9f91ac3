// The automation object's logic: its method names, the start-up switch, and what its methods do
// to the dialog.
#include <gtest/gtest.h>

#include "app/resource.h"
#include "app/start_request.h"
#include "app/tarnel_auto_proxy.h"
#include "tests/app/fake_window.h"

TEST(AutoProxyTest, NamesMatchWithoutRegardToCase) {
    EXPECT_EQ(CTarnelDlgAutoProxy::DispatchIdOf("GetJpegFileName"), 1);
    EXPECT_EQ(CTarnelDlgAutoProxy::DispatchIdOf("getbitmapfilename"), 2);
    EXPECT_EQ(CTarnelDlgAutoProxy::DispatchIdOf("COMPRESS"), 3);
    EXPECT_EQ(CTarnelDlgAutoProxy::DispatchIdOf("UnCompress"), 4);
    EXPECT_EQ(CTarnelDlgAutoProxy::DispatchIdOf("Uncompres"), 0);
    EXPECT_EQ(CTarnelDlgAutoProxy::DispatchIdOf(nullptr), 0);
    EXPECT_EQ(CTarnelDlgAutoProxy::ArgumentCountOf(1), 1);
    EXPECT_EQ(CTarnelDlgAutoProxy::ArgumentCountOf(3), 0);
    EXPECT_EQ(CTarnelDlgAutoProxy::ArgumentCountOf(5), -1);
}

TEST(AutoProxyTest, OnlyTheFrameworksSwitchesMeanAutomation) {
    for (const char* psz : {"/Automation", "-automation", "/EMBEDDING", "-Embedding"})
        EXPECT_TRUE(IsAutomationSwitch(psz)) << psz;
    for (const char* psz : std::initializer_list<const char*>{"Automation", "/Auto", "--Automation",
                                                              "/Embedding2", "", nullptr})
        EXPECT_FALSE(IsAutomationSwitch(psz)) << (psz ? psz : "null");
}

TEST(AutoProxyTest, AStartsWordsSayWhatItIsFor) {
    using Kind = StartRequest::Kind;
    const struct {
        std::vector<CString> words;
        Kind kind;
        const char* pszFile;
    } cases[] = {
        {{}, Kind::User, ""},
        {{"C:\\写真\\a.bmp"}, Kind::User, "C:\\写真\\a.bmp"},  // "Open with", "Send to"
        {{"a.jpg", "b.jpg"}, Kind::User, "a.jpg"},
        {{"/Automation"}, Kind::Automation, ""},
        {{"-Embedding", "a.bmp"}, Kind::Automation, ""},
        {{"/Unregserver"}, Kind::Unregister, ""},
        {{"-UNREGISTER"}, Kind::Unregister, ""},
        {{"/Automation", "/Unregserver"}, Kind::Automation, ""},
        {{"/help", "a.bmp"}, Kind::User, "a.bmp"},
    };
    for (const auto& c : cases) {
        const StartRequest request = ParseStartRequest(c.words);
        EXPECT_EQ(request.kind, c.kind);
        EXPECT_EQ(request.sFile, c.pszFile);
    }
}

TEST(AutoProxyTest, SettingAPathShowsTheMembersAndDerivesNothing) {
    FakeDlgWindow window;
    CTarnelDlg dlg(window);
    dlg.UpdateData(FALSE);
    window.texts[IDC_QUALITY] = "20";  // an edit not taken in
    CTarnelDlgAutoProxy proxy(&dlg);
    proxy.GetBitmapFileName("C:\\写真\\a.bmp");
    EXPECT_EQ(dlg.m_sBitmapFile, "C:\\写真\\a.bmp");
    EXPECT_EQ(window.texts[IDC_BITMAP_FILE], "C:\\写真\\a.bmp");
    EXPECT_EQ(window.texts[IDC_JPEG_FILE], "***.jpg");  // not derived
    EXPECT_EQ(window.texts[IDC_QUALITY], "75");         // replaced by the member
    EXPECT_TRUE(window.Find("enable").empty());
    proxy.GetJpegFileName("out.jpg");
    EXPECT_EQ(dlg.m_sJpegFile, "out.jpg");

    // Compress with the bitmap missing: the dialog's message, and the call returns.
    proxy.Compress();
    EXPECT_EQ(window.Find("msgbox"),
              std::vector<std::string>{"msgbox 16 0 エラー： C:\\写真\\a.bmp が存在しません"});
}
