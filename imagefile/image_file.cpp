// COXImageFile: opening, closing and byte transfer.
#include "imagefile/image_file.h"

COXImageFile::COXImageFile()
    : m_pBuffer(nullptr), m_nBufferHeight(0), m_pFile(nullptr), m_bDetachOnClose(TRUE) {}

COXImageFile::COXImageFile(CString sFileName) : COXImageFile() {
    m_sFileName = std::move(sFileName);
}

COXImageFile::COXImageFile(CFile* pFile) : COXImageFile() { m_pFile = pFile; }

COXImageFile::~COXImageFile() {
    // A file still open here is one a failed run left behind; its close error has no one
    // left to tell.
    try {
        COXImageFile::Close();
    } catch (CException* e) {
        e->Delete();
    }
}

void COXImageFile::Open(UINT nOpenFlags) {
    if (m_pFile != nullptr)
        return;
    if (m_sFileName.IsEmpty())
        AfxThrowFileException(CFileException::badPath, -1, nullptr);
    const UINT nFlags = (nOpenFlags & ~(CFile::typeText | CFile::typeBinary)) | CFile::typeBinary;
    m_pFile = new CStdioFile(m_sFileName, nFlags);
}

template <typename Release>
void COXImageFile::LetGo(Release release) {
    if (m_pFile == nullptr)
        return;
    if (IsBorrowed()) {
        if (m_bDetachOnClose)
            m_pFile = nullptr;
        return;
    }
    CFile* pFile = m_pFile;
    m_pFile = nullptr;
    try {
        release(pFile);
    } catch (...) {
        delete pFile;
        throw;
    }
    delete pFile;
}

void COXImageFile::Close() {
    LetGo([](CFile* pFile) { pFile->Close(); });
}

void COXImageFile::Abort() {
    LetGo([](CFile* pFile) { pFile->Abort(); });
}

UINT COXImageFile::ReadBytes(void* pBuffer, UINT nCount) {
    if (m_pFile == nullptr)
        return 0;
    try {
        return m_pFile->Read(pBuffer, nCount);
    } catch (CFileException* e) {
        e->Delete();
        return 0;
    }
}

BOOL COXImageFile::WriteBytes(const void* pBuffer, UINT nCount) {
    if (m_pFile == nullptr)
        return FALSE;
    try {
        m_pFile->Write(pBuffer, nCount);
        return TRUE;
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
}
