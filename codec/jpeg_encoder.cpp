// COXJPEGEncoder: options and the compression run.
#include "codec/jpeg_encoder.h"

#include "imagefile/bitmap_codes.h"

#include "codec/coder_run.h"
#include "libjpeg/libjpeg_call.h"

int DCTMethodFor(int nSelection) {
    switch (nSelection) {
    case DCT_ISLOW:
        return JDCT_ISLOW;
    case DCT_IFAST:
        return JDCT_IFAST;
    case DCT_FLOAT:
        return JDCT_FLOAT;
    default:
        return -1;
    }
}

COXJPEGEncoder::COXJPEGEncoder()
    : m_nQuality(75),
      m_bGrayscale(FALSE),
      m_bOptimize(FALSE),
      m_bProgressive(FALSE),
      m_nDCTMethod(DCT_DEFAULT),
      m_nSmooth(0),
      m_nMaxMemory(0),
      m_bBaseline(FALSE) {}

void COXJPEGEncoder::ProcessSwitches(j_compress_ptr cinfo, BOOL bForReal) {
    cinfo->err->trace_level = 0;
    if (DCTMethodFor(m_nDCTMethod) >= 0)
        cinfo->dct_method = static_cast<J_DCT_METHOD>(DCTMethodFor(m_nDCTMethod));
    if (m_bGrayscale)
        CallLibjpeg([&] { jpeg_set_colorspace(cinfo, JCS_GRAYSCALE); });
    if (m_nMaxMemory != 0)
        cinfo->mem->max_memory_to_use = static_cast<long>(m_nMaxMemory) * 1000L;
    if (m_bOptimize)
        cinfo->optimize_coding = TRUE;
    if (m_nSmooth != 0)
        cinfo->smoothing_factor = m_nSmooth;
    if (!bForReal)
        return;
    // At 75 the tables jpeg_set_defaults installed stay.
    if (m_nQuality != 75)
        CallLibjpeg([&] { jpeg_set_quality(cinfo, m_nQuality, m_bBaseline); });
    // After the colour space is final, so the script fits the component count.
    if (m_bProgressive)
        CallLibjpeg([&] { jpeg_simple_progression(cinfo); });
}

short COXJPEGEncoder::DoCompress(COXImageFile* pSource, COXJPEGImageFile* pDest) {
    RunFileStage(pSource, pDest, [&] {
        pSource->Open(CFile::modeRead | CFile::shareDenyWrite);
        pDest->Open(CFile::modeCreate | CFile::modeWrite);
    });

    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    RunRegistered(reinterpret_cast<j_common_ptr>(&cinfo),
                  [&] { Compress(&cinfo, &jerr, pSource, pDest); });

    RunFileStage(pSource, pDest, [&] {
        pSource->Close();
        pDest->Close();
    });
    return RunResult();
}

void COXJPEGEncoder::Compress(j_compress_ptr cinfo, jpeg_error_mgr* pErr, COXImageFile* pSource,
                              COXJPEGImageFile* pDest) {
    InitErrorManager(pErr);
    cinfo->err = pErr;
    CallLibjpeg([&] { jpeg_create_compress(cinfo); });
    HoldImageArraysInMemory(reinterpret_cast<j_common_ptr>(cinfo));
    // jpeg_set_defaults needs some input colour space; the source sets the real one.
    cinfo->in_color_space = JCS_RGB;
    CallLibjpeg([&] { jpeg_set_defaults(cinfo); });
    ProcessSwitches(cinfo, FALSE);

    pSource->AttachCompressor(cinfo);
    pSource->BeginRead(cinfo);
    // Defaults for the real colour space; this undoes a greyscale choice, so apply all again.
    CallLibjpeg([&] { jpeg_default_colorspace(cinfo); });
    ProcessSwitches(cinfo, TRUE);

    pDest->SetDestination(cinfo, TRUE);
    pDest->StartCompress(cinfo);
    // A profile the source kept goes into APP2 segments, split as libjpeg splits it.
    const std::vector<BYTE>& profile = pSource->GetColorProfile();
    if (!profile.empty())
        CallLibjpeg([&] {
            jpeg_write_icc_profile(cinfo, profile.data(), static_cast<unsigned>(profile.size()));
        });
    if (pSource->IsProfileLeftOut())
        WARNMS(cinfo, BMP_WRN_PROFILE);
    while (cinfo->next_scanline < cinfo->image_height) {
        const JDIMENSION nRows = pSource->ReadRows(cinfo);
        if (nRows == 0)  // a source that delivers nothing would never finish
            ERREXIT(cinfo, JERR_INPUT_EOF);
        pDest->WriteScanlines(cinfo, pSource->m_pBuffer, nRows);
    }
    pSource->EndRead(cinfo);
    pDest->FinishCompress(cinfo);
    CallLibjpeg([&] { jpeg_destroy_compress(cinfo); });
}
