// CTarnelDlgWnd: routing commands to the controller and carrying out its window operations.
#include "app/tarnel_dlg_wnd_win32.h"

#include <memory>
#include <string>
#include <vector>

#include <shellapi.h>

#include "app/resource.h"
#include "app/version_info_dlg_wnd_win32.h"
#include "filedlg/bmp_file_dialog_win32.h"
#include "platform/file_dialog_win32.h"
#include "platform/gdi_win32.h"
#include "platform/wide_win32.h"

CTarnelDlgWnd::CTarnelDlgWnd(CWnd* pParent) : CDialog(IDD_MAIN, pParent), m_controller(*this) {}

CTarnelDlgWnd::~CTarnelDlgWnd() { DestroyIcons(); }

void CTarnelDlgWnd::SetIcons() {
    const UINT nDpi = GetWindowDpi(m_hWnd);
    const auto load = [nDpi](int nSizeAt96) {
        const int nSize = ScaleToDpi(nSizeAt96, nDpi);
        return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                             MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, nSize,
                                             nSize, LR_DEFAULTCOLOR));
    };
    HICON hBig = load(32);
    HICON hSmall = load(16);
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hBig));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hSmall));
    DestroyIcons();
    m_hIcon = hBig;
    m_hSmallIcon = hSmall;
}

void CTarnelDlgWnd::DestroyIcons() {
    if (m_hIcon != nullptr)
        DestroyIcon(m_hIcon);
    if (m_hSmallIcon != nullptr)
        DestroyIcon(m_hSmallIcon);
    m_hIcon = m_hSmallIcon = nullptr;
}

BOOL CTarnelDlgWnd::OnInitDialog() {
    m_controller.UpdateData(FALSE);
    SetIcons();
    // Files dropped from Explorer arrive as WM_DROPFILES.
    DragAcceptFiles(m_hWnd, TRUE);
    if (!m_sStartFile.IsEmpty())
        m_controller.OpenFile(m_sStartFile);
    return TRUE;
}

namespace {

// The paths a drop carries, in their order; the drop is finished with.
std::vector<CString> TakeDroppedPaths(HDROP hDrop) {
    std::vector<CString> paths;
    const UINT nFiles = DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < nFiles; ++i) {
        std::wstring sPath(DragQueryFileW(hDrop, i, nullptr, 0) + 1, L'\0');
        DragQueryFileW(hDrop, i, sPath.data(), static_cast<UINT>(sPath.size()));
        sPath.resize(sPath.size() - 1);
        paths.push_back(WideToUtf8(sPath.c_str()));
    }
    DragFinish(hDrop);
    return paths;
}

}  // namespace

BOOL CTarnelDlgWnd::OnCommand(int nID, int nNotifyCode) {
    switch (nID) {
    case ID_SELECT_BITMAP:
        m_controller.OnSelectBitmap();
        return TRUE;
    case ID_SELECT_JPEG:
        m_controller.OnSelectJpeg();
        return TRUE;
    case ID_VERSION_INFO:
        m_controller.OnVersionInfo();
        return TRUE;
    case ID_RESET:
        m_controller.OnReset();
        return TRUE;
    case IDC_COMPRESS:
        if (nNotifyCode == BN_CLICKED)
            m_controller.OnCompress();
        return TRUE;
    case IDC_UNCOMPRESS:
        if (nNotifyCode == BN_CLICKED)
            m_controller.OnUnCompress();
        return TRUE;
    default:
        return CDialog::OnCommand(nID, nNotifyCode);
    }
}

void CTarnelDlgWnd::OnOK() {
    if (m_controller.OnOK())
        EndDialog(IDOK);
}

BOOL CTarnelDlgWnd::OnMessage(UINT nMsg, WPARAM wParam, LPARAM /*lParam*/, LRESULT* pResult) {
    if (nMsg == WM_DROPFILES) {
        m_controller.OnDropFiles(TakeDroppedPaths(reinterpret_cast<HDROP>(wParam)));
        *pResult = 0;
        return TRUE;
    }
    if (nMsg == WM_QUERYDRAGICON) {
        *pResult = reinterpret_cast<LRESULT>(m_hIcon);
        return TRUE;
    }
    if (nMsg == WM_DPICHANGED) {
        // The system scales the dialog, its controls and its font; the icons are ours.
        SetIcons();
        return FALSE;
    }
    if (nMsg == WM_PAINT && IsIconic(m_hWnd)) {
        PaintMinimised();
        *pResult = 0;
        return TRUE;
    }
    return FALSE;
}

void CTarnelDlgWnd::PaintMinimised() {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWnd, &ps);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    RECT rect;
    GetClientRect(m_hWnd, &rect);
    const int nSize = ScaleToDpi(32, GetWindowDpi(m_hWnd));
    DrawIconEx(hdc, (rect.right - rect.left - nSize + 1) / 2,
               (rect.bottom - rect.top - nSize + 1) / 2, m_hIcon, nSize, nSize, 0, nullptr,
               DI_NORMAL);
    EndPaint(m_hWnd, &ps);
}

CString CTarnelDlgWnd::GetItemText(int nID) { return GetDlgItemText(nID); }

void CTarnelDlgWnd::SetItemText(int nID, LPCTSTR lpszText) { SetDlgItemText(nID, lpszText); }

int CTarnelDlgWnd::GetCheck(int nID) {
    return IsDlgButtonChecked(m_hWnd, nID) == BST_CHECKED ? 1 : 0;
}

void CTarnelDlgWnd::SetCheck(int nID, int nCheck) {
    CheckDlgButton(m_hWnd, nID, nCheck ? BST_CHECKED : BST_UNCHECKED);
}

void CTarnelDlgWnd::EnableItem(int nID, BOOL bEnable) { ::EnableWindow(GetDlgItem(nID), bEnable); }

void CTarnelDlgWnd::SetFocusItem(int nID) {
    HWND hItem = GetDlgItem(nID);
    SetFocus(hItem);
    SendMessageW(hItem, EM_SETSEL, 0, -1);  // the whole text, ready to be typed over
}

int CTarnelDlgWnd::MessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) {
    return AfxMessageBox(lpszText, nType, nIDHelp);
}

void CTarnelDlgWnd::BeginWaitCursor() {
    HCURSOR hPrevious = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
    if (m_nWaitDepth++ == 0)
        m_hCursorBeforeWait = hPrevious;
}

void CTarnelDlgWnd::EndWaitCursor() {
    if (m_nWaitDepth > 0 && --m_nWaitDepth == 0)
        SetCursor(m_hCursorBeforeWait != nullptr ? m_hCursorBeforeWait
                                                 : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

DWORD CTarnelDlgWnd::GetTickCount() { return ::GetTickCount(); }

int CTarnelDlgWnd::RunFileDialog(const FileDialogRequest& request, CString& rsPath) {
    // Only what is there can be chosen: a typed name of no file is refused by the dialog.
    const DWORD dwFlags = request.dwFlags | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    std::unique_ptr<CFileDialog> pDialog;
    if (request.bBitmapPreview)
        pDialog = std::make_unique<COXBmpFileDialog>(TRUE, request.sDefaultExt, request.sFileName,
                                                     dwFlags, request.sFilter, this);
    else
        pDialog = std::make_unique<CFileDialog>(TRUE, request.sDefaultExt, request.sFileName,
                                                dwFlags, request.sFilter, this);
    if (pDialog->DoModal() != IDOK)
        return IDCANCEL;
    rsPath = pDialog->GetPathName();
    return IDOK;
}

void CTarnelDlgWnd::RunVersionInfo() {
    CVersionInfoDlgWnd dlg;  // no parent: owned by the main window
    dlg.DoModal();
}
