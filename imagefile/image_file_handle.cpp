// CImageFileHandle: opening, releasing and byte transfer.
#include "imagefile/image_file_handle.h"

#include <memory>

void CImageFileHandle::Open(UINT nOpenFlags) {
    if (m_pFile != nullptr)
        return;
    if (m_sFileName.IsEmpty())
        AfxThrowFileException(CFileException::badPath, -1, nullptr);
    const UINT nFlags = (nOpenFlags & ~(CFile::typeText | CFile::typeBinary)) | CFile::typeBinary;
    if (CReplaceFile::IsReplacement(nFlags))
        m_pFile = new CReplaceFile(m_sFileName, nFlags);
    else
        m_pFile = new CStdioFile(m_sFileName, nFlags);
}

void CImageFileHandle::Release(BOOL bClose) {
    if (m_pFile == nullptr)
        return;
    if (IsBorrowed()) {
        if (m_bDetachOnClose)
            m_pFile = nullptr;
        return;
    }
    // Forgotten and deleted even when closing throws.
    std::unique_ptr<CFile> pFile(m_pFile);
    m_pFile = nullptr;
    if (bClose)
        pFile->Close();
    else
        pFile->Abort();
}

UINT CImageFileHandle::Read(void* pBuffer, UINT nCount) {
    if (m_pFile == nullptr)
        return 0;
    try {
        return m_pFile->Read(pBuffer, nCount);
    } catch (CFileException* e) {
        e->Delete();
        return 0;
    }
}

BOOL CImageFileHandle::Write(const void* pBuffer, UINT nCount) {
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

namespace {

// Runs fn on the file; FALSE when there is none or it throws.
template <typename Fn>
BOOL Absorbing(CFile* pFile, Fn fn) {
    if (pFile == nullptr)
        return FALSE;
    try {
        fn(*pFile);
        return TRUE;
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
}

}  // namespace

BOOL CImageFileHandle::GetPosition(ULONGLONG& rnPosition) const {
    return Absorbing(m_pFile, [&](CFile& file) { rnPosition = file.GetPosition(); });
}

BOOL CImageFileHandle::GetLength(ULONGLONG& rnLength) const {
    return Absorbing(m_pFile, [&](CFile& file) { rnLength = file.GetLength(); });
}

BOOL CImageFileHandle::Seek(ULONGLONG nPosition) {
    return Absorbing(m_pFile, [&](CFile& file) {
        file.Seek(static_cast<std::int64_t>(nPosition), CFile::begin);
    });
}
