// Device contexts, device bitmaps and the display scale of a window.
#include "platform/gdi_win32.h"

#include "platform/window_win32.h"

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC() {
    if (m_hDC != nullptr)
        ::ReleaseDC(m_hWnd, m_hDC);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

BOOL CBitmap::Attach(HBITMAP hBitmap) {
    if (m_hObject != nullptr || hBitmap == nullptr)
        return FALSE;
    m_hObject = hBitmap;
    return TRUE;
}

HBITMAP CBitmap::Detach() {
    HBITMAP h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CBitmap::DeleteObject() {
    if (m_hObject == nullptr)
        return FALSE;
    const BOOL bDeleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return bDeleted;
}

UINT GetWindowDpi(HWND hWnd) {
    // Looked up, as Windows 7 and 8 do not have it.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto pGetDpiForWindow =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (pGetDpiForWindow != nullptr && hWnd != nullptr) {
        const UINT nDpi = pGetDpiForWindow(hWnd);
        if (nDpi != 0)
            return nDpi;
    }
    HDC hdc = ::GetDC(nullptr);
    const int nDpi = ::GetDeviceCaps(hdc, LOGPIXELSY);
    ::ReleaseDC(nullptr, hdc);
    return nDpi > 0 ? static_cast<UINT>(nDpi) : 96;
}
