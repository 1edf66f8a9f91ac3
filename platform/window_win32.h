// The small window framework the Windows program is written against: the application object,
// windows, modal dialogs from resource templates, message boxes and the wait cursor. Windows only.
#pragma once

#include "platform/cstring.h"
#include "platform/object.h"
#include "platform/types.h"
#include "platform/win32.h"

class CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() = default;
    // A control attached with SubclassDlgItem lets go of its window.
    ~CWnd() override;

    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    // Texts are UTF-8 here and UTF-16 in the window.
    CString GetDlgItemText(int nID) const;
    void SetDlgItemText(int nID, LPCTSTR lpszText);
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
    void InvalidateRect(const RECT* pRect, BOOL bErase = TRUE) {
        ::InvalidateRect(m_hWnd, pRect, bErase);
    }

    // Attaches this object to the control nID of pParent, so that messages about the control
    // (an owner-drawn button's WM_DRAWITEM) reach it; once only.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // The object attached to hWnd by SubclassDlgItem or Attach, or NULL.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Makes this object the one FromHandlePermanent finds for hWnd.
    void Attach(HWND hWnd);
    void Detach();

    HWND m_hWnd = nullptr;
};

// A button; an owner-drawn one paints in DrawItem.
class CButton : public CWnd {
public:
    virtual void DrawItem(LPDRAWITEMSTRUCT /*lpDrawItemStruct*/) {}
};

class CStatic : public CWnd {};

// The direction of one data exchange between a dialog's members and its controls.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;
};

// A check box's state and a flag.
void DDX_Check(CDataExchange* pDX, int nIDC, BOOL& rbValue);

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
    static INT_PTR Dispatch(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};

// The framework's help command: F1 in a dialog, routed to the application's OnHelp.
constexpr int ID_HELP = 57670;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    // FALSE ends the program once it returns (a dialog program has no message loop of its own).
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }
    // ID_HELP from any dialog of the application.
    virtual void OnHelp() {}
    // An exception a window's handler let out, described in words: the window procedure stops
    // it there, since the system's code that called the procedure cannot be unwound through.
    virtual void ProcessWndProcException(LPCTSTR lpszWhat);

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
