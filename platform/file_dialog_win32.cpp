// CFileDialog over GetOpenFileNameW and GetSaveFileNameW, with a hook that routes the dialog's
// notifications to the object.
#include "platform/file_dialog_win32.h"

#include <dlgs.h>

#include "platform/wide_win32.h"

IMPLEMENT_DYNAMIC(CFileDialog, CWnd)

namespace {

// Room for a long selection of several files.
const std::size_t kFileBufferLength = 32768;
const wchar_t kFrameProperty[] = L"TarnelFileDialog";

std::wstring TrimSpaces(const std::wstring& s) {
    const std::size_t nFirst = s.find_first_not_of(L' ');
    return nFirst == std::wstring::npos ? std::wstring()
                                        : s.substr(nFirst, s.find_last_not_of(L' ') - nFirst + 1);
}

UINT SelectionChangedMessage() {
    static const UINT nMessage = RegisterWindowMessageW(LBSELCHSTRINGW);
    return nMessage;
}

}  // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName,
                         DWORD dwFlags, LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_pParentWnd(pParentWnd),
      m_sDefExt(Utf8ToWide(lpszDefExt)),
      m_sFilter(SystemFilter(lpszFilter)),
      m_sFileBuffer(Utf8ToWide(lpszFileName)) {
    m_sFileBuffer.resize(kFileBufferLength, L'\0');
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLEHOOK;
    m_ofn.hInstance = GetModuleHandleW(nullptr);
}

std::wstring CFileDialog::SystemFilter(LPCTSTR lpszFilter) {
    const std::wstring sFilter = Utf8ToWide(lpszFilter);
    std::wstring sResult;
    std::size_t nStart = 0;
    for (bool bPattern = false; !sFilter.empty(); bPattern = !bPattern) {
        const std::size_t nBar = sFilter.find(L'|', nStart);
        const std::wstring sPart =
            sFilter.substr(nStart, nBar == std::wstring::npos ? nBar : nBar - nStart);
        if (sPart.empty() && !bPattern)
            break;  // "||" or the end: no more name-pattern pairs
        if (bPattern) {
            // The system matches patterns literally: " *.bmp " would match nothing.
            std::size_t nFrom = 0;
            for (std::size_t nSemi; (nSemi = sPart.find(L';', nFrom)) != std::wstring::npos;
                 nFrom = nSemi + 1)
                sResult += TrimSpaces(sPart.substr(nFrom, nSemi - nFrom)) + L';';
            sResult += TrimSpaces(sPart.substr(nFrom));
        } else {
            sResult += sPart;
        }
        sResult.push_back(L'\0');
        if (nBar == std::wstring::npos)
            break;
        nStart = nBar + 1;
    }
    sResult.push_back(L'\0');
    return sResult;
}

void CFileDialog::SetTemplate(LPCTSTR lpszWin3Template, LPCTSTR lpszWin4Template) {
    m_sWin3Template = Utf8ToWide(lpszWin3Template);
    m_sWin4Template = Utf8ToWide(lpszWin4Template);
    m_ofn.Flags |= OFN_ENABLETEMPLATE;
}

INT_PTR CFileDialog::DoModal() {
    const CWnd* pOwner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
    m_ofn.hwndOwner = pOwner != nullptr ? pOwner->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_sFilter.size() > 1 ? m_sFilter.c_str() : nullptr;
    m_ofn.lpstrFile = m_sFileBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_sFileBuffer.size());
    m_ofn.lpstrDefExt = m_sDefExt.empty() ? nullptr : m_sDefExt.c_str();
    m_ofn.lpfnHook = HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
    if ((m_ofn.Flags & OFN_ENABLETEMPLATE) != 0) {
        m_ofn.lpTemplateName =
            (m_ofn.Flags & OFN_EXPLORER) != 0 ? m_sWin4Template.c_str() : m_sWin3Template.c_str();
    }
    const BOOL bOk = m_bOpenFileDialog ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
    Detach();
    return bOk ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const { return WideToUtf8(m_sFileBuffer.c_str()); }

BOOL CFileDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

HWND CFileDialog::GetFrameWindow() const {
    return (m_ofn.Flags & OFN_EXPLORER) != 0 ? ::GetParent(m_hWnd) : m_hWnd;
}

BOOL CFileDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_INITDIALOG) {
        auto* pDialog = reinterpret_cast<CFileDialog*>(
            reinterpret_cast<const OPENFILENAMEW*>(lParam)->lCustData);
        pDialog->Attach(hWnd);
        if ((pDialog->m_ofn.Flags & OFN_EXPLORER) != 0)
            pDialog->SubclassFrame();
        return pDialog->OnInitDialog();
    }
    auto* pDialog = dynamic_cast<CFileDialog*>(FromHandlePermanent(hWnd));
    return pDialog != nullptr ? pDialog->OnHookMessage(nMsg, wParam, lParam) : 0;
}

UINT_PTR CFileDialog::OnHookMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_NOTIFY) {
        if (reinterpret_cast<const NMHDR*>(lParam)->code == CDN_SELCHANGE)
            OnFileNameChange();
        return 0;
    }
    if (nMsg == SelectionChangedMessage()) {
        OnLBSelChangedNotify(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    if (nMsg == WM_COMMAND)
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    if (nMsg == WM_DRAWITEM) {
        const auto* pDraw = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        auto* pButton = dynamic_cast<CButton*>(FromHandlePermanent(pDraw->hwndItem));
        if (pButton == nullptr)
            return FALSE;
        pButton->DrawItem(const_cast<LPDRAWITEMSTRUCT>(pDraw));
        return TRUE;
    }
    if (nMsg == WM_DESTROY) {
        if (m_pfnFrameProc != nullptr) {
            HWND hFrame = ::GetParent(m_hWnd);
            SetWindowLongPtrW(hFrame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnFrameProc));
            RemovePropW(hFrame, kFrameProperty);
            m_pfnFrameProc = nullptr;
        }
        return 0;
    }
    LRESULT nResult = 0;
    if (!OnMessage(nMsg, wParam, lParam, &nResult))
        return 0;
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, nResult);
    return TRUE;
}

// The explorer-style frame is the top-level window: activation and palette changes reach it,
// not the child dialog the hook serves.
void CFileDialog::SubclassFrame() {
    HWND hFrame = ::GetParent(m_hWnd);
    SetPropW(hFrame, kFrameProperty, this);
    m_pfnFrameProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hFrame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc)));
}

LRESULT CALLBACK CFileDialog::FrameProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    auto* pDialog = static_cast<CFileDialog*>(GetPropW(hWnd, kFrameProperty));
    if (pDialog == nullptr)
        return DefWindowProcW(hWnd, nMsg, wParam, lParam);
    const LRESULT nResult = CallWindowProcW(pDialog->m_pfnFrameProc, hWnd, nMsg, wParam, lParam);
    if (nMsg == WM_ACTIVATE || nMsg == WM_PALETTECHANGED) {
        LRESULT nIgnored = 0;
        pDialog->OnMessage(nMsg, wParam, lParam, &nIgnored);
    }
    return nResult;
}
