// CMemFile: a CFile over a growable block of memory.
#pragma once

#include <string>

#include "platform/file.h"

class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)

public:
    CMemFile() { m_hFile = 0; }  // open from the start
    explicit CMemFile(std::string sBytes) : m_sBytes(std::move(sBytes)) { m_hFile = 0; }

    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(std::int64_t lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    ULONGLONG GetLength() const override { return m_sBytes.size(); }
    void Flush() override {}
    void Close() override { m_hFile = hFileNull; }
    void Abort() override { m_hFile = hFileNull; }

private:
    std::string m_sBytes;
    std::size_t m_nPosition = 0;
};
