// CMemFile's transfers.
#include "platform/memfile.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
    const std::size_t nAvailable =
        m_nPosition < m_sBytes.size() ? m_sBytes.size() - m_nPosition : 0;
    const std::size_t n = std::min<std::size_t>(nCount, nAvailable);
    if (n > 0)
        std::memcpy(lpBuf, m_sBytes.data() + m_nPosition, n);
    m_nPosition += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
    if (m_nPosition > m_sBytes.size())
        m_sBytes.resize(m_nPosition, '\0');
    m_sBytes.replace(m_nPosition, std::min<std::size_t>(nCount, m_sBytes.size() - m_nPosition),
                     static_cast<const char*>(lpBuf), nCount);
    m_nPosition += nCount;
}

ULONGLONG CMemFile::Seek(std::int64_t lOff, UINT nFrom) {
    const std::int64_t nBase = nFrom == end       ? static_cast<std::int64_t>(m_sBytes.size())
                               : nFrom == current ? static_cast<std::int64_t>(m_nPosition)
                                                  : 0;
    if (nBase + lOff < 0)
        AfxThrowFileException(CFileException::badSeek, -1, nullptr);
    m_nPosition = static_cast<std::size_t>(nBase + lOff);
    return m_nPosition;
}
