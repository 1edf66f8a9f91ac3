// What the Windows test drivers share: a running tally of checks, UTF-8 <-> UTF-16, waiting for
// something to happen in another program, and whether a window's texts fit their controls.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

// The room a control's own drawing takes from its text, in pixels at 100 %: a check box's box and
// gap, a push button's edges, a group box's line on both sides of its title; -1 for a control
// whose text is not drawn on one line as it stands (pictures, owner drawing, shortened paths).
inline int RoomTakenFromText(HWND h) {
    const LONG nStyle = GetWindowLongW(h, GWL_STYLE);
    if (ClassOf(h) == L"Static") {
        const LONG nType = nStyle & SS_TYPEMASK;
        const bool bText = nType == SS_LEFT || nType == SS_CENTER || nType == SS_RIGHT ||
                           nType == SS_LEFTNOWORDWRAP || nType == SS_SIMPLE;
        return bText && (nStyle & SS_ELLIPSISMASK) == 0 ? 0 : -1;
    }
    if (ClassOf(h) != L"Button")
        return -1;
    switch (nStyle & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return 16;
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return 4;
    case BS_GROUPBOX:
        return 16;
    default:
        return -1;
    }
}

// Checks that every control below hTop with a text shows all of it on one line: measured with the
// control's own font in this process (another process cannot select the font), against its
// client rectangle at the window's display scale. Controls whose text the system writes (a
// folder it shortens as it likes) are left out by their ids.
inline void CheckTextsFit(HWND hTop, const std::string& sWindow,
                          const std::vector<int>& systemTexts = {}) {
    std::vector<HWND> controls;
    EnumChildWindows(
        hTop,
        [](HWND h, LPARAM l) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    const int nDpi = static_cast<int>(GetDpiForWindow(hTop));
    for (HWND h : controls) {
        const std::wstring sText = TextOf(h);
        const int nRoom = RoomTakenFromText(h);
        if (sText.empty() || nRoom < 0 ||
            std::find(systemTexts.begin(), systemTexts.end(), GetDlgCtrlID(h)) != systemTexts.end())
            continue;
        HDC hdc = GetDC(h);
        HGDIOBJ hBefore =
            SelectObject(hdc, reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0)));
        RECT text{0, 0, 0, 0};
        DrawTextW(hdc, sText.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(hdc, hBefore);
        ReleaseDC(h, hdc);
        RECT client;
        GetClientRect(h, &client);
        const bool bGroup =
            (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX && ClassOf(h) == L"Button";
        const bool bFits = text.right <= client.right - MulDiv(nRoom, nDpi, 96) &&
                           (bGroup || text.bottom <= client.bottom);
        Check(bFits, sWindow + ": \"" + Utf8(sText) + "\" (" + std::to_string(text.right) + "x" +
                         std::to_string(text.bottom) + ") fits in " + std::to_string(client.right) +
                         "x" + std::to_string(client.bottom));
    }
}

// The summary line the test script requires, and the exit code.
inline int Summary(const char* pszWhat) {
    std::printf("%s SUMMARY: checks=%d failures=%d\n", pszWhat, g_nChecks, g_nFailures);
    return g_nFailures == 0 ? 0 : 1;
}

}  // namespace driver
