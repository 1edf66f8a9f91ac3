// COXJPEGImageFile: the JPEG side of a conversion, with libjpeg source and destination managers
// that read and write its file in 4096-byte blocks.
#pragma once

#include "imagefile/image_file_handle.h"
#include "libjpeg/libjpeg.h"
#include "platform/cstring.h"
#include "platform/object.h"

class COXJPEGImageFile : public CObject {
public:
    COXJPEGImageFile();
    explicit COXJPEGImageFile(CString sFileName);
    // Borrows pFile: the object never closes or deletes it.
    explicit COXJPEGImageFile(CFile* pFile);
    // Aborts a file that is still open: a failed run's new output is discarded.
    ~COXJPEGImageFile() override = default;

    // Compression, the object as destination. The flag has no effect.
    virtual BOOL SetDestination(j_compress_ptr cinfo, BOOL bFlag);
    virtual BOOL StartCompress(j_compress_ptr cinfo);
    virtual BOOL FinishCompress(j_compress_ptr cinfo);
    // TRUE, not the number of rows written.
    virtual BOOL WriteScanlines(j_compress_ptr cinfo, JSAMPARRAY pRows, JDIMENSION nRows);

    // Decompression, the object as source. ReadHeader requires an image.
    virtual BOOL ReadHeader(j_decompress_ptr cinfo);
    virtual BOOL StartDecompress(j_decompress_ptr cinfo);
    virtual BOOL FinishDecompress(j_decompress_ptr cinfo);
    virtual JDIMENSION ReadScanlines(j_decompress_ptr cinfo, JSAMPARRAY pRows, JDIMENSION nMaxRows);

    // Lossless transcoding between two libjpeg objects.
    virtual jvirt_barray_ptr* ReadCoefficients(j_decompress_ptr cinfo);
    virtual void CopyCriticalParameters(j_decompress_ptr pSrcInfo, j_compress_ptr pDstInfo);
    virtual void WriteCoefficients(j_compress_ptr cinfo, jvirt_barray_ptr* pCoefArrays);

    // As COXImageFile's: new output goes to a temporary file that only Close puts in place.
    virtual void Open(UINT nOpenFlags) { m_file.Open(nOpenFlags); }
    virtual void Abort() { m_file.Abort(); }
    virtual void Close() { m_file.Close(); }

    CString GetFileName() const { return m_file.GetFileName(); }
    void SetDetachOnClose(BOOL bDetach) { m_file.SetDetachOnClose(bDetach); }

    UINT ReadBytes(void* pBuffer, UINT nCount) { return m_file.Read(pBuffer, nCount); }
    BOOL WriteBytes(const void* pBuffer, UINT nCount) { return m_file.Write(pBuffer, nCount); }

    // Install this class's managers on cinfo over this object's file, reusing ones installed
    // before.
    void InitSourceManager(j_decompress_ptr cinfo);
    void InitDestinationManager(j_compress_ptr cinfo);

    // Size of the blocks in which the JPEG stream is read and written.
    static constexpr UINT kBufferSize = 4096;

protected:
    CImageFileHandle m_file;
};
