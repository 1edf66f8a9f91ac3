// CFile and CStdioFile over POSIX descriptors and streams, and errno's file error causes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <string>

#include "platform/file.h"
#include "platform/file_os.h"

// POSIX has no mandatory share modes: the share flags are accepted and have no effect.

int CFileException::OsErrorToException(LONG lOsError) { return ErrnoToException(lOsError); }

namespace {

int OpenFlagsToPosix(UINT nOpenFlags) {
    int nFlags = O_CLOEXEC;
    switch (nOpenFlags & CFile::modeAccessMask) {
    case CFile::modeWrite:
        nFlags |= O_WRONLY;
        break;
    case CFile::modeReadWrite:
        nFlags |= O_RDWR;
        break;
    default:
        nFlags |= O_RDONLY;
        break;
    }
    if (nOpenFlags & CFile::modeCreate)
        nFlags |= (nOpenFlags & CFile::modeNoTruncate) ? O_CREAT : (O_CREAT | O_TRUNC);
    return nFlags;
}

// The descriptor, or -1 with the reason in *pError.
int OpenDescriptor(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    int fd = -1;
    if (lpszFileName != nullptr && *lpszFileName != '\0') {
        do {
            fd = ::open(lpszFileName, OpenFlagsToPosix(nOpenFlags), 0666);
        } while (fd < 0 && errno == EINTR);
    } else {
        errno = ENOENT;
    }
    if (fd >= 0) {
        // Opening a directory for reading succeeds on POSIX; as a file it is unusable.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            fd = -1;
            errno = EISDIR;
        }
#ifdef F_SETPIPE_SZ
        // A picture read from a pipe comes in rows: a larger pipe lets the writer run ahead
        // instead of waking the reader for every 64 KiB. Without the room, the pipe stays.
        if (fd >= 0 && S_ISFIFO(st.st_mode))
            ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
#endif
    }
    if (fd < 0)
        RecordFileError(pError, errno, lpszFileName);
    return fd;
}

[[noreturn]] void ThrowLastError(const CString& sFileName) {
    CFileException::ThrowOsError(errno != 0 ? errno : EIO, sFileName);
}

}  // namespace

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (IsOpen())
        Abort();
    const int fd = OpenDescriptor(lpszFileName, nOpenFlags, pError);
    if (fd < 0)
        return FALSE;
    Attach(fd, lpszFileName);
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    auto* pBytes = static_cast<char*>(lpBuf);
    UINT nDone = 0;
    while (nDone < nCount) {
        const ssize_t n = ::read(static_cast<int>(m_hFile), pBytes + nDone, nCount - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowLastError(m_strFileName);
        if (n == 0)
            break;
        nDone += static_cast<UINT>(n);
    }
    return nDone;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    const auto* pBytes = static_cast<const char*>(lpBuf);
    UINT nDone = 0;
    while (nDone < nCount) {
        const ssize_t n = ::write(static_cast<int>(m_hFile), pBytes + nDone, nCount - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            ThrowLastError(m_strFileName);
        }
        nDone += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::Seek(std::int64_t lOff, UINT nFrom) {
    const off_t nPos =
        ::lseek(static_cast<int>(m_hFile), static_cast<off_t>(lOff), StreamSeekOrigin(nFrom));
    if (nPos < 0)
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(nPos);
}

ULONGLONG CFile::GetPosition() const {
    const off_t nPos = ::lseek(static_cast<int>(m_hFile), 0, SEEK_CUR);
    if (nPos < 0)
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(nPos);
}

ULONGLONG CFile::GetLength() const {
    struct stat st {};
    if (::fstat(static_cast<int>(m_hFile), &st) != 0)
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(st.st_size);
}

void CFile::Flush() {
    if (IsOpen() && ::fsync(static_cast<int>(m_hFile)) != 0 && errno != EINVAL)
        ThrowLastError(m_strFileName);
}

void CFile::Close() {
    if (!IsOpen())
        return;
    const int fd = static_cast<int>(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    if (::close(fd) != 0 && errno != EINTR)
        ThrowLastError(m_strFileName);
}

void CFile::Abort() {
    if (IsOpen())
        ::close(static_cast<int>(m_hFile));
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
}

namespace {

const char* StreamMode(UINT nOpenFlags) {
    switch (nOpenFlags & CFile::modeAccessMask) {
    case CFile::modeWrite:
        return "wb";  // fdopen never truncates; the descriptor's flags already did
    case CFile::modeReadWrite:
        return "r+b";
    default:
        return "rb";
    }
}

}  // namespace

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (m_pStream != nullptr)
        Abort();
    const int fd = OpenDescriptor(lpszFileName, nOpenFlags, pError);
    if (fd < 0)
        return FALSE;
    FILE* pStream = ::fdopen(fd, StreamMode(nOpenFlags));
    if (pStream == nullptr) {
        const int nError = errno;
        ::close(fd);
        RecordFileError(pError, nError, lpszFileName);
        return FALSE;
    }
    Attach(pStream, fd, lpszFileName, nOpenFlags);
    return TRUE;
}

ULONGLONG CStdioFile::Seek(std::int64_t lOff, UINT nFrom) {
    if (::fseeko(m_pStream, static_cast<off_t>(lOff), StreamSeekOrigin(nFrom)) != 0)
        ThrowLastError(m_strFileName);
    return GetPosition();
}

ULONGLONG CStdioFile::GetPosition() const {
    const off_t nPos = ::ftello(m_pStream);
    if (nPos < 0)
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(nPos);
}

const char* const replace_file_os::kPathSeparators = "/";

unsigned long replace_file_os::ProcessId() { return static_cast<unsigned long>(::getpid()); }

namespace {

constexpr int kMaxLinks = 40;  // the system's own limit: a loop of links ends too

std::string FolderOf(const std::string& sPath) {
    const std::size_t nSlash = sPath.find_last_of('/');
    if (nSlash == std::string::npos)
        return ".";
    return nSlash == 0 ? "/" : sPath.substr(0, nSlash);
}

// What a link at sPath points to, taken relative to the link's folder; empty when no link.
std::string NextInChain(const std::string& sPath, const struct stat& link) {
    std::string sLink(static_cast<std::size_t>(link.st_size > 0 ? link.st_size : 4096), '\0');
    const ssize_t n = ::readlink(sPath.c_str(), sLink.data(), sLink.size());
    if (n <= 0)
        return {};
    sLink.resize(static_cast<std::size_t>(n));
    if (sLink[0] == '/' || sPath.find('/') == std::string::npos)
        return sLink;
    return sPath.substr(0, sPath.find_last_of('/') + 1) + sLink;
}

// The rule Linux applies to links with fs.protected_symlinks, kept where that is switched off:
// a link in a sticky folder everyone may write to is followed only by its owner or when the
// folder's owner made it, so that another user cannot point our output at a file of ours.
// rsEnd is where the chain of links ends (the path itself when it is no link).
LONG RefusePlantedLinks(const std::string& sPath, std::string& rsEnd) {
    rsEnd = sPath;
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat link {};
        if (::lstat(rsEnd.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return 0;
        struct stat folder {};
        if (::stat(FolderOf(rsEnd).c_str(), &folder) != 0)
            return errno;
        const bool bShared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
        if (bShared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid)
            return EACCES;
        rsEnd = NextInChain(rsEnd, link);
        if (rsEnd.empty())
            return EINVAL;
    }
    return ELOOP;
}

// The path the system reached for an open descriptor, or empty when it cannot say.
std::string PathOfDescriptor(int fd) {
    char szPath[4096];
    const std::string sLink = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(sLink.c_str(), szPath, sizeof szPath);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof szPath) || szPath[0] != '/')
        return {};
    return std::string(szPath, static_cast<std::size_t>(n));
}

// The permission bits a new file gets, read without changing the mask: other threads may be
// creating files meanwhile.
mode_t NewFileMode() {
    std::FILE* pStatus = std::fopen("/proc/self/status", "r");
    unsigned nMask = 022;
    if (pStatus != nullptr) {
        char szLine[256];
        while (std::fgets(szLine, sizeof szLine, pStatus) != nullptr)
            if (std::sscanf(szLine, "Umask: %o", &nMask) == 1)
                break;
        std::fclose(pStatus);
    }
    return static_cast<mode_t>(0666 & ~nMask);
}

}  // namespace

const char* const kStandardInputPath = "/dev/stdin";
const char* const kStandardOutputPath = "/dev/stdout";

namespace {

// The destination is written where it stands through fd, which it owns from then on.
LONG WriteInPlace(int fd, replace_file_os::Destination& rDestination) {
    rDestination.pInPlace = ::fdopen(fd, "wb");
    if (rDestination.pInPlace == nullptr) {
        const int nError = errno;
        ::close(fd);
        return nError;
    }
    rDestination.hInPlace = fd;
    return 0;
}

// Standard output as it is, even a file the shell opened, which is then written where it stands.
LONG WriteStandardOutputInPlace(replace_file_os::Destination& rDestination) {
    const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    return fd < 0 ? errno : WriteInPlace(fd, rDestination);
}

}  // namespace

LONG replace_file_os::ReachDestination(LPCTSTR lpszFileName, Destination& rDestination) {
    rDestination = Destination{};
    if (lpszFileName == nullptr || *lpszFileName == '\0')
        return ENOENT;
    if (std::strcmp(lpszFileName, kStandardOutputPath) == 0)
        return WriteStandardOutputInPlace(rDestination);
    std::string sEnd;
    if (const LONG nError = RefusePlantedLinks(lpszFileName, sEnd))
        return nError;
    // Opened as the user would open it, links followed by the system: its rules on links and
    // the file's permissions apply, and the descriptor says what the path reached.
    int fd = -1;
    do {
        fd = ::open(lpszFileName, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno != ENOENT)
            return errno;
        rDestination.sReplaced = sEnd.c_str();  // a new file, perhaps where a link points
        return 0;
    }
    struct stat reached {};
    if (::fstat(fd, &reached) != 0) {
        const int nError = errno;
        ::close(fd);
        return nError;
    }
    if (!S_ISREG(reached.st_mode))
        return WriteInPlace(fd, rDestination);
    const std::string sReached = PathOfDescriptor(fd);
    ::close(fd);
    struct stat named {};
    // The path the system gives, when it still names the file opened; else the end of the links.
    const bool bSame = !sReached.empty() && ::stat(sReached.c_str(), &named) == 0 &&
                       named.st_dev == reached.st_dev && named.st_ino == reached.st_ino;
    rDestination.sReplaced = (bSame ? sReached : sEnd).c_str();
    return 0;
}

LONG replace_file_os::CreateTemp(const CString& sPath, const CString& /*sReplaced*/,
                                 FILE*& rpStream, CFile::Handle& rhFile) {
    // Its owner's alone whatever it replaces; the final mode is given when it is complete.
    const int fd = ::open(sPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno;
    rpStream = ::fdopen(fd, "wb");
    if (rpStream == nullptr) {
        const int nError = errno;
        ::close(fd);
        DeleteQuietly(sPath);
        return nError;
    }
    rhFile = fd;
    return 0;
}

void replace_file_os::TakeOverFrom(CFile::Handle hTemp, const CString& sReplaced) {
    const int fd = static_cast<int>(hTemp);
    struct stat existing {};
    if (::stat(sReplaced, &existing) != 0) {
        (void)::fchmod(fd, NewFileMode());
        return;
    }
    // Owner and group first: changing them may clear the set-id bits the mode then restores.
    // Only the owner's superuser may give a file away; anyone may keep the group when a member
    // of it.
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
    (void)::fchmod(fd, existing.st_mode & 07777);
}

BOOL replace_file_os::AlreadyExists(LONG lOsError) { return lOsError == EEXIST; }

LONG replace_file_os::MoveOver(const CString& sFrom, const CString& sTo) {
    return ::rename(sFrom, sTo) == 0 ? 0 : errno;
}

void replace_file_os::DeleteQuietly(const CString& sPath) { ::unlink(sPath); }

FILE* OpenCStream(LPCTSTR lpszPath, LPCTSTR lpszMode) { return std::fopen(lpszPath, lpszMode); }

BOOL IsRegularFile(LPCTSTR lpszPath) {
    struct stat st {};
    return ::stat(lpszPath, &st) == 0 && S_ISREG(st.st_mode);
}

CString SystemErrorText(LONG lOsError) { return std::strerror(static_cast<int>(lOsError)); }

FILE* scratch_file_os::Create(CFile::Handle& rhFile, LONG& rlOsError) {
    // Created with 0600 and unlinked at once: nothing is left whatever ends the process.
    FILE* pStream = std::tmpfile();
    if (pStream == nullptr) {
        rlOsError = errno;
        return nullptr;
    }
    rhFile = ::fileno(pStream);
    return pStream;
}
