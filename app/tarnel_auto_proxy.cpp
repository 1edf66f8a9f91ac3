// CTarnelDlgAutoProxy's methods and name lookup.
#include "app/tarnel_auto_proxy.h"

#include "platform/cstring.h"

IMPLEMENT_DYNAMIC(CTarnelDlgAutoProxy, CObject)

BOOL CTarnelDlgAutoProxy::GetJpegFileName(LPCTSTR lpszPath) {
    if (m_pDialog->IsBusy())
        return FALSE;
    m_pDialog->m_sJpegFile = lpszPath;
    m_pDialog->UpdateData(FALSE);
    return TRUE;
}

BOOL CTarnelDlgAutoProxy::GetBitmapFileName(LPCTSTR lpszPath) {
    if (m_pDialog->IsBusy())
        return FALSE;
    m_pDialog->m_sBitmapFile = lpszPath;
    m_pDialog->UpdateData(FALSE);
    return TRUE;
}

BOOL CTarnelDlgAutoProxy::Compress() {
    if (m_pDialog->IsBusy())
        return FALSE;
    m_pDialog->OnCompress();
    return TRUE;
}

BOOL CTarnelDlgAutoProxy::UnCompress() {
    if (m_pDialog->IsBusy())
        return FALSE;
    m_pDialog->OnUnCompress();
    return TRUE;
}

namespace {

struct DispatchEntry {
    const char* pszName;
    long nDispId;
    int nArguments;
};

const DispatchEntry kDispatchMap[] = {
    {"GetJpegFileName", DISPID_TARNEL_GET_JPEG_FILE_NAME, 1},
    {"GetBitmapFileName", DISPID_TARNEL_GET_BITMAP_FILE_NAME, 1},
    {"Compress", DISPID_TARNEL_COMPRESS, 0},
    {"UnCompress", DISPID_TARNEL_UNCOMPRESS, 0},
};

}  // namespace

long CTarnelDlgAutoProxy::DispatchIdOf(LPCTSTR lpszName) {
    for (const DispatchEntry& entry : kDispatchMap)
        if (lpszName != nullptr && CString(entry.pszName).CompareNoCase(lpszName) == 0)
            return entry.nDispId;
    return 0;
}

int CTarnelDlgAutoProxy::ArgumentCountOf(long nDispId) {
    for (const DispatchEntry& entry : kDispatchMap)
        if (entry.nDispId == nDispId)
            return entry.nArguments;
    return -1;
}

BOOL IsAutomationSwitch(LPCTSTR lpszWord) {
    if (lpszWord == nullptr || (lpszWord[0] != '/' && lpszWord[0] != '-'))
        return FALSE;
    const CString sSwitch(lpszWord + 1);
    return sSwitch.CompareNoCase("Automation") == 0 || sSwitch.CompareNoCase("Embedding") == 0;
}
