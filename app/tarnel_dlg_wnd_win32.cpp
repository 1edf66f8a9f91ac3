// CTarnelDlgWnd: routing commands to the controller and carrying out its window operations.
#include "app/tarnel_dlg_wnd_win32.h"

#include <commdlg.h>

#include <string>

#include "app/resource.h"
#include "app/version_info_dlg_wnd_win32.h"
#include "platform/wide_win32.h"

CTarnelDlgWnd::CTarnelDlgWnd(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent),
      m_controller(*this),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

BOOL CTarnelDlgWnd::OnInitDialog() {
    m_controller.UpdateData(FALSE);
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

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

BOOL CTarnelDlgWnd::OnMessage(UINT nMsg, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT* pResult) {
    if (nMsg == WM_QUERYDRAGICON) {
        *pResult = reinterpret_cast<LRESULT>(m_hIcon);
        return TRUE;
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
    const int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(hdc, x, y, m_hIcon);
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

void CTarnelDlgWnd::EnableItem(int nID, BOOL bEnable) { EnableWindow(GetDlgItem(nID), bEnable); }

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

namespace {

std::wstring TrimSpaces(const std::wstring& s) {
    const std::size_t nFirst = s.find_first_not_of(L' ');
    return nFirst == std::wstring::npos ? std::wstring()
                                        : s.substr(nFirst, s.find_last_not_of(L' ') - nFirst + 1);
}

// The framework's filter ("name|pattern|...||") as the system takes it: parts separated by
// NULs. Names stay as written; the system matches patterns literally, so the spaces around
// each pattern ("Bitmap Files (*.bmp) | *.bmp ||") go.
std::wstring SystemFilter(LPCTSTR lpszFilter) {
    const std::wstring sFilter = Utf8ToWide(lpszFilter);
    std::wstring sResult;
    std::size_t nStart = 0;
    for (bool bPattern = false;; bPattern = !bPattern) {
        const std::size_t nBar = sFilter.find(L'|', nStart);
        const std::wstring sPart =
            sFilter.substr(nStart, nBar == std::wstring::npos ? nBar : nBar - nStart);
        if (sPart.empty() && !bPattern)
            break;  // "||" or the end: no more name-pattern pairs
        if (bPattern) {
            std::size_t nFrom = 0;
            for (std::size_t nSemi; (nSemi = sPart.find(L';', nFrom)) != std::wstring::npos;
                 nFrom = nSemi + 1)
                sResult += TrimSpaces(sPart.substr(nFrom, nSemi - nFrom)) + L';';
            sResult += TrimSpaces(sPart.substr(nFrom));
        } else {
            sResult += sPart;
        }
        sResult.push_back(L'\0');
        if (nBar == std::wstring::npos)
            break;
        nStart = nBar + 1;
    }
    sResult.push_back(L'\0');
    return sResult;
}

}  // namespace

int CTarnelDlgWnd::RunFileDialog(const FileDialogRequest& request, CString& rsPath) {
    const std::wstring sFilter = SystemFilter(request.sFilter);
    std::wstring sFile = Utf8ToWide(request.sFileName);
    sFile.resize(32768, L'\0');
    const std::wstring sDefExt = Utf8ToWide(request.sDefaultExt);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = sFilter.c_str();
    ofn.lpstrFile = sFile.data();
    ofn.nMaxFile = static_cast<DWORD>(sFile.size());
    ofn.lpstrDefExt = sDefExt.c_str();
    ofn.Flags = request.dwFlags | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&ofn))
        return IDCANCEL;
    rsPath = WideToUtf8(sFile.c_str());
    return IDOK;
}

void CTarnelDlgWnd::RunVersionInfo() {
    CVersionInfoDlgWnd dlg;  // no parent: owned by the main window
    dlg.DoModal();
}
