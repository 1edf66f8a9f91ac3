// Conversions between UTF-8 and UTF-16.
#include "platform/wide_win32.h"

#include "platform/win32.h"

std::wstring Utf8ToWide(LPCTSTR lpszUtf8) {
    if (lpszUtf8 == nullptr || *lpszUtf8 == '\0')
        return std::wstring();
    const int nChars = MultiByteToWideChar(CP_UTF8, 0, lpszUtf8, -1, nullptr, 0);
    if (nChars <= 0)
        return std::wstring();
    std::wstring s(static_cast<std::size_t>(nChars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, lpszUtf8, -1, s.data(), nChars);
    s.resize(static_cast<std::size_t>(nChars) - 1);
    return s;
}

CString WideToUtf8(const wchar_t* pszWide) {
    if (pszWide == nullptr || *pszWide == L'\0')
        return CString();
    const int nBytes = WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return CString();
    std::string s(static_cast<std::size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, s.data(), nBytes, nullptr, nullptr);
    s.resize(static_cast<std::size_t>(nBytes) - 1);
    return CString(std::move(s));
}
