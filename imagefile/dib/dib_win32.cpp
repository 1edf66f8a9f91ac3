// COXDIB on Windows: painting, device bitmaps, bitmap resources and the screen's palettes.
#include <memory>
#include <string>
#include <vector>

#include "imagefile/dib/dib.h"
#include "imagefile/dib/packed_dib.h"
#include "platform/gdi_win32.h"
#include "platform/wide_win32.h"

#include <psapi.h>

using namespace packed_dib;

namespace {

constexpr WORD kPaletteVersion = 0x300;
constexpr int kSystemPaletteSize = 256;

// A LOGPALETTE of nEntries entries in its own storage.
class CLogPalette {
public:
    explicit CLogPalette(int nEntries)
        : m_storage(sizeof(LOGPALETTE) +
                    static_cast<std::size_t>(nEntries) * sizeof(PALETTEENTRY)) {
        Get()->palVersion = kPaletteVersion;
        Get()->palNumEntries = static_cast<WORD>(nEntries);
    }
    LOGPALETTE* Get() { return reinterpret_cast<LOGPALETTE*>(m_storage.data()); }

private:
    std::vector<BYTE> m_storage;
};

// The screen's context for the length of a scope.
class CScreenDC : public CDC {
public:
    CScreenDC() { m_hDC = ::GetDC(nullptr); }
    ~CScreenDC() override {
        if (m_hDC != nullptr)
            ::ReleaseDC(nullptr, m_hDC);
    }
};

// A palette selected into a context and realised for the length of a scope; nothing when there
// is none.
class CPaletteSelection {
public:
    CPaletteSelection(CDC& dc, HPALETTE hPalette, BOOL bForceBackground)
        : m_dc(dc), m_bForceBackground(bForceBackground), m_bSelected(hPalette != nullptr) {
        if (!m_bSelected)
            return;
        m_hPrevious = dc.SelectPalette(hPalette, bForceBackground);
        dc.RealizePalette();
    }
    ~CPaletteSelection() {
        if (m_bSelected)
            m_dc.SelectPalette(m_hPrevious, m_bForceBackground);
    }
    CPaletteSelection(const CPaletteSelection&) = delete;
    CPaletteSelection& operator=(const CPaletteSelection&) = delete;

private:
    CDC& m_dc;
    BOOL m_bForceBackground;
    bool m_bSelected;
    HPALETTE m_hPrevious = nullptr;
};

// A bitmap resource's bytes: in hModule, or without one in the program and then in every module
// the process has loaded, the first that holds it.
const void* FindBitmapResource(const wchar_t* pszName, HINSTANCE hModule) {
    const auto find = [pszName](HMODULE h) -> const void* {
        HRSRC hFound = FindResourceW(h, pszName, MAKEINTRESOURCEW(2));  // RT_BITMAP
        HGLOBAL hResource = hFound != nullptr ? LoadResource(h, hFound) : nullptr;
        return hResource != nullptr ? LockResource(hResource) : nullptr;
    };
    if (hModule != nullptr)
        return find(hModule);
    if (const void* p = find(GetModuleHandleW(nullptr)))
        return p;
    std::vector<HMODULE> modules(256);
    DWORD nNeeded = 0;
    if (!K32EnumProcessModules(GetCurrentProcess(), modules.data(),
                               static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &nNeeded))
        return nullptr;
    modules.resize(std::min<std::size_t>(modules.size(), nNeeded / sizeof(HMODULE)));
    for (HMODULE h : modules)
        if (const void* p = find(h))
            return p;
    return nullptr;
}

HPALETTE HandleOf(const CPalette* pPalette) {
    return pPalette != nullptr ? pPalette->m_hObject : nullptr;
}

const BITMAPINFO* AsBitmapInfo(const BYTE* pDIB) {
    return reinterpret_cast<const BITMAPINFO*>(pDIB);
}

}  // namespace

int COXDIB::Paint(CDC* pDC, const CRect& rectDest, const CRect& rectSource) {
    if (IsEmpty() || pDC == nullptr)
        return 0;
    CGlobalLock dib(m_hDIB);
    const BYTE* p = dib.Get();
    if (p == nullptr)
        return 0;
    CPaletteSelection palette(*pDC, HandleOf(m_pPalette), TRUE);
    pDC->SetStretchBltMode(COLORONCOLOR);
    const LONG nHeight = GetSize(p).cy;
    // Rows of a bottom-up image are counted from the bottom on both paths: the source's top
    // edge is turned into its distance from the bottom.
    const LONG ySource = nHeight - rectSource.top - rectSource.Height();
    if (rectDest.Width() == rectSource.Width() && rectDest.Height() == rectSource.Height() &&
        pDC->GetMapMode() == MM_TEXT)
        return SetDIBitsToDevice(pDC->m_hDC, rectDest.left, rectDest.top, rectDest.Width(),
                                 rectDest.Height(), rectSource.left, ySource, 0,
                                 static_cast<WORD>(nHeight), GetBits(p), AsBitmapInfo(p),
                                 DIB_RGB_COLORS);
    return StretchDIBits(pDC->m_hDC, rectDest.left, rectDest.top, rectDest.Width(),
                         rectDest.Height(), rectSource.left, ySource, rectSource.Width(),
                         rectSource.Height(), GetBits(p), AsBitmapInfo(p), DIB_RGB_COLORS, SRCCOPY);
}

HGLOBAL COXDIB::CreateFromBitmap(HBITMAP hBitmap, CPalette* pPalette) {
    BITMAP bm{};
    if (hBitmap == nullptr || GetObjectW(hBitmap, sizeof bm, &bm) == 0)
        return nullptr;
    BITMAPINFOHEADER header;
    InitInfoHeader(&header, static_cast<DWORD>(bm.bmWidth), static_cast<DWORD>(bm.bmHeight),
                   bm.bmPlanes * bm.bmBitsPixel);
    Empty();
    // GetDIBits fills the whole colour table, two entries of a 1-bit image included.
    const DWORD nColors =
        header.biClrUsed != 0 ? header.biClrUsed : (header.biBitCount <= 8 ? 2u : 0u);
    const DWORD nTable = ColorTableBytes(header, nColors);
    m_hDIB = GlobalAlloc(GHND, kInfoHeaderSize + nTable + header.biSizeImage);
    if (m_hDIB == nullptr)
        return nullptr;
    int nRows = 0;
    {
        CGlobalLock dib(m_hDIB);
        BYTE* p = dib.Get();
        std::memcpy(p, &header, sizeof header);
        CScreenDC dc;
        CPaletteSelection palette(dc, HandleOf(pPalette), FALSE);
        nRows = GetDIBits(dc.m_hDC, hBitmap, 0, static_cast<UINT>(bm.bmHeight), GetBits(p),
                          reinterpret_cast<BITMAPINFO*>(p), DIB_RGB_COLORS);
    }
    if (nRows == 0) {
        GlobalFree(m_hDIB);
        m_hDIB = nullptr;
        return nullptr;
    }
    if (pPalette != nullptr) {
        SetColorTable(pPalette, DIB_RGB_COLORS);
        CGlobalLock dib(m_hDIB);
        BuildPalette(dib.Get());
    }
    return m_hDIB;
}

CBitmap* COXDIB::MakeBitmap(CDC* pDC) {
    if (pDC == nullptr || IsEmpty())
        return nullptr;
    HBITMAP hBitmap = nullptr;
    {
        CGlobalLock dib(m_hDIB);
        const BYTE* p = dib.Get();
        CPaletteSelection palette(*pDC, HandleOf(m_pPalette), FALSE);
        hBitmap = CreateDIBitmap(pDC->m_hDC, &AsBitmapInfo(p)->bmiHeader, CBM_INIT, GetBits(p),
                                 AsBitmapInfo(p), DIB_RGB_COLORS);
    }
    if (hBitmap == nullptr)
        return nullptr;
    auto* pBitmap = new CBitmap;
    pBitmap->Attach(hBitmap);
    return pBitmap;
}

HBITMAP COXDIB::SelectIntoDC(CDC* pDC, CSize* pSize) {
    if (pSize != nullptr)
        *pSize = CSize();
    if (IsEmpty() || pDC == nullptr)
        return nullptr;
    CGlobalLock dib(m_hDIB);
    BYTE* p = dib.Get();
    const BITMAPINFOHEADER* pInfo = Info(p);
    if (pInfo->biCompression != BI_RGB)
        return nullptr;
    const bool bMono = pInfo->biBitCount == 1;
    HBITMAP hPlaceholder =
        bMono ? CreateBitmap(1, 1, 1, 1, nullptr)
              : CreateBitmap(1, 1, static_cast<UINT>(pDC->GetDeviceCaps(PLANES)),
                             static_cast<UINT>(pDC->GetDeviceCaps(BITSPIXEL)), nullptr);
    HBITMAP hPrevious = pDC->SelectBitmap(hPlaceholder);
    COLORREF color0 = 0, color1 = 0;
    if (bMono) {  // converted as black and white; the image keeps its own two colours
        GetMonoColors(color0, color1, p);
        SetMonoColors(0, 0x00FFFFFF, p);
    }
    HBITMAP hBitmap = nullptr;
    {
        CPaletteSelection palette(*pDC, HandleOf(m_pPalette), TRUE);
        hBitmap = CreateDIBitmap(pDC->m_hDC, pInfo, CBM_INIT, GetBits(p), AsBitmapInfo(p),
                                 DIB_RGB_COLORS);
    }
    if (bMono)
        SetMonoColors(color0, color1, p);
    if (hBitmap == nullptr) {
        pDC->SelectBitmap(hPrevious);
        DeleteObject(hPlaceholder);
        return nullptr;
    }
    if (pSize != nullptr)
        *pSize = GetSize(p);
    DeleteObject(pDC->SelectBitmap(hBitmap));  // the placeholder comes back out
    return hPrevious;
}

BOOL COXDIB::LoadFromResource(LPCTSTR lpszName, HINSTANCE hModule) {
    // A name, or an integer id made with MAKEINTRESOURCE, which is no string to read.
    std::wstring sName;
    const wchar_t* pszName = MAKEINTRESOURCEW(LOWORD(reinterpret_cast<ULONG_PTR>(lpszName)));
    if (!IS_INTRESOURCE(lpszName)) {
        sName = Utf8ToWide(lpszName);
        pszName = sName.c_str();
    }
    const auto pHeader = static_cast<const BYTE*>(FindBitmapResource(pszName, hModule));
    if (pHeader == nullptr || HeaderSize(pHeader) != kInfoHeaderSize)
        return FALSE;
    CScreenDC dc;
    CPalette palette;
    int nColors = 0;
    palette.m_hObject = CreatePaletteFromHeader(pHeader, &nColors);
    if (palette.m_hObject == nullptr && dc.GetDeviceCaps(SIZEPALETTE) == kSystemPaletteSize)
        MakeHalftonePalette(&palette);
    CPaletteSelection selection(dc, palette.m_hObject, FALSE);
    const BYTE* pBits = pHeader + kInfoHeaderSize + 4 * NumColors(pHeader);
    CBitmap bitmap;
    bitmap.Attach(CreateDIBitmap(dc.m_hDC, Info(pHeader), CBM_INIT, pBits, AsBitmapInfo(pHeader),
                                 DIB_RGB_COLORS));
    const BOOL bLoaded =
        bitmap.m_hObject != nullptr &&
        CreateFromBitmap(bitmap.m_hObject, palette.m_hObject != nullptr ? &palette : nullptr) !=
            nullptr;
    return bLoaded;  // the palette and the device bitmap go with their objects
}

HPALETTE COXDIB::CreatePaletteFromHeader(const BYTE* pDIB, int* pnColors) {
    const BITMAPINFOHEADER* pInfo = Info(pDIB);
    int nColors = pInfo->biBitCount <= 8 ? 1 << pInfo->biBitCount : 0;
    if (pInfo->biClrUsed != 0)
        nColors = static_cast<int>(std::min<DWORD>(pInfo->biClrUsed, kMaxColors));
    if (pnColors != nullptr)
        *pnColors = nColors;
    if (nColors == 0)
        return nullptr;
    CLogPalette log(nColors);
    for (int i = 0; i < nColors; ++i)
        log.Get()->palPalEntry[i] = ColorEntry(pDIB, static_cast<DWORD>(i));
    return CreatePalette(log.Get());
}

BOOL COXDIB::ClearSystemPalette() {
    CLogPalette log(kSystemPaletteSize);
    for (int i = 0; i < kSystemPaletteSize; ++i)
        log.Get()->palPalEntry[i] = PALETTEENTRY{0, 0, 0, PC_NOCOLLAPSE};
    CPalette palette;
    CScreenDC dc;
    if (!palette.CreatePalette(log.Get()) || dc.m_hDC == nullptr)
        return FALSE;
    CPaletteSelection selection(dc, palette.m_hObject, FALSE);  // realising it clears the screen's
    return TRUE;
}

BOOL COXDIB::GetSystemPalette(CPalette* pPalette) {
    CScreenDC dc;
    if (pPalette == nullptr || (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) == 0)
        return FALSE;
    int nEntries = dc.GetDeviceCaps(SIZEPALETTE);
    if (nEntries == 0)
        nEntries = dc.GetDeviceCaps(NUMCOLORS);
    if (nEntries <= 0)
        return FALSE;
    CLogPalette log(nEntries);
    GetSystemPaletteEntries(dc.m_hDC, 0, static_cast<UINT>(nEntries), log.Get()->palPalEntry);
    return pPalette->CreatePalette(log.Get());
}

BOOL COXDIB::MakeHalftonePalette(CPalette* pPalette) {
    HWND hDesktop = GetDesktopWindow();
    HDC hdc = ::GetDC(hDesktop);
    if (hdc == nullptr)
        return FALSE;
    int nColors = ::GetDeviceCaps(hdc, SIZEPALETTE);
    if (nColors == 0)
        nColors = ::GetDeviceCaps(hdc, NUMCOLORS);
    BOOL bMade = FALSE;
    if (nColors >= kSystemPaletteSize && pPalette != nullptr && pPalette->m_hObject == nullptr) {
        pPalette->m_hObject = CreateHalftonePalette(hdc);
        bMade = pPalette->m_hObject != nullptr;
    }
    ::ReleaseDC(hDesktop, hdc);
    return bMade;
}

BOOL COXDIB::ReduceTo8Bit() {
    auto pHalftone = std::make_unique<CPalette>();
    if (!MakeHalftonePalette(pHalftone.get()))
        return FALSE;
    return ReduceTo8Bit(std::move(pHalftone));
}
