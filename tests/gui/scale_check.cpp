// Tarnel's own windows at the display scale the test prefix is set to: the conversion and version
// dialogs made from Tarnel.exe's own templates, and the tree copy's status window, each with
// every control's text measured against its rectangle and photographed.
// Usage: scale_check TARNEL.EXE SYNC_DIR DPI (run by run_gui_tests.sh at 96, 144 and 192)
#include "platform/win32.h"

#include <string>

#include "app/resource.h"
#include "filespec/copy_status_dialog_win32.h"
#include "tests/gui/driver_support.h"

namespace {

using driver::Check;

// Lets the windows paint before a screenshot.
void Pump() {
    for (int i = 0; i < 20; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(25);
    }
}

void Photograph(HWND hWindow, const std::wstring& sSync, const std::wstring& sName) {
    UpdateWindow(hWindow);
    Pump();
    driver::Screenshot(sSync, sName);
}

INT_PTR CALLBACK ShowOnly(HWND, UINT nMsg, WPARAM, LPARAM) { return nMsg == WM_INITDIALOG; }

// A dialog of Tarnel.exe, shown from its template, with the longest read-outs the program
// writes into it.
void CheckTemplate(HMODULE hTarnel, int nID, const std::string& sName, const std::wstring& sSync,
                   const std::wstring& sDpi) {
    HWND hDialog = CreateDialogParamW(hTarnel, MAKEINTRESOURCEW(nID), nullptr, ShowOnly, 0);
    Check(hDialog != nullptr, "the " + sName + " dialog is made from Tarnel.exe's template");
    if (hDialog == nullptr)
        return;
    SetDlgItemTextW(hDialog, IDC_TIME, L"9999.999000");
    SetDlgItemTextW(hDialog, IDC_FILE_SIZE, L"4294967295 bytes");
    ShowWindow(hDialog, SW_SHOW);
    driver::CheckTextsFit(hDialog, sName);
    Photograph(hDialog, sSync, driver::Wide(sName.c_str()) + L"-" + sDpi);
    DestroyWindow(hDialog);
}

void CheckCopyStatus(const std::wstring& sSync, const std::wstring& sDpi) {
    COXCopyStatusDialog status;
    Check(status.OpenStatus() != FALSE, "the copy status window opens");
    status.ShowStep(CopyStatusWindow::stepCopy, "C:\\写真\\2026\\旅行\\京都\\IMG_0001.bmp",
                    "D:\\控え\\写真\\2026\\旅行\\京都\\IMG_0001.bmp");
    driver::CheckTextsFit(status.m_hWnd, "copy status");
    Photograph(status.m_hWnd, sSync, L"copy-status-" + sDpi);
    status.CloseStatus();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::printf("usage: scale_check TARNEL.EXE SYNC_DIR DPI\n");
        return 2;
    }
    // As Tarnel.exe's manifest asks.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const std::wstring sDpi = argv[3];
    HDC hScreen = GetDC(nullptr);
    Check(GetDeviceCaps(hScreen, LOGPIXELSY) == _wtoi(sDpi.c_str()),
          "the display is at " + driver::Utf8(sDpi) + " dots per inch");
    ReleaseDC(nullptr, hScreen);

    HMODULE hTarnel =
        LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    Check(hTarnel != nullptr, "Tarnel.exe's resources are read");
    if (hTarnel != nullptr) {
        CheckTemplate(hTarnel, IDD_MAIN, "main", argv[2], sDpi);
        CheckTemplate(hTarnel, IDD_VERSIONINFO, "version", argv[2], sDpi);
        FreeLibrary(hTarnel);
    }
    CheckCopyStatus(argv[2], sDpi);
    return driver::Summary("SCALE");
}
