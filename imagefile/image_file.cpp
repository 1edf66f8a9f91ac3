// COXImageFile: opening, closing and byte transfer.
#include "imagefile/image_file.h"

#include "codec/image_file_io.h"

COXImageFile::COXImageFile()
    : m_pBuffer(nullptr), m_nBufferHeight(0), m_pFile(nullptr), m_bDetachOnClose(TRUE) {}

COXImageFile::COXImageFile(CString sFileName) : COXImageFile() {
    m_sFileName = std::move(sFileName);
}

COXImageFile::COXImageFile(CFile* pFile) : COXImageFile() { m_pFile = pFile; }

COXImageFile::~COXImageFile() {
    // A file still open here is one a failed run left behind: it is let go without completing
    // it, so new output it was writing is discarded and an existing destination stays as it was.
    COXImageFile::Abort();
}

void COXImageFile::Open(UINT nOpenFlags) {
    if (m_pFile == nullptr)
        m_pFile = OpenImageFile(m_sFileName, nOpenFlags);
}

void COXImageFile::Close() { ReleaseImageFile(m_pFile, IsBorrowed(), m_bDetachOnClose, TRUE); }

void COXImageFile::Abort() { ReleaseImageFile(m_pFile, IsBorrowed(), m_bDetachOnClose, FALSE); }

UINT COXImageFile::ReadBytes(void* pBuffer, UINT nCount) {
    return ReadImageFileBytes(m_pFile, pBuffer, nCount);
}

BOOL COXImageFile::WriteBytes(const void* pBuffer, UINT nCount) {
    return WriteImageFileBytes(m_pFile, pBuffer, nCount);
}
