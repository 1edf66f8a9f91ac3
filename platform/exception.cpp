// CException and CFileException, with the texts shown for each file error cause.
#include "platform/exception.h"

#include <cerrno>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CFileException, CException)

void CException::Delete() {
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* /*pnHelpContext*/) {
    if (lpszError != nullptr && nMaxError > 0)
        *lpszError = '\0';
    return FALSE;
}

namespace {

// One text per cause; %s is the file name.
LPCTSTR CauseFormat(int cause) {
    switch (cause) {
    case CFileException::none:
        return "ファイル \"%s\" でエラーは発生していません。";
    case CFileException::fileNotFound:
        return "ファイル \"%s\" が見つかりません。";
    case CFileException::badPath:
        return "パス \"%s\" の全部または一部が無効です。";
    case CFileException::tooManyOpenFiles:
        return "開いているファイルが多すぎるため \"%s\" を開けません。";
    case CFileException::accessDenied:
        return "ファイル \"%s\" へのアクセスが拒否されました。";
    case CFileException::invalidFile:
        return "ファイル \"%s\" に無効なハンドルが使われました。";
    case CFileException::removeCurrentDir:
        return "現在のディレクトリ \"%s\" は削除できません。";
    case CFileException::directoryFull:
        return "ディレクトリがいっぱいのため \"%s\" を作成できません。";
    case CFileException::badSeek:
        return "ファイル \"%s\" のシーク中にエラーが発生しました。";
    case CFileException::hardIO:
        return "ファイル \"%s\" のアクセス中にハードウェア I/O エラーが発生しました。";
    case CFileException::sharingViolation:
        return "ファイル \"%s\" は共有違反のためアクセスできません。";
    case CFileException::lockViolation:
        return "ファイル \"%s\" でロック違反が発生しました。";
    case CFileException::diskFull:
        return "ディスクがいっぱいのため \"%s\" に書き込めません。";
    case CFileException::endOfFile:
        return "ファイル \"%s\" の終わりを越えてアクセスしようとしました。";
    default:
        return "ファイル \"%s\" のアクセス中に予期しないエラーが発生しました。";
    }
}

}  // namespace

CFileException::CFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

CString CFileException::GetErrorMessage() const {
    CString sMessage;
    sMessage.Format(CauseFormat(m_cause),
                    m_strFileName.IsEmpty() ? "(名前なし)" : static_cast<LPCTSTR>(m_strFileName));
    return sMessage;
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
    if (pnHelpContext != nullptr)
        *pnHelpContext = 0;
    lstrcpyn(lpszError, GetErrorMessage(), ClampToInt(nMaxError));
    return TRUE;
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName) {
    AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName) {
    throw new CFileException(cause, lOsError, lpszFileName);
}

int CFileException::ErrnoToException(int nErrno) {
    switch (nErrno) {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
#ifdef ELOOP
    case ELOOP:
#endif
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return diskFull;
    case EIO:
        return hardIO;
    case ESPIPE:
        return badSeek;
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return sharingViolation;
    case EDEADLK:
    case ENOLCK:
        return lockViolation;
    default:
        return genericException;
    }
}

void CFileException::ThrowErrno(int nErrno, LPCTSTR lpszFileName) {
    AfxThrowFileException(ErrnoToException(nErrno), nErrno, lpszFileName);
}
