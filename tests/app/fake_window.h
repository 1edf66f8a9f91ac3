// A window for the dialogs' logic that records every operation and answers from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog_window.h"
#include "platform/winuser.h"

class FakeDlgWindow : public CTarnelDlgWindow {
public:
    // Control state, as the user left it.
    std::map<int, std::string> texts;
    std::map<int, int> checks;
    std::map<int, bool> enabled;
    // Every operation, in order, as text ("msgbox 16 0 <text>", "enable 1020 1", ...).
    std::vector<std::string> log;
    // Scripted answers; message boxes answer IDOK (IDYES for questions) when none is left.
    std::deque<int> messageAnswers;
    std::deque<std::pair<int, std::string>> fileDialogAnswers;
    std::deque<DWORD> ticks;
    std::vector<FileDialogRequest> fileDialogRequests;
    // Runs once, while the next message box is open, as calls from other programs may.
    std::function<void()> whileMessageBoxIsOpen;

    CString GetItemText(int nID) override { return CString(texts[nID].c_str()); }
    void SetItemText(int nID, LPCTSTR lpszText) override {
        texts[nID] = lpszText;
        Log("text " + std::to_string(nID) + " " + lpszText);
    }
    int GetCheck(int nID) override { return checks[nID]; }
    void SetCheck(int nID, int nCheck) override { checks[nID] = nCheck; }
    void EnableItem(int nID, BOOL bEnable) override {
        enabled[nID] = bEnable != FALSE;
        Log("enable " + std::to_string(nID) + " " + std::to_string(bEnable));
    }
    void SetFocusItem(int nID) override { Log("focus " + std::to_string(nID)); }
    int MessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) override {
        Log("msgbox " + std::to_string(nType) + " " + std::to_string(nIDHelp) + " " + lpszText);
        if (whileMessageBoxIsOpen)
            std::exchange(whileMessageBoxIsOpen, nullptr)();
        if (!messageAnswers.empty()) {
            const int nAnswer = messageAnswers.front();
            messageAnswers.pop_front();
            return nAnswer;
        }
        return (nType & MB_YESNO) ? IDYES : IDOK;
    }
    void BeginWaitCursor() override { Log("wait begin"); }
    void EndWaitCursor() override { Log("wait end"); }
    DWORD GetTickCount() override {
        Log("tick");
        if (ticks.empty())
            return 0;
        const DWORD n = ticks.front();
        ticks.pop_front();
        return n;
    }
    int RunFileDialog(const FileDialogRequest& request, CString& rsPath) override {
        fileDialogRequests.push_back(request);
        Log("filedialog");
        if (fileDialogAnswers.empty())
            return IDCANCEL;
        const auto [nResult, sPath] = fileDialogAnswers.front();
        fileDialogAnswers.pop_front();
        rsPath = sPath.c_str();
        return nResult;
    }
    void RunVersionInfo() override { Log("versioninfo"); }

    // Log lines that start with sPrefix.
    std::vector<std::string> Find(const std::string& sPrefix) const {
        std::vector<std::string> lines;
        for (const auto& s : log)
            if (s.rfind(sPrefix, 0) == 0)
                lines.push_back(s);
        return lines;
    }

private:
    void Log(const std::string& s) { log.push_back(s); }
};
