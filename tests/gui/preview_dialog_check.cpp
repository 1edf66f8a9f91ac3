// The bitmap open dialog with its preview pane, explorer-style or the older one, shown by this
// program and driven from a second thread as a user would: the added controls, the preview
// switched on and off, pictures read back from the pane, the crossed box, two files selected,
// Cancel and OK; the texts of its template fit their controls at the display's scale. Windows
// program, run under a virtual display by run_gui_tests.sh at each scale.
// Usage: preview_dialog_check WORK_DIR SYNC_DIR RESOURCE-8BIT.BMP explorer|old
#include "platform/win32.h"

#include <commctrl.h>
#include <dlgs.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "filedlg/bmp_file_dialog_win32.h"
#include "filedlg/preview_ids.h"
#include "tests/gui/driver_support.h"
#include "tests/gui/test_pictures.h"

namespace {

using driver::Check;
using driver::Utf8;
using driver::WaitFor;

// The dialog under test, with what the driver reads of it.
class CheckedDialog : public COXBmpFileDialog {
public:
    CheckedDialog()
        : COXBmpFileDialog(TRUE, "bmp", "*.bmp",
                           OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                           "All Files (*.*) | *.* ||", nullptr) {}

    static void UseOlderDialog() { SetExplorerStyleForTesting(FALSE); }

    void OnNewFileSelect(const CString& sFileName) override {
        COXBmpFileDialog::OnNewFileSelect(sFileName);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_selects.push_back(sFileName.str());
    }
    std::vector<std::string> Selects() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_selects;
    }
    bool HasPicture() const { return !m_dib.IsEmpty(); }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_selects;
};

std::atomic<CheckedDialog*> g_pDialog{nullptr};

// The open dialog's top-level window in this process.
HWND FindOpenDialog() {
    struct Search {
        HWND hFound;
    } search{nullptr};
    EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
            DWORD nProcess = 0;
            GetWindowThreadProcessId(h, &nProcess);
            if (nProcess != GetCurrentProcessId() || !IsWindowVisible(h) ||
                driver::FindDescendantById(h, IDC_PREVIEW_CHECK) == nullptr)
                return TRUE;
            reinterpret_cast<Search*>(l)->hFound = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

struct Ui {
    bool bExplorer;
    HWND hTop = nullptr;
    HWND hCheck = nullptr;
    HWND hFrame = nullptr;
    HWND hPane = nullptr;
    HWND hList = nullptr;

    bool Find() {
        if (!WaitFor([&] { return (hTop = FindOpenDialog()) != nullptr; }))
            return false;
        hCheck = driver::FindDescendantById(hTop, IDC_PREVIEW_CHECK);
        hFrame = driver::FindDescendantById(hTop, IDC_PREVIEW_FRAME);
        hPane = driver::FindDescendantById(hTop, IDC_PREVIEW_PANE);
        if (bExplorer)
            WaitFor([&] {
                return (hList = driver::FindDescendant(hTop, L"SysListView32")) != nullptr;
            });
        else
            hList = GetDlgItem(hTop, lst1);
        return hList != nullptr;
    }

    int FindItem(const std::wstring& sName) const {
        const std::wstring sStem = sName.substr(0, sName.rfind(L'.'));
        const int nCount =
            static_cast<int>(SendMessageW(hList, bExplorer ? LVM_GETITEMCOUNT : LB_GETCOUNT, 0, 0));
        for (int i = 0; i < nCount; ++i) {
            wchar_t sz[260] = L"";
            if (bExplorer) {
                LVITEMW item{};
                item.iSubItem = 0;
                item.pszText = sz;
                item.cchTextMax = 260;
                SendMessageW(hList, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
            } else {
                SendMessageW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(sz));
            }
            if (_wcsicmp(sz, sName.c_str()) == 0 || _wcsicmp(sz, sStem.c_str()) == 0)
                return i;
        }
        return -1;
    }

    // Selects exactly these entries, as clicks in the list would.
    bool Select(const std::vector<std::wstring>& names) const {
        if (!WaitFor([&] {
                for (const auto& sName : names)
                    if (FindItem(sName) < 0)
                        return false;
                return true;
            }))
            return false;
        if (bExplorer) {
            LVITEMW none{};
            none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(&none));
            for (const auto& sName : names) {
                LVITEMW item{};
                item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                item.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageW(hList, LVM_SETITEMSTATE, FindItem(sName),
                             reinterpret_cast<LPARAM>(&item));
            }
        } else {
            SendMessageW(hList, LB_SETSEL, FALSE, -1);
            for (const auto& sName : names)
                SendMessageW(hList, LB_SETSEL, TRUE, FindItem(sName));
            SendMessageW(hTop, WM_COMMAND, MAKEWPARAM(lst1, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(hList));
        }
        return true;
    }

    bool Checked() const { return SendMessageW(hCheck, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void ClickCheck() const { PostMessageW(hCheck, BM_CLICK, 0, 0); }
};

// The pane shows the 4 x 2 picture stretched over its whole client area.
bool PaneShows(HWND hPane, COLORREF (*expected)(int, int)) {
    RECT rc;
    GetClientRect(hPane, &rc);
    HDC hdc = GetDC(hPane);
    bool bAll = rc.right > 8 && rc.bottom > 8;
    for (int y = 0; y < test_pictures::kHeight && bAll; ++y)
        for (int x = 0; x < test_pictures::kWidth && bAll; ++x) {
            const int px = (2 * x + 1) * rc.right / (2 * test_pictures::kWidth);
            const int py = (2 * y + 1) * rc.bottom / (2 * test_pictures::kHeight);
            bAll = GetPixel(hdc, px, py) == expected(x, y);
        }
    ReleaseDC(hPane, hdc);
    return bAll;
}

// The crossed box: black diagonals through the middle over the context's brush.
bool PaneShowsCross(HWND hPane) {
    RECT rc;
    GetClientRect(hPane, &rc);
    HDC hdc = GetDC(hPane);
    const COLORREF centre = GetPixel(hdc, rc.right / 2, rc.bottom / 2);
    const COLORREF corner = GetPixel(hdc, 1, 1);
    const COLORREF topMiddle = GetPixel(hdc, rc.right / 2, 2);
    ReleaseDC(hPane, hdc);
    return centre == RGB(0, 0, 0) && corner == RGB(0, 0, 0) && topMiddle != RGB(0, 0, 0);
}

// The rectangle of a control in dialog units of hDialog.
bool HasDialogRect(HWND hDialog, HWND hControl, int x, int y, int cx, int cy, bool bPosition) {
    RECT expected{x, y, x + cx, y + cy};
    MapDialogRect(hDialog, &expected);
    RECT actual;
    GetWindowRect(hControl, &actual);
    MapWindowPoints(nullptr, hDialog, reinterpret_cast<POINT*>(&actual), 2);
    const auto close = [](LONG a, LONG b) { return a - b <= 1 && b - a <= 1; };
    const bool bSize = close(actual.right - actual.left, expected.right - expected.left) &&
                       close(actual.bottom - actual.top, expected.bottom - expected.top);
    return bSize &&
           (!bPosition || (close(actual.left, expected.left) && close(actual.top, expected.top)));
}

void CheckControls(const Ui& ui) {
    const std::wstring sCheckText = ui.bExplorer ? L"&Bmpﾌﾟﾚﾋﾞｭｰ" : L"&Preview";
    Check(driver::TextOf(ui.hCheck) == sCheckText,
          "check box 23082 reads " + Utf8(driver::TextOf(ui.hCheck)));
    Check((GetWindowLongW(ui.hCheck, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX,
          "23082 is an automatic check box");
    Check((GetWindowLongW(ui.hFrame, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX,
          "23081 is a group box");
    Check((GetWindowLongW(ui.hPane, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW,
          "23080 is an owner-drawn button");
    HWND hDialog = GetParent(ui.hCheck);
    // The explorer-style dialog moves its template's controls beside its own: sizes hold, and
    // the places of the three relative to each other.
    const bool bExact = !ui.bExplorer;
    const int check[4] = {ui.bExplorer ? 283 : 213, ui.bExplorer ? 98 : 101, 50, 11};
    const int frame[4] = {ui.bExplorer ? 281 : 212, ui.bExplorer ? 25 : 28, ui.bExplorer ? 60 : 59,
                          68};
    const int pane[4] = {ui.bExplorer ? 283 : 213, ui.bExplorer ? 31 : 34, 56, 61};
    Check(HasDialogRect(hDialog, ui.hCheck, check[0], check[1], check[2], check[3], bExact),
          "check box rectangle");
    Check(HasDialogRect(hDialog, ui.hFrame, frame[0], frame[1], frame[2], frame[3], bExact),
          "frame rectangle");
    Check(HasDialogRect(hDialog, ui.hPane, pane[0], pane[1], pane[2], pane[3], bExact),
          "pane rectangle");
    RECT rCheck, rPane, expected{0, 0, check[0] - pane[0], check[1] - pane[1]};
    GetWindowRect(ui.hCheck, &rCheck);
    GetWindowRect(ui.hPane, &rPane);
    MapDialogRect(hDialog, &expected);
    const LONG dx = (rCheck.left - rPane.left) - expected.right;
    const LONG dy = (rCheck.top - rPane.top) - expected.bottom;
    Check(dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1, "check box and pane keep their places");
    driver::CheckTextsFit(hDialog, ui.bExplorer ? "explorer-style template" : "older template",
                          {stc1});
    Check(!ui.Checked(), "the preview starts off");
    Check(!IsWindowVisible(ui.hPane), "the pane starts hidden");
}

void DriveCancelledRun(const Ui& ui, const std::wstring& sSync) {
    const std::string sStyle = ui.bExplorer ? "explorer: " : "older: ";
    CheckControls(ui);
    CheckedDialog* pDialog = g_pDialog;

    ui.Select({L"a24.bmp"});
    Check(WaitFor([&] { return !pDialog->Selects().empty(); }),
          sStyle + "one file selected, preview off: nothing to preview");
    Check(!IsWindowVisible(ui.hPane) && IsWindowEnabled(ui.hCheck), sStyle + "pane still hidden");

    ui.ClickCheck();
    Check(WaitFor([&] { return ui.Checked() && IsWindowVisible(ui.hPane); }),
          sStyle + "switching the preview on shows the pane");
    Check(WaitFor([&] { return PaneShows(ui.hPane, test_pictures::Expected24); }),
          sStyle + "the pane shows the 24-bit picture stretched to its shape");
    driver::Screenshot(sSync,
                       std::wstring(ui.bExplorer ? L"preview-explorer-" : L"preview-older-") +
                           std::to_wstring(GetDpiForWindow(ui.hTop)));

    ui.Select({L"b8.BMP"});
    Check(WaitFor([&] { return PaneShows(ui.hPane, test_pictures::Expected8); }),
          sStyle + "a .BMP in capitals previews the 8-bit picture");
    ui.Select({L"写真.bmp"});
    Check(WaitFor([&] { return PaneShows(ui.hPane, test_pictures::Expected24); }),
          sStyle + "a Japanese name previews");
    ui.Select({L"c.jpg"});
    Check(WaitFor([&] { return !pDialog->HasPicture() && PaneShowsCross(ui.hPane); }),
          sStyle + "a .jpg shows the crossed box");
    ui.Select({L"broken.bmp"});
    Check(WaitFor([&] { return !pDialog->HasPicture() && PaneShowsCross(ui.hPane); }),
          sStyle + "a broken bitmap shows the crossed box");
    ui.Select({L"写真.bmp"});
    Check(WaitFor([&] { return PaneShows(ui.hPane, test_pictures::Expected24); }),
          sStyle + "and the next bitmap previews as before");
    ui.Select({L"a24.bmp", L"b8.BMP"});
    Check(WaitFor([&] { return !IsWindowEnabled(ui.hCheck); }),
          sStyle + "two files disable the check box");
    Check(!ui.Checked() && !IsWindowVisible(ui.hPane), sStyle + "and clear it and hide the pane");
    ui.Select({L"a24.bmp"});
    Check(WaitFor([&] { return IsWindowEnabled(ui.hCheck); }),
          sStyle + "one file again enables the box");
    Check(!ui.Checked() && !IsWindowVisible(ui.hPane), sStyle + "unchecked, the pane hidden");

    ui.ClickCheck();
    Check(WaitFor([&] { return PaneShows(ui.hPane, test_pictures::Expected24); }),
          sStyle + "on again: the picture");
    const std::size_t nBefore = pDialog->Selects().size();
    ui.Select({L"A24.BMP"});
    Sleep(300);
    Check(pDialog->Selects().size() == nBefore, sStyle + "the same file again is not reloaded");
    ui.ClickCheck();
    Check(WaitFor([&] { return !ui.Checked() && !IsWindowVisible(ui.hPane); }),
          sStyle + "switching the preview off hides the pane");
    Check(pDialog->Selects().back().empty() && !pDialog->HasPicture(),
          sStyle + "and lets the picture go");
    PostMessageW(ui.hTop, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void DriveChosenRun(const Ui& ui) {
    ui.Select({L"写真.bmp"});
    ui.ClickCheck();
    Check(WaitFor([&] { return PaneShows(ui.hPane, test_pictures::Expected24); }),
          "preview on before OK");
    PostMessageW(ui.hTop, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void Drive(bool bExplorer, std::wstring sSync) {
    Ui first{bExplorer};
    Check(first.Find(), "the open dialog is shown");
    if (first.hTop != nullptr)
        DriveCancelledRun(first, sSync);
    WaitFor([&] { return FindOpenDialog() == nullptr; });
    Ui second{bExplorer};
    Check(WaitFor([&] { return g_pDialog.load() != nullptr && second.Find(); }),
          "the dialog opens again");
    if (second.hTop != nullptr)
        DriveChosenRun(second);
}

bool WritePicture24(const std::wstring& sPath) {
    COXDIB dib;
    dib.Create(24, test_pictures::kWidth, test_pictures::kHeight);
    HGLOBAL h = dib.Detach();
    auto* p = static_cast<BYTE*>(GlobalLock(h));
    BYTE* pBits = COXDIB::GetBits(p);
    for (int y = 0; y < test_pictures::kHeight; ++y)
        for (int x = 0; x < test_pictures::kWidth; ++x) {
            BYTE* pPixel = pBits + (test_pictures::kHeight - 1 - y) * 12 + x * 3;
            const COLORREF c = test_pictures::Expected24(x, y);
            pPixel[0] = GetBValue(c), pPixel[1] = GetGValue(c), pPixel[2] = GetRValue(c);
        }
    GlobalUnlock(h);
    COXDIB picture(h);
    GlobalFree(h);
    return picture.Write(Utf8(sPath).c_str());
}

}  // namespace

// A bitmap whose header promises rows the file does not hold.
bool WriteBroken(const std::wstring& sPath) {
    BYTE bytes[14 + 40] = {'B', 'M'};
    bytes[10] = 54;
    bytes[14] = 40;
    bytes[18] = bytes[22] = 200;  // 200 x 200
    bytes[26] = 1;
    bytes[28] = 24;
    HANDLE h = CreateFileW(sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD nWritten = 0;
    const BOOL bWritten = h != INVALID_HANDLE_VALUE &&
                          WriteFile(h, bytes, sizeof bytes, &nWritten, nullptr) &&
                          nWritten == sizeof bytes;
    CloseHandle(h);
    return bWritten;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::printf(
            "usage: preview_dialog_check WORK_DIR SYNC_DIR RESOURCE-8BIT.BMP explorer|old\n");
        return 2;
    }
    // As Tarnel.exe's manifest asks.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const bool bExplorer = std::wstring(argv[4]) == L"explorer";
    // A Japanese folder: paths reach the system as UTF-16 all the way.
    const std::wstring sFolder =
        std::wstring(argv[1]) + (bExplorer ? L"\\プレビュー" : L"\\旧形式");
    CreateDirectoryW(sFolder.c_str(), nullptr);
    CreateDirectoryW((sFolder + L"\\sub").c_str(), nullptr);
    Check(WritePicture24(sFolder + L"\\a24.bmp") && WritePicture24(sFolder + L"\\写真.bmp") &&
              CopyFileW(argv[3], (sFolder + L"\\b8.BMP").c_str(), FALSE) &&
              CopyFileW(argv[3], (sFolder + L"\\c.jpg").c_str(), FALSE) &&
              WriteBroken(sFolder + L"\\broken.bmp"),
          "pictures written");
    SetCurrentDirectoryW(sFolder.c_str());
    if (!bExplorer)
        CheckedDialog::UseOlderDialog();
    Check(COXPreviewDialog::IsExplorerStyle() == (bExplorer ? TRUE : FALSE),
          "the dialog style asked for");

    std::thread driverThread(Drive, bExplorer, std::wstring(argv[2]));
    {
        CheckedDialog dialog;
        dialog.m_ofn.lpstrInitialDir = sFolder.c_str();
        g_pDialog = &dialog;
        Check(dialog.DoModal() == IDCANCEL, "Cancel ends the dialog with IDCANCEL");
        g_pDialog = nullptr;
    }
    {
        CheckedDialog dialog;
        dialog.m_ofn.lpstrInitialDir = sFolder.c_str();
        g_pDialog = &dialog;
        const INT_PTR nResult = dialog.DoModal();
        g_pDialog = nullptr;
        const std::wstring sChosen = driver::Wide(dialog.GetPathName());
        Check(nResult == IDOK && sChosen.size() > 8 &&
                  _wcsicmp(sChosen.c_str() + sChosen.size() - 7, L"\\写真.bmp") == 0,
              "OK gives the chosen path: " + Utf8(sChosen));
    }
    driverThread.join();
    return driver::Summary(bExplorer ? "PREVIEW EXPLORER" : "PREVIEW OLDER");
}
