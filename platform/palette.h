// CPalette: a logical colour palette. On Windows a GDI palette; elsewhere the entries themselves,
// so that code building palettes can be tested without a window system.
#pragma once

#include "platform/gdi_types.h"

class CPalette {
public:
    CPalette() = default;
    ~CPalette() { DeleteObject(); }
    CPalette(const CPalette&) = delete;
    CPalette& operator=(const CPalette&) = delete;

    // A palette of the LOGPALETTE's entries; FALSE when one is already made or the system refuses.
    BOOL CreatePalette(const LOGPALETTE* pLogPalette);
    // Entries nStart to nStart + nCount - 1, as many as there are; the number copied.
    UINT GetPaletteEntries(UINT nStart, UINT nCount, PALETTEENTRY* pEntries) const;
    int GetEntryCount() const;
    BOOL DeleteObject();

    HPALETTE m_hObject = nullptr;
};
