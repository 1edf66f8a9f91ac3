// COXJPEGImageFile: file handling, the wrapped libjpeg calls and the source and destination
// managers.
#include "codec/jpeg_image_file.h"

#include "imagefile/image_file_handle.h"
#include "libjpeg/libjpeg_call.h"

namespace {

struct JPEGFileSourceMgr {
    jpeg_source_mgr pub;
    CImageFileHandle* pFile;
    JOCTET* pBuffer;
    BOOL bStartOfFile;  // no byte read yet: distinguishes an empty file from a truncated one
};

struct JPEGFileDestMgr {
    jpeg_destination_mgr pub;
    CImageFileHandle* pFile;
    JOCTET* pBuffer;
};

// These run inside libjpeg: they raise errors only through its error manager, outside any
// catch block and with nothing but trivially destructible locals alive.

void InitSource(j_decompress_ptr cinfo) {
    reinterpret_cast<JPEGFileSourceMgr*>(cinfo->src)->bStartOfFile = TRUE;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<JPEGFileSourceMgr*>(cinfo->src);
    // A read error counts as the end of the data.
    std::size_t nRead = src->pFile->Read(src->pBuffer, COXJPEGImageFile::kBufferSize);
    if (nRead == 0) {
        if (src->bStartOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // An end-of-image marker lets libjpeg finish the image with what it has.
        src->pBuffer[0] = 0xFF;
        src->pBuffer[1] = JPEG_EOI;
        nRead = 2;
    }
    src->pub.next_input_byte = src->pBuffer;
    src->pub.bytes_in_buffer = nRead;
    src->bStartOfFile = FALSE;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long nBytes) {
    if (nBytes <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    while (nBytes > static_cast<long>(src->bytes_in_buffer)) {
        nBytes -= static_cast<long>(src->bytes_in_buffer);
        (*src->fill_input_buffer)(cinfo);
    }
    src->next_input_byte += nBytes;
    src->bytes_in_buffer -= static_cast<std::size_t>(nBytes);
}

void TermSource(j_decompress_ptr) {}

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<JPEGFileDestMgr*>(cinfo->dest);
    dest->pBuffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, COXJPEGImageFile::kBufferSize));
    dest->pub.next_output_byte = dest->pBuffer;
    dest->pub.free_in_buffer = COXJPEGImageFile::kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<JPEGFileDestMgr*>(cinfo->dest);
    if (!dest->pFile->Write(dest->pBuffer, COXJPEGImageFile::kBufferSize))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->pBuffer;
    dest->pub.free_in_buffer = COXJPEGImageFile::kBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<JPEGFileDestMgr*>(cinfo->dest);
    const auto nCount = static_cast<UINT>(COXJPEGImageFile::kBufferSize - dest->pub.free_in_buffer);
    if (nCount > 0 && !dest->pFile->Write(dest->pBuffer, nCount))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

}  // namespace

COXJPEGImageFile::COXJPEGImageFile() = default;

COXJPEGImageFile::COXJPEGImageFile(CString sFileName) : m_file(std::move(sFileName)) {}

COXJPEGImageFile::COXJPEGImageFile(CFile* pFile) : m_file(pFile) {}

void COXJPEGImageFile::InitSourceManager(j_decompress_ptr cinfo) {
    if (cinfo->src == nullptr) {
        auto alloc = [cinfo](std::size_t nBytes) {
            return CallLibjpeg([&] {
                return (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo),
                                                  JPOOL_PERMANENT, nBytes);
            });
        };
        auto* src = static_cast<JPEGFileSourceMgr*>(alloc(sizeof(JPEGFileSourceMgr)));
        src->pBuffer = static_cast<JOCTET*>(alloc(kBufferSize));
        cinfo->src = &src->pub;
    }
    auto* src = reinterpret_cast<JPEGFileSourceMgr*>(cinfo->src);
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pFile = &m_file;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
}

void COXJPEGImageFile::InitDestinationManager(j_compress_ptr cinfo) {
    if (cinfo->dest == nullptr) {
        void* pRecord = CallLibjpeg([&] {
            return (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo),
                                              JPOOL_PERMANENT, sizeof(JPEGFileDestMgr));
        });
        cinfo->dest = &static_cast<JPEGFileDestMgr*>(pRecord)->pub;
    }
    auto* dest = reinterpret_cast<JPEGFileDestMgr*>(cinfo->dest);
    dest->pub.init_destination = InitDestination;
    dest->pub.empty_output_buffer = EmptyOutputBuffer;
    dest->pub.term_destination = TermDestination;
    dest->pFile = &m_file;
}

BOOL COXJPEGImageFile::SetDestination(j_compress_ptr cinfo, BOOL /*bFlag*/) {
    InitDestinationManager(cinfo);
    return TRUE;
}

BOOL COXJPEGImageFile::StartCompress(j_compress_ptr cinfo) {
    CallLibjpeg([&] { jpeg_start_compress(cinfo, TRUE); });
    return TRUE;
}

BOOL COXJPEGImageFile::FinishCompress(j_compress_ptr cinfo) {
    CallLibjpeg([&] { jpeg_finish_compress(cinfo); });
    return TRUE;
}

BOOL COXJPEGImageFile::WriteScanlines(j_compress_ptr cinfo, JSAMPARRAY pRows, JDIMENSION nRows) {
    CallLibjpeg([&] { return jpeg_write_scanlines(cinfo, pRows, nRows); });
    return TRUE;
}

BOOL COXJPEGImageFile::ReadHeader(j_decompress_ptr cinfo) {
    InitSourceManager(cinfo);
    CallLibjpeg([&] { return jpeg_read_header(cinfo, TRUE); });
    return TRUE;
}

BOOL COXJPEGImageFile::StartDecompress(j_decompress_ptr cinfo) {
    CallLibjpeg([&] { return jpeg_start_decompress(cinfo); });
    return TRUE;
}

BOOL COXJPEGImageFile::FinishDecompress(j_decompress_ptr cinfo) {
    CallLibjpeg([&] { return jpeg_finish_decompress(cinfo); });
    return TRUE;
}

JDIMENSION COXJPEGImageFile::ReadScanlines(j_decompress_ptr cinfo, JSAMPARRAY pRows,
                                           JDIMENSION nMaxRows) {
    return CallLibjpeg([&] { return jpeg_read_scanlines(cinfo, pRows, nMaxRows); });
}

jvirt_barray_ptr* COXJPEGImageFile::ReadCoefficients(j_decompress_ptr cinfo) {
    return CallLibjpeg([&] { return jpeg_read_coefficients(cinfo); });
}

void COXJPEGImageFile::CopyCriticalParameters(j_decompress_ptr pSrcInfo, j_compress_ptr pDstInfo) {
    CallLibjpeg([&] { jpeg_copy_critical_parameters(pSrcInfo, pDstInfo); });
}

void COXJPEGImageFile::WriteCoefficients(j_compress_ptr cinfo, jvirt_barray_ptr* pCoefArrays) {
    CallLibjpeg([&] { jpeg_write_coefficients(cinfo, pCoefArrays); });
}
