// The system's strings, listings and file times for the path classes.
#include "filespec/system_win32.h"

#include <limits>

namespace filespec_system {

namespace {

FaultInjector& Injector() {
    static FaultInjector injector;
    return injector;
}

// FILETIME counts 100 ns from 1601; the difference to 1970 in those units.
const std::int64_t kUnixEpochInFileTime = 116444736000000000LL;
const std::int64_t kFileTimePerSecond = 10000000LL;

}  // namespace

CString CurrentDirectory() {
    return ReadSystemString([](LPWSTR p, DWORD n) { return GetCurrentDirectoryW(n, p); });
}

CString TempDirectory() {
    return ReadSystemString([](LPWSTR p, DWORD n) { return GetTempPathW(n, p); });
}

CString ProgramDirectory() {
    // GetModuleFileName truncates instead of telling the size it needs.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD nLength =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (nLength == 0)
            return CString();
        if (nLength < buffer.size()) {
            buffer.resize(nLength);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::size_t nSeparator = buffer.find_last_of(L"\\/");
    buffer.resize(nSeparator == std::wstring::npos ? 0 : nSeparator);
    return WideToUtf8(buffer.c_str());
}

CString EnvironmentVariable(LPCTSTR pszName) {
    const std::wstring sName = Wide(pszName);
    return ReadSystemString(
        [&sName](LPWSTR p, DWORD n) { return GetEnvironmentVariableW(sName.c_str(), p, n); });
}

bool IsDotName(const wchar_t* pszName) { return pszName[0] == L'.'; }

bool IsDirectory(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::int64_t SecondsFromFileTime(const FILETIME& fileTime) {
    const std::int64_t nTicks = static_cast<std::int64_t>(
        (static_cast<ULONGLONG>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime);
    return (nTicks - kUnixEpochInFileTime) / kFileTimePerSecond;
}

FILETIME FileTimeFromSeconds(std::int64_t nSeconds) {
    const ULONGLONG nTicks =
        static_cast<ULONGLONG>(nSeconds * kFileTimePerSecond + kUnixEpochInFileTime);
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(nTicks);
    fileTime.dwHighDateTime = static_cast<DWORD>(nTicks >> 32);
    return fileTime;
}

LONG ClampedLength(ULONGLONG nSize) {
    const ULONGLONG nMax = static_cast<ULONGLONG>(std::numeric_limits<LONG>::max());
    return static_cast<LONG>(nSize > nMax ? nMax : nSize);
}

void SetFaultInjector(FaultInjector injector) { Injector() = std::move(injector); }

bool Allowed(FileOperation operation) {
    if (!Injector() || !Injector()(operation))
        return true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

void DispatchPendingMessages(HWND hDialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (hDialog != nullptr && IsDialogMessageW(hDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace filespec_system
