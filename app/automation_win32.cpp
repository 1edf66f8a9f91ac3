// The automation object's IDispatch, its class factory and its registry entries.
#include "app/automation_win32.h"

#include <oleauto.h>

#include <new>
#include <string>

#include "app/tarnel_auto_proxy.h"
#include "app/tarnel_dlg_wnd_win32.h"
#include "platform/wide_win32.h"
#include "platform/window_win32.h"

const CLSID CLSID_TarnelApplication = {
    0x9dfc3a6d, 0xba2c, 0x43df, {0x82, 0xb0, 0xf0, 0xd9, 0x11, 0x10, 0x4e, 0x3f}};
const IID IID_ITarnel = {
    0x97049593, 0x1a00, 0x482a, {0xb4, 0x21, 0xcb, 0xc2, 0x79, 0xa9, 0x31, 0xcb}};

namespace {

LONG g_nLocks = 0;
BOOL g_bUserCtrl = TRUE;
DWORD g_nFactoryCookie = 0;

// The conversion dialog that automation drives, while it runs.
CTarnelDlg* RunningDialog() {
    auto* pWnd = dynamic_cast<CTarnelDlgWnd*>(AfxGetMainWnd());
    return pWnd != nullptr && pWnd->m_hWnd != nullptr ? &pWnd->Controller() : nullptr;
}

class CTarnelDispatch : public IDispatch {
public:
    explicit CTarnelDispatch(CTarnelDlg* pDialog) : m_proxy(pDialog) { AfxOleLockApp(); }
    virtual ~CTarnelDispatch() { AfxOleUnlockApp(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, IID_ITarnel)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_nRef));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG nRef = InterlockedDecrement(&m_nRef);
        if (nRef == 0)
            delete this;
        return static_cast<ULONG>(nRef);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo == nullptr)
            return E_POINTER;
        *pctinfo = 0;  // no type library
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo != nullptr)
            *ppTInfo = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                                            DISPID* rgDispId) override {
        if (rgszNames == nullptr || rgDispId == nullptr || cNames == 0)
            return E_INVALIDARG;
        // Only the method itself has a name; these methods have no named parameters.
        HRESULT hr = S_OK;
        for (UINT i = 0; i < cNames; ++i) {
            const long nId =
                i == 0 ? CTarnelDlgAutoProxy::DispatchIdOf(WideToUtf8(rgszNames[i])) : 0;
            rgDispId[i] = nId != 0 ? nId : DISPID_UNKNOWN;
            if (nId == 0)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*,
                                     UINT* puArgErr) override {
        try {
            return Call(dispIdMember, riid, wFlags, pDispParams, pVarResult, puArgErr);
        } catch (...) {
            // Nothing a client sends may bring the program down.
            return E_UNEXPECTED;
        }
    }

private:
    HRESULT Call(DISPID nId, REFIID riid, WORD wFlags, DISPPARAMS* pParams, VARIANT* pResult,
                 UINT* puArgErr) {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        const int nArguments = CTarnelDlgAutoProxy::ArgumentCountOf(nId);
        if (nArguments < 0)
            return DISP_E_MEMBERNOTFOUND;
        if (!(wFlags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (pParams == nullptr)
            return E_INVALIDARG;
        if (pParams->cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
        if (static_cast<int>(pParams->cArgs) != nArguments)
            return DISP_E_BADPARAMCOUNT;
        if (pResult != nullptr)
            VariantInit(pResult);
        // The dialog ended while the client still held this object.
        m_proxy.m_pDialog = RunningDialog();
        if (m_proxy.m_pDialog == nullptr)
            return RPC_E_DISCONNECTED;

        // A call that comes while the dialog asks the user something or converts is refused
        // with the framework's "retry later", never dropped silently.
        if (nArguments == 0) {
            const BOOL bDone =
                nId == DISPID_TARNEL_COMPRESS ? m_proxy.Compress() : m_proxy.UnCompress();
            return bDone ? S_OK : RPC_E_SERVERCALL_RETRYLATER;
        }
        VARIANT path;
        VariantInit(&path);
        if (FAILED(VariantChangeType(&path, &pParams->rgvarg[0], 0, VT_BSTR))) {
            if (puArgErr != nullptr)
                *puArgErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        const CString sPath = WideToUtf8(path.bstrVal != nullptr ? path.bstrVal : L"");
        VariantClear(&path);
        const BOOL bDone = nId == DISPID_TARNEL_GET_JPEG_FILE_NAME
                               ? m_proxy.GetJpegFileName(sPath)
                               : m_proxy.GetBitmapFileName(sPath);
        return bDone ? S_OK : RPC_E_SERVERCALL_RETRYLATER;
    }

    LONG m_nRef = 1;
    CTarnelDlgAutoProxy m_proxy;
};

// One static factory; its lifetime is the program's.
class CTarnelClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        CTarnelDlg* pDialog = RunningDialog();
        if (pDialog == nullptr)
            return E_UNEXPECTED;
        auto* pObject = new (std::nothrow) CTarnelDispatch(pDialog);
        if (pObject == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT hr = pObject->QueryInterface(riid, ppv);
        pObject->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override {
        if (fLock)
            AfxOleLockApp();
        else
            AfxOleUnlockApp();
        return S_OK;
    }
};

CTarnelClassFactory g_factory;

std::wstring GuidText(REFGUID guid) {
    wchar_t sz[64] = {};
    StringFromGUID2(guid, sz, 64);
    return sz;
}

// Where the registration lives: the machine's classes, or, for a user who may not write those
// (a standard user on current Windows), the user's own, which COM reads first.
struct ClassesRoot {
    HKEY hRoot;
    const wchar_t* pszPrefix;
};
const ClassesRoot kMachineClasses{HKEY_CLASSES_ROOT, L""};
const ClassesRoot kUserClasses{HKEY_CURRENT_USER, L"Software\\Classes\\"};

// A test makes the machine's classes refuse writes, as they do for a standard user.
bool MachineClassesRefuseWrites() {
    return GetEnvironmentVariableW(L"TARNEL_TEST_READ_ONLY_CLASSES", nullptr, 0) != 0;
}

// The root's keys, read as they are there: HKEY_CLASSES_ROOT itself shows the user's classes
// over the machine's.
HKEY OwnKeysOf(const ClassesRoot& root) {
    return root.hRoot == HKEY_CLASSES_ROOT ? HKEY_LOCAL_MACHINE : root.hRoot;
}

// Sets the default value of root\sKey; FALSE when the system refuses.
bool SetClassesValue(const ClassesRoot& root, const std::wstring& sKey,
                     const std::wstring& sValue) {
    if (root.hRoot == HKEY_CLASSES_ROOT && MachineClassesRefuseWrites())
        return false;
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(root.hRoot, (root.pszPrefix + sKey).c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG nResult =
        RegSetValueExW(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(sValue.c_str()),
                       static_cast<DWORD>((sValue.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);
    return nResult == ERROR_SUCCESS;
}

// What starts this program as the class's server.
std::wstring OwnServerCommand() {
    wchar_t szModule[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szModule, MAX_PATH);
    return L"\"" + std::wstring(szModule) + L"\" /Automation";
}

std::wstring ServerKey() {
    return L"Software\\Classes\\CLSID\\" + GuidText(CLSID_TarnelApplication) + L"\\LocalServer32";
}

// The server command a root's registration names; empty when it has none.
std::wstring RegisteredServer(const ClassesRoot& root) {
    wchar_t szValue[2 * MAX_PATH] = {};
    DWORD nSize = sizeof szValue - sizeof(wchar_t);
    if (RegGetValueW(OwnKeysOf(root), ServerKey().c_str(), nullptr, RRF_RT_REG_SZ, nullptr, szValue,
                     &nSize) != ERROR_SUCCESS)
        return std::wstring();
    return szValue;
}

// Whether two server commands start the same program: paths compare without case.
bool SameServer(const std::wstring& sOne, const std::wstring& sOther) {
    return !sOne.empty() &&
           CompareStringOrdinal(sOne.c_str(), -1, sOther.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The keys the registration consists of, under a root's classes.
std::vector<std::wstring> RegistrationKeys() {
    return {L"Tarnel.Application", L"CLSID\\" + GuidText(CLSID_TarnelApplication),
            L"Interface\\" + GuidText(IID_ITarnel)};
}

// Removes the registration from one root: true when none of it is left there.
bool RemoveRegistration(const ClassesRoot& root) {
    bool bRemoved = true;
    for (const std::wstring& sKey : RegistrationKeys()) {
        const std::wstring sPath = L"Software\\Classes\\" + sKey;
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(OwnKeysOf(root), sPath.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            continue;  // not there
        RegCloseKey(hKey);
        const LONG nResult = root.hRoot == HKEY_CLASSES_ROOT && MachineClassesRefuseWrites()
                                 ? ERROR_ACCESS_DENIED
                                 : RegDeleteTreeW(OwnKeysOf(root), sPath.c_str());
        bRemoved = bRemoved && (nResult == ERROR_SUCCESS || nResult == ERROR_FILE_NOT_FOUND);
    }
    return bRemoved;
}

// The keys of the registration and their default values.
std::vector<std::pair<std::wstring, std::wstring>> RegistrationEntries() {
    const std::wstring sProgId = L"Tarnel.Application";
    const std::wstring sClsid = GuidText(CLSID_TarnelApplication);
    const std::wstring sIid = GuidText(IID_ITarnel);
    const std::wstring sServer = OwnServerCommand();
    const std::wstring sPSDispatch = L"{00020420-0000-0000-C000-000000000046}";
    return {{sProgId, sProgId},
            {sProgId + L"\\CLSID", sClsid},
            {L"CLSID\\" + sClsid, sProgId},
            {L"CLSID\\" + sClsid + L"\\ProgID", sProgId},
            {L"CLSID\\" + sClsid + L"\\LocalServer32", sServer},
            {L"Interface\\" + sIid, L"ITarnel"},
            {L"Interface\\" + sIid + L"\\ProxyStubClsid", sPSDispatch},
            {L"Interface\\" + sIid + L"\\ProxyStubClsid32", sPSDispatch}};
}

bool WriteRegistration(const ClassesRoot& root) {
    bool bWritten = true;
    for (const auto& [sKey, sValue] : RegistrationEntries())
        bWritten = SetClassesValue(root, sKey, sValue) && bWritten;
    return bWritten;
}

}  // namespace

void AfxOleLockApp() { InterlockedIncrement(&g_nLocks); }

void AfxOleUnlockApp() {
    if (InterlockedDecrement(&g_nLocks) != 0 || g_bUserCtrl)
        return;
    if (CWnd* pMain = AfxGetMainWnd(); pMain != nullptr && pMain->m_hWnd != nullptr)
        PostMessageW(pMain->m_hWnd, WM_CLOSE, 0, 0);
}

void AfxOleSetUserCtrl(BOOL bUserCtrl) { g_bUserCtrl = bUserCtrl; }

BOOL RegisterTarnelClassFactory() {
    return SUCCEEDED(CoRegisterClassObject(CLSID_TarnelApplication, &g_factory, CLSCTX_LOCAL_SERVER,
                                           REGCLS_SINGLEUSE, &g_nFactoryCookie));
}

void RevokeTarnelClassFactory() {
    if (g_nFactoryCookie != 0)
        CoRevokeClassObject(g_nFactoryCookie);
    g_nFactoryCookie = 0;
}

void UpdateTarnelRegistry() {
    const std::wstring sOwn = OwnServerCommand();
    if (SameServer(RegisteredServer(kMachineClasses), sOwn)) {
        // The installer's registration names this program: a user's copy of it would only
        // shadow it, and outlive uninstalling.
        WriteRegistration(kMachineClasses);
        if (SameServer(RegisteredServer(kUserClasses), sOwn))
            RemoveRegistration(kUserClasses);
        return;
    }
    if (!WriteRegistration(kMachineClasses))
        WriteRegistration(kUserClasses);
}

int UnregisterTarnel() {
    int nLeft = 0;
    if (!RemoveRegistration(kMachineClasses))
        nLeft |= kMachineRegistrationLeft;
    if (!RemoveRegistration(kUserClasses))
        nLeft |= kUserRegistrationLeft;
    return nLeft;
}
