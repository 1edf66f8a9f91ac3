// COXDIB's screen-dependent part on Windows: the halftone palette and the default palette.
#include <memory>

#include "imagefile/dib/dib.h"
#include "platform/win32.h"

BOOL COXDIB::MakeHalftonePalette(CPalette* pPalette) {
    HWND hDesktop = GetDesktopWindow();
    HDC hdc = GetDC(hDesktop);
    if (hdc == nullptr)
        return FALSE;
    int nColors = GetDeviceCaps(hdc, SIZEPALETTE);
    if (nColors == 0)
        nColors = GetDeviceCaps(hdc, NUMCOLORS);
    BOOL bMade = FALSE;
    if (nColors >= 256 && pPalette != nullptr && pPalette->m_hObject == nullptr) {
        pPalette->m_hObject = CreateHalftonePalette(hdc);
        bMade = pPalette->m_hObject != nullptr;
    }
    ReleaseDC(hDesktop, hdc);
    return bMade;
}

BOOL COXDIB::ReduceTo8Bit() {
    auto pHalftone = std::make_unique<CPalette>();
    if (!MakeHalftonePalette(pHalftone.get()))
        return FALSE;
    return ReduceTo8Bit(std::move(pHalftone));
}

UINT COXDIB::GetDefaultPaletteEntries(PALETTEENTRY* pEntries, UINT nMax) {
    return GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, nMax,
                             pEntries);
}
