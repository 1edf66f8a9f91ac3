// The system's default palette, apart from the screen functions: code that only builds colour
// tables needs GDI, not the window system.
#include "imagefile/dib/dib.h"
#include "platform/win32.h"

UINT COXDIB::GetDefaultPaletteEntries(PALETTEENTRY* pEntries, UINT nMax) {
    return GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, nMax,
                             pEntries);
}
