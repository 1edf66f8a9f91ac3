// What the dialogs' logic asks of the window system: the few window operations the conversion
// dialog and the version dialog use. The Windows window layer implements them over real
// controls; tests implement them with a fake that records every call.
#pragma once

#include "platform/cstring.h"
#include "platform/types.h"

// The parameters of a file-open dialog.
struct FileDialogRequest {
    BOOL bBitmapPreview;  // the bitmap dialog with its preview pane, else the plain one
    CString sDefaultExt;
    CString sFileName;
    DWORD dwFlags;
    CString sFilter;
};

class CTarnelDlgWindow {
public:
    virtual ~CTarnelDlgWindow() = default;

    // Controls addressed by id.
    virtual CString GetItemText(int nID) = 0;
    virtual void SetItemText(int nID, LPCTSTR lpszText) = 0;
    virtual int GetCheck(int nID) = 0;  // 0 or 1
    virtual void SetCheck(int nID, int nCheck) = 0;
    virtual void EnableItem(int nID, BOOL bEnable) = 0;
    virtual void SetFocusItem(int nID) = 0;

    // A modal message with the application's title as caption; the button pressed.
    virtual int MessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    virtual DWORD GetTickCount() = 0;

    // A modal file-open dialog owned by the conversion dialog: IDOK and the full path, or not.
    virtual int RunFileDialog(const FileDialogRequest& request, CString& rsPath) = 0;
    // The version dialog, modal, with no parent.
    virtual void RunVersionInfo() = 0;
};

class CVersionInfoWindow {
public:
    virtual ~CVersionInfoWindow() = default;

    // Opens lpszFile with the program registered for it, owned by the application's main
    // window; a result above 32 means success.
    virtual long ShellOpen(LPCTSTR lpszFile, int nShowCmd) = 0;
    // A message box owned by the version dialog itself.
    virtual int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) = 0;
};
