// COXJPEGEncoder: converts an uncompressed image file into a JPEG file.
#pragma once

#include "codec/jpeg_coder.h"

class COXImageFile;
class COXJPEGImageFile;

// DCT method selections, libjpeg's enumeration plus one; 0 keeps libjpeg's default.
enum { DCT_DEFAULT = 0, DCT_ISLOW = 1, DCT_IFAST = 2, DCT_FLOAT = 3 };

class COXJPEGEncoder : public COXJPEGCoder {
public:
    COXJPEGEncoder();
    ~COXJPEGEncoder() override = default;

    // Setters only store; libjpeg judges the values when the run applies them.
    void SetQuality(int nQuality) { m_nQuality = nQuality; }
    void SetGrayscale(BOOL bGrayscale) { m_bGrayscale = bGrayscale; }
    void SetOptimize(BOOL bOptimize) { m_bOptimize = bOptimize; }
    void SetProgressive(BOOL bProgressive) { m_bProgressive = bProgressive; }
    void SetDCTMethod(int nMethod) { m_nDCTMethod = nMethod; }
    void SetSmooth(int nSmooth) { m_nSmooth = nSmooth; }
    void SetMaxMemory(int nThousands) { m_nMaxMemory = nThousands; }
    void SetBaseline(BOOL bBaseline) { m_bBaseline = bBaseline; }

    // One whole conversion; JPEG_SUCCESS or JPEG_WARNING, every failure a thrown
    // COXJPEGException*. Opens and closes both files itself.
    virtual short DoCompress(COXImageFile* pSource, COXJPEGImageFile* pDest);

protected:
    // Applies the options; quality and progression only when bForReal.
    virtual void ProcessSwitches(j_compress_ptr cinfo, BOOL bForReal);

    int m_nQuality;
    int m_bGrayscale;
    int m_bOptimize;
    int m_bProgressive;
    int m_nDCTMethod;
    int m_nSmooth;
    int m_nMaxMemory;
    int m_bBaseline;

private:
    void Compress(j_compress_ptr cinfo, jpeg_error_mgr* pErr, COXImageFile* pSource,
                  COXJPEGImageFile* pDest);
};

// libjpeg's DCT method for a selection, or -1 when the selection keeps the default.
int DCTMethodFor(int nSelection);
