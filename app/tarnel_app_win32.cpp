// CTarnelApp and the program's entry point: the conversion dialog is the main window, and the
// program ends when it does.
#include "app/tarnel_dlg_wnd_win32.h"
#include "platform/window_win32.h"

class CTarnelApp : public CWinApp {
public:
    BOOL InitInstance() override {
        CTarnelDlgWnd dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        // No message loop of our own: the program ends here.
        return FALSE;
    }
};

static CTarnelApp theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int) {
    return AfxWinMain(hInstance, lpCmdLine);
}
