// CVersionInfoDlgWnd: routing the home-page button and the shell call.
#include "app/version_info_dlg_wnd_win32.h"

#include <shellapi.h>

#include "app/resource.h"
#include "platform/wide_win32.h"

CVersionInfoDlgWnd::CVersionInfoDlgWnd(CWnd* pParent)
    : CDialog(IDD_VERSIONINFO, pParent), m_logic(*this) {}

BOOL CVersionInfoDlgWnd::OnCommand(int nID, int nNotifyCode) {
    if (nID == IDC_HOMEPAGE && nNotifyCode == BN_CLICKED) {
        m_logic.OnHomePage();
        return TRUE;
    }
    return CDialog::OnCommand(nID, nNotifyCode);
}

long CVersionInfoDlgWnd::ShellOpen(LPCTSTR lpszFile, int nShowCmd) {
    CWnd* pMain = AfxGetMainWnd();
    const HINSTANCE hResult =
        ShellExecuteW(pMain != nullptr ? pMain->m_hWnd : nullptr, L"open",
                      Utf8ToWide(lpszFile).c_str(), nullptr, nullptr, nShowCmd);
    return static_cast<long>(reinterpret_cast<INT_PTR>(hResult));
}

int CVersionInfoDlgWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
    return MessageBoxW(m_hWnd, Utf8ToWide(lpszText).c_str(), Utf8ToWide(lpszCaption).c_str(),
                       nType);
}
