// COXJPEGDecoder: converts a JPEG file into an uncompressed image file.
#pragma once

#include "codec/jpeg_coder.h"
#include <vector>

#include "codec/jpeg_encoder.h"  // the DCT method selections

class COXImageFile;
class COXJPEGImageFile;

// Output scale selections; other values keep full size.
enum { SCALE_1_1 = 1, SCALE_1_2 = 2, SCALE_1_4 = 3, SCALE_1_8 = 4 };
// Dither selections; note the order runs opposite to libjpeg's enumeration.
enum { DITHER_DEFAULT = 0, DITHER_FS = 1, DITHER_ORDERED = 2, DITHER_NONE = 3 };

class COXJPEGDecoder : public COXJPEGCoder {
public:
    COXJPEGDecoder();
    ~COXJPEGDecoder() override = default;

    // Setters only store; libjpeg judges the values when the run applies them.
    void SetColors(int nColors) { m_nColors = nColors; }
    void SetGrayscale(BOOL bGrayscale) { m_bGrayscale = bGrayscale; }
    void SetFast(BOOL bFast) { m_bFast = bFast; }
    void SetScale(int nScale) { m_nScale = nScale; }
    void SetDCTMethod(int nMethod) { m_nDCTMethod = nMethod; }
    void SetDitherMethod(int nMethod) { m_nDitherMethod = nMethod; }
    void SetNoSmooth(BOOL bNoSmooth) { m_bNoSmooth = bNoSmooth; }
    void SetOnePass(BOOL bOnePass) { m_bOnePass = bOnePass; }
    void SetMaxMemory(int nThousands) { m_nMaxMemory = nThousands; }

    // A marker segment kept from the JPEG's header: its marker (JPEG_APP0 + n) and its bytes.
    struct Marker {
        int nMarker;
        std::vector<BYTE> data;
    };
    // Keeps the segments of this marker the next run reads (up to 64 KiB each, as they come);
    // the picture is decoded as without.
    void KeepMarker(int nMarker) { m_markersToKeep.push_back(nMarker); }
    const std::vector<Marker>& GetKeptMarkers() const { return m_keptMarkers; }

    // One whole conversion; JPEG_SUCCESS or JPEG_WARNING, every failure a thrown
    // COXJPEGException*. Opens and closes both files itself.
    virtual short DoDecompress(COXJPEGImageFile* pSource, COXImageFile* pDest);

protected:
    // Applies the options over the header's defaults; the flag is not consulted.
    virtual void ProcessSwitches(j_decompress_ptr cinfo, BOOL bForReal);

    int m_nColors;
    int m_bGrayscale;
    int m_bFast;
    int m_nScale;
    int m_nDCTMethod;
    int m_nDitherMethod;
    int m_bNoSmooth;
    int m_bOnePass;
    int m_nMaxMemory;

private:
    void KeepMarkers(j_decompress_ptr cinfo);
    std::vector<int> m_markersToKeep;
    std::vector<Marker> m_keptMarkers;

    void Decompress(j_decompress_ptr cinfo, jpeg_error_mgr* pErr, COXJPEGImageFile* pSource,
                    COXImageFile* pDest);
};
