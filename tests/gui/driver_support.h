// What the two Windows test drivers share: a running tally of checks, UTF-8 <-> UTF-16, and
// waiting for something to happen in another program.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

namespace driver {

inline int g_nChecks = 0;
inline int g_nFailures = 0;

inline void Check(bool bOk, const std::string& sWhat) {
    ++g_nChecks;
    if (!bOk)
        ++g_nFailures;
    std::printf("%s %s\n", bOk ? "ok  " : "FAIL", sWhat.c_str());
    std::fflush(stdout);
}

inline std::string Utf8(const std::wstring& s) {
    if (s.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n) - 1);
    return out;
}

inline std::wstring Wide(const char* psz) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, psz, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, psz, -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n) - 1);
    return out;
}

// A window's text, without hanging on a window that does not answer.
inline std::wstring TextOf(HWND h) {
    wchar_t sz[1024] = {};
    DWORD_PTR nResult = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(sz), SMTO_NORMAL, 5000,
                        &nResult);
    return sz;
}

inline std::wstring ClassOf(HWND h) {
    wchar_t sz[64] = {};
    GetClassNameW(h, sz, 64);
    return sz;
}

// The first window below hTop, at any depth, for which bMatch holds.
inline HWND FindDescendantIf(HWND hTop, const std::function<bool(HWND)>& bMatch) {
    struct Search {
        const std::function<bool(HWND)>* pMatch;
        HWND hFound;
    } search{&bMatch, nullptr};
    EnumChildWindows(
        hTop,
        [](HWND h, LPARAM l) -> BOOL {
            auto* s = reinterpret_cast<Search*>(l);
            if (!(*s->pMatch)(h))
                return TRUE;
            s->hFound = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

inline HWND FindDescendant(HWND hTop, const std::wstring& sClass) {
    return FindDescendantIf(hTop, [&](HWND h) { return ClassOf(h) == sClass; });
}

// A control of this id at any depth: a file dialog's own controls sit in a child dialog.
inline HWND FindDescendantById(HWND hTop, int nID) {
    return FindDescendantIf(hTop, [nID](HWND h) { return GetDlgCtrlID(h) == nID; });
}

// Polls done until it holds or nMillis pass; whether it held.
inline bool WaitFor(const std::function<bool()>& done, DWORD nMillis = 10000) {
    for (DWORD nWaited = 0; nWaited < nMillis; nWaited += 50) {
        if (done())
            return true;
        Sleep(50);
    }
    return done();
}

// Asks the script outside for a screenshot and waits until it has one.
inline void Screenshot(const std::wstring& sSync, const std::wstring& sName) {
    const std::wstring sRequest = sSync + L"\\" + sName + L".req";
    const std::wstring sDone = sSync + L"\\" + sName + L".done";
    HANDLE h = CreateFileW(sRequest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    Check(WaitFor([&] { return GetFileAttributesW(sDone.c_str()) != INVALID_FILE_ATTRIBUTES; },
                  20000),
          "screenshot " + Utf8(sName));
}

// The summary line the test script requires, and the exit code.
inline int Summary(const char* pszWhat) {
    std::printf("%s SUMMARY: checks=%d failures=%d\n", pszWhat, g_nChecks, g_nFailures);
    return g_nFailures == 0 ? 0 : 1;
}

}  // namespace driver
