// COXCopyStatusDialog: the small modeless window a tree copy shows its steps in, with a stop
// button. Windows only.
#pragma once

#include "filespec/copy_status_window.h"
#include "platform/window_win32.h"

class COXCopyStatusDialog : public CWnd, public CopyStatusWindow {
public:
    // The controls, for those who read the window.
    enum { IDC_FIRST_LABEL = 1001, IDC_FIRST_PATH, IDC_SECOND_LABEL, IDC_SECOND_PATH };

    COXCopyStatusDialog() = default;
    ~COXCopyStatusDialog() override;

    BOOL OpenStatus() override;
    // Handles the window's pending messages first, so a click on the button is seen.
    BOOL IsStopRequested() override;
    void ShowStep(int nStep, LPCTSTR pszFirst, LPCTSTR pszSecond) override;
    void SetStatusTitle(LPCTSTR pszTitle) override;
    void CloseStatus() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    BOOL m_bStopRequested = FALSE;
};
