// CArchive: buffering, the integer and string encodings and the object records.
#include "platform/archive.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CArchiveException, CException)

namespace {

// Record tags: a null object, a new class record, a class back reference (flag), and the
// escape to a 32-bit tag for large indexes.
constexpr WORD kNullTag = 0;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr DWORD kBigClassTag = 0x80000000;
constexpr WORD kBigObjectTag = 0x7FFF;
// The string length escapes: a byte, then a word, then a double word.
constexpr BYTE kWordLength = 0xFF;
constexpr WORD kDWordLength = 0xFFFF;
constexpr WORD kUnicodeMarker = 0xFFFE;

}  // namespace

BOOL CArchiveException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT*) {
    static const char* const kTexts[] = {
        "エラーは発生していません。",
        "アーカイブで不明なエラーが発生しました。",
        "読み取り専用のアーカイブに書き込もうとしました。",
        "アーカイブの終わりを越えて読み取ろうとしました。",
        "書き込み専用のアーカイブから読み取ろうとしました。",
        "アーカイブの形式が正しくありません。",
        "アーカイブに不明なクラスのオブジェクトがあります。",
        "アーカイブのオブジェクトのスキーマが一致しません。",
    };
    const int nCause = m_cause >= 0 && m_cause <= badSchema ? m_cause : genericException;
    lstrcpyn(lpszError, kTexts[nCause], ClampToInt(nMaxError));
    return TRUE;
}

void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName) {
    throw new CArchiveException(cause, lpszArchiveName);
}

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize)
    : m_pFile(pFile), m_nMode(nMode), m_buffer(static_cast<std::size_t>(std::max(nBufSize, 128))) {}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
    if (!IsLoading())
        AfxThrowArchiveException(CArchiveException::writeOnly);
    auto* pOut = static_cast<BYTE*>(lpBuf);
    UINT nDone = 0;
    while (nDone < nMax) {
        if (m_nBufferPos == m_nBufferEnd) {
            // Large reads go straight to the file once the buffer is drained.
            if (nMax - nDone >= m_buffer.size())
                return nDone + m_pFile->Read(pOut + nDone, nMax - nDone);
            FillBuffer();
            if (m_nBufferEnd == 0)
                break;
        }
        const auto n =
            static_cast<UINT>(std::min<std::size_t>(m_nBufferEnd - m_nBufferPos, nMax - nDone));
        std::memcpy(pOut + nDone, m_buffer.data() + m_nBufferPos, n);
        m_nBufferPos += n;
        nDone += n;
    }
    return nDone;
}

void CArchive::FillBuffer() {
    m_nBufferPos = 0;
    m_nBufferEnd = m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
}

void CArchive::ReadExactly(void* lpBuf, UINT nCount) {
    if (Read(lpBuf, nCount) != nCount)
        AfxThrowArchiveException(CArchiveException::endOfFile, m_pFile->GetFilePath());
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
    if (!IsStoring())
        AfxThrowArchiveException(CArchiveException::readOnly);
    const auto* pIn = static_cast<const BYTE*>(lpBuf);
    if (m_nBufferPos + nMax > m_buffer.size()) {
        Flush();
        if (nMax >= m_buffer.size()) {
            m_pFile->Write(pIn, nMax);
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_nBufferPos, pIn, nMax);
    m_nBufferPos += nMax;
}

void CArchive::Flush() {
    if (IsStoring() && m_nBufferPos > 0) {
        const auto n = static_cast<UINT>(m_nBufferPos);
        m_nBufferPos = 0;
        m_pFile->Write(m_buffer.data(), n);
    }
}

void CArchive::Close() {
    if (m_pFile == nullptr)
        return;
    Flush();
    m_pFile = nullptr;
}

void CArchive::Abort() {
    m_nBufferPos = m_nBufferEnd = 0;
    m_pFile = nullptr;
}

CArchive& CArchive::operator>>(LONG& l) {
    DWORD dw = 0;
    Get(dw);
    l = static_cast<LONG>(dw);
    return *this;
}

CArchive& CArchive::operator<<(const CString& s) {
    const auto nLength = static_cast<DWORD>(s.GetLength());
    if (nLength < kWordLength) {
        Put(static_cast<BYTE>(nLength));
    } else if (nLength < kUnicodeMarker) {
        Put(kWordLength);
        Put(static_cast<WORD>(nLength));
    } else {
        Put(kWordLength);
        Put(kDWordLength);
        Put(nLength);
    }
    Write(static_cast<LPCTSTR>(s), nLength);
    return *this;
}

CArchive& CArchive::operator>>(CString& s) {
    BYTE byLength = 0;
    Get(byLength);
    DWORD nLength = byLength;
    if (byLength == kWordLength) {
        WORD wLength = 0;
        Get(wLength);
        nLength = wLength;
        if (wLength == kUnicodeMarker)  // a wide-character string: not this program's
            AfxThrowArchiveException(CArchiveException::badSchema, m_pFile->GetFilePath());
        if (wLength == kDWordLength)
            Get(nLength);
    }
    // Read in pieces, so a hostile length cannot reserve more than the file holds.
    std::string sText;
    char chunk[4096];
    while (nLength > 0) {
        const UINT n = std::min<DWORD>(nLength, sizeof chunk);
        ReadExactly(chunk, n);
        sText.append(chunk, n);
        nLength -= n;
    }
    s = CString(std::move(sText));
    return *this;
}

void CArchive::WriteTag(DWORD nIndex, DWORD nFlag) {
    if (nIndex < kBigObjectTag) {
        Put(static_cast<WORD>(nIndex | (nFlag != 0 ? kClassTag : 0)));
    } else {
        Put(kBigObjectTag);
        Put(nIndex | nFlag);
    }
}

void CArchive::WriteClass(const CRuntimeClass* pClass) {
    const auto it = m_storeMap.find(pClass);
    if (it != m_storeMap.end()) {
        WriteTag(it->second, kBigClassTag);
        return;
    }
    Put(kNewClassTag);
    Put(static_cast<WORD>(pClass->m_wSchema));
    const auto nLength = static_cast<WORD>(std::strlen(pClass->m_lpszClassName));
    Put(nLength);
    Write(pClass->m_lpszClassName, nLength);
    m_storeMap[pClass] = static_cast<DWORD>(m_storeMap.size() + 1);
}

void CArchive::WriteObject(const CObject* pOb) {
    if (pOb == nullptr) {
        Put(kNullTag);
        return;
    }
    const auto it = m_storeMap.find(pOb);
    if (it != m_storeMap.end()) {
        WriteTag(it->second, 0);
        return;
    }
    WriteClass(pOb->GetRuntimeClass());
    m_storeMap[pOb] = static_cast<DWORD>(m_storeMap.size() + 1);
    const_cast<CObject*>(pOb)->Serialize(*this);  // the framework's storing is non-const
}

DWORD CArchive::ReadTag(WORD& rwTag) {
    Get(rwTag);
    if (rwTag != kBigObjectTag)
        return (rwTag & kClassTag) != 0 && rwTag != kNewClassTag
                   ? (rwTag & ~kClassTag) | kBigClassTag
                   : rwTag;
    DWORD nTag = 0;
    Get(nTag);
    return nTag;
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, DWORD& rnObjectTag) {
    const CString sName = m_pFile != nullptr ? m_pFile->GetFilePath() : CString();
    WORD wTag = 0;
    const DWORD nTag = ReadTag(wTag);
    const CRuntimeClass* pClass = nullptr;
    if (wTag == kNewClassTag) {
        WORD wSchema = 0, wLength = 0;
        Get(wSchema);
        Get(wLength);
        std::string sClassName(wLength, '\0');
        ReadExactly(sClassName.data(), wLength);
        pClass = CRuntimeClass::FromName(sClassName.c_str());
        if (pClass == nullptr)
            AfxThrowArchiveException(CArchiveException::badClass, sName);
        if (pClass->m_wSchema != wSchema)
            AfxThrowArchiveException(CArchiveException::badSchema, sName);
        m_loadArray.push_back({pClass, nullptr});
    } else if ((nTag & kBigClassTag) != 0) {
        const DWORD nIndex = nTag & ~kBigClassTag;
        if (nIndex == 0 || nIndex >= m_loadArray.size() || m_loadArray[nIndex].first == nullptr)
            AfxThrowArchiveException(CArchiveException::badIndex, sName);
        pClass = m_loadArray[nIndex].first;
    } else {
        rnObjectTag = nTag;
        return nullptr;
    }
    if (pClassRefRequested != nullptr && !pClass->IsDerivedFrom(pClassRefRequested))
        AfxThrowArchiveException(CArchiveException::badClass, sName);
    return const_cast<CRuntimeClass*>(pClass);
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
    const CString sName = m_pFile != nullptr ? m_pFile->GetFilePath() : CString();
    DWORD nObjectTag = 0;
    const CRuntimeClass* pClass = ReadClass(pClassRefRequested, nObjectTag);
    if (pClass == nullptr) {
        if (nObjectTag == kNullTag)
            return nullptr;
        if (nObjectTag >= m_loadArray.size() || m_loadArray[nObjectTag].second == nullptr)
            AfxThrowArchiveException(CArchiveException::badIndex, sName);
        CObject* pOb = m_loadArray[nObjectTag].second;
        if (pClassRefRequested != nullptr && !pOb->IsKindOf(pClassRefRequested))
            AfxThrowArchiveException(CArchiveException::badClass, sName);
        return pOb;
    }
    CObject* pOb = pClass->CreateObject();
    if (pOb == nullptr)
        AfxThrowArchiveException(CArchiveException::badClass, sName);
    m_loadArray.push_back({nullptr, pOb});
    try {
        pOb->Serialize(*this);
    } catch (...) {
        m_loadArray.back().second = nullptr;
        delete pOb;
        throw;
    }
    return pOb;
}
