// COXPreviewDialog: the open dialog with a switchable preview pane, and COXPreviewButton, the
// owner-drawn pane. What to preview and how to paint it is a derived class's. Windows only.
#pragma once

#include "platform/file_dialog_win32.h"
#include "platform/gdi_win32.h"
#include "platform/gdi_types.h"

class COXPreviewButton : public CButton {
public:
    // Hands the painting to the preview dialog the pane belongs to.
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
};

class COXPreviewDialog : public CFileDialog {
    DECLARE_DYNAMIC(COXPreviewDialog)

public:
    // The arguments of CFileDialog, passed on; the templates come from the program's resources.
    explicit COXPreviewDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr,
                              LPCTSTR lpszFileName = nullptr,
                              DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                              LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

    // The system shows the explorer-style dialog (asked once per process).
    static BOOL IsExplorerStyle();

    // The hooks of a derived class.
    // The file to preview changed; empty when there is none to preview.
    virtual void OnNewFileSelect(const CString& sFileName);
    virtual void OnPaintPreview(CDC* pDC, const CRect& rectPaint);
    // The palette must be realised again; pFocusWnd has the focus.
    virtual void OnDoRealizePalette(CWnd* pFocusWnd);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnLBSelChangedNotify(UINT nIDBox, UINT iCurSel, UINT nCode) override;
    void OnFileNameChange() override;
    BOOL OnCommand(int nID, int nNotifyCode) override;
    BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    void OnPreview();
    void UpdatePreview();

    // For tests of the older dialog on a system that shows the explorer-style one.
    static void SetExplorerStyleForTesting(BOOL bExplorerStyle);

    CStatic m_previewFrame;
    BOOL m_bPreview = FALSE;
    BOOL m_bPrevPreview = FALSE;
    CString m_sSelectedFile;
    CString m_sPrevSelectedFile;
    COXPreviewButton m_previewButton;

private:
    // What the selection is: 0 nothing, 1 one existing entry, 65535 anything else.
    static UINT ClassifySelection(const CString& sPath);
    void EnablePreviewCheck(BOOL bEnable);
};
