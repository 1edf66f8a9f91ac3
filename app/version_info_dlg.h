// CVersionInfoDlg: the version dialog's one command, opening the author's home page.
#pragma once

#include "app/dialog_window.h"

class CVersionInfoDlg {
public:
    explicit CVersionInfoDlg(CVersionInfoWindow& window) : m_window(window) {}

    // Opens the home page in the user's browser; tells the user when the shell cannot.
    void OnHomePage();

private:
    CVersionInfoWindow& m_window;
};
