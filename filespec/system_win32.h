// What the file-system halves of the path classes share: UTF-16 at the call, the system's
// strings read at whatever length they have, directory listings and file times.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <functional>
#include <string>

#include "platform/cstring.h"
#include "platform/wide_win32.h"

namespace filespec_system {

inline std::wstring Wide(const CString& s) { return Utf8ToWide(s); }

// A string the system writes into a buffer: fnCall(buffer, size) returns the length written, or
// the size needed (terminator included) when the buffer is too small, or 0 on failure.
template <typename Call>
CString ReadSystemString(Call fnCall) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD nLength = fnCall(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (nLength == 0)
            return CString();
        if (nLength < buffer.size()) {
            buffer.resize(nLength);
            return WideToUtf8(buffer.c_str());
        }
        buffer.resize(static_cast<std::size_t>(nLength) + 1);
    }
}

CString CurrentDirectory();
CString TempDirectory();
// The folder of the running program, without a trailing '\'.
CString ProgramDirectory();
CString EnvironmentVariable(LPCTSTR pszName);

bool IsDotName(const wchar_t* pszName);
bool IsDirectory(const WIN32_FIND_DATAW& data);

// Calls fnVisit(data) for each entry that pszPattern lists until it returns false; false when
// the pattern lists nothing.
template <typename Visit>
bool ForEachEntry(const CString& sPattern, Visit fnVisit) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(Wide(sPattern).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    while (fnVisit(data) && FindNextFileW(hFind, &data)) {
    }
    FindClose(hFind);
    return true;
}

std::int64_t SecondsFromFileTime(const FILETIME& fileTime);
FILETIME FileTimeFromSeconds(std::int64_t nSeconds);
// A length for a 32-bit signed field: larger files read as the largest it holds.
LONG ClampedLength(ULONGLONG nSize);

// The file-system operations of the path classes and the tree copy. Each asks Allowed first,
// so that a test can fail any one of them as the system would.
enum class FileOperation {
    Copy,       // a file's bytes to another
    MoveAside,  // a file about to be replaced, to a name beside it
    MoveBack,   // such a file to its own name again
    CreateFolder,
    Remove,  // a file or a folder
    SetAttributes,
    SetTimes,
    List,  // a folder's entries
};
// Asked before each operation; true fails it. An empty injector lets everything through.
using FaultInjector = std::function<bool(FileOperation)>;
void SetFaultInjector(FaultInjector injector);
// false, with the last error ERROR_ACCESS_DENIED, when the injector fails the operation.
bool Allowed(FileOperation operation);

// Dispatches this thread's pending messages, so windows keep painting and a stop button keeps
// working during a long copy; keyboard messages of hDialog, when given, go through it. A
// WM_QUIT is put back for the loop that waits for it.
void DispatchPendingMessages(HWND hDialog = nullptr);

}  // namespace filespec_system
