// COXBmpFileDialog: loads the selected bitmap into a COXDIB and paints it into the pane.
#include "platform/win32.h"

#include "filedlg/bmp_file_dialog_win32.h"

#include <algorithm>

#include "filespec/path_spec.h"

IMPLEMENT_DYNAMIC(COXBmpFileDialog, COXPreviewDialog)

namespace {

// The side a picture is read at before the pane has its size.
constexpr LONG kLeastPaneSide = 256;

}  // namespace

COXBmpFileDialog::COXBmpFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName,
                                   DWORD dwFlags, LPCTSTR lpszFilter, CWnd* pParentWnd)
    : COXPreviewDialog(bOpenFileDialog, lpszDefExt, lpszFileName, dwFlags, lpszFilter, pParentWnd) {
}

void COXBmpFileDialog::OnNewFileSelect(const CString& sFileName) {
    const COXPathSpec path(sFileName);
    if (sFileName.IsEmpty() || !path.Exists() || path.GetExtension().CompareNoCase("bmp") != 0) {
        m_dib.Empty();
        return;
    }
    // The pane shows the picture stretched to its own size: a large file is read at that size.
    RECT pane{};
    ::GetClientRect(m_previewButton.m_hWnd, &pane);
    const CSize paneSize(std::max<LONG>(pane.right - pane.left, kLeastPaneSide),
                         std::max<LONG>(pane.bottom - pane.top, kLeastPaneSide));
    m_dib.ReadReduced(path.GetPath(), paneSize);
}

void COXBmpFileDialog::PaintCross(CDC* pDC, const CRect& rectPaint) {
    pDC->FillRect(rectPaint, pDC->GetCurrentBrush());
    // As thick at every display scale as one pixel is at 100 %.
    HPEN hPen = CreatePen(PS_SOLID, ScaleToDpi(1, GetWindowDpi(m_hWnd)), RGB(0, 0, 0));
    HGDIOBJ hBefore = SelectObject(pDC->m_hDC, hPen);
    pDC->MoveTo(rectPaint.left, rectPaint.top);
    pDC->LineTo(rectPaint.right, rectPaint.bottom);
    pDC->MoveTo(rectPaint.right, rectPaint.top);
    pDC->LineTo(rectPaint.left, rectPaint.bottom);
    SelectObject(pDC->m_hDC, hBefore);
    DeleteObject(hPen);
}

void COXBmpFileDialog::OnPaintPreview(CDC* pDC, const CRect& rectPaint) {
    if (m_dib.IsEmpty()) {
        PaintCross(pDC, rectPaint);
        return;
    }
    const CSize size = m_dib.GetSize();
    const CRect rectSource(0, 0, size.cx, size.cy);
    CPalette* pPalette = m_dib.GetPalette();
    if (pPalette != nullptr) {
        HPALETTE hOld = pDC->SelectPalette(pPalette->m_hObject, FALSE);
        pDC->RealizePalette();
        pDC->SelectPalette(hOld, FALSE);
    }
    m_dib.Paint(pDC, rectPaint, rectSource);
}

void COXBmpFileDialog::OnDoRealizePalette(CWnd* pFocusWnd) {
    CPalette* pPalette = m_dib.GetPalette();
    if (pPalette == nullptr)
        return;
    CClientDC dc(this);
    HPALETTE hOld = dc.SelectPalette(pPalette->m_hObject, pFocusWnd->m_hWnd != m_hWnd);
    if (hOld == nullptr)
        return;
    const UINT nChanged = dc.RealizePalette();
    dc.SelectPalette(hOld, TRUE);
    if (nChanged != 0)
        m_previewButton.InvalidateRect(nullptr, FALSE);
}
