// CFile and CStdioFile over Win32 handles and the C runtime's streams, with UTF-16 paths, share
// modes, and GetLastError's file error causes.
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/file.h"
#include "platform/file_os.h"
#include "platform/final_path_win32.h"
#include "platform/win32.h"
#include "platform/wide_win32.h"

int CFileException::OsErrorToException(LONG lOsError) {
    switch (lOsError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
        return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
        return badSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
        return hardIO;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

// '<' and '>' are in no Windows file name.
const char* const kStandardInputPath = "<stdin>";
const char* const kStandardOutputPath = "<stdout>";

namespace {

[[noreturn]] void ThrowLastError(const CString& sFileName) {
    CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), sFileName);
}

DWORD ShareMode(UINT nOpenFlags) {
    switch (nOpenFlags & 0x70) {
    case CFile::shareDenyWrite:
        return FILE_SHARE_READ;
    case CFile::shareDenyRead:
        return FILE_SHARE_WRITE;
    case CFile::shareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:  // exclusive, and the compatibility mode that means the same here
        return 0;
    }
}

// A handle of its own on standard input or output when the name stands for one, else
// INVALID_HANDLE_VALUE.
HANDLE StandardHandle(LPCTSTR lpszFileName) {
    DWORD nWhich = 0;
    if (lpszFileName != nullptr && std::strcmp(lpszFileName, kStandardInputPath) == 0)
        nWhich = STD_INPUT_HANDLE;
    else if (lpszFileName != nullptr && std::strcmp(lpszFileName, kStandardOutputPath) == 0)
        nWhich = STD_OUTPUT_HANDLE;
    else
        return INVALID_HANDLE_VALUE;
    HANDLE hDuplicate = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(nWhich), GetCurrentProcess(),
                         &hDuplicate, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return INVALID_HANDLE_VALUE;
    return hDuplicate;
}

// The handle, or INVALID_HANDLE_VALUE with the reason in *pError.
HANDLE OpenHandle(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (HANDLE hStandard = StandardHandle(lpszFileName); hStandard != INVALID_HANDLE_VALUE)
        return hStandard;
    DWORD nAccess = GENERIC_READ;
    if ((nOpenFlags & CFile::modeAccessMask) == CFile::modeWrite)
        nAccess = GENERIC_WRITE;
    else if ((nOpenFlags & CFile::modeAccessMask) == CFile::modeReadWrite)
        nAccess = GENERIC_READ | GENERIC_WRITE;
    DWORD nDisposition = OPEN_EXISTING;
    if (nOpenFlags & CFile::modeCreate)
        nDisposition = (nOpenFlags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, (nOpenFlags & CFile::modeNoInherit) ? FALSE : TRUE};
    HANDLE h = INVALID_HANDLE_VALUE;
    if (lpszFileName != nullptr && *lpszFileName != '\0')
        h = CreateFileW(Utf8ToWide(lpszFileName).c_str(), nAccess, ShareMode(nOpenFlags), &sa,
                        nDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    else
        SetLastError(ERROR_FILE_NOT_FOUND);
    if (h == INVALID_HANDLE_VALUE)
        RecordFileError(pError, static_cast<LONG>(GetLastError()), lpszFileName);
    return h;
}

// A C stream over an open handle; the handle belongs to the stream from then on.
FILE* StreamOverHandle(HANDLE h, UINT nOpenFlags) {
    int nFlags = _O_BINARY;
    const char* pszMode = "rb";
    if ((nOpenFlags & CFile::modeAccessMask) == CFile::modeWrite) {
        nFlags |= _O_WRONLY;
        pszMode = "wb";
    } else if ((nOpenFlags & CFile::modeAccessMask) == CFile::modeReadWrite) {
        nFlags |= _O_RDWR;
        pszMode = "r+b";
    } else {
        nFlags |= _O_RDONLY;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), nFlags);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* pStream = _fdopen(fd, pszMode);
    if (pStream == nullptr)
        _close(fd);
    return pStream;
}

HANDLE AsHandle(CFile::Handle h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (IsOpen())
        Abort();
    HANDLE h = OpenHandle(lpszFileName, nOpenFlags, pError);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    Attach(reinterpret_cast<Handle>(h), lpszFileName);
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    DWORD nRead = 0;
    if (nCount > 0 && !ReadFile(AsHandle(m_hFile), lpBuf, nCount, &nRead, nullptr))
        ThrowLastError(m_strFileName);
    return nRead;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    DWORD nWritten = 0;
    if (nCount == 0)
        return;
    if (!WriteFile(AsHandle(m_hFile), lpBuf, nCount, &nWritten, nullptr))
        ThrowLastError(m_strFileName);
    if (nWritten != nCount)
        AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

ULONGLONG CFile::Seek(std::int64_t lOff, UINT nFrom) {
    LARGE_INTEGER distance;
    distance.QuadPart = lOff;
    LARGE_INTEGER position;
    const DWORD nMethod = nFrom == end ? FILE_END : (nFrom == current ? FILE_CURRENT : FILE_BEGIN);
    if (!SetFilePointerEx(AsHandle(m_hFile), distance, &position, nMethod))
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetPosition() const {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position;
    if (!SetFilePointerEx(AsHandle(m_hFile), zero, &position, FILE_CURRENT))
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(m_hFile), &size))
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::Flush() {
    if (IsOpen() && !FlushFileBuffers(AsHandle(m_hFile)))
        ThrowLastError(m_strFileName);
}

void CFile::Close() {
    if (!IsOpen())
        return;
    HANDLE h = AsHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    if (!CloseHandle(h))
        ThrowLastError(m_strFileName);
}

void CFile::Abort() {
    if (IsOpen())
        CloseHandle(AsHandle(m_hFile));
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
}

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (m_pStream != nullptr)
        Abort();
    HANDLE h = OpenHandle(lpszFileName, nOpenFlags, pError);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    FILE* pStream = StreamOverHandle(h, nOpenFlags);
    if (pStream == nullptr) {
        RecordFileError(pError, ERROR_TOO_MANY_OPEN_FILES, lpszFileName);
        return FALSE;
    }
    Attach(pStream, reinterpret_cast<Handle>(h), lpszFileName, nOpenFlags);
    return TRUE;
}

ULONGLONG CStdioFile::Seek(std::int64_t lOff, UINT nFrom) {
    errno = 0;
    if (_fseeki64(m_pStream, lOff, StreamSeekOrigin(nFrom)) != 0)
        CFileException::ThrowErrno(errno, m_strFileName);
    return GetPosition();
}

ULONGLONG CStdioFile::GetPosition() const {
    errno = 0;
    const long long nPos = _ftelli64(m_pStream);
    if (nPos < 0)
        CFileException::ThrowErrno(errno, m_strFileName);
    return static_cast<ULONGLONG>(nPos);
}

const char* const replace_file_os::kPathSeparators = "/\\";

CString FinalPathOf(HANDLE h) {
    std::wstring sTarget(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(h, sTarget.data(), static_cast<DWORD>(sTarget.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sTarget.size())
        return CString();
    sTarget.resize(n);
    if (sTarget.rfind(L"\\\\?\\UNC\\", 0) == 0)
        sTarget = L"\\\\" + sTarget.substr(8);
    else if (sTarget.rfind(L"\\\\?\\", 0) == 0)
        sTarget = sTarget.substr(4);
    return WideToUtf8(sTarget.c_str());
}

unsigned long replace_file_os::ProcessId() { return GetCurrentProcessId(); }

namespace {

// The file a path stands for: a link's target (the link stays), else the path itself.
CString FollowLinks(const CString& sPath) {
    const std::wstring sWide = Utf8ToWide(sPath);
    const DWORD nAttributes = GetFileAttributesW(sWide.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES || !(nAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (nAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return sPath;
    // Opening a link opens its target; the handle then names the target.
    HANDLE h = CreateFileW(sWide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return sPath;
    const CString sTarget = FinalPathOf(h);
    CloseHandle(h);
    return sTarget.IsEmpty() ? sPath : sTarget;
}

// A device or a pipe (NUL, CON, a named pipe) open for writing, or INVALID_HANDLE_VALUE for a
// file on a disk or a name that cannot be opened so.
HANDLE OpenIfNoDiskFile(const std::wstring& sWide) {
    HANDLE h = CreateFileW(sWide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_DISK) {
        CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
    return h;
}

// 0 when the destination is absent or a file we may replace, else the error.
LONG CheckReplaceable(const std::wstring& sWide) {
    const DWORD nAttributes = GetFileAttributesW(sWide.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (nAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    // Moving a file over another needs the right to delete it, which a program that holds it
    // open without sharing deletion denies: found out now, not after the whole conversion.
    HANDLE h =
        CreateFileW(sWide.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD nError = GetLastError();
        return nError == ERROR_FILE_NOT_FOUND ? 0 : static_cast<LONG>(nError);
    }
    CloseHandle(h);
    return 0;
}

}  // namespace

LONG replace_file_os::ReachDestination(LPCTSTR lpszFileName, Destination& rDestination) {
    rDestination = Destination{};
    if (lpszFileName == nullptr || *lpszFileName == '\0')
        return ERROR_FILE_NOT_FOUND;
    HANDLE hDevice = StandardHandle(lpszFileName);
    if (hDevice == INVALID_HANDLE_VALUE)
        hDevice = OpenIfNoDiskFile(Utf8ToWide(lpszFileName));
    if (hDevice != INVALID_HANDLE_VALUE) {
        rDestination.pInPlace = StreamOverHandle(hDevice, CFile::modeWrite);
        if (rDestination.pInPlace == nullptr)
            return ERROR_TOO_MANY_OPEN_FILES;
        rDestination.hInPlace = reinterpret_cast<CFile::Handle>(hDevice);
        return 0;
    }
    rDestination.sReplaced = FollowLinks(lpszFileName);
    return CheckReplaceable(Utf8ToWide(rDestination.sReplaced));
}

namespace {

// A security descriptor that lets in only the user this process runs as and takes nothing from
// its folder: what a temporary file has while it is written, so that no other user reads a
// picture before it has the replaced file's access list.
class COwnerOnlyDescriptor {
public:
    COwnerOnlyDescriptor() {
        HANDLE hToken = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
            return;
        DWORD nNeeded = 0;
        GetTokenInformation(hToken, TokenUser, nullptr, 0, &nNeeded);
        m_user.resize(nNeeded);
        const BOOL bUser = nNeeded != 0 &&
                           GetTokenInformation(hToken, TokenUser, m_user.data(), nNeeded, &nNeeded);
        CloseHandle(hToken);
        if (!bUser)
            return;
        PSID pUser = reinterpret_cast<TOKEN_USER*>(m_user.data())->User.Sid;
        m_acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(pUser));
        auto* pAcl = reinterpret_cast<ACL*>(m_acl.data());
        m_bReady =
            InitializeAcl(pAcl, static_cast<DWORD>(m_acl.size()), ACL_REVISION) &&
            AddAccessAllowedAce(pAcl, ACL_REVISION, GENERIC_ALL, pUser) &&
            InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(&m_descriptor, TRUE, pAcl, FALSE) &&
            SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }
    // Null (the folder's inherited access) when the user could not be found.
    SECURITY_ATTRIBUTES* Attributes() {
        m_attributes = SECURITY_ATTRIBUTES{sizeof m_attributes, &m_descriptor, FALSE};
        return m_bReady ? &m_attributes : nullptr;
    }

private:
    std::vector<BYTE> m_user;
    std::vector<BYTE> m_acl;
    SECURITY_DESCRIPTOR m_descriptor{};
    SECURITY_ATTRIBUTES m_attributes{};
    bool m_bReady = false;
};

// The replaced file's attributes on its successor, where we may set them.
void TakeOverAttributes(const std::wstring& sLikeFile, HANDLE hNew) {
    const DWORD nAttributes = GetFileAttributesW(sLikeFile.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES)
        return;
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO info{};
    if (GetFileInformationByHandleEx(hNew, FileBasicInfo, &info, sizeof info)) {
        info.FileAttributes =
            (nAttributes & kKept) != 0 ? (nAttributes & kKept) : FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(hNew, FileBasicInfo, &info, sizeof info);
    }
}

// The replaced file's access list on its successor; a new file keeps its folder's.
void TakeOverAccess(const std::wstring& sLikeFile, HANDLE hNew) {
    DWORD nNeeded = 0;
    GetFileSecurityW(sLikeFile.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &nNeeded);
    std::vector<BYTE> descriptor(nNeeded);
    if (nNeeded != 0 && GetFileSecurityW(sLikeFile.c_str(), DACL_SECURITY_INFORMATION,
                                         descriptor.data(), nNeeded, &nNeeded)) {
        SetKernelObjectSecurity(hNew, DACL_SECURITY_INFORMATION, descriptor.data());
    }
}

}  // namespace

LONG replace_file_os::CreateTemp(const CString& sPath, const CString& sReplaced, FILE*& rpStream,
                                 CFile::Handle& rhFile) {
    const std::wstring sWide = Utf8ToWide(sPath);
    // Replacing a file, the new one is its owner's alone until it takes the old one's access
    // list; a new file has its folder's from the start, as it will have when complete.
    // (The security functions are loaded on their first call: a new file does without them.)
    std::optional<COwnerOnlyDescriptor> ownerOnly;
    if (GetFileAttributesW(Utf8ToWide(sReplaced).c_str()) != INVALID_FILE_ATTRIBUTES)
        ownerOnly.emplace();
    // Deletion is shared so that an interruption can remove the file while it is open.
    HANDLE h = CreateFileW(sWide.c_str(), GENERIC_WRITE | WRITE_DAC | READ_CONTROL,
                           FILE_SHARE_DELETE, ownerOnly ? ownerOnly->Attributes() : nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return static_cast<LONG>(GetLastError());
    rpStream = StreamOverHandle(h, CFile::modeWrite);
    if (rpStream == nullptr) {
        DeleteQuietly(sPath);
        return ERROR_TOO_MANY_OPEN_FILES;
    }
    rhFile = reinterpret_cast<CFile::Handle>(h);
    return 0;
}

void replace_file_os::TakeOverFrom(CFile::Handle hTemp, const CString& sReplaced) {
    const std::wstring sWide = Utf8ToWide(sReplaced);
    if (GetFileAttributesW(sWide.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;  // a new file: its folder's access list is already its own
    TakeOverAttributes(sWide, AsHandle(hTemp));
    TakeOverAccess(sWide, AsHandle(hTemp));
}

BOOL replace_file_os::AlreadyExists(LONG lOsError) { return lOsError == ERROR_FILE_EXISTS; }

LONG replace_file_os::MoveOver(const CString& sFrom, const CString& sTo) {
    if (MoveFileExW(Utf8ToWide(sFrom).c_str(), Utf8ToWide(sTo).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return static_cast<LONG>(GetLastError());
}

void replace_file_os::DeleteQuietly(const CString& sPath) {
    DeleteFileW(Utf8ToWide(sPath).c_str());
}

FILE* OpenCStream(LPCTSTR lpszPath, LPCTSTR lpszMode) {
    return _wfopen(Utf8ToWide(lpszPath).c_str(), Utf8ToWide(lpszMode).c_str());
}

BOOL IsRegularFile(LPCTSTR lpszPath) {
    const DWORD nAttributes = GetFileAttributesW(Utf8ToWide(lpszPath).c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES &&
           (nAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

CString SystemErrorText(LONG lOsError) {
    wchar_t* pszText = nullptr;
    const DWORD nLength = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(lOsError), 0, reinterpret_cast<LPWSTR>(&pszText), 0, nullptr);
    std::wstring sText(pszText != nullptr ? pszText : L"", nLength);
    LocalFree(pszText);
    while (!sText.empty() &&
           (sText.back() == L'\n' || sText.back() == L'\r' || sText.back() == L'.'))
        sText.pop_back();
    return sText.empty() ? CString("error ") + std::to_string(lOsError).c_str()
                         : WideToUtf8(sText.c_str());
}

FILE* scratch_file_os::Create(CFile::Handle& rhFile, LONG& rlOsError) {
    wchar_t szFolder[MAX_PATH + 1] = {};
    wchar_t szName[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, szFolder) == 0 ||
        GetTempFileNameW(szFolder, L"tn", 0, szName) == 0) {
        rlOsError = static_cast<LONG>(GetLastError());
        return nullptr;
    }
    // The system deletes it when the last handle goes, also when the process is ended.
    HANDLE h = CreateFileW(szName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                           TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        rlOsError = static_cast<LONG>(GetLastError());
        DeleteFileW(szName);
        return nullptr;
    }
    FILE* pStream = StreamOverHandle(h, CFile::modeReadWrite);
    if (pStream == nullptr) {
        rlOsError = ERROR_TOO_MANY_OPEN_FILES;
        return nullptr;
    }
    rhFile = reinterpret_cast<CFile::Handle>(h);
    return pStream;
}
