// UTF-8 <-> UTF-16 for the Windows system calls: text is UTF-8 everywhere else.
#pragma once

#include <string>

#include "platform/cstring.h"

std::wstring Utf8ToWide(LPCTSTR lpszUtf8);
CString WideToUtf8(const wchar_t* pszWide);
