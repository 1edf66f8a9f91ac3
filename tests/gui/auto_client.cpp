// A compiled automation client of "Tarnel.Application": registration by a stand-alone start,
// creation by ProgID, names in any case, conversions in both directions, a message box met
// during a call, dispatch errors, one program per object, and the end of an automation-started
// program with its last object. Windows program; run by run_gui_tests.sh under Xvfb and Wine.
// Usage: auto_client TARNEL.EXE WORKDIR
#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "tests/gui/driver_support.h"

using driver::Check;
using driver::Utf8;
using driver::WaitFor;
using driver::Wide;

namespace {

bool FileExists(const std::wstring& sPath) {
    return GetFileAttributesW(sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Process ids of the visible Tarnel main dialogs, and the message boxes they show.
struct TarnelWindows {
    std::set<DWORD> mainDialogs;
    HWND hMessageBox = nullptr;
};

TarnelWindows FindTarnelWindows() {
    TarnelWindows found;
    EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
            auto* f = reinterpret_cast<TarnelWindows*>(l);
            wchar_t szClass[16] = {}, szTitle[64] = {};
            GetClassNameW(h, szClass, 16);
            GetWindowTextW(h, szTitle, 64);
            if (!IsWindowVisible(h) || std::wstring(szClass) != L"#32770" ||
                std::wstring(szTitle) != L"Tarnel")
                return TRUE;
            DWORD nPid = 0;
            GetWindowThreadProcessId(h, &nPid);
            if (GetDlgItem(h, 1012) != nullptr)
                f->mainDialogs.insert(nPid);
            else
                f->hMessageBox = h;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

DISPID IdOf(IDispatch* p, const wchar_t* pszName, HRESULT* phr = nullptr) {
    DISPID nId = DISPID_UNKNOWN;
    LPOLESTR pName = const_cast<LPOLESTR>(pszName);
    const HRESULT hr = p->GetIDsOfNames(IID_NULL, &pName, 1, LOCALE_USER_DEFAULT, &nId);
    if (phr != nullptr)
        *phr = hr;
    return nId;
}

HRESULT Call(IDispatch* p, DISPID nId, VARIANT* pArgs = nullptr, UINT nArgs = 0) {
    DISPPARAMS params{pArgs, nullptr, nArgs, 0};
    VARIANT result;
    VariantInit(&result);
    UINT nArgErr = 0;
    const HRESULT hr = p->Invoke(nId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                 &result, nullptr, &nArgErr);
    VariantClear(&result);
    return hr;
}

HRESULT CallWithPath(IDispatch* p, const wchar_t* pszMethod, const std::wstring& sPath) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(sPath.c_str());
    const HRESULT hr = Call(p, IdOf(p, pszMethod), &arg, 1);
    VariantClear(&arg);
    return hr;
}

IDispatch* CreateTarnel(HRESULT* phr = nullptr) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"Tarnel.Application", &clsid);
    IDispatch* p = nullptr;
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&p));
    if (phr != nullptr)
        *phr = hr;
    return SUCCEEDED(hr) ? p : nullptr;
}

void RegistersByAStandAloneStart(const std::wstring& sExe) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Tarnel.Application");
    CLSID clsid;
    Check(FAILED(CLSIDFromProgID(L"Tarnel.Application", &clsid)),
          "not registered before a stand-alone start");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring sCommand = L"\"" + sExe + L"\"";
    Check(CreateProcessW(sExe.c_str(), sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &si, &pi),
          "stand-alone start");
    Check(WaitFor([&] { return FindTarnelWindows().mainDialogs.count(pi.dwProcessId) == 1; }),
          "its dialog shows");
    Check(SUCCEEDED(CLSIDFromProgID(L"Tarnel.Application", &clsid)),
          "registered by the stand-alone start");
    wchar_t szServer[MAX_PATH * 2] = {};
    LONG nSize = sizeof szServer;
    RegQueryValueW(HKEY_CLASSES_ROOT,
                   L"CLSID\\{9DFC3A6D-BA2C-43DF-82B0-F0D911104E3F}\\LocalServer32", szServer,
                   &nSize);
    Check(std::wstring(szServer).find(L"/Automation") != std::wstring::npos,
          "local server started with /Automation");
    // Started by the user, the program stays open; it ends with its dialog.
    for (HWND h = FindWindowW(L"#32770", L"Tarnel"); h != nullptr; h = nullptr)
        PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
    Check(WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0,
          "stand-alone program ends with its dialog");
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: auto_client TARNEL.EXE WORKDIR\n");
        return 2;
    }
    const std::wstring sExe = Wide(argv[1]), sWork = Wide(argv[2]);
    auto path = [&](const wchar_t* pszName) { return sWork + L"\\" + pszName; };
    CoInitialize(nullptr);

    RegistersByAStandAloneStart(sExe);

    HRESULT hr = S_OK;
    IDispatch* pFirst = CreateTarnel(&hr);
    Check(pFirst != nullptr, "CoCreateInstance(\"Tarnel.Application\")");
    if (pFirst == nullptr) {
        Check(false, "no object to test");
        return driver::Summary("AUTOMATION");
    }
    Check(IdOf(pFirst, L"getjpegfilename") == 1 && IdOf(pFirst, L"GETBITMAPFILENAME") == 2 &&
              IdOf(pFirst, L"Compress") == 3 && IdOf(pFirst, L"unCompress") == 4,
          "dispatch ids 1 to 4, names in any case");
    HRESULT hrName = S_OK;
    IdOf(pFirst, L"Decompress", &hrName);
    Check(hrName == DISP_E_UNKNOWNNAME, "unknown name refused");

    // Both directions through the object.
    Check(CallWithPath(pFirst, L"GetBitmapFileName", path(L"in.bmp")) == S_OK, "GetBitmapFileName");
    Check(CallWithPath(pFirst, L"GetJpegFileName", path(L"auto.jpg")) == S_OK, "GetJpegFileName");
    Check(Call(pFirst, 3) == S_OK && FileExists(path(L"auto.jpg")), "Compress writes the JPEG");
    Check(CallWithPath(pFirst, L"GetBitmapFileName", path(L"auto.bmp")) == S_OK,
          "GetBitmapFileName again");
    Check(Call(pFirst, 4) == S_OK && FileExists(path(L"auto.bmp")), "UnCompress writes the bitmap");

    // Standard dispatch errors; nothing crashes.
    Check(Call(pFirst, 99) == DISP_E_MEMBERNOTFOUND, "unknown dispatch id");
    Check(Call(pFirst, 1) == DISP_E_BADPARAMCOUNT, "missing argument");
    VARIANT two[2];
    VariantInit(&two[0]);
    VariantInit(&two[1]);
    Check(Call(pFirst, 3, two, 2) == DISP_E_BADPARAMCOUNT, "argument too many");
    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_I4;
    array.parray = SafeArrayCreateVector(VT_I4, 0, 2);
    Check(Call(pFirst, 1, &array, 1) == DISP_E_TYPEMISMATCH, "argument of the wrong type");
    VariantClear(&array);

    // A second object is served by a program of its own.
    IDispatch* pSecond = CreateTarnel();
    Check(pSecond != nullptr, "second object created");
    Check(WaitFor([] { return FindTarnelWindows().mainDialogs.size() == 2; }),
          "two programs for two objects");

    // Releasing the last object of an automation-started program ends it.
    pFirst->Release();
    if (pSecond != nullptr)
        pSecond->Release();
    Check(WaitFor([] { return FindTarnelWindows().mainDialogs.empty(); }),
          "programs end with their last objects");

    // A call that meets a message box returns once the box is dismissed.
    HRESULT hrCompress = E_FAIL;
    std::thread client([&] {
        CoInitialize(nullptr);
        if (IDispatch* p = CreateTarnel()) {
            hrCompress = Call(p, 3);
            p->Release();
        }
        CoUninitialize();
    });
    HWND hBox = nullptr;
    Check(WaitFor([&] { return (hBox = FindTarnelWindows().hMessageBox) != nullptr; }),
          "message box during Compress");
    if (hBox != nullptr) {
        wchar_t szText[256] = {};
        GetDlgItemTextW(hBox, 0xFFFF, szText, 256);
        Check(std::wstring(szText) == L"エラー： ***.bmp が存在しません",
              "it names the placeholder ***.bmp");
        PostMessageW(GetDlgItem(hBox, IDOK), BM_CLICK, 0, 0);
    }
    client.join();
    Check(hrCompress == S_OK, "Compress returns normally after the box");
    Check(WaitFor([] { return FindTarnelWindows().mainDialogs.empty(); }), "that program ends too");

    CoUninitialize();
    return driver::Summary("AUTOMATION");
}
