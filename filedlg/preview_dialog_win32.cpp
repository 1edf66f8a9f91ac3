// COXPreviewDialog: tracks the one selected file in both kinds of system open dialog and keeps
// the preview pane shown exactly while the preview is on and one file is selected.
#include "platform/win32.h"

#include "filedlg/preview_dialog_win32.h"

#include <dlgs.h>

#include <string>

#include "filedlg/preview_ids.h"
#include "filespec/path_spec.h"
#include "platform/wide_win32.h"

IMPLEMENT_DYNAMIC(COXPreviewDialog, CFileDialog)

namespace {

const UINT kNothingSelected = 0;
const UINT kOneSelected = 1;
const UINT kOtherSelection = 65535;

// IsExplorerStyle's answer, computed once.
bool g_bExplorerStyleKnown = false;
BOOL g_bExplorerStyle = FALSE;

CString WindowText(HWND hWnd) {
    const int nLength = GetWindowTextLengthW(hWnd);
    std::wstring s(static_cast<std::size_t>(nLength) + 1, L'\0');
    GetWindowTextW(hWnd, s.data(), nLength + 1);
    return WideToUtf8(s.c_str());
}

CString ListBoxText(HWND hList, int nIndex) {
    const LRESULT nLength = SendMessageW(hList, LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0);
    if (nLength == LB_ERR)
        return CString();
    std::wstring s(static_cast<std::size_t>(nLength) + 1, L'\0');
    SendMessageW(hList, LB_GETTEXT, static_cast<WPARAM>(nIndex),
                 reinterpret_cast<LPARAM>(s.data()));
    return WideToUtf8(s.c_str());
}

}  // namespace

void COXPreviewButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    CDC dc(lpDrawItemStruct->hDC);
    const RECT& r = lpDrawItemStruct->rcItem;
    const CRect rect(r.left, r.top, r.right, r.bottom);
    auto* pDialog = dynamic_cast<COXPreviewDialog*>(FromHandlePermanent(::GetParent(m_hWnd)));
    if (pDialog != nullptr)
        pDialog->OnPaintPreview(&dc, rect);
}

COXPreviewDialog::COXPreviewDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName,
                                   DWORD dwFlags, LPCTSTR lpszFilter, CWnd* pParentWnd)
    : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, dwFlags, lpszFilter, pParentWnd) {
    m_ofn.hInstance = GetModuleHandleW(nullptr);
    if (!IsExplorerStyle())
        m_ofn.Flags &= ~static_cast<DWORD>(OFN_EXPLORER);
    SetTemplate("PREVIEWFILEOPEN", "PREVIEWFILEOPEN95");
}

BOOL COXPreviewDialog::IsExplorerStyle() {
    if (!g_bExplorerStyleKnown) {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExW(&version);
#pragma GCC diagnostic pop
        g_bExplorerStyle =
            version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ||
            (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 3);
        g_bExplorerStyleKnown = true;
    }
    return g_bExplorerStyle;
}

void COXPreviewDialog::SetExplorerStyleForTesting(BOOL bExplorerStyle) {
    g_bExplorerStyle = bExplorerStyle;
    g_bExplorerStyleKnown = true;
}

void COXPreviewDialog::OnNewFileSelect(const CString& /*sFileName*/) {}

void COXPreviewDialog::OnPaintPreview(CDC* /*pDC*/, const CRect& /*rectPaint*/) {}

void COXPreviewDialog::OnDoRealizePalette(CWnd* /*pFocusWnd*/) {}

BOOL COXPreviewDialog::OnInitDialog() {
    CFileDialog::OnInitDialog();
    m_previewButton.ShowWindow(SW_HIDE);
    return TRUE;
}

void COXPreviewDialog::DoDataExchange(CDataExchange* pDX) {
    CFileDialog::DoDataExchange(pDX);
    if (m_previewFrame.m_hWnd == nullptr)
        m_previewFrame.SubclassDlgItem(IDC_PREVIEW_FRAME, this);
    if (m_previewButton.m_hWnd == nullptr)
        m_previewButton.SubclassDlgItem(IDC_PREVIEW_PANE, this);
    DDX_Check(pDX, IDC_PREVIEW_CHECK, m_bPreview);
}

BOOL COXPreviewDialog::OnCommand(int nID, int nNotifyCode) {
    if (nID == IDC_PREVIEW_CHECK && nNotifyCode == BN_CLICKED) {
        OnPreview();
        return TRUE;
    }
    return CFileDialog::OnCommand(nID, nNotifyCode);
}

BOOL COXPreviewDialog::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (nMsg == WM_PALETTECHANGED) {
        CWnd focus;
        focus.m_hWnd = reinterpret_cast<HWND>(wParam);
        OnDoRealizePalette(&focus);
        focus.m_hWnd = nullptr;
        return TRUE;
    }
    if (nMsg == WM_ACTIVATE) {
        const WORD nState = LOWORD(wParam);
        if (nState == WA_ACTIVE || nState == WA_CLICKACTIVE)
            OnDoRealizePalette(this);
        return FALSE;  // the system's own handling goes on
    }
    return CFileDialog::OnMessage(nMsg, wParam, lParam, pResult);
}

void COXPreviewDialog::OnPreview() {
    UpdateData(TRUE);
    UpdatePreview();
}

UINT COXPreviewDialog::ClassifySelection(const CString& sPath) {
    if (sPath.IsEmpty())
        return kNothingSelected;
    // A name the path object refuses (several quoted names, a half-typed one) must not pass for
    // the folder it leaves behind, which exists.
    COXPathSpec path;
    return path.SetPath(sPath) && path.Exists() ? kOneSelected : kOtherSelection;
}

void COXPreviewDialog::EnablePreviewCheck(BOOL bEnable) {
    if (!bEnable)
        m_bPreview = FALSE;
    ::EnableWindow(GetDlgItem(IDC_PREVIEW_CHECK), bEnable);
}

void COXPreviewDialog::OnFileNameChange() {
    if (!IsExplorerStyle())
        return;
    // As long as the path needs: the answer to an empty buffer is the length with its NUL.
    HWND hFrame = GetFrameWindow();
    CString sPath;
    const LRESULT nNeeded = SendMessageW(hFrame, CDM_GETFILEPATH, 0, 0);
    if (nNeeded > 0) {
        std::wstring sBuffer(static_cast<std::size_t>(nNeeded) + 1, L'\0');
        if (SendMessageW(hFrame, CDM_GETFILEPATH, sBuffer.size(),
                         reinterpret_cast<LPARAM>(sBuffer.data())) >= 0)
            sPath = WideToUtf8(sBuffer.c_str());
    }
    const UINT nClass = ClassifySelection(sPath);
    EnablePreviewCheck(nClass != kOtherSelection);
    if (nClass == kOneSelected) {
        COXPathSpec path;
        path.SetPath(sPath);
        m_sSelectedFile = path.GetPath();
    } else {
        m_sSelectedFile.Empty();
    }
    UpdateData(FALSE);
    UpdatePreview();
}

void COXPreviewDialog::OnLBSelChangedNotify(UINT /*nIDBox*/, UINT /*iCurSel*/, UINT /*nCode*/) {
    if (IsExplorerStyle())
        return;
    HWND hList = GetDlgItem(lst1);
    const LRESULT nSelected = hList != nullptr ? SendMessageW(hList, LB_GETSELCOUNT, 0, 0) : 0;
    EnablePreviewCheck(nSelected <= 1);
    if (nSelected == 1) {
        int nIndex = 0;
        SendMessageW(hList, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&nIndex));
        COXPathSpec path;
        path.SetDirectory(WindowText(GetDlgItem(stc1)));
        path.SetFileName(ListBoxText(hList, nIndex));
        m_sSelectedFile = path.GetPath();
    } else {
        m_sSelectedFile.Empty();
    }
    UpdateData(FALSE);
    UpdatePreview();
}

void COXPreviewDialog::UpdatePreview() {
    if (m_sSelectedFile.CompareNoCase(m_sPrevSelectedFile) == 0 && m_bPreview == m_bPrevPreview)
        return;
    OnNewFileSelect(m_bPreview ? m_sSelectedFile : CString());
    UpdateData(FALSE);
    if (!m_sSelectedFile.IsEmpty() && m_bPreview) {
        m_previewButton.ShowWindow(SW_SHOW);
        m_previewButton.InvalidateRect(nullptr, FALSE);
    } else if (m_previewButton.m_hWnd != nullptr) {
        m_previewButton.ShowWindow(SW_HIDE);
    }
    m_sPrevSelectedFile = m_sSelectedFile;
    m_bPrevPreview = m_bPreview;
}
