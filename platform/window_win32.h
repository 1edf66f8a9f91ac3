// The small window framework the Windows program is written against: the application object,
// windows, modal dialogs from resource templates, message boxes and the wait cursor. Windows only.
#pragma once

#include "platform/cstring.h"
#include "platform/types.h"
#include "platform/win32.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;

    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    // Texts are UTF-8 here and UTF-16 in the window.
    CString GetDlgItemText(int nID) const;
    void SetDlgItemText(int nID, LPCTSTR lpszText);

    HWND m_hWnd = nullptr;
};

// A modal dialog from a dialog template in the executable's resources.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

    // Runs the dialog until EndDialog; its result, or -1 when it could not be created. Owned by
    // the parent given, else by the application's main window, and modal to its owner.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // A WM_COMMAND; TRUE when handled.
    virtual BOOL OnCommand(int nID, int nNotifyCode);
    // Any other message; TRUE with *pResult when handled.
    virtual BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    // FALSE ends the program once it returns (a dialog program has no message loop of its own).
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    // The executable's base name: the caption of every message box.
    CString m_strTitle;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPWSTR m_lpCmdLine = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The framework's entry: sets the application up and runs InitInstance and ExitInstance.
int AfxWinMain(HINSTANCE hInstance, LPWSTR lpCmdLine);

// A modal message box owned by the main window, captioned with the application's title.
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same for a string of the string table.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));

// A string of the executable's string table, as UTF-8.
CString AfxLoadString(UINT nID);
