// The portable part of CFile, CStdioFile and CReplaceFile: construction, the stream operations,
// error recording and the policy of replacing a file.
#include "platform/file.h"

#include <atomic>
#include <cerrno>

#include "platform/file_os.h"
#include "platform/interrupt.h"

using namespace replace_file_os;

void RecordFileError(CFileException* pError, LONG lOsError, LPCTSTR lpszFileName) {
    if (pError == nullptr)
        return;
    pError->m_lOsError = lOsError;
    pError->m_cause = CFileException::OsErrorToException(lOsError);
    pError->m_strFileName = lpszFileName;
}

int StreamSeekOrigin(UINT nFrom) {
    return nFrom == CFile::end ? SEEK_END : (nFrom == CFile::current ? SEEK_CUR : SEEK_SET);
}

namespace {

// A short hidden name beside the destination, so the final move stays on one volume and a path
// near the system's length limit still has room for it: ".tn" and six base-36 digits, this
// process's own number plus the open's serial, so consecutive opens take consecutive names.
CString TempNameBeside(const CString& sDestination, unsigned nSerial) {
    const std::size_t nSeparator = sDestination.str().find_last_of(kPathSeparators);
    const std::size_t nNameStart = nSeparator == std::string::npos ? 0 : nSeparator + 1;
    constexpr unsigned long long kNames = 36ULL * 36 * 36 * 36 * 36 * 36;
    unsigned long long nName = (ProcessId() * 2654435761ULL + nSerial) % kNames;
    char szName[] = ".tn000000";
    for (int i = 8; i >= 3; --i, nName /= 36)
        szName[i] = "0123456789abcdefghijklmnopqrstuvwxyz"[nName % 36];
    return CString(sDestination.str().substr(0, nNameStart).c_str()) + szName;
}

}  // namespace

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CStdioFile, CFile)
IMPLEMENT_DYNAMIC(CReplaceFile, CStdioFile)

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : CFile() {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile() {
    if (IsOpen() && m_bCloseOnDelete)
        Abort();
}

CStdioFile::CStdioFile() : m_pStream(nullptr) {}

CStdioFile::CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags) : CStdioFile() {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CStdioFile::~CStdioFile() {
    if (m_pStream != nullptr && m_bCloseOnDelete)
        Abort();
}

void CStdioFile::ThrowStreamError() const {
    CFileException::ThrowErrno(errno != 0 ? errno : EIO, m_strFileName);
}

UINT CStdioFile::Read(void* lpBuf, UINT nCount) {
    if (nCount == 0)
        return 0;
    errno = 0;
    const std::size_t nRead = std::fread(lpBuf, 1, nCount, m_pStream);
    if (nRead < nCount && std::ferror(m_pStream)) {
        std::clearerr(m_pStream);
        ThrowStreamError();
    }
    return static_cast<UINT>(nRead);
}

void CStdioFile::Write(const void* lpBuf, UINT nCount) {
    errno = 0;
    if (std::fwrite(lpBuf, 1, nCount, m_pStream) != nCount) {
        std::clearerr(m_pStream);
        ThrowStreamError();
    }
}

BOOL CStdioFile::ReadString(CString& rString) {
    rString.Empty();
    int c = 0;
    errno = 0;
    while ((c = std::fgetc(m_pStream)) != EOF && c != '\n')
        rString += static_cast<char>(c);
    if (c == EOF && std::ferror(m_pStream)) {
        std::clearerr(m_pStream);
        ThrowStreamError();
    }
    if (c == EOF && rString.IsEmpty())
        return FALSE;
    if (rString.GetLength() > 0 && rString[rString.GetLength() - 1] == '\r')
        rString = rString.Left(rString.GetLength() - 1);
    return TRUE;
}

ULONGLONG CStdioFile::GetLength() const {
    // The stream may hold bytes not yet written; the length includes them.
    errno = 0;
    if (IsWriting() && std::fflush(m_pStream) != 0)
        ThrowStreamError();
    return CFile::GetLength();
}

void CStdioFile::Flush() {
    errno = 0;
    if (m_pStream != nullptr && std::fflush(m_pStream) != 0)
        ThrowStreamError();
}

void CStdioFile::Close() {
    if (m_pStream == nullptr)
        return;
    FILE* pStream = m_pStream;
    m_pStream = nullptr;
    m_hFile = hFileNull;
    errno = 0;
    if (std::fclose(pStream) != 0)
        ThrowStreamError();
}

void CStdioFile::Abort() {
    if (m_pStream != nullptr)
        std::fclose(m_pStream);
    m_pStream = nullptr;
    m_hFile = hFileNull;
}

CReplaceFile::CReplaceFile(LPCTSTR lpszFileName, UINT nOpenFlags) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CReplaceFile::~CReplaceFile() {
    if (m_pStream != nullptr)
        Abort();
}

BOOL CReplaceFile::IsReplacement(UINT nOpenFlags) {
    return (nOpenFlags & modeCreate) && !(nOpenFlags & modeNoTruncate) &&
           (nOpenFlags & modeAccessMask) == modeWrite;
}

BOOL CReplaceFile::Open(LPCTSTR lpszFileName, UINT /*nOpenFlags: writing*/,
                        CFileException* pError) {
    if (m_pStream != nullptr)
        Abort();
    Destination destination;
    LONG nError = ReachDestination(lpszFileName, destination);
    if (nError != 0) {
        RecordFileError(pError, nError, lpszFileName);
        return FALSE;
    }
    if (destination.pInPlace != nullptr) {
        // A device or a pipe: written in order where it is, its mode and owner untouched.
        Attach(destination.pInPlace, destination.hInPlace, lpszFileName, CFile::modeWrite);
        return TRUE;
    }
    // Another process may hold a name for a moment; a few more serials find a free one.
    constexpr int kTempNameAttempts = 100;
    static std::atomic<unsigned> s_nSerial{0};  // runs on several threads draw from it at once
    FILE* pStream = nullptr;
    Handle hFile = hFileNull;
    CString sTemp;
    for (int nTry = 0; nTry < kTempNameAttempts; ++nTry) {
        sTemp = TempNameBeside(destination.sReplaced, ++s_nSerial);
        // Known to an interruption before it exists: one that comes as the file is made still
        // finds it.
        m_nInterruptSlot = interrupt_cleanup::Register(sTemp);
        nError = CreateTemp(sTemp, destination.sReplaced, pStream, hFile);
        if (nError != 0)
            ForgetTemp();
        if (!AlreadyExists(nError))
            break;
    }
    if (nError != 0) {
        RecordFileError(pError, nError, lpszFileName);
        return FALSE;
    }
    Attach(pStream, hFile, lpszFileName, CFile::modeWrite);
    m_strTempName = sTemp;
    m_strReplacedName = destination.sReplaced;
    return TRUE;
}

void CReplaceFile::Abort() {
    CStdioFile::Abort();
    RemoveTemp();
}

void CReplaceFile::Close() {
    if (m_pStream == nullptr)
        return;
    try {
        if (!m_strTempName.IsEmpty()) {
            // The content is complete: only now may the file get the replaced one's readers.
            CStdioFile::Flush();
            TakeOverFrom(m_hFile, m_strReplacedName);
        }
        CStdioFile::Close();
    } catch (CFileException*) {
        Abort();
        throw;
    }
    if (m_strTempName.IsEmpty())
        return;  // written in place
    if (const LONG nError = MoveOver(m_strTempName, m_strReplacedName)) {
        RemoveTemp();
        CFileException::ThrowOsError(nError, m_strFileName);
    }
    ForgetTemp();
}

void CReplaceFile::RemoveTemp() {
    if (!m_strTempName.IsEmpty())
        DeleteQuietly(m_strTempName);
    ForgetTemp();
}

void CReplaceFile::ForgetTemp() {
    m_strTempName.Empty();
    interrupt_cleanup::Unregister(m_nInterruptSlot);
    m_nInterruptSlot = -1;
}

BOOL CanOpenForReading(LPCTSTR lpszPath, CFileException* pError) {
    CFile file;
    return file.Open(lpszPath, CFile::modeRead | CFile::shareDenyNone, pError);
}

BOOL CScratchFile::OpenScratch(CFileException* pError) {
    CFile::Handle hFile = hFileNull;
    LONG lOsError = 0;
    FILE* pStream = scratch_file_os::Create(hFile, lOsError);
    if (pStream == nullptr) {
        if (pError != nullptr) {
            pError->m_cause = CFileException::OsErrorToException(lOsError);
            pError->m_lOsError = lOsError;
            pError->m_strFileName = "(scratch)";
        }
        return FALSE;
    }
    Attach(pStream, hFile, "(scratch)", modeReadWrite);
    return TRUE;
}
