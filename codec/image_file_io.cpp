// Opening, releasing and byte transfer for image file objects.
#include "codec/image_file_io.h"

#include <memory>

CFile* OpenImageFile(const CString& sFileName, UINT nOpenFlags) {
    if (sFileName.IsEmpty())
        AfxThrowFileException(CFileException::badPath, -1, nullptr);
    const UINT nFlags = (nOpenFlags & ~(CFile::typeText | CFile::typeBinary)) | CFile::typeBinary;
    if (CReplaceFile::IsReplacement(nFlags))
        return new CReplaceFile(sFileName, nFlags);
    return new CStdioFile(sFileName, nFlags);
}

void ReleaseImageFile(CFile*& rpFile, BOOL bBorrowed, BOOL bDetach, BOOL bClose) {
    if (rpFile == nullptr)
        return;
    if (bBorrowed) {
        if (bDetach)
            rpFile = nullptr;
        return;
    }
    std::unique_ptr<CFile> pFile(rpFile);
    rpFile = nullptr;
    if (bClose)
        pFile->Close();
    else
        pFile->Abort();
}

UINT ReadImageFileBytes(CFile* pFile, void* pBuffer, UINT nCount) {
    if (pFile == nullptr)
        return 0;
    try {
        return pFile->Read(pBuffer, nCount);
    } catch (CFileException* e) {
        e->Delete();
        return 0;
    }
}

BOOL WriteImageFileBytes(CFile* pFile, const void* pBuffer, UINT nCount) {
    if (pFile == nullptr)
        return FALSE;
    try {
        pFile->Write(pBuffer, nCount);
        return TRUE;
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
}
