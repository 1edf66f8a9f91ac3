// The conversion dialog on screen: template 102 with its menu, the controls behind
// CTarnelDlgWindow, the icons. Windows only.
#pragma once

#include "app/tarnel_dlg.h"
#include "platform/window_win32.h"

class CTarnelDlgWnd : public CDialog, public CTarnelDlgWindow {
public:
    explicit CTarnelDlgWnd(CWnd* pParent = nullptr);
    ~CTarnelDlgWnd() override;

    // The controller: its members and handlers are the dialog's.
    CTarnelDlg& Controller() { return m_controller; }
    // A file to open once the dialog is up, as a drop of it would (empty: none).
    void SetStartFile(const CString& sPath) { m_sStartFile = sPath; }

    CString GetItemText(int nID) override;
    void SetItemText(int nID, LPCTSTR lpszText) override;
    int GetCheck(int nID) override;
    void SetCheck(int nID, int nCheck) override;
    void EnableItem(int nID, BOOL bEnable) override;
    void SetFocusItem(int nID) override;
    int MessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    DWORD GetTickCount() override;
    int RunFileDialog(const FileDialogRequest& request, CString& rsPath) override;
    void RunVersionInfo() override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int nID, int nNotifyCode) override;
    BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnOK() override;

private:
    void PaintMinimised();
    // The window's icons at the sizes its display scale asks for.
    void SetIcons();
    void DestroyIcons();

    CTarnelDlg m_controller;
    CString m_sStartFile;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HCURSOR m_hCursorBeforeWait = nullptr;
    int m_nWaitDepth = 0;
};
