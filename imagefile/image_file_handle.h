// CImageFileHandle, the file behind an image file object: opened by name or borrowed from the
// caller, let go by closing or aborting, with byte transfers that report failures by result.
#pragma once

#include "platform/cstring.h"
#include "platform/file.h"

class CImageFileHandle {
public:
    CImageFileHandle() = default;
    explicit CImageFileHandle(CString sFileName) : m_sFileName(std::move(sFileName)) {}
    // Borrows pFile: the handle never closes or deletes it.
    explicit CImageFileHandle(CFile* pFile) : m_pFile(pFile) {}
    // Aborts a file that is still open: a failed run's new output is discarded.
    ~CImageFileHandle() { Abort(); }
    CImageFileHandle(const CImageFileHandle&) = delete;
    CImageFileHandle& operator=(const CImageFileHandle&) = delete;

    // Opens the named file in binary mode unless a file is already there. New output that
    // creates its file goes to a temporary file beside the destination, which only Close puts
    // in place. Throws CFileException*; an empty name is a bad path.
    void Open(UINT nOpenFlags);
    // Close completes an owned file and may throw CFileException*; Abort never throws and
    // discards new output. Either forgets a borrowed file when detaching on close, and never
    // closes it.
    void Close() { Release(TRUE); }
    void Abort() { Release(FALSE); }

    // Transfers that absorb file exceptions: 0 bytes read, FALSE written. No file is a failure.
    UINT Read(void* pBuffer, UINT nCount);
    BOOL Write(const void* pBuffer, UINT nCount);

    // Positioning, for files that allow it: FALSE for one that does not (a pipe, a device) and
    // for a failure.
    BOOL GetPosition(ULONGLONG& rnPosition) const;
    BOOL GetLength(ULONGLONG& rnLength) const;
    BOOL Seek(ULONGLONG nPosition);

    CFile* GetFile() const { return m_pFile; }
    CString GetFileName() const { return m_sFileName; }
    void SetDetachOnClose(BOOL bDetach) { m_bDetachOnClose = bDetach; }

private:
    // An empty name marks a file the caller lent us.
    BOOL IsBorrowed() const { return m_sFileName.IsEmpty(); }
    void Release(BOOL bClose);

    CFile* m_pFile = nullptr;
    CString m_sFileName;
    BOOL m_bDetachOnClose = TRUE;
};
