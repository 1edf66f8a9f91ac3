// The GDI classes the Windows code paints with: device contexts and device bitmaps, thin owners
// of their handles, and the display scale lengths drawn in code follow. Windows only.
#pragma once

#include "platform/gdi_types.h"
#include "platform/palette.h"
#include "platform/win32.h"

class CWnd;

class CDC {
public:
    CDC() = default;
    explicit CDC(HDC hDC) : m_hDC(hDC) {}
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }
    int GetMapMode() const { return ::GetMapMode(m_hDC); }
    int SetStretchBltMode(int nMode) { return ::SetStretchBltMode(m_hDC, nMode); }
    // The palette selected before.
    HPALETTE SelectPalette(HPALETTE hPalette, BOOL bForceBackground) {
        return ::SelectPalette(m_hDC, hPalette, bForceBackground);
    }
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }
    // The bitmap selected before.
    HBITMAP SelectBitmap(HBITMAP hBitmap) {
        return static_cast<HBITMAP>(::SelectObject(m_hDC, hBitmap));
    }
    void FillRect(const CRect& rect, HBRUSH hBrush) {
        const RECT r{rect.left, rect.top, rect.right, rect.bottom};
        ::FillRect(m_hDC, &r, hBrush);
    }
    // The brush selected in the context now.
    HBRUSH GetCurrentBrush() const {
        return static_cast<HBRUSH>(::GetCurrentObject(m_hDC, OBJ_BRUSH));
    }
    BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }

    HDC m_hDC = nullptr;
};

// The client area's context of a window, or of the screen for NULL; released when destroyed.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

// The context of a WM_PAINT, from BeginPaint to EndPaint.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// A device-dependent bitmap; deleted with the object.
class CBitmap {
public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    BOOL Attach(HBITMAP hBitmap);
    HBITMAP Detach();
    BOOL DeleteObject();

    HBITMAP m_hObject = nullptr;
};

// The dots per inch a window is shown at: its monitor's where Windows keeps a scale per monitor
// (10 and later), else the system's (96 at 100 %).
UINT GetWindowDpi(HWND hWnd);

// A length in pixels at 100 % (96 dots per inch), at nDpi.
inline int ScaleToDpi(int nLength, UINT nDpi) {
    return ::MulDiv(nLength, static_cast<int>(nDpi), 96);
}
