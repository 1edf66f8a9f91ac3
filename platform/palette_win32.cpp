// CPalette over a GDI palette.
#include "platform/palette.h"
#include "platform/win32.h"

BOOL CPalette::CreatePalette(const LOGPALETTE* pLogPalette) {
    if (m_hObject != nullptr || pLogPalette == nullptr)
        return FALSE;
    m_hObject = ::CreatePalette(pLogPalette);
    return m_hObject != nullptr;
}

UINT CPalette::GetPaletteEntries(UINT nStart, UINT nCount, PALETTEENTRY* pEntries) const {
    return m_hObject != nullptr ? ::GetPaletteEntries(m_hObject, nStart, nCount, pEntries) : 0;
}

int CPalette::GetEntryCount() const {
    WORD nEntries = 0;
    if (m_hObject == nullptr || ::GetObjectW(m_hObject, sizeof nEntries, &nEntries) == 0)
        return 0;
    return nEntries;
}

BOOL CPalette::DeleteObject() {
    if (m_hObject == nullptr)
        return FALSE;
    const BOOL bDeleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return bDeleted;
}
