// CPalette as a holder of its entries.
#include <algorithm>
#include <new>
#include <vector>

#include "platform/palette.h"

struct HPALETTE__ {
    std::vector<PALETTEENTRY> entries;
};

BOOL CPalette::CreatePalette(const LOGPALETTE* pLogPalette) {
    if (m_hObject != nullptr || pLogPalette == nullptr || pLogPalette->palNumEntries == 0)
        return FALSE;
    auto* pPalette = new (std::nothrow) HPALETTE__;
    if (pPalette == nullptr)
        return FALSE;
    pPalette->entries.assign(pLogPalette->palPalEntry,
                             pLogPalette->palPalEntry + pLogPalette->palNumEntries);
    m_hObject = pPalette;
    return TRUE;
}

UINT CPalette::GetPaletteEntries(UINT nStart, UINT nCount, PALETTEENTRY* pEntries) const {
    if (m_hObject == nullptr || nStart >= m_hObject->entries.size())
        return 0;
    const UINT n = std::min<UINT>(nCount, static_cast<UINT>(m_hObject->entries.size()) - nStart);
    std::copy_n(m_hObject->entries.begin() + nStart, n, pEntries);
    return n;
}

int CPalette::GetEntryCount() const {
    return m_hObject != nullptr ? static_cast<int>(m_hObject->entries.size()) : 0;
}

BOOL CPalette::DeleteObject() {
    if (m_hObject == nullptr)
        return FALSE;
    delete m_hObject;
    m_hObject = nullptr;
    return TRUE;
}
