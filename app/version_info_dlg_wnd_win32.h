// The version dialog on screen: template 100 and the home-page button. Windows only.
#pragma once

#include "app/version_info_dlg.h"
#include "platform/window_win32.h"

class CVersionInfoDlgWnd : public CDialog, public CVersionInfoWindow {
public:
    explicit CVersionInfoDlgWnd(CWnd* pParent = nullptr);

    long ShellOpen(LPCTSTR lpszFile, int nShowCmd) override;
    int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) override;

protected:
    BOOL OnCommand(int nID, int nNotifyCode) override;

private:
    CVersionInfoDlg m_logic;
};
