// A file in memory whose reads fail beyond a given byte, as a failing disk's do.
#pragma once

#include <string>

#include "platform/memfile.h"

class CFailingReads : public CMemFile {
public:
    CFailingReads(std::string sBytes, ULONGLONG nLimit)
        : CMemFile(std::move(sBytes)), m_nLimit(nLimit) {}
    UINT Read(void* lpBuf, UINT nCount) override {
        if (GetPosition() + nCount > m_nLimit)
            AfxThrowFileException(CFileException::hardIO, 5, "failing");
        return CMemFile::Read(lpBuf, nCount);
    }

private:
    ULONGLONG m_nLimit;
};
