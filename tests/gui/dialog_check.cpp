// The window framework's dialogs: an exception a handler lets out is stopped at the window
// procedure and reported in a message box, and the dialog goes on; F1 and the help command reach
// the application's help handler. Windows program, run under a virtual display by
// run_gui_tests.sh.
#include "platform/win32.h"

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/window_win32.h"
#include "tests/gui/driver_support.h"

namespace {

using driver::Check;
using driver::TextOf;
using driver::Utf8;

constexpr int kEditId = 1000;
constexpr UINT_PTR kStepTimer = 1;

class CCheckApp : public CWinApp {
public:
    void OnHelp() override { ++nHelps; }
    int nHelps = 0;
};

// The steps, one a tick, each once no message box is open; a box found is read and closed.
class CCheckDialog : public CDialog {
public:
    CCheckDialog() : CDialog(1) {}
    std::vector<std::string> boxes;

protected:
    BOOL OnInitDialog() override {
        SetTimer(m_hWnd, kStepTimer, 100, nullptr);
        return TRUE;
    }
    BOOL OnCommand(int nID, int nNotifyCode) override {
        switch (nID) {
        case 101:
            throw std::runtime_error("handler failed");
        case 102:
            throw std::bad_alloc();
        case 103:
            AfxThrowFileException(CFileException::diskFull, 28, "out.bmp");
        default:
            return CDialog::OnCommand(nID, nNotifyCode);
        }
    }
    BOOL OnMessage(UINT nMsg, WPARAM, LPARAM, LRESULT* pResult) override {
        if (nMsg != WM_TIMER)
            return FALSE;
        if (!CloseMessageBox())
            Step();
        *pResult = 0;
        return TRUE;
    }

private:
    bool CloseMessageBox() {
        struct Search {
            HWND hDialog, hBox;
        } search{m_hWnd, nullptr};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND h, LPARAM l) {
                auto* p = reinterpret_cast<Search*>(l);
                if (h != p->hDialog && IsWindowVisible(h) && driver::ClassOf(h) == L"#32770")
                    p->hBox = h;
                return p->hBox == nullptr ? TRUE : FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.hBox == nullptr)
            return false;
        HWND hText = driver::FindDescendantIf(search.hBox, [](HWND h) {
            return driver::ClassOf(h) == L"Static" && !TextOf(h).empty();
        });
        boxes.push_back(hText != nullptr ? Utf8(TextOf(hText)) : std::string());
        PostMessageW(search.hBox, WM_COMMAND, IDOK, 0);
        return true;
    }

    void Step() {
        switch (m_nStep++) {
        case 0:
        case 1:
        case 2:
            PostMessageW(m_hWnd, WM_COMMAND, 101 + m_nStep - 1, 0);
            break;
        case 3:  // F1 pressed while the edit has the focus
            SetForegroundWindow(m_hWnd);
            SetFocus(GetDlgItem(kEditId));
            keybd_event(VK_F1, 0x3B, 0, 0);
            keybd_event(VK_F1, 0x3B, KEYEVENTF_KEYUP, 0);
            break;
        case 4:
            PostMessageW(m_hWnd, WM_COMMAND, ID_HELP, 0);
            break;
        default:
            EndDialog(IDOK);
        }
    }

    int m_nStep = 0;
};

}  // namespace

int main() {
    CCheckApp app;
    app.m_strTitle = "dialog check";
    CCheckDialog dialog;
    Check(dialog.DoModal() == IDOK, "the dialog goes on after each exception and ends with OK");
    const std::vector<std::string> expected = {"例外 : handler failed",
                                               "例外 : メモリーが足りません"};
    Check(dialog.boxes.size() == 3, "one message box for each exception");
    for (std::size_t i = 0; i < expected.size() && i < dialog.boxes.size(); ++i)
        Check(dialog.boxes[i] == expected[i], "message box: " + dialog.boxes[i]);
    if (dialog.boxes.size() == 3)
        Check(dialog.boxes[2].rfind("例外 : ", 0) == 0 && dialog.boxes[2].size() > 10,
              "a file exception is reported with its message: " + dialog.boxes[2]);
    Check(app.nHelps == 2, "F1 and the help command each reach the application's help handler (" +
                               std::to_string(app.nHelps) + ")");
    return driver::Summary("DIALOG");
}
