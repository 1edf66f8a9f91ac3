// COXImageFile: the abstract uncompressed image file that the coders read rows from and
// write rows to, with its file handling.
#pragma once

#include <vector>

#include "imagefile/image_file_handle.h"
#include "libjpeg/libjpeg.h"
#include "platform/cstring.h"
#include "platform/object.h"

class COXImageFile : public CObject {
public:
    COXImageFile();
    explicit COXImageFile(CString sFileName);
    // Borrows pFile: the object never closes or deletes it.
    explicit COXImageFile(CFile* pFile);
    // A file still open here is one a failed run left behind: it is aborted, so new output it
    // was writing is discarded and an existing destination stays as it was.
    ~COXImageFile() override = default;

    // The hooks, declared in their slot order. Reading, the object is the compressor's source:
    // AttachCompressor once the compression object exists, before anything is read; BeginRead
    // after libjpeg's defaults are set, to read the headers and describe the picture (size,
    // colour space); ReadRows after jpeg_start_compress, once per batch, each call leaving its
    // rows in m_pBuffer; EndRead after the last row. Errors are raised through the compressor's
    // error manager.
    // Writing, the object is the decompressor's destination: PrepareWrite after the JPEG's
    // header is read and the options are applied, before jpeg_start_decompress, to choose the
    // output form and set up m_pBuffer (bFlag: the decoder always passes TRUE; the bitmap files
    // do not use it); BeginWrite after jpeg_start_decompress, when the output's size and colour
    // map are known; WriteRows for each batch libjpeg left in m_pBuffer; EndWrite after the
    // last row, to complete the file.
    virtual BOOL BeginRead(j_compress_ptr cinfo) = 0;
    virtual BOOL EndRead(j_compress_ptr cinfo) = 0;
    virtual JDIMENSION ReadRows(j_compress_ptr cinfo) = 0;
    virtual BOOL BeginWrite(j_decompress_ptr cinfo) = 0;
    virtual BOOL EndWrite(j_decompress_ptr cinfo) = 0;
    virtual BOOL WriteRows(j_decompress_ptr cinfo, JDIMENSION nRows) = 0;
    virtual BOOL AttachCompressor(j_compress_ptr cinfo) = 0;
    virtual BOOL PrepareWrite(j_decompress_ptr cinfo, BOOL bFlag) = 0;

    // Opens the named file in binary mode unless a file is already there; throws
    // CFileException* when there is no name or the system refuses. New output goes to a
    // temporary file that only Close puts in place.
    virtual void Open(UINT nOpenFlags) { m_file.Open(nOpenFlags); }
    // Close completes the file and may throw CFileException*; Abort never throws and discards
    // new output. Both leave a borrowed file open.
    virtual void Abort() { m_file.Abort(); }
    virtual void Close() { m_file.Close(); }

    CString GetFileName() const { return m_file.GetFileName(); }
    void SetDetachOnClose(BOOL bDetach) { m_file.SetDetachOnClose(bDetach); }

    // The rows exchanged with libjpeg; they belong to libjpeg's image pool.
    JSAMPARRAY m_pBuffer;
    JDIMENSION m_nBufferHeight;

    // Whether a reader keeps the colour profile a bitmap carries, for the coder to pass on; off
    // unless asked. The profile kept: empty when there is none.
    void SetKeepProfile(BOOL bKeep) { m_bKeepProfile = bKeep; }
    const std::vector<BYTE>& GetColorProfile() const { return m_colorProfile; }
    // Whether the bitmap named a profile that could not be kept (another file, or bytes outside
    // this one): the coder warns once its run has started, as warnings before it are dropped.
    BOOL IsProfileLeftOut() const { return m_bProfileLeftOut; }

protected:
    BOOL m_bKeepProfile = FALSE;
    BOOL m_bProfileLeftOut = FALSE;
    std::vector<BYTE> m_colorProfile;

    // Transfers that report a file exception by their result (0 bytes, FALSE) instead.
    UINT ReadBytes(void* pBuffer, UINT nCount) { return m_file.Read(pBuffer, nCount); }
    BOOL WriteBytes(const void* pBuffer, UINT nCount) { return m_file.Write(pBuffer, nCount); }

    CImageFileHandle m_file;
};
