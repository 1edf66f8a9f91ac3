// CTarnelApp and the program's entry point: OLE first, then the automation class registered as
// running (started by a client) or written to the registry (started by a user, with the file
// its command line names), then the conversion dialog as the main window; the program ends when
// the dialog does. /Unregserver removes the registration and ends: exit code 0, or which roots
// kept some of it (1 the machine's classes, 2 the user's).
#include "app/automation_win32.h"
#include "app/resource.h"
#include "app/start_request.h"
#include "app/tarnel_auto_proxy.h"
#include "app/tarnel_dlg_wnd_win32.h"
#include "platform/wide_win32.h"
#include "platform/window_win32.h"

#include <shellapi.h>

namespace {

StartRequest ReadCommandLine() {
    int nArgs = 0;
    LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    std::vector<CString> arguments;
    for (int i = 1; ppArgs != nullptr && i < nArgs; ++i)
        arguments.push_back(WideToUtf8(ppArgs[i]));
    LocalFree(ppArgs);
    return ParseStartRequest(arguments);
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
        const StartRequest request = ReadCommandLine();
        switch (request.kind) {
        case StartRequest::Kind::Unregister:
            m_nExitCode = UnregisterTarnel();
            return FALSE;
        case StartRequest::Kind::Automation:
            AfxOleSetUserCtrl(FALSE);  // a client's program: it ends with its last object
            RegisterTarnelClassFactory();
            break;
        default:
            UpdateTarnelRegistry();
            break;
        }
        CTarnelDlgWnd dlg;
        dlg.SetStartFile(request.sFile);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        // No message loop of our own: the program ends here.
        return FALSE;
    }

    // There is no help file: say where the instructions are instead.
    void OnHelp() override {
        AfxMessageBox(
            "ヘルプ ファイルはありません。使い方は Tarnel のフォルダーにある "
            "README.md をご覧ください。",
            MB_OK | MB_ICONINFORMATION, 0);
    }

    int ExitInstance() override {
        RevokeTarnelClassFactory();
        if (m_bOleInitialised)
            OleUninitialize();
        CWinApp::ExitInstance();
        return m_nExitCode;
    }

private:
    BOOL m_bOleInitialised = FALSE;
    int m_nExitCode = 0;
};

static CTarnelApp theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int) {
    return AfxWinMain(hInstance, lpCmdLine);
}
