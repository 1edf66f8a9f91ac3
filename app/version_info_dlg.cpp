// CVersionInfoDlg's home-page command.
#include "app/version_info_dlg.h"

#include "app/about_config.h"
#include "platform/winuser.h"

void CVersionInfoDlg::OnHomePage() {
    if (m_window.ShellOpen(TARNEL_HOMEPAGE_URL, SW_SHOW) <= 32)
        m_window.MessageBox("ブラウザーが正しくインストールされていません", "Error", MB_ICONERROR);
}
