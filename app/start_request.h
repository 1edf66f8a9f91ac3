// What a start's command line asks of Tarnel.exe: the automation switches, removing the
// registration, or a file to open, as "Open with" and "Send to" pass it.
#pragma once

#include <vector>

#include "platform/cstring.h"

struct StartRequest {
    enum class Kind {
        User,        // shows the dialog and writes the registration
        Automation,  // started by a client (the automation or embedding switch)
        Unregister,  // removes the registration and ends (/Unregserver)
    };
    Kind kind = Kind::User;
    CString sFile;  // the first word that is no switch: a file to open at a user's start
};

// The arguments after the program's name.
StartRequest ParseStartRequest(const std::vector<CString>& arguments);
