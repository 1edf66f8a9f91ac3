// COXJPEGDecoder: options and the decompression run.
#include "codec/jpeg_decoder.h"

#include "codec/coder_run.h"
#include "libjpeg/libjpeg_call.h"

COXJPEGDecoder::COXJPEGDecoder()
    : m_nColors(0),
      m_bGrayscale(FALSE),
      m_bFast(FALSE),
      m_nScale(SCALE_1_1),
      m_nDCTMethod(DCT_DEFAULT),
      m_nDitherMethod(DITHER_DEFAULT),
      m_bNoSmooth(FALSE),
      m_bOnePass(FALSE),
      m_nMaxMemory(0) {}

namespace {

// libjpeg's dither mode for a selection, or -1 when the selection keeps the default.
int DitherModeFor(int nSelection) {
    switch (nSelection) {
    case DITHER_FS:
        return JDITHER_FS;
    case DITHER_ORDERED:
        return JDITHER_ORDERED;
    case DITHER_NONE:
        return JDITHER_NONE;
    default:
        return -1;
    }
}

}  // namespace

void COXJPEGDecoder::ProcessSwitches(j_decompress_ptr cinfo, BOOL /*bForReal*/) {
    cinfo->err->trace_level = 0;
    if (m_nColors != 0) {
        cinfo->desired_number_of_colors = m_nColors;
        cinfo->quantize_colors = TRUE;
    }
    if (DCTMethodFor(m_nDCTMethod) >= 0)
        cinfo->dct_method = static_cast<J_DCT_METHOD>(DCTMethodFor(m_nDCTMethod));
    if (DitherModeFor(m_nDitherMethod) >= 0)
        cinfo->dither_mode = static_cast<J_DITHER_MODE>(DitherModeFor(m_nDitherMethod));
    // The quick preset comes after the DCT and dither choices and overrides them.
    if (m_bFast) {
        cinfo->two_pass_quantize = FALSE;
        cinfo->dither_mode = JDITHER_ORDERED;
        if (!cinfo->quantize_colors)
            cinfo->desired_number_of_colors = 216;
        cinfo->dct_method = JDCT_IFAST;
        cinfo->do_fancy_upsampling = FALSE;
    }
    if (m_bGrayscale)
        cinfo->out_color_space = JCS_GRAYSCALE;
    if (m_nMaxMemory != 0)
        cinfo->mem->max_memory_to_use = static_cast<long>(m_nMaxMemory) * 1000L;
    if (m_bNoSmooth)
        cinfo->do_fancy_upsampling = FALSE;
    if (m_bOnePass)
        cinfo->two_pass_quantize = FALSE;
    switch (m_nScale) {
    case SCALE_1_1:
    case SCALE_1_2:
    case SCALE_1_4:
    case SCALE_1_8:
        cinfo->scale_num = 1;
        cinfo->scale_denom = 1u << (m_nScale - 1);
        break;
    default:
        break;
    }
}

short COXJPEGDecoder::DoDecompress(COXJPEGImageFile* pSource, COXImageFile* pDest) {
    RunFileStage(pDest, pSource, [&] {
        pSource->Open(CFile::modeRead | CFile::shareDenyWrite);
        pDest->Open(CFile::modeCreate | CFile::modeWrite);
    });

    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    RunRegistered(reinterpret_cast<j_common_ptr>(&cinfo),
                  [&] { Decompress(&cinfo, &jerr, pSource, pDest); });

    RunFileStage(pDest, pSource, [&] {
        pDest->Close();
        pSource->Close();
    });
    return RunResult();
}

void COXJPEGDecoder::Decompress(j_decompress_ptr cinfo, jpeg_error_mgr* pErr,
                                COXJPEGImageFile* pSource, COXImageFile* pDest) {
    InitErrorManager(pErr);
    cinfo->err = pErr;
    CallLibjpeg([&] { jpeg_create_decompress(cinfo); });
    HoldImageArraysInMemory(reinterpret_cast<j_common_ptr>(cinfo));
    // Applied before the header for the trace level and memory limit; reading the header
    // resets the rest to the image's defaults, so everything is applied again after it.
    ProcessSwitches(cinfo, FALSE);
    for (const int nMarker : m_markersToKeep)
        CallLibjpeg([&] { jpeg_save_markers(cinfo, nMarker, 0xFFFF); });
    pSource->ReadHeader(cinfo);
    KeepMarkers(cinfo);
    ProcessSwitches(cinfo, FALSE);

    pDest->PrepareWrite(cinfo, TRUE);
    pSource->StartDecompress(cinfo);
    pDest->BeginWrite(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION nRows =
            pSource->ReadScanlines(cinfo, pDest->m_pBuffer, pDest->m_nBufferHeight);
        pDest->WriteRows(cinfo, nRows);
    }
    // A file that could not be completed is a failed run, not a finished one.
    if (!pDest->EndWrite(cinfo))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    pSource->FinishDecompress(cinfo);
    CallLibjpeg([&] { jpeg_destroy_decompress(cinfo); });
}

void COXJPEGDecoder::KeepMarkers(j_decompress_ptr cinfo) {
    m_keptMarkers.clear();
    for (jpeg_saved_marker_ptr p = cinfo->marker_list; p != nullptr; p = p->next)
        m_keptMarkers.push_back(
            {static_cast<int>(p->marker), std::vector<BYTE>(p->data, p->data + p->data_length)});
}
