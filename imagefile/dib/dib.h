// COXDIB: a device-independent bitmap held as a packed DIB in movable global memory, with the
// palette made from its colour table; read and written as BMP files, serialisable, paintable.
#pragma once

#include <memory>

#include "platform/archive.h"
#include "platform/gdi_types.h"
#include "platform/global_memory.h"
#include "platform/object.h"
#include "platform/palette.h"

class CBitmap;
class CDC;

class COXDIB : public CObject {
    DECLARE_SERIAL(COXDIB)

public:
    COXDIB();
    // Copies the caller's block, which stays the caller's; a block that holds no sound packed
    // DIB gives an empty object.
    explicit COXDIB(HGLOBAL hDIB);
    COXDIB(const COXDIB& other);
    COXDIB& operator=(const COXDIB& other);
    // NULL, a block whose header is not 40 bytes long, or one that holds no sound packed DIB,
    // changes nothing.
    COXDIB& operator=(HGLOBAL hDIB);
    ~COXDIB() override;

    void Empty();
    BOOL IsEmpty() const { return m_hDIB == nullptr; }
    // The block, now the caller's; the palette stays.
    HGLOBAL Detach();
    // A copy of the block for the caller, or NULL.
    HGLOBAL GetDIBCopy() const;
    CPalette* GetPalette() const { return m_pPalette; }

    // Header accessors: pDIB is a locked packed DIB; NULL means this object's own.
    CSize GetSize(const BYTE* pDIB = nullptr) const;
    WORD GetBitCount(const BYTE* pDIB = nullptr) const;
    WORD GetNumColors(const BYTE* pDIB = nullptr) const;
    // Bytes between the header and the pixels: the colour table, and the three colour masks of
    // a BI_BITFIELDS image. 0 for NULL.
    static WORD GetColorTableSize(const BYTE* pDIB);
    static const BYTE* GetBits(const BYTE* pDIB);
    static BYTE* GetBits(BYTE* pDIB);

    // The palette of the colour table, none when there is no table; FALSE when it cannot be made.
    BOOL BuildPalette(const BYTE* pDIB);

    // BMP files. Reading empties the object first and leaves it empty on failure; writing to a
    // path replaces the file only when the whole image was written.
    BOOL Read(LPCTSTR lpszPath);
    BOOL Read(CFile* pFile);
    BOOL Read(CArchive& ar);
    // For a preview: a picture larger than maxSize is read at most at that size, each reduced
    // row and column the nearest of the file's; one that fits is read whole. The file's rows
    // must all be there, as for Read.
    BOOL ReadReduced(LPCTSTR lpszPath, CSize maxSize);
    BOOL Write(LPCTSTR lpszPath);
    BOOL Write(CFile* pFile);
    BOOL Write(CArchive& ar);
    // A whole BMP file image; an empty DIB's is a bare file header.
    void Serialize(CArchive& ar) override;

    // Fills a 40-byte header for a blank image; the bit count, normalised to 1, 4, 8 or 24.
    static WORD InitInfoHeader(BITMAPINFOHEADER* pHeader, DWORD nWidth, DWORD nHeight, int nBits);
    // A blank image with the standard 16-colour table repeated; no palette. Bit counts 1, 4, 8,
    // 16, 24 and 32 are taken, the block sized for the normalised count.
    BOOL Create(WORD nBits, DWORD nWidth, DWORD nHeight);
    // The colour table from a palette (NULL: the system's default palette), as colours or as
    // palette indexes.
    BOOL SetColorTable(CPalette* pPalette, UINT nUsage = DIB_RGB_COLORS);
    // The two colours of a 1-bit image; FALSE (GetMonoColors) or nothing done for other images.
    BOOL GetMonoColors(COLORREF& rColor0, COLORREF& rColor1, const BYTE* pDIB = nullptr) const;
    void SetMonoColors(COLORREF color0, COLORREF color1, BYTE* pDIB = nullptr);

    // Turns the picture clockwise by a multiple of 90 degrees, then mirrors it top to bottom
    // and left to right as asked. FALSE, and the picture as it was, for other angles or images
    // it cannot move (compressed ones).
    BOOL Rotate(int nAngle, BOOL bFlipVertical, BOOL bFlipHorizontal);
    // Nearest-neighbour resizing by repeating and dropping rows and columns; 8 bits and more.
    BOOL Resize(int nWidth, int nHeight);
    // A 24- or 32-bit image to 8 bits with the screen's halftone palette and an ordered dither;
    // FALSE without a 256-colour screen.
    BOOL ReduceTo8Bit();
    // The same with a given halftone palette, which the object keeps on success.
    BOOL ReduceTo8Bit(std::unique_ptr<CPalette> pHalftone);

    // Bytes at the end of a row of nWidth pixels that hold padding bits.
    static int GetPaddingBytes(int nWidth, int nBits);

#if defined(_WIN32)
    // Painting and the screen, Windows only.

    // Draws the source rectangle of the image into the destination rectangle, one to one when
    // the sizes agree in MM_TEXT, else stretched with COLORONCOLOR. The scan lines drawn.
    int Paint(CDC* pDC, const CRect& rectDest, const CRect& rectSource);
    // The image of a device bitmap, seen through pPalette when given; the new block or NULL.
    HGLOBAL CreateFromBitmap(HBITMAP hBitmap, CPalette* pPalette);
    // A device bitmap of the image for pDC, the caller's; NULL on failure.
    CBitmap* MakeBitmap(CDC* pDC);
    // Selects a device bitmap of the image into pDC and reports its size. Returns the bitmap
    // selected before, which the caller selects back when done and then deletes the one that
    // comes out; NULL on failure, with pDC as it was.
    HBITMAP SelectIntoDC(CDC* pDC, CSize* pSize);
    // The image of a bitmap resource (of the program when hModule is NULL).
    BOOL LoadFromResource(LPCTSTR lpszName, HINSTANCE hModule = nullptr);

    // A palette of a packed DIB's colour table, and its size; NULL without a table.
    static HPALETTE CreatePaletteFromHeader(const BYTE* pDIB, int* pnColors);
    static BOOL ClearSystemPalette();
    static BOOL GetSystemPalette(CPalette* pPalette);
    // The screen's halftone palette, when the screen has at least 256 colours.
    static BOOL MakeHalftonePalette(CPalette* pPalette);
#endif

protected:
    HGLOBAL m_hDIB;
    CPalette* m_pPalette;

private:
    // Reads a BMP file; with bEmptyRecord a bare file header, an empty DIB's archive record, is
    // taken as one.
    BOOL ReadBitmap(CArchive& ar, BOOL bEmptyRecord);
    // Takes hDIB, a packed DIB, as the object's image, bottom-up, and builds its palette; the
    // object ends empty when that fails.
    BOOL Adopt(HGLOBAL hDIB);
    // Replaces the block with hDIB, keeping the palette.
    void TakeBlock(HGLOBAL hDIB);
    // The system's default palette's entries; the number copied.
    static UINT GetDefaultPaletteEntries(PALETTEENTRY* pEntries, UINT nMax);
};

TARNEL_DECLARE_EXTRACTION(COXDIB)

// A zero-initialised copy of a block; NULL for NULL or when memory is short.
HGLOBAL CopyGlobal(HGLOBAL hSource);
