// CTarnelApp and the program's entry point: OLE first, then the automation class registered as
// running (started by a client) or written to the registry (started by a user), then the
// conversion dialog as the main window; the program ends when the dialog does.
#include "app/automation_win32.h"
#include "app/resource.h"
#include "app/tarnel_auto_proxy.h"
#include "app/tarnel_dlg_wnd_win32.h"
#include "platform/wide_win32.h"
#include "platform/window_win32.h"

#include <shellapi.h>

namespace {

BOOL StartedForAutomation() {
    int nArgs = 0;
    LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    BOOL bAutomated = FALSE;
    for (int i = 1; ppArgs != nullptr && i < nArgs; ++i)
        bAutomated = bAutomated || IsAutomationSwitch(WideToUtf8(ppArgs[i]));
    LocalFree(ppArgs);
    return bAutomated;
}

}  // namespace

class CTarnelApp : public CWinApp {
public:
    BOOL InitInstance() override {
        if (FAILED(OleInitialize(nullptr))) {
            AfxMessageBox(IDS_OLE_INIT_FAILED, MB_OK, static_cast<UINT>(-1));
            return FALSE;
        }
        m_bOleInitialised = TRUE;
        if (StartedForAutomation()) {
            AfxOleSetUserCtrl(FALSE);  // a client's program: it ends with its last object
            RegisterTarnelClassFactory();
        } else {
            UpdateTarnelRegistry();
        }
        CTarnelDlgWnd dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        // No message loop of our own: the program ends here.
        return FALSE;
    }

    int ExitInstance() override {
        RevokeTarnelClassFactory();
        if (m_bOleInitialised)
            OleUninitialize();
        return CWinApp::ExitInstance();
    }

private:
    BOOL m_bOleInitialised = FALSE;
};

static CTarnelApp theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int) {
    return AfxWinMain(hInstance, lpCmdLine);
}
