// COXJPEGException.
#include "libjpeg/jpeg_exception.h"

IMPLEMENT_DYNAMIC(COXJPEGException, CException)

COXJPEGException::COXJPEGException(int nErrorCode, LPCSTR pszMessage)
    : CException(TRUE), m_nErrorCode(nErrorCode), m_sMessage(pszMessage) {}

BOOL COXJPEGException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* /*pnHelpContext*/) {
    lstrcpyn(lpszError, m_sMessage, ClampToInt(nMaxError));
    return TRUE;
}
