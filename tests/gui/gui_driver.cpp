// Drives the real Tarnel.exe from outside, as a user would: finds its dialog, reads its controls,
// menu and message boxes back, types paths, presses buttons and menu commands. Windows program;
// run by run_gui_tests.sh under Xvfb and Wine, which also checks the files it converts.
// Usage: gui_driver TARNEL.EXE WORKDIR SYNCDIR
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/gui/driver_support.h"

using driver::Check;
using driver::ClassOf;
using driver::FindDescendant;
using driver::FindDescendantById;
using driver::TextOf;
using driver::Utf8;
using driver::WaitFor;
using driver::Wide;

namespace {

void CheckText(const std::wstring& sActual, const std::wstring& sExpected,
               const std::string& sWhat) {
    Check(sActual == sExpected,
          sWhat + ": \"" + Utf8(sActual) + "\"" +
              (sActual == sExpected ? "" : " expected \"" + Utf8(sExpected) + "\""));
}

void SetText(HWND h, const std::wstring& s) {
    DWORD_PTR nResult = 0;
    SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()), SMTO_NORMAL, 5000,
                        &nResult);
}

// Top-level dialogs (#32770) of one process with this caption, other than hExcept.
HWND FindDialog(DWORD nProcess, const std::wstring& sCaption, HWND hExcept = nullptr) {
    struct Search {
        DWORD nProcess;
        std::wstring sCaption;
        HWND hExcept;
        HWND hFound;
    } search{nProcess, sCaption, hExcept, nullptr};
    EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
            auto* s = reinterpret_cast<Search*>(l);
            DWORD nPid = 0;
            GetWindowThreadProcessId(h, &nPid);
            if (nPid != s->nProcess || h == s->hExcept || !IsWindowVisible(h) ||
                ClassOf(h) != L"#32770")
                return TRUE;
            wchar_t sz[256] = {};
            GetWindowTextW(h, sz, 256);
            if (s->sCaption == sz) {
                s->hFound = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

struct Child {
    int nID;
    std::wstring sClass;
    std::wstring sText;
    LONG nStyle;
};

std::vector<Child> ChildrenOf(HWND hDialog) {
    std::vector<Child> children;
    for (HWND h = GetWindow(hDialog, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT))
        children.push_back({static_cast<int>(static_cast<short>(GetDlgCtrlID(h))), ClassOf(h),
                            TextOf(h), GetWindowLongW(h, GWL_STYLE)});
    return children;
}

struct MessageBoxSeen {
    std::wstring sText;
    bool bOk, bYes, bNo, bIcon;
};

// Waits for a message box captioned sCaption, reads it and answers with nAnswer.
bool AnswerMessageBox(DWORD nProcess, HWND hMain, const std::wstring& sCaption, int nAnswer,
                      MessageBoxSeen& seen) {
    HWND hBox = nullptr;
    if (!WaitFor([&] { return (hBox = FindDialog(nProcess, sCaption, hMain)) != nullptr; }))
        return false;
    Sleep(100);
    seen = MessageBoxSeen{};
    for (HWND h = GetWindow(hBox, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
        const LONG nStyle = GetWindowLongW(h, GWL_STYLE);
        if (ClassOf(h) != L"Static")
            continue;
        if ((nStyle & SS_TYPEMASK) == SS_ICON)
            seen.bIcon =
                seen.bIcon || ((nStyle & WS_VISIBLE) && SendMessageW(h, STM_GETICON, 0, 0) != 0);
        else if (!TextOf(h).empty())
            seen.sText = TextOf(h);
    }
    seen.bOk = GetDlgItem(hBox, IDOK) != nullptr;
    seen.bYes = GetDlgItem(hBox, IDYES) != nullptr;
    seen.bNo = GetDlgItem(hBox, IDNO) != nullptr;
    PostMessageW(GetDlgItem(hBox, nAnswer), BM_CLICK, 0, 0);
    return WaitFor([&] { return !IsWindow(hBox); });
}

void Press(HWND hDialog, int nID) {
    PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hDialog, nID)));
}

void Command(HWND hDialog, int nID) { PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(nID, 0), 0); }

// A visible dialog of one process owned by hOwner.
HWND FindOwnedDialog(DWORD nProcess, HWND hOwner) {
    struct Search {
        DWORD nProcess;
        HWND hOwner;
        HWND hFound;
    } search{nProcess, hOwner, nullptr};
    EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
            auto* s = reinterpret_cast<Search*>(l);
            DWORD nPid = 0;
            GetWindowThreadProcessId(h, &nPid);
            if (nPid == s->nProcess && IsWindowVisible(h) && ClassOf(h) == L"#32770" &&
                GetWindow(h, GW_OWNER) == s->hOwner) {
                s->hFound = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

void PostKey(HWND h, WPARAM nKey) {
    PostMessageW(h, WM_KEYDOWN, nKey, 1);
    PostMessageW(h, WM_KEYUP, nKey, 0xC0000001);
}

struct Tarnel {
    PROCESS_INFORMATION pi{};
    HWND hMain = nullptr;

    // Starts Tarnel.exe in sDirectory (the driver's own when empty), with sArguments.
    bool Start(const std::wstring& sExe, const std::wstring& sDirectory = L"",
               const std::wstring& sArguments = L"") {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring sCommand =
            L"\"" + sExe + L"\"" + (sArguments.empty() ? L"" : L" " + sArguments);
        if (!CreateProcessW(sExe.c_str(), sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            sDirectory.empty() ? nullptr : sDirectory.c_str(), &si, &pi))
            return false;
        return WaitFor([&] { return (hMain = FindDialog(pi.dwProcessId, L"Tarnel")) != nullptr; },
                       30000);
    }
    bool Ended(DWORD nMillis = 10000) const {
        return WaitForSingleObject(pi.hProcess, nMillis) == WAIT_OBJECT_0;
    }
    HWND Item(int nID) const { return GetDlgItem(hMain, nID); }
};

// Converts by pressing nButton and waits for the time read-out to change from a marker.
bool RunConversion(Tarnel& t, int nButton) {
    SetText(t.Item(1036), L"-");
    Press(t.hMain, nButton);
    return WaitFor([&] { return TextOf(t.Item(1036)) != L"-"; }, 30000);
}

void CheckLayout(Tarnel& t) {
    const std::vector<std::pair<int, std::wstring>> expected = {{-1, L"ﾌｧｲﾙ"},
                                                                {-1, L"ﾋﾞｯﾄﾏｯﾌﾟ"},
                                                                {-1, L"Jpeg"},
                                                                {1000, L"***.bmp"},
                                                                {1001, L"***.jpg"},
                                                                {-1, L"Bmp -> Jpeg"},
                                                                {-1, L"画質 (0-100)"},
                                                                {1002, L"75"},
                                                                {1008, L"ﾓﾉｸﾛ"},
                                                                {1010, L"ﾌﾟﾛｸﾞﾚｯｼﾌﾞ"},
                                                                {1012, L"Jpegに変換"},
                                                                {-1, L"Jpeg -> Bmp"},
                                                                {-1, L"色数(0=同色変換)"},
                                                                {1013, L"0"},
                                                                {1028, L"ﾓﾉｸﾛ"},
                                                                {1019, L"OS2用ﾌｫｰﾏｯﾄ"},
                                                                {1020, L"Bmpに変換"},
                                                                {-1, L"処理時間 :"},
                                                                {1036, L"0"},
                                                                {-1, L"サイズ:"},
                                                                {23084, L""}};
    const std::vector<Child> children = ChildrenOf(t.hMain);
    Check(children.size() == expected.size(),
          "main dialog has " + std::to_string(children.size()) + " controls");
    for (std::size_t i = 0; i < expected.size() && i < children.size(); ++i) {
        Check(children[i].nID == expected[i].first,
              "control " + std::to_string(i) + " id " + std::to_string(children[i].nID));
        CheckText(children[i].sText, expected[i].second, "control " + std::to_string(i) + " text");
    }
    // Positions, in dialog units; the scale comes from the first group box (21, 4, 195, 42).
    const int rects[][4] = {{21, 4, 195, 42},  {26, 15, 33, 8},    {43, 29, 16, 8},
                            {61, 12, 138, 12}, {61, 28, 138, 12},  {7, 50, 105, 88},
                            {12, 61, 54, 11},  {69, 60, 37, 13},   {31, 82, 50, 9},
                            {31, 99, 51, 9},   {19, 116, 82, 17},  {118, 50, 111, 88},
                            {128, 60, 57, 15}, {189, 60, 33, 14},  {141, 84, 56, 8},
                            {141, 97, 61, 12}, {131, 116, 84, 17}, {5, 140, 39, 11},
                            {45, 140, 50, 10}, {114, 141, 23, 11}, {138, 142, 95, 9}};
    std::vector<RECT> actual;
    for (HWND h = GetWindow(t.hMain, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, t.hMain, reinterpret_cast<POINT*>(&r), 2);
        actual.push_back(r);
    }
    if (actual.size() == 21) {
        const double sx = (actual[0].right - actual[0].left) / 195.0;
        const double sy = (actual[0].bottom - actual[0].top) / 42.0;
        for (std::size_t i = 0; i < actual.size(); ++i) {
            const RECT& r = actual[i];
            const int* e = rects[i];
            const auto within = [](double a, double b) { return a - b < 2.5 && b - a < 2.5; };
            Check(within(r.left, e[0] * sx) && within(r.top, e[1] * sy) &&
                      within(r.right - r.left, e[2] * sx) && within(r.bottom - r.top, e[3] * sy),
                  "control " + std::to_string(i) + " rectangle " + std::to_string(e[0]) + "," +
                      std::to_string(e[1]) + "," + std::to_string(e[2]) + "," +
                      std::to_string(e[3]));
        }
    }
    Check((GetWindowLongW(t.Item(1002), GWL_STYLE) & ES_NUMBER) != 0,
          "quality edit takes digits only");
    Check((GetWindowLongW(t.Item(1013), GWL_STYLE) & ES_NUMBER) == 0,
          "colours edit takes any text");
    Check((GetWindowLongW(t.Item(1008), GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX,
          "1008 is a check box");
    Check((GetWindowLongW(t.Item(1012), GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON,
          "1012 is not a default button");
    wchar_t szTitle[64] = {};
    GetWindowTextW(t.hMain, szTitle, 64);
    CheckText(szTitle, L"Tarnel", "main dialog title");
    Check((GetWindowLongW(t.hMain, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0,
          "main dialog is an application window");
}

bool EndsWith(const std::wstring& s, const std::wstring& sEnd) {
    return s.size() >= sEnd.size() && s.compare(s.size() - sEnd.size(), sEnd.size(), sEnd) == 0;
}

// The bitmap choice's preview: off and hidden at first, shown when switched on.
void CheckPreview(HWND hDialog) {
    HWND hCheck = FindDescendantById(hDialog, 23082);
    HWND hPane = FindDescendantById(hDialog, 23080);
    Check(hCheck != nullptr && hPane != nullptr && FindDescendantById(hDialog, 23081) != nullptr,
          "the bitmap choice has the preview check box, frame and pane");
    if (hCheck == nullptr || hPane == nullptr)
        return;
    CheckText(TextOf(hCheck), L"&Bmpﾌﾟﾚﾋﾞｭｰ", "preview check box text");
    Check(SendMessageW(hCheck, BM_GETCHECK, 0, 0) == BST_UNCHECKED && !IsWindowVisible(hPane),
          "the preview starts off, the pane hidden");
    PostMessageW(hCheck, BM_CLICK, 0, 0);
    // What the pane shows is read back in preview_dialog_check: another process's window
    // cannot be read reliably here.
    Check(WaitFor([&] { return IsWindowVisible(hPane) != FALSE; }),
          "switching the preview on shows the pane");
}

// Chooses a file as a user would, through the real file dialog that nCommand opens: the list
// shows the folder and the one file the filter lets through; Home and Down select the file, OK
// takes it. The bitmap choice's preview is switched on before OK.
void ChooseThroughFileDialog(Tarnel& t, int nCommand, const std::wstring& sFile) {
    Command(t.hMain, nCommand);
    HWND hDialog = nullptr;
    Check(
        WaitFor([&] { return (hDialog = FindOwnedDialog(t.pi.dwProcessId, t.hMain)) != nullptr; }),
        "file dialog for " + Utf8(sFile) + " shown");
    if (hDialog == nullptr)
        return;
    HWND hList = nullptr;
    WaitFor([&] { return (hList = FindDescendant(hDialog, L"SysListView32")) != nullptr; });
    // A folder, then the file: a pattern the system cannot match would leave only the folder.
    Check(WaitFor(
              [&] { return hList != nullptr && SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0) == 2; }),
          "file list shows the folder and " + Utf8(sFile));
    PostKey(hList, VK_HOME);
    PostKey(hList, VK_DOWN);
    Check(WaitFor([&] { return TextOf(GetDlgItem(hDialog, cmb13)) == sFile; }),
          "selecting in the list fills in " + Utf8(sFile));
    if (nCommand == 32771)
        CheckPreview(hDialog);
    // Two controls of the dialog have id 1: the command goes to the dialog itself.
    PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Check(WaitFor([&] { return !IsWindow(hDialog); }), "file dialog closes with OK");
}

void CheckFileChoice(const std::wstring& sExe, const std::wstring& sFolder) {
    Tarnel t;
    Check(t.Start(sExe, sFolder), "Tarnel.exe starts in the folder to choose from");
    if (t.hMain == nullptr)
        return;
    ChooseThroughFileDialog(t, 32771, L"photo.bmp");
    Check(WaitFor([&] { return EndsWith(TextOf(t.Item(1000)), L"\\photo.bmp"); }),
          "bitmap path stored: " + Utf8(TextOf(t.Item(1000))));
    CheckText(TextOf(t.Item(1001)),
              TextOf(t.Item(1000)).substr(0, TextOf(t.Item(1000)).size() - 4) + L".jpg",
              "JPEG path derived");
    Check(EndsWith(TextOf(t.Item(23084)), L"k bytes"),
          "size read-out " + Utf8(TextOf(t.Item(23084))));
    Check(IsWindowEnabled(t.Item(1012)) && !IsWindowEnabled(t.Item(1020)),
          "only Jpegに変換 enabled");
    // The road of one conversion: the bitmap chosen with its preview becomes the JPEG beside it
    // (there already, so the question comes first).
    SetText(t.Item(1036), L"-");
    Press(t.hMain, 1012);
    MessageBoxSeen seen;
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDYES, seen),
          "the overwrite question for photo.jpg answered yes");
    Check(WaitFor([&] { return TextOf(t.Item(1036)) != L"-"; }, 30000),
          "the chosen bitmap converts");

    ChooseThroughFileDialog(t, 32772, L"photo.jpg");
    Check(WaitFor([&] { return EndsWith(TextOf(t.Item(1001)), L"\\photo.jpg"); }),
          "JPEG path stored: " + Utf8(TextOf(t.Item(1001))));
    CheckText(TextOf(t.Item(1000)),
              TextOf(t.Item(1001)).substr(0, TextOf(t.Item(1001)).size() - 4) + L".bmp",
              "bitmap path derived");
    Check(!IsWindowEnabled(t.Item(1012)) && IsWindowEnabled(t.Item(1020)),
          "only Bmpに変換 enabled");
    Command(t.hMain, IDCANCEL);
    Check(t.Ended(), "Close ends the program");
}

void CheckMenu(const std::wstring& sExe) {
    HMODULE h = LoadLibraryExW(sExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMENU hMenu = h ? LoadMenuW(h, MAKEINTRESOURCEW(130)) : nullptr;
    Check(hMenu != nullptr, "menu 130 loads");
    if (hMenu == nullptr)
        return;
    auto text = [](HMENU m, UINT nPos) {
        wchar_t sz[128] = {};
        GetMenuStringW(m, nPos, sz, 128, MF_BYPOSITION);
        return std::wstring(sz);
    };
    CheckText(text(hMenu, 0), L"ファイル選択", "menu popup 0");
    CheckText(text(hMenu, 1), L"ヘルプ", "menu popup 1");
    const std::vector<std::pair<std::wstring, int>> file = {{L"Bitmapファイル選択(&B)", 32771},
                                                            {L"JPEGファイル選択(&J)", 32772},
                                                            {L"", 0},
                                                            {L"リセット(&R)", 32779},
                                                            {L"", 0},
                                                            {L"閉じる(&C)", 2}};
    HMENU hFile = GetSubMenu(hMenu, 0);
    Check(GetMenuItemCount(hFile) == static_cast<int>(file.size()), "file menu has 6 entries");
    for (std::size_t i = 0; i < file.size(); ++i) {
        CheckText(text(hFile, static_cast<UINT>(i)), file[i].first,
                  "file menu item " + std::to_string(i));
        if (file[i].second != 0)
            Check(static_cast<int>(GetMenuItemID(hFile, static_cast<int>(i))) == file[i].second,
                  "file menu item " + std::to_string(i) + " command");
    }
    HMENU hHelp = GetSubMenu(hMenu, 1);
    CheckText(text(hHelp, 0), L"バージョン情報(&V)", "help menu item");
    Check(GetMenuItemID(hHelp, 0) == 32778, "help menu item command");
    DestroyMenu(hMenu);
    FreeLibrary(h);
}

// Drops files on a window of another process as Explorer does: a DROPFILES block with the wide
// paths, made in that process, delivered with WM_DROPFILES.
bool DropFiles(const PROCESS_INFORMATION& pi, HWND hWnd, const std::vector<std::wstring>& paths) {
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::vector<BYTE> block(sizeof header);
    std::memcpy(block.data(), &header, sizeof header);
    for (std::wstring sPath : paths) {
        sPath.push_back(L'\0');
        const auto* p = reinterpret_cast<const BYTE*>(sPath.c_str());
        block.insert(block.end(), p, p + sPath.size() * sizeof(wchar_t));
    }
    block.insert(block.end(), sizeof(wchar_t), 0);
    void* pRemote = VirtualAllocEx(pi.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                   PAGE_READWRITE);
    return pRemote != nullptr &&
           WriteProcessMemory(pi.hProcess, pRemote, block.data(), block.size(), nullptr) &&
           PostMessageW(hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(pRemote), 0);
}

// Files dropped on the dialog and named on its command line are taken as the file dialogs take
// them; a file of another kind is refused with a message.
void CheckDropsAndCommandLine(const std::wstring& sExe, const std::wstring& sFolder) {
    const std::wstring sBitmap = sFolder + L"\\in.bmp", sJpeg = sFolder + L"\\full.jpg";
    Tarnel t;
    Check(t.Start(sExe, L"", L"\"" + sBitmap + L"\""), "Tarnel.exe starts with a bitmap to open");
    if (t.hMain == nullptr)
        return;
    CheckText(TextOf(t.Item(1000)), sBitmap, "the bitmap from the command line");
    CheckText(TextOf(t.Item(1001)), sFolder + L"\\in.jpg", "and the JPEG name derived from it");
    Check(EndsWith(TextOf(t.Item(23084)), L"k bytes"), "its size read out");

    Check(DropFiles(t.pi, t.hMain, {sJpeg}), "a JPEG dropped");
    Check(WaitFor([&] { return TextOf(t.Item(1001)) == sJpeg; }), "the dropped JPEG is taken");
    CheckText(TextOf(t.Item(1000)), sFolder + L"\\full.bmp", "the bitmap name derived from it");
    Check(!IsWindowEnabled(t.Item(1012)) && IsWindowEnabled(t.Item(1020)),
          "only Bmpに変換 enabled");

    Check(DropFiles(t.pi, t.hMain, {sFolder + L"\\notes.txt", sBitmap}),
          "a text and a bitmap dropped");
    Check(WaitFor([&] { return TextOf(t.Item(1000)) == sBitmap; }), "the dropped bitmap is taken");
    CheckText(TextOf(t.Item(1001)), sFolder + L"\\in.jpg", "the JPEG name derived from it");

    Check(DropFiles(t.pi, t.hMain, {sFolder + L"\\notes.txt"}), "only a text dropped");
    MessageBoxSeen box;
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDOK, box), "the drop is refused");
    CheckText(
        box.sText,
        L"ビットマップ (.bmp .dib) か JPEG (.jpg .jpeg .jpe .jfif) のファイルを選んでください",
        "with what the dialog takes");
    CheckText(TextOf(t.Item(1000)), sBitmap, "and the paths as they were");
    Command(t.hMain, IDCANCEL);
    Check(t.Ended(), "Close ends the program");
}

// The colour of the screen at a point of a window, read across processes.
COLORREF ScreenPixel(HWND hWindow, int dx, int dy) {
    RECT r{};
    GetWindowRect(hWindow, &r);
    HDC hScreen = GetDC(nullptr);
    const COLORREF colour =
        GetPixel(hScreen, (r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2 + dy);
    ReleaseDC(nullptr, hScreen);
    return colour;
}

// Times the bitmap choice's preview of the one file in sFolder, from its selection to a picture in
// the pane, and prints it; Tarnel.exe stays open until the file sDone appears, so that a script
// can read its memory.
int PreviewBench(const std::wstring& sExe, const std::wstring& sFolder, const std::wstring& sDone) {
    Tarnel t;
    if (!t.Start(sExe, sFolder)) {
        std::printf("PREVIEW_FAILED Tarnel.exe did not start\n");
        return 1;
    }
    Command(t.hMain, 32771);
    HWND hDialog = nullptr, hList = nullptr;
    WaitFor([&] { return (hDialog = FindOwnedDialog(t.pi.dwProcessId, t.hMain)) != nullptr; });
    WaitFor([&] { return (hList = FindDescendant(hDialog, L"SysListView32")) != nullptr; });
    HWND hCheck = FindDescendantById(hDialog, 23082), hPane = FindDescendantById(hDialog, 23080);
    // The dialog opens where the program chose last: the folder typed in takes it there.
    if (hDialog != nullptr) {
        SetText(GetDlgItem(hDialog, cmb13), sFolder);
        PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    // The list may be made anew for the folder.
    const bool bListed = WaitFor([&] {
        hList = FindDescendant(hDialog, L"SysListView32");
        return hList != nullptr && SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0) == 1;
    });
    if (!bListed || hCheck == nullptr || hPane == nullptr) {
        std::printf(
            "PREVIEW_FAILED no dialog listing the one bitmap (%d items)\n",
            hList != nullptr ? static_cast<int>(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0)) : -1);
        return 1;
    }
    PostMessageW(hCheck, BM_CLICK, 0, 0);
    WaitFor([&] { return IsWindowVisible(hPane) != FALSE; });
    Sleep(500);
    const COLORREF nEmpty = ScreenPixel(hPane, 3, 7);
    const DWORD nStart = GetTickCount();
    PostKey(hList, VK_HOME);
    const bool bShown = WaitFor([&] { return ScreenPixel(hPane, 3, 7) != nEmpty; }, 60000);
    const DWORD nElapsed = GetTickCount() - nStart;
    std::printf("PREVIEW_MS=%lu shown=%d\n", static_cast<unsigned long>(nElapsed), bShown ? 1 : 0);
    std::fflush(stdout);
    WaitFor([&] { return GetFileAttributesW(sDone.c_str()) != INVALID_FILE_ATTRIBUTES; }, 120000);
    PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitFor([&] { return !IsWindow(hDialog); });
    Command(t.hMain, IDCANCEL);
    t.Ended();
    return bShown ? 0 : 1;
}

}  // namespace

// The executable's version resource, as Explorer and installers read it: file and product
// version 1.1.0.0, one Japanese string table.
void CheckVersionResource(const std::wstring& sExe) {
    DWORD nHandle = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(sExe.c_str(), &nHandle));
    const bool bRead =
        !block.empty() &&
        GetFileVersionInfoW(sExe.c_str(), 0, static_cast<DWORD>(block.size()), block.data());
    Check(bRead, "version resource readable");
    if (!bRead)
        return;
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nSize = 0;
    Check(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&pFixed), &nSize) &&
              pFixed->dwFileVersionMS == 0x00010001 && pFixed->dwFileVersionLS == 0 &&
              pFixed->dwProductVersionMS == 0x00010001 && pFixed->dwProductVersionLS == 0,
          "file and product version 1.1.0.0");
    auto text = [&](const wchar_t* pszName) {
        const std::wstring sKey = std::wstring(L"\\StringFileInfo\\041104b0\\") + pszName;
        wchar_t* pszValue = nullptr;
        UINT nLength = 0;
        return VerQueryValueW(block.data(), sKey.c_str(), reinterpret_cast<void**>(&pszValue),
                              &nLength) &&
                       pszValue != nullptr
                   ? std::wstring(pszValue)
                   : std::wstring();
    };
    CheckText(text(L"FileVersion"), L"1, 1, 0, 0", "FileVersion string");
    CheckText(text(L"ProductVersion"), L"1, 1, 0, 0", "ProductVersion string");
    CheckText(text(L"OriginalFilename"), L"Tarnel.EXE", "OriginalFilename string");
}

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--preview-bench")
        return PreviewBench(Wide(argv[2]), Wide(argv[3]), Wide(argv[4]));
    if (argc != 4) {
        std::fprintf(stderr, "usage: gui_driver TARNEL.EXE WORKDIR SYNCDIR\n");
        return 2;
    }
    const std::wstring sExe = Wide(argv[1]), sWork = Wide(argv[2]), sSync = Wide(argv[3]);
    auto path = [&](const wchar_t* pszName) { return sWork + L"\\" + pszName; };
    const DWORD nAttributesMissing = INVALID_FILE_ATTRIBUTES;

    CheckVersionResource(sExe);
    CheckMenu(sExe);
    Tarnel t;
    Check(t.Start(sExe), "Tarnel.exe shows its dialog");
    if (t.hMain == nullptr)
        return 1;
    CheckLayout(t);
    driver::Screenshot(sSync, L"main");

    MessageBoxSeen box;
    // Converting before any file was chosen names the placeholder.
    Press(t.hMain, 1012);
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDOK, box),
          "missing bitmap message shown");
    CheckText(box.sText, L"エラー： ***.bmp が存在しません", "missing bitmap message");
    Check(box.bOk && !box.bYes && box.bIcon, "missing bitmap message: OK with a stop icon");
    CheckText(TextOf(t.Item(1036)), L"0", "time unchanged after the missing source");

    // BMP -> JPEG.
    SetText(t.Item(1000), path(L"in.bmp"));
    SetText(t.Item(1001), path(L"out.jpg"));
    Check(RunConversion(t, 1012), "BMP to JPEG finished");
    const std::wstring sTime = TextOf(t.Item(1036));
    Check(sTime.size() == 8 && sTime[1] == L'.',
          "time read-out \"" + Utf8(sTime) + "\" has six decimals");
    Check(IsWindowEnabled(t.Item(1012)) && IsWindowEnabled(t.Item(1020)), "both buttons enabled");
    Check(GetFileAttributesW(path(L"out.jpg").c_str()) != nAttributesMissing, "out.jpg written");

    // Japanese file names, whatever the system's code page.
    SetText(t.Item(1000), path(L"写真.bmp"));
    SetText(t.Item(1001), path(L"写真.jpg"));
    Check(RunConversion(t, 1012), "BMP to JPEG with Japanese names finished");
    Check(GetFileAttributesW(path(L"写真.jpg").c_str()) != nAttributesMissing, "写真.jpg written");

    // A 32-bit bitmap converts as tarnel-cli converts it; a broken one is explained in words.
    SetText(t.Item(1000), path(L"deep.bmp"));
    SetText(t.Item(1001), path(L"deep.jpg"));
    Check(RunConversion(t, 1012), "32-bit BMP to JPEG finished");
    Check(GetFileAttributesW(path(L"deep.jpg").c_str()) != nAttributesMissing, "deep.jpg written");
    SetText(t.Item(1000), path(L"broken.bmp"));
    SetText(t.Item(1001), path(L"broken.jpg"));
    SetText(t.Item(1036), L"-");
    Press(t.hMain, 1012);
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDOK, box),
          "broken bitmap message shown");
    CheckText(box.sText,
              L"例外 : Bogus message code 1002\nこの 1 画素あたりのビット数には対応していません",
              "broken bitmap message: the code, then its meaning");
    Check(WaitFor([&] { return TextOf(t.Item(1036)) != L"-"; }), "time shown after the refusal");
    Check(GetFileAttributesW(path(L"broken.jpg").c_str()) == nAttributesMissing,
          "a refused bitmap leaves no JPEG");
    SetText(t.Item(1001), path(L"out.jpg"));

    // Overwrite question, answered No: nothing runs.
    SetText(t.Item(1036), L"-");
    Press(t.hMain, 1012);
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDNO, box),
          "overwrite question shown");
    CheckText(box.sText, L"すでに " + path(L"out.jpg") + L" は存在します 上書きしますか？",
              "overwrite question");
    Check(box.bYes && box.bNo && box.bIcon, "overwrite question: Yes and No with an icon");
    Sleep(300);
    CheckText(TextOf(t.Item(1036)), L"-", "No runs nothing");

    // JPEG -> BMP, then an OS/2 bitmap of 16 colours.
    SetText(t.Item(1000), path(L"back.bmp"));
    Check(RunConversion(t, 1020), "JPEG to BMP finished");
    Check(GetFileAttributesW(path(L"back.bmp").c_str()) != nAttributesMissing, "back.bmp written");
    SetText(t.Item(1000), path(L"back16.bmp"));
    SetText(t.Item(1013), L"16");
    SendMessageW(t.Item(1019), BM_SETCHECK, BST_CHECKED, 0);
    Check(RunConversion(t, 1020), "JPEG to 16-colour OS/2 BMP finished");
    SendMessageW(t.Item(1019), BM_SETCHECK, BST_UNCHECKED, 0);

    // A warning, and an exception.
    SetText(t.Item(1001), path(L"cut.jpg"));
    SetText(t.Item(1000), path(L"cut.bmp"));
    SetText(t.Item(1013), L"0");
    SetText(t.Item(1036), L"-");
    Press(t.hMain, 1020);
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDOK, box), "warning shown");
    CheckText(box.sText, L"エラー：Premature end of JPEG file\n", "warning message");
    Check(box.bOk && !box.bYes && !box.bIcon, "warning message: plain OK");
    Check(WaitFor([&] { return TextOf(t.Item(1036)) != L"-"; }), "time shown after a warning");

    SetText(t.Item(1001), path(L"out.jpg"));
    SetText(t.Item(1000), path(L"never.bmp"));
    SetText(t.Item(1013), L"1");
    SetText(t.Item(1036), L"-");
    EnableWindow(t.Item(1012), FALSE);
    Press(t.hMain, 1020);
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDOK, box), "exception shown");
    CheckText(box.sText, L"例外 : Cannot quantize to fewer than 8 colors", "exception message");
    Check(box.bOk && !box.bIcon, "exception message: plain OK");
    Check(WaitFor([&] { return TextOf(t.Item(1036)) != L"-" && IsWindowEnabled(t.Item(1012)); }),
          "time shown and 1012 enabled after an exception");
    Check(GetFileAttributesW(path(L"never.bmp").c_str()) == nAttributesMissing,
          "failed run leaves no file");

    // A field that is not a number stops the take-in.
    SetText(t.Item(1013), L"");
    Press(t.hMain, 1020);
    Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDOK, box),
          "take-in message shown");
    CheckText(box.sText, L"正の整数を入力してください。", "take-in message");
    SetText(t.Item(1013), L"0");

    // Reset from the menu.
    Command(t.hMain, 32779);
    Check(WaitFor([&] {
              return TextOf(t.Item(1000)) == L"***.bmp" && TextOf(t.Item(1001)) == L"***.jpg";
          }),
          "reset puts the placeholders back");

    // Help (F1 or the framework's help command): there is no help file, and the user is told
    // where the instructions are.
    {
        Command(t.hMain, 57670);
        MessageBoxSeen box;
        Check(AnswerMessageBox(t.pi.dwProcessId, t.hMain, L"Tarnel", IDOK, box),
              "help answers with a message");
        CheckText(box.sText,
                  L"ヘルプ ファイルはありません。使い方は Tarnel のフォルダーにある README.md "
                  L"をご覧ください。",
                  "help message");
    }

    // The version dialog and its home-page button.
    Command(t.hMain, 32778);
    HWND hVersion = nullptr;
    Check(WaitFor([&] {
              return (hVersion = FindDialog(t.pi.dwProcessId, L"バージョン情報")) != nullptr;
          }),
          "version dialog shown");
    if (hVersion != nullptr) {
        Check(GetWindow(hVersion, GW_OWNER) == t.hMain,
              "version dialog is owned by the main dialog");
        Check(!IsWindowEnabled(t.hMain),
              "main dialog takes no input while the version dialog is open");
        std::vector<std::wstring> texts;
        for (const Child& c : ChildrenOf(hVersion))
            texts.push_back(c.sText);
        Check(texts.size() == 5, "version dialog has 5 controls");
        if (texts.size() == 5) {
            CheckText(texts[0], L"OK", "version OK button");
            CheckText(texts[1], L"Version 1.11", "version text");
            CheckText(texts[4], L"ホームページ", "home-page button");
        }
        driver::Screenshot(sSync, L"version");
        Press(hVersion, 23083);
        // The shell either opens the page or the dialog says it cannot.
        Sleep(3000);
        if (HWND hError = FindDialog(t.pi.dwProcessId, L"Error")) {
            std::wstring sText;
            for (const Child& c : ChildrenOf(hError))
                if (c.sClass == L"Static" && !c.sText.empty())
                    sText = c.sText;
            CheckText(sText, L"ブラウザーが正しくインストールされていません",
                      "home-page failure message");
            PostMessageW(GetDlgItem(hError, IDOK), BM_CLICK, 0, 0);
            Sleep(300);
        }
        Check(IsWindow(hVersion), "version dialog stays open after the home-page button");
        Command(hVersion, IDOK);
        Check(WaitFor([&] { return !IsWindow(hVersion); }), "version dialog closes with OK");
        Check(WaitFor([&] { return IsWindowEnabled(t.hMain) != FALSE; }),
              "main dialog enabled again");
    }

    // Enter ends the program when the values are taken in; so does Close.
    Command(t.hMain, IDOK);
    Check(t.Ended(), "Enter ends the program");
    Tarnel second;
    Check(second.Start(sExe), "Tarnel.exe starts again");
    Command(second.hMain, IDCANCEL);
    Check(second.Ended(), "Close ends the program");

    CheckFileChoice(sExe, path(L"pick"));
    CheckDropsAndCommandLine(sExe, sWork);

    return driver::Summary("GUI");
}
