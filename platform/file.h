// CFile, an unbuffered byte file, and CStdioFile, a buffered one; both raise CFileException.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/cstring.h"
#include "platform/exception.h"
#include "platform/object.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)

public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,  // meaningful to CStdioFile only
        typeBinary = 0x8000,
        modeAccessMask = 0x0003,  // which of modeRead, modeWrite and modeReadWrite
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    // The operating system's file handle (a descriptor here, a HANDLE on Windows).
    using Handle = std::intptr_t;
    static constexpr Handle hFileNull = -1;

    CFile();
    // Opens at once; a failure throws CFileException*.
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    // A file that is still open is closed quietly; errors are lost, so callers that care Close().
    ~CFile() override;

    // FALSE on failure, with the reason in *pError when given.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

    // Read returns fewer bytes than asked only at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG Seek(std::int64_t lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual void Flush();

    // Close reports failures (a late write error, say) by throwing; Abort never throws.
    virtual void Close();
    virtual void Abort();

    BOOL IsOpen() const { return m_hFile != hFileNull; }
    CString GetFilePath() const { return m_strFileName; }

    Handle m_hFile;

protected:
    // Records a successful open.
    void Attach(Handle hFile, LPCTSTR lpszFileName) {
        m_hFile = hFile;
        m_bCloseOnDelete = TRUE;
        m_strFileName = lpszFileName;
    }

    BOOL m_bCloseOnDelete;
    CString m_strFileName;
};

// A file read and written through the C library's buffered streams: many small transfers cost
// one system call per buffer. Files are always binary on this platform.
class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)

public:
    CStdioFile();
    CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    ~CStdioFile() override;

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(std::int64_t lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override;
    ULONGLONG GetLength() const override;
    void Flush() override;
    void Close() override;
    void Abort() override;

    // One line without its line feed; FALSE at the end of the file.
    BOOL ReadString(CString& rString);

    FILE* m_pStream;

protected:
    // Records a successful open of a stream.
    void Attach(FILE* pStream, Handle hFile, LPCTSTR lpszFileName, UINT nOpenFlags) {
        m_pStream = pStream;
        CFile::Attach(hFile, lpszFileName);
        m_nOpenFlags = nOpenFlags;
    }

    // Whether bytes may wait in the stream's buffer for the file (flushing a reading stream
    // would throw away what it has read ahead on some C libraries).
    BOOL IsWriting() const { return (m_nOpenFlags & modeAccessMask) != modeRead; }
    UINT m_nOpenFlags = 0;

private:
    [[noreturn]] void ThrowStreamError() const;
};

// A new file written beside its destination under a temporary name and moved over the
// destination only by a successful Close. Abort, a failed Close, or destruction while still open
// remove the temporary file, so an existing destination is never left half written; so does an
// interruption while a CRemoveTemporariesOnInterrupt exists. The temporary file is private to its
// owner until its content is complete; then it takes the replaced file's permissions (and owner,
// group or attributes where the system lets us set them). A destination that exists and is no
// regular file (a device, a pipe) is written in place. The destination is reached through the
// system, whose rules on links apply: a link's target is replaced, not the link, and a link
// another user planted in a folder everyone may write to is refused.
class CReplaceFile : public CStdioFile {
    DECLARE_DYNAMIC(CReplaceFile)

public:
    CReplaceFile() = default;
    // nOpenFlags must ask for writing; the destination's contents are replaced, never truncated.
    CReplaceFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    ~CReplaceFile() override;

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    void Close() override;
    void Abort() override;

    // Whether these open flags describe a file that replaces its destination.
    static BOOL IsReplacement(UINT nOpenFlags);

private:
    void RemoveTemp();
    // No temporary file is ours any more: moved into place, removed, or never made.
    void ForgetTemp();

    CString m_strTempName;
    CString m_strReplacedName;  // the file the temporary one goes over: a link's target
    int m_nInterruptSlot = -1;  // where an interruption finds the temporary file
};

// A file for scratch data, open for reading and writing: in the user's temporary folder, readable
// by its owner only, and gone when it is closed or the process ends, however it ends.
class CScratchFile : public CStdioFile {
public:
    CScratchFile() = default;
    ~CScratchFile() override = default;

    // FALSE with the reason in *pError when the system refuses.
    BOOL OpenScratch(CFileException* pError = nullptr);
};

namespace scratch_file_os {
// The stream and its handle, or null with the system's error in rlOsError.
FILE* Create(CFile::Handle& rhFile, LONG& rlOsError);
}  // namespace scratch_file_os

// fopen for a UTF-8 path: the C library's byte-path fopen cannot name every file on Windows.
FILE* OpenCStream(LPCTSTR lpszPath, LPCTSTR lpszMode);

// The names under which a file object opens the process's standard input and output as they
// are, whatever they are (a pipe, a terminal, a file the shell opened): read from, or written in
// place, never replaced. "/dev/stdin" and "/dev/stdout" on POSIX; names no file can have on
// Windows.
extern const char* const kStandardInputPath;
extern const char* const kStandardOutputPath;

// The system's words for one of its error numbers (errno, or GetLastError on Windows), in the
// system's language.
CString SystemErrorText(LONG lOsError);

// Whether the file can be opened for reading; when not, why, in *pError when given.
BOOL CanOpenForReading(LPCTSTR lpszPath, CFileException* pError = nullptr);

// Whether the path names an existing plain file, which can be read more than once: not a
// folder, a device or a pipe.
BOOL IsRegularFile(LPCTSTR lpszPath);
