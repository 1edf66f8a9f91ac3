// CString operations.
#include "platform/cstring.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::size_t Clamp(int n, std::size_t nMax) {
    if (n < 0)
        return 0;
    return std::min(static_cast<std::size_t>(n), nMax);
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

CString::CString(LPCTSTR pch, int nLength)
    : m_str(pch != nullptr ? pch : "", pch != nullptr ? Clamp(nLength, std::strlen(pch)) : 0) {}

CString::CString(char ch, int nRepeat) : m_str(Clamp(nRepeat, SIZE_MAX), ch) {}

CString& CString::operator=(LPCTSTR psz) {
    m_str = psz != nullptr ? psz : "";
    return *this;
}

CString& CString::operator+=(const CString& s) {
    m_str += s.m_str;
    return *this;
}

CString& CString::operator+=(LPCTSTR psz) {
    if (psz != nullptr)
        m_str += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

int CString::Compare(LPCTSTR psz) const { return std::strcmp(m_str.c_str(), psz ? psz : ""); }

int CString::CompareNoCase(LPCTSTR psz) const {
    const char* a = m_str.c_str();
    const char* b = psz != nullptr ? psz : "";
    for (;; ++a, ++b) {
        const auto ca = static_cast<unsigned char>(AsciiLower(*a));
        const auto cb = static_cast<unsigned char>(AsciiLower(*b));
        if (ca != cb || ca == 0)
            return ca < cb ? -1 : (ca > cb ? 1 : 0);
    }
}

CString CString::Left(int nCount) const {
    return CString(m_str.substr(0, Clamp(nCount, m_str.size())));
}

CString CString::Right(int nCount) const {
    const std::size_t n = Clamp(nCount, m_str.size());
    return CString(m_str.substr(m_str.size() - n));
}

CString CString::Mid(int nFirst) const {
    return CString(m_str.substr(Clamp(nFirst, m_str.size())));
}

CString CString::Mid(int nFirst, int nCount) const {
    const std::size_t nStart = Clamp(nFirst, m_str.size());
    return CString(m_str.substr(nStart, Clamp(nCount, m_str.size() - nStart)));
}

int CString::Find(char ch, int nStart) const {
    const std::size_t n = m_str.find(ch, Clamp(nStart, m_str.size()));
    return n == std::string::npos ? -1 : static_cast<int>(n);
}

int CString::Find(LPCTSTR pszSub, int nStart) const {
    if (pszSub == nullptr)
        return -1;
    const std::size_t n = m_str.find(pszSub, Clamp(nStart, m_str.size()));
    return n == std::string::npos ? -1 : static_cast<int>(n);
}

int CString::ReverseFind(char ch) const {
    const std::size_t n = m_str.rfind(ch);
    return n == std::string::npos ? -1 : static_cast<int>(n);
}

void CString::MakeUpper() { std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiUpper); }

void CString::MakeLower() { std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiLower); }

void CString::TrimLeft() {
    auto first = std::find_if_not(m_str.begin(), m_str.end(), IsAsciiSpace);
    m_str.erase(m_str.begin(), first);
}

void CString::TrimRight() {
    auto last = std::find_if_not(m_str.rbegin(), m_str.rend(), IsAsciiSpace);
    m_str.erase(last.base(), m_str.end());
}

void CString::Format(LPCTSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list measure;
    va_copy(measure, args);
    const int nLength = std::vsnprintf(nullptr, 0, pszFormat, measure);
    va_end(measure);
    if (nLength < 0) {
        m_str.clear();
    } else {
        std::string result(static_cast<std::size_t>(nLength) + 1, '\0');
        std::vsnprintf(result.data(), result.size(), pszFormat, args);
        result.resize(static_cast<std::size_t>(nLength));
        m_str = std::move(result);
    }
    va_end(args);
}

LPTSTR CString::GetBuffer(int nMinBufLength) {
    const std::size_t nWanted = Clamp(nMinBufLength, SIZE_MAX);
    if (m_str.size() < nWanted)
        m_str.resize(nWanted, '\0');
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0)
        m_str.resize(std::strlen(m_str.c_str()));
    else
        m_str.resize(Clamp(nNewLength, m_str.size()));
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, LPCTSTR b) { return CString(a.str() + (b ? b : "")); }
CString operator+(LPCTSTR a, const CString& b) { return CString((a ? a : "") + b.str()); }
CString operator+(const CString& a, char b) { return CString(a.str() + b); }

BOOL ParseUnsigned(LPCTSTR pszText, UINT& rnValue) {
    CString s(pszText);
    s.TrimLeft();
    s.TrimRight();
    if (s.IsEmpty())
        return FALSE;
    unsigned long long n = 0;
    for (int i = 0; i < s.GetLength(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return FALSE;
        n = n * 10 + static_cast<unsigned>(s[i] - '0');
        if (n > 0xFFFFFFFFULL)
            return FALSE;
    }
    rnValue = static_cast<UINT>(n);
    return TRUE;
}
