// The window framework over Win32's W functions.
#include "platform/window_win32.h"

#include <exception>
#include <new>
#include <string>

#include "platform/exception.h"
#include "platform/wide_win32.h"

#include <map>

IMPLEMENT_DYNAMIC(CWnd, CObject)

namespace {

CWinApp* g_pApp = nullptr;

// Windows and the objects attached to them; everything runs on the one window thread.
std::map<HWND, CWnd*>& AttachedWindows() {
    static std::map<HWND, CWnd*> windows;
    return windows;
}

}  // namespace

CWnd::~CWnd() { Detach(); }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    HWND hItem = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    if (hItem == nullptr || m_hWnd != nullptr)
        return FALSE;
    Attach(hItem);
    return TRUE;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    const auto it = AttachedWindows().find(hWnd);
    return it != AttachedWindows().end() ? it->second : nullptr;
}

void CWnd::Attach(HWND hWnd) {
    Detach();
    m_hWnd = hWnd;
    if (hWnd != nullptr)
        AttachedWindows()[hWnd] = this;
}

void CWnd::Detach() {
    const auto it = AttachedWindows().find(m_hWnd);
    if (it != AttachedWindows().end() && it->second == this)
        AttachedWindows().erase(it);
    m_hWnd = nullptr;
}

void DDX_Check(CDataExchange* pDX, int nIDC, BOOL& rbValue) {
    HWND hItem = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pDX->m_bSaveAndValidate)
        rbValue = SendMessageW(hItem, BM_GETCHECK, 0, 0) == BST_CHECKED;
    else
        SendMessageW(hItem, BM_SETCHECK, rbValue ? BST_CHECKED : BST_UNCHECKED, 0);
}

CString CWnd::GetDlgItemText(int nID) const {
    HWND hItem = GetDlgItem(nID);
    const int nLength = hItem != nullptr ? GetWindowTextLengthW(hItem) : 0;
    std::wstring s(static_cast<std::size_t>(nLength) + 1, L'\0');
    if (hItem != nullptr)
        GetWindowTextW(hItem, s.data(), nLength + 1);
    return WideToUtf8(s.c_str());
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszText) {
    SetDlgItemTextW(m_hWnd, nID, Utf8ToWide(lpszText).c_str());
}

INT_PTR CDialog::DoModal() {
    // Without a parent the dialog is owned by the main window, as the framework's are, so that
    // the main window takes no input while it is open.
    const CWnd* pOwner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
    HWND hParent = pOwner != nullptr && pOwner != this ? pOwner->m_hWnd : nullptr;
    return DialogBoxParamW(AfxGetApp() ? AfxGetApp()->m_hInstance : GetModuleHandleW(nullptr),
                           MAKEINTRESOURCEW(m_nIDTemplate), hParent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

BOOL CDialog::OnCommand(int nID, int /*nNotifyCode*/) {
    if (nID == ID_HELP) {
        if (CWinApp* pApp = AfxGetApp())
            pApp->OnHelp();
        return TRUE;
    }
    if (nID == IDOK) {
        OnOK();
        return TRUE;
    }
    if (nID == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

namespace {

void ShowWndProcException(LPCTSTR lpszWhat) {
    AfxMessageBox(CString("例外 : ") + lpszWhat, MB_OK | MB_ICONSTOP, 0);
}

// Told to the application, or, in a program without one, shown as the application would.
void ReportWndProcException(LPCTSTR lpszWhat) {
    if (CWinApp* pApp = AfxGetApp())
        pApp->ProcessWndProcException(lpszWhat);
    else
        ShowWndProcException(lpszWhat);
}

}  // namespace

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    try {
        return Dispatch(hWnd, nMsg, wParam, lParam);
    } catch (CException* e) {
        char szWhat[256] = {};
        e->GetErrorMessage(szWhat, sizeof szWhat);
        e->Delete();
        ReportWndProcException(szWhat);
    } catch (const std::bad_alloc&) {
        ReportWndProcException("メモリーが足りません");
    } catch (const std::exception& e) {
        ReportWndProcException(e.what());
    } catch (...) {
        ReportWndProcException("不明なエラー");
    }
    return TRUE;  // the message was handled, as far as the system is concerned
}

INT_PTR CDialog::Dispatch(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_INITDIALOG) {
        auto* pDialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        pDialog->m_hWnd = hWnd;
        return pDialog->OnInitDialog();
    }
    auto* pDialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (pDialog == nullptr)
        return FALSE;
    if (nMsg == WM_COMMAND)
        return pDialog->OnCommand(LOWORD(wParam), HIWORD(wParam));
    if (nMsg == WM_HELP)  // F1
        return pDialog->OnCommand(ID_HELP, 0);
    LRESULT nResult = 0;
    if (!pDialog->OnMessage(nMsg, wParam, lParam, &nResult))
        return FALSE;
    // Messages with a value of their own return it directly; the rest through DWLP_MSGRESULT.
    if (nMsg == WM_QUERYDRAGICON || nMsg == WM_CTLCOLORSTATIC || nMsg == WM_CTLCOLORDLG)
        return static_cast<INT_PTR>(nResult);
    SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, nResult);
    return TRUE;
}

CWinApp::CWinApp() { g_pApp = this; }

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

void CWinApp::ProcessWndProcException(LPCTSTR lpszWhat) { ShowWndProcException(lpszWhat); }

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr; }

int AfxWinMain(HINSTANCE hInstance, LPWSTR lpCmdLine) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    // The title is the executable's base name, as the framework takes it.
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring sName(szPath);
    sName = sName.substr(sName.find_last_of(L"\\/") + 1);
    sName = sName.substr(0, sName.find_last_of(L'.'));
    pApp->m_strTitle = WideToUtf8(sName.c_str());
    // Whether or not InitInstance went on to run the program, ExitInstance says how it ended.
    pApp->InitInstance();
    return pApp->ExitInstance();
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT /*nIDHelp*/) {
    CWnd* pMain = AfxGetMainWnd();
    HWND hOwner = pMain != nullptr ? pMain->m_hWnd : nullptr;
    const CString sTitle = AfxGetApp() != nullptr ? AfxGetApp()->m_strTitle : CString();
    return MessageBoxW(hOwner, Utf8ToWide(lpszText).c_str(), Utf8ToWide(sTitle).c_str(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    return AfxMessageBox(AfxLoadString(nIDPrompt), nType, nIDHelp);
}

CString AfxLoadString(UINT nID) {
    const wchar_t* pText = nullptr;
    const int nLength =
        LoadStringW(GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&pText), 0);
    if (nLength <= 0 || pText == nullptr)
        return CString();
    return WideToUtf8(std::wstring(pText, static_cast<std::size_t>(nLength)).c_str());
}
