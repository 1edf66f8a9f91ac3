// COXBmpFileDialog: the preview open dialog for Windows bitmaps, painting the selected ".bmp"
// stretched into the pane. Windows only.
#pragma once

#include "filedlg/preview_dialog_win32.h"
#include "imagefile/dib/dib.h"

class COXBmpFileDialog : public COXPreviewDialog {
    DECLARE_DYNAMIC(COXBmpFileDialog)

public:
    explicit COXBmpFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr,
                              LPCTSTR lpszFileName = nullptr,
                              DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                              LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

    void OnNewFileSelect(const CString& sFileName) override;
    // The bitmap stretched over the whole rectangle, or a crossed box without one.
    void OnPaintPreview(CDC* pDC, const CRect& rectPaint) override;
    void OnDoRealizePalette(CWnd* pFocusWnd) override;

protected:
    COXDIB m_dib;

private:
    void PaintCross(CDC* pDC, const CRect& rectPaint);
};
