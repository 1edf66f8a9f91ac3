// Paints COXDIB images into a real window and reads the pixels back: one to one, stretched, a
// part of the image, 8- and 24-bit; device bitmaps and a bitmap resource. Windows program, run
// under a virtual display by run_gui_tests.sh.
#include <cstdio>
#include <string>

#include "imagefile/dib/dib.h"
#include "platform/gdi_win32.h"
#include "platform/memfile.h"
#include "platform/window_win32.h"
#include "tests/gui/driver_support.h"
#include "tests/gui/test_pictures.h"

using driver::Check;

namespace {

using test_pictures::Expected24;
using test_pictures::Expected8;

COXDIB Make24() {
    COXDIB dib;
    dib.Create(24, 4, 2);
    HGLOBAL h = dib.Detach();
    auto* p = static_cast<BYTE*>(GlobalLock(h));
    BYTE* pBits = COXDIB::GetBits(p);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            BYTE* pPixel = pBits + (1 - y) * 12 + x * 3;  // stored bottom row first
            const COLORREF c = Expected24(x, y);
            pPixel[0] = GetBValue(c), pPixel[1] = GetGValue(c), pPixel[2] = GetRValue(c);
        }
    GlobalUnlock(h);
    COXDIB result(h);
    GlobalFree(h);
    return result;
}

COXDIB Read8(const std::string& sBmpPath) {
    COXDIB dib;
    Check(dib.Read(sBmpPath.c_str()), "8-bit bitmap reads");
    return dib;
}

// Every pixel of the area at (left, top), each image pixel nScale x nScale screen pixels.
void CheckArea(HDC hdc, int left, int top, int nScale, COLORREF (*expected)(int, int),
               const std::string& sWhat) {
    bool bAll = true;
    std::string sFirst;
    for (int y = 0; y < 2 * nScale; ++y)
        for (int x = 0; x < 4 * nScale; ++x) {
            const COLORREF actual = GetPixel(hdc, left + x, top + y);
            if (actual != expected(x / nScale, y / nScale) && bAll) {
                bAll = false;
                char sz[96];
                std::snprintf(sz, sizeof sz, " (first difference at %d,%d: %06lx)", x, y,
                              static_cast<unsigned long>(actual));
                sFirst = sz;
            }
        }
    Check(bAll, sWhat + sFirst);
}

LRESULT CALLBACK QuietWindowProc(HWND h, UINT nMsg, WPARAM w, LPARAM l) {
    return nMsg == WM_ERASEBKGND ? 1 : DefWindowProcW(h, nMsg, w, l);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dib_paint RESOURCE-8BIT.BMP\n");
        return 2;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = QuietWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarnelPaintTest";
    RegisterClassW(&wc);
    CWnd window;
    window.m_hWnd = CreateWindowExW(0, wc.lpszClassName, L"paint", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                    100, nullptr, nullptr, wc.hInstance, nullptr);
    Check(window.m_hWnd != nullptr, "test window made");
    UpdateWindow(window.m_hWnd);
    CClientDC dc(&window);

    COXDIB dib24 = Make24();
    Check(dib24.Paint(&dc, CRect(10, 10, 14, 12), CRect(0, 0, 4, 2)) == 2, "24-bit one to one");
    CheckArea(dc.m_hDC, 10, 10, 1, Expected24, "24-bit one to one: every pixel in place");
    dib24.Paint(&dc, CRect(30, 10, 38, 14), CRect(0, 0, 4, 2));
    CheckArea(dc.m_hDC, 30, 10, 2, Expected24, "24-bit stretched twice: every pixel in place");
    // The image's bottom right quarter, stretched: rows are counted from the top here too.
    dib24.Paint(&dc, CRect(50, 10, 54, 12), CRect(2, 1, 4, 2));
    Check(GetPixel(dc.m_hDC, 50, 10) == Expected24(2, 1) &&
              GetPixel(dc.m_hDC, 53, 11) == Expected24(3, 1),
          "a part of the image, stretched, is the part asked for");

    COXDIB dib8 = Read8(argv[1]);
    Check(dib8.GetBitCount() == 8 && dib8.GetPalette() != nullptr, "8-bit bitmap with its palette");
    dib8.Paint(&dc, CRect(10, 30, 14, 32), CRect(0, 0, 4, 2));
    CheckArea(dc.m_hDC, 10, 30, 1, Expected8, "8-bit one to one: every colour in place");
    dib8.Paint(&dc, CRect(30, 30, 42, 36), CRect(0, 0, 4, 2));
    CheckArea(dc.m_hDC, 30, 30, 3, Expected8, "8-bit stretched three times: every colour in place");

    // Device bitmaps: made from the image, and the image made back from one.
    std::unique_ptr<CBitmap> pBitmap(dib24.MakeBitmap(&dc));
    Check(pBitmap != nullptr, "device bitmap made");
    COXDIB back;
    Check(pBitmap != nullptr && back.CreateFromBitmap(pBitmap->m_hObject, nullptr) != nullptr,
          "image made from the device bitmap");
    back.Paint(&dc, CRect(10, 50, 14, 52), CRect(0, 0, 4, 2));
    CheckArea(dc.m_hDC, 10, 50, 1, Expected24, "the device bitmap's image is the same picture");

    CDC memory(CreateCompatibleDC(dc.m_hDC));
    CSize size;
    HBITMAP hPrevious = dib8.SelectIntoDC(&memory, &size);
    Check(hPrevious != nullptr && size == CSize(4, 2), "selected into a memory context, 4 x 2");
    CheckArea(memory.m_hDC, 0, 0, 1, Expected8, "the selected bitmap holds the picture");
    DeleteObject(memory.SelectBitmap(hPrevious));
    DeleteDC(memory.m_hDC);

    COXDIB resource;
    Check(resource.LoadFromResource("PAINTTEST"), "bitmap resource loads");
    Check(resource.GetSize() == CSize(4, 2), "resource is 4 x 2");
    resource.Paint(&dc, CRect(30, 50, 34, 52), CRect(0, 0, 4, 2));
    CheckArea(dc.m_hDC, 30, 50, 1, Expected8, "the resource's picture");
    Check(!resource.LoadFromResource("NOSUCHBITMAP"), "a missing resource is refused");
    COXDIB byNumber;
    Check(byNumber.LoadFromResource(reinterpret_cast<LPCTSTR>(MAKEINTRESOURCEW(7))) &&
              byNumber.GetSize() == CSize(4, 2),
          "a resource loads by its integer id");

    // A 1-bit device bitmap: its image holds two colours, then the rows, all within its block.
    const BYTE kMonoRows[2][2] = {{0xA0, 0}, {0x50, 0}};  // 4 x 2, word-aligned rows
    HBITMAP hMono = CreateBitmap(4, 2, 1, 1, kMonoRows);
    COXDIB mono;
    HGLOBAL hMonoDIB = mono.CreateFromBitmap(hMono, nullptr);
    Check(hMonoDIB != nullptr && GlobalSize(hMonoDIB) >= 40 + 2 * 4 + 2 * 4,
          "a 1-bit image's block holds its two colours and its rows");
    Check(mono.GetNumColors() == 2 && mono.GetBitCount() == 1, "a 1-bit image of two colours");
    DeleteObject(hMono);

    // A true-colour screen has no palette to reduce to or to read.
    CPalette system;
    Check(!COXDIB::GetSystemPalette(&system), "no system palette on a true-colour screen");
    Check(!dib24.ReduceTo8Bit(), "no halftone reduction on a true-colour screen");

    DestroyWindow(window.m_hWnd);
    return driver::Summary("PAINT");
}
