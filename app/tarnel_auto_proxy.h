// CTarnelDlgAutoProxy: what the automation object "Tarnel.Application" does: its four methods,
// found by name without regard to case, drive the conversion dialog as a user would.
#pragma once

#include "app/tarnel_dlg.h"
#include "platform/object.h"

// Dispatch ids, by the methods' places in the dispatch interface ITarnel.
enum : long {
    DISPID_TARNEL_GET_JPEG_FILE_NAME = 1,
    DISPID_TARNEL_GET_BITMAP_FILE_NAME = 2,
    DISPID_TARNEL_COMPRESS = 3,
    DISPID_TARNEL_UNCOMPRESS = 4,
};

class CTarnelDlgAutoProxy : public CObject {
    DECLARE_DYNAMIC(CTarnelDlgAutoProxy)

public:
    // pDialog: the dialog the methods drive; not owned.
    explicit CTarnelDlgAutoProxy(CTarnelDlg* pDialog) : m_pDialog(pDialog) {}

    // Despite their names these set a path, then show the members in the controls. Each does
    // nothing and returns FALSE while the dialog is busy (the caller is told to try again later),
    // so that no call changes what the user is being asked about.
    BOOL GetJpegFileName(LPCTSTR lpszPath);
    BOOL GetBitmapFileName(LPCTSTR lpszPath);
    BOOL Compress();
    BOOL UnCompress();

    // The dispatch id of a method name, any case; 0 for none.
    static long DispatchIdOf(LPCTSTR lpszName);
    // How many arguments the method takes (a path, or none); -1 for an unknown id.
    static int ArgumentCountOf(long nDispId);

    CTarnelDlg* m_pDialog;
};

// Whether a command-line word is the framework's automation or embedding switch.
BOOL IsAutomationSwitch(LPCTSTR lpszWord);
