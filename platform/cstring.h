// CString: the framework's 8-bit string, holding UTF-8 text.
#pragma once

#include <string>

#include "platform/types.h"

class CString {
public:
    CString() = default;
    CString(LPCTSTR psz)
        : m_str(psz != nullptr ? psz : "") {}  // NOLINT: implicit like the framework's
    CString(LPCTSTR pch, int nLength);
    CString(char ch, int nRepeat = 1);
    explicit CString(std::string str) : m_str(std::move(str)) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator LPCTSTR() const { return m_str.c_str(); }  // NOLINT: implicit like the framework's
    const std::string& str() const { return m_str; }

    char GetAt(int nIndex) const { return m_str.at(static_cast<std::size_t>(nIndex)); }
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch) { m_str.at(static_cast<std::size_t>(nIndex)) = ch; }

    CString& operator=(LPCTSTR psz);
    CString& operator+=(const CString& s);
    CString& operator+=(LPCTSTR psz);
    CString& operator+=(char ch);

    int Compare(LPCTSTR psz) const;
    int CompareNoCase(LPCTSTR psz) const;  // ASCII letters only

    // Substrings; positions and counts are clamped to the string as the framework does.
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    // Byte index of the first (last) occurrence, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(LPCTSTR pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    void MakeUpper();  // ASCII letters only; other bytes, UTF-8 included, stay
    void MakeLower();
    void TrimLeft();
    void TrimRight();

    // printf-style formatting of the whole string.
    void Format(LPCTSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));

    // Direct access for C APIs: a writable buffer of at least nMinBufLength bytes plus a NUL;
    // ReleaseBuffer(-1) takes the length up to the first NUL.
    LPTSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCTSTR b);
CString operator+(LPCTSTR a, const CString& b);
CString operator+(const CString& a, char b);

inline bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
inline bool operator==(const CString& a, LPCTSTR b) { return a.Compare(b) == 0; }
inline bool operator==(LPCTSTR a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, LPCTSTR b) { return !(a == b); }
inline bool operator!=(LPCTSTR a, const CString& b) { return !(a == b); }
inline bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }

// The framework's reading of an unsigned field: a decimal number that fits 32 bits, spaces
// around it allowed. FALSE for anything else, an empty text included; rnValue is then unchanged.
BOOL ParseUnsigned(LPCTSTR pszText, UINT& rnValue);
