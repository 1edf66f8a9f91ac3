// The tree copy's status window on a real display: it shows each step, takes a screenshot while
// a copy runs, stops on its button and shows the roll-back, which leaves the destination empty.
// Usage: copy_status_check WORK_DIR SYNC_DIR
#include "platform/win32.h"

#include <string>

#include "filespec/copy_status_dialog_win32.h"
#include "filespec/copy_tree.h"
#include "tests/gui/driver_support.h"

namespace {

using driver::Check;

// The real window, watched: the second copy step is photographed and then stopped by a click.
class WatchedStatus : public COXCopyStatusDialog {
public:
    explicit WatchedStatus(std::wstring sSync) : m_sSync(std::move(sSync)) {}

    void ShowStep(int nStep, LPCTSTR pszFirst, LPCTSTR pszSecond) override {
        COXCopyStatusDialog::ShowStep(nStep, pszFirst, pszSecond);
        if (nStep == stepRemove) {
            m_bSawRemoval =
                m_bSawRemoval || driver::TextOf(GetDlgItem(IDC_FIRST_LABEL)) == L"削除中:";
            return;
        }
        if (++m_nCopies != 2)
            return;
        Check(driver::TextOf(m_hWnd) == L"コピーの状況", "the status window's title");
        Check(driver::TextOf(GetDlgItem(IDC_FIRST_LABEL)) == L"コピー元:", "the source label");
        Check(driver::TextOf(GetDlgItem(IDC_SECOND_LABEL)) == L"コピー先:",
              "the destination label");
        const std::wstring sFirst = driver::TextOf(GetDlgItem(IDC_FIRST_PATH));
        const std::wstring sSecond = driver::TextOf(GetDlgItem(IDC_SECOND_PATH));
        Check(sFirst == driver::Wide(pszFirst) && sSecond == driver::Wide(pszSecond),
              "the two paths of the step: " + driver::Utf8(sFirst));
        Check(IsWindowVisible(m_hWnd) != FALSE, "the status window is shown");
        driver::Screenshot(m_sSync, L"copy-status");
        SendMessageW(GetDlgItem(IDCANCEL), BM_CLICK, 0, 0);
    }

    void SetStatusTitle(LPCTSTR pszTitle) override {
        COXCopyStatusDialog::SetStatusTitle(pszTitle);
        Check(driver::TextOf(m_hWnd) == L"Removal Status", "the roll-back's title");
    }

    int m_nCopies = 0;
    bool m_bSawRemoval = false;

private:
    std::wstring m_sSync;
};

void MakeTree(const std::wstring& sSource) {
    CreateDirectoryW(sSource.c_str(), nullptr);
    CreateDirectoryW((sSource + L"\\下位").c_str(), nullptr);
    const wchar_t* const names[] = {L"一.txt", L"二.txt", L"三.txt", L"下位\\四.txt",
                                    L"下位\\五.txt"};
    for (const wchar_t* pszName : names) {
        HANDLE h = CreateFileW((sSource + L"\\" + pszName).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(h, "contents", 8, &n, nullptr);
        CloseHandle(h);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::printf("usage: copy_status_check WORK_DIR SYNC_DIR\n");
        return 2;
    }
    const std::wstring sWork = argv[1];
    const std::wstring sSource = sWork + L"\\コピー元";
    const std::wstring sDestination = sWork + L"\\コピー先";
    MakeTree(sSource);
    CreateDirectoryW(sDestination.c_str(), nullptr);

    WatchedStatus status(argv[2]);
    COXCopyTree copy;
    const BOOL bCopied =
        copy.CopyTree(COXDirSpec(driver::Utf8(sSource).c_str()),
                      COXDirSpec(driver::Utf8(sDestination).c_str()), FALSE, TRUE, &status);
    Check(!bCopied && copy.GetError() == COXCopyTree::errorStopped,
          "the stop button ends the copy with code 14");
    Check(status.m_nCopies == 2, "no file is started after the stop");
    Check(status.m_bSawRemoval, "the roll-back shows what it removes");
    Check(status.m_hWnd == nullptr, "the status window is closed at the end");
    Check(COXDirSpec(driver::Utf8(sDestination).c_str()).HasNoEntries(),
          "the destination is empty again");
    return driver::Summary("STATUS");
}
