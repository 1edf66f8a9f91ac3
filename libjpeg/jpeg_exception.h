// COXJPEGException, the one exception that leaves the codec layer, with a ready-made message.
#pragma once

#include "platform/exception.h"

class COXJPEGException : public CException {
    DECLARE_DYNAMIC(COXJPEGException)

public:
    // nErrorCode is libjpeg's message code, or a file exception's cause.
    COXJPEGException(int nErrorCode, LPCSTR pszMessage);

    // Copies the message like lstrcpyn: at most nMaxError - 1 bytes and a NUL. The help
    // context is left alone.
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

    int m_nErrorCode;
    CString m_sMessage;
};
