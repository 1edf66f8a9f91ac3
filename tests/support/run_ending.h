// How a coder's run ended, for tests: normally, or with the code and text of the exception that
// ended it. For suites that link the codec layer; the support library itself does not.
#pragma once

#include <string>

#include "libjpeg/jpeg_exception.h"

struct RunEnding {
    int nCode = 0;  // 0: the run returned
    std::string sMessage;
};

// Runs run(); a COXJPEGException it throws becomes the ending, and is deleted.
template <typename Run>
RunEnding EndingOf(Run run) {
    try {
        run();
    } catch (COXJPEGException* e) {
        RunEnding ending{e->m_nErrorCode, static_cast<LPCTSTR>(e->m_sMessage)};
        e->Delete();
        return ending;
    }
    return {};
}
