// CFileDialog: the system's open and save dialogs, optionally with a template of the program's
// own, and the notifications a derived dialog hooks into. Windows only.
#pragma once

#include "platform/window_win32.h"

#include <commdlg.h>

#include <string>

class CFileDialog : public CWnd {
    DECLARE_DYNAMIC(CFileDialog)

public:
    // lpszFilter is the framework's "name|pattern|...||"; the patterns reach the system trimmed.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr,
                         LPCTSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

    // IDOK when a file was chosen, else IDCANCEL. Owned by the parent given, else by the
    // application's main window.
    virtual INT_PTR DoModal();
    // The chosen file's full path.
    CString GetPathName() const;
    // The templates in the program's resources (m_ofn.hInstance) for the older dialog and for
    // the explorer-style one, whose template is a child placed beside the system's controls.
    void SetTemplate(LPCTSTR lpszWin3Template, LPCTSTR lpszWin4Template);
    // Controls to members (TRUE) or members to controls, through DoDataExchange.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // The explorer-style dialog's frame, which answers the CDM_ messages; the dialog itself for
    // the older one.
    HWND GetFrameWindow() const;

    OPENFILENAMEW m_ofn{};

    // The text the system takes for a framework filter: NUL-separated parts, patterns trimmed.
    static std::wstring SystemFilter(LPCTSTR lpszFilter);

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* /*pDX*/) {}
    // Explorer-style: the selection changed.
    virtual void OnFileNameChange() {}
    // Older dialog: the selection of a list changed.
    virtual void OnLBSelChangedNotify(UINT /*nIDBox*/, UINT /*iCurSel*/, UINT /*nCode*/) {}
    // A WM_COMMAND from one of the program's controls; TRUE when handled.
    virtual BOOL OnCommand(int /*nID*/, int /*nNotifyCode*/) { return FALSE; }
    // Any other message, WM_ACTIVATE and WM_PALETTECHANGED of the frame included; TRUE when
    // handled.
    virtual BOOL OnMessage(UINT /*nMsg*/, WPARAM, LPARAM, LRESULT* /*pResult*/) { return FALSE; }

private:
    static UINT_PTR CALLBACK HookProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FrameProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    UINT_PTR OnHookMessage(UINT nMsg, WPARAM wParam, LPARAM lParam);
    void SubclassFrame();

    BOOL m_bOpenFileDialog;
    CWnd* m_pParentWnd;
    std::wstring m_sDefExt;
    std::wstring m_sFilter;
    std::wstring m_sFileBuffer;
    std::wstring m_sWin3Template;
    std::wstring m_sWin4Template;
    WNDPROC m_pfnFrameProc = nullptr;
};
