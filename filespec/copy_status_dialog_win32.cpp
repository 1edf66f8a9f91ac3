// COXCopyStatusDialog: a dialog built from a template in memory, so that any program can show it
// without resources of its own.
#include "platform/win32.h"

#include "filespec/copy_status_dialog_win32.h"

#include <string>
#include <vector>

#include "filespec/system_win32.h"
#include "platform/wide_win32.h"

namespace {

const wchar_t kTitle[] = L"コピーの状況";
const wchar_t kCopyFrom[] = L"コピー元:";
const wchar_t kCopyTo[] = L"コピー先:";
const wchar_t kRemoving[] = L"削除中:";
const wchar_t kStop[] = L"中止";
const WORD kStaticClass = 0x0082;
const WORD kButtonClass = 0x0080;

// A dialog template in memory: the header, then one item after another, each on a DWORD.
class DialogTemplate {
public:
    DialogTemplate(DWORD nStyle, short cx, short cy, const wchar_t* pszTitle, WORD nPointSize,
                   const wchar_t* pszFont) {
        PutDword(nStyle);
        PutDword(0);  // extended style
        m_nCountAt = m_words.size();
        PutWord(0);  // item count, set as items come
        PutWord(0), PutWord(0), PutWord(static_cast<WORD>(cx)), PutWord(static_cast<WORD>(cy));
        PutWord(0), PutWord(0);  // no menu, the standard class
        PutText(pszTitle);
        PutWord(nPointSize);
        PutText(pszFont);
    }

    void AddItem(WORD nClass, const wchar_t* pszText, WORD nId, DWORD nStyle, short x, short y,
                 short cx, short cy) {
        if (m_words.size() % 2 != 0)
            PutWord(0);
        PutDword(nStyle | WS_CHILD | WS_VISIBLE);
        PutDword(0);
        PutWord(static_cast<WORD>(x)), PutWord(static_cast<WORD>(y));
        PutWord(static_cast<WORD>(cx)), PutWord(static_cast<WORD>(cy));
        PutWord(nId);
        PutWord(0xFFFF), PutWord(nClass);
        PutText(pszText);
        PutWord(0);  // no creation data
        ++m_words[m_nCountAt];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void PutWord(WORD w) { m_words.push_back(w); }
    void PutDword(DWORD d) {
        PutWord(LOWORD(d));
        PutWord(HIWORD(d));
    }
    void PutText(const wchar_t* psz) {
        for (; *psz != L'\0'; ++psz)
            PutWord(static_cast<WORD>(*psz));
        PutWord(0);
    }

    std::vector<WORD> m_words;
    std::size_t m_nCountAt = 0;
};

DialogTemplate StatusTemplate() {
    DialogTemplate dialog(
        DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
        260, 68, kTitle, 9, L"ＭＳ Ｐゴシック");
    const DWORD nPath = SS_NOPREFIX | SS_PATHELLIPSIS;
    dialog.AddItem(kStaticClass, kCopyFrom, COXCopyStatusDialog::IDC_FIRST_LABEL, SS_LEFT, 7, 9, 40,
                   10);
    dialog.AddItem(kStaticClass, L"", COXCopyStatusDialog::IDC_FIRST_PATH, nPath, 50, 9, 203, 10);
    dialog.AddItem(kStaticClass, kCopyTo, COXCopyStatusDialog::IDC_SECOND_LABEL, SS_LEFT, 7, 24, 40,
                   10);
    dialog.AddItem(kStaticClass, L"", COXCopyStatusDialog::IDC_SECOND_PATH, nPath, 50, 24, 203, 10);
    dialog.AddItem(kButtonClass, kStop, IDCANCEL, BS_DEFPUSHBUTTON | WS_TABSTOP, 105, 46, 50, 14);
    return dialog;
}

void SetItemText(HWND hDialog, int nId, const wchar_t* pszText) {
    SetDlgItemTextW(hDialog, nId, pszText);
}

}  // namespace

COXCopyStatusDialog::~COXCopyStatusDialog() { CloseStatus(); }

BOOL COXCopyStatusDialog::OpenStatus() {
    if (m_hWnd != nullptr)
        return TRUE;
    m_bStopRequested = FALSE;
    CWnd* pMain = AfxGetMainWnd();
    const DialogTemplate dialog = StatusTemplate();
    m_hWnd = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(),
                                        pMain != nullptr ? pMain->m_hWnd : nullptr, DialogProc,
                                        reinterpret_cast<LPARAM>(this));
    if (m_hWnd == nullptr)
        return FALSE;
    filespec_system::DispatchPendingMessages(m_hWnd);
    return TRUE;
}

BOOL COXCopyStatusDialog::IsStopRequested() {
    filespec_system::DispatchPendingMessages(m_hWnd);
    return m_bStopRequested;
}

void COXCopyStatusDialog::ShowStep(int nStep, LPCTSTR pszFirst, LPCTSTR pszSecond) {
    if (m_hWnd == nullptr)
        return;
    const bool bCopy = nStep == stepCopy;
    SetItemText(m_hWnd, IDC_FIRST_LABEL, bCopy ? kCopyFrom : kRemoving);
    SetItemText(m_hWnd, IDC_FIRST_PATH, Utf8ToWide(pszFirst).c_str());
    SetItemText(m_hWnd, IDC_SECOND_LABEL, bCopy ? kCopyTo : L"");
    SetItemText(m_hWnd, IDC_SECOND_PATH, Utf8ToWide(pszSecond).c_str());
    UpdateWindow(m_hWnd);
    filespec_system::DispatchPendingMessages(m_hWnd);
}

void COXCopyStatusDialog::SetStatusTitle(LPCTSTR pszTitle) {
    if (m_hWnd != nullptr)
        SetWindowTextW(m_hWnd, Utf8ToWide(pszTitle).c_str());
}

void COXCopyStatusDialog::CloseStatus() {
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

INT_PTR CALLBACK COXCopyStatusDialog::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam,
                                                 LPARAM lParam) {
    if (nMsg == WM_INITDIALOG) {
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        return TRUE;
    }
    auto* pThis = reinterpret_cast<COXCopyStatusDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (pThis == nullptr)
        return FALSE;
    const bool bStop = (nMsg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || nMsg == WM_CLOSE;
    if (bStop)
        pThis->m_bStopRequested = TRUE;
    return bStop;
}
