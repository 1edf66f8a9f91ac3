// COXPathSpec: a whole path, a COXDirSpec and a COXFileSpec in one object, with file operations.
#pragma once

#include <cstdint>

#include "filespec/dir_spec.h"
#include "filespec/file_spec.h"

// What a search shares with its caller between the find operations: the open search and the
// entry it stands on.
struct FindContext {
    FindContext() = default;
    FindContext(const FindContext&) = delete;
    FindContext& operator=(const FindContext&) = delete;
    // Closes a search still open.
    ~FindContext();

    void* m_hFind = nullptr;  // null once the search is closed
    BOOL m_bFound = FALSE;    // nonzero while there is a current entry
    // The current entry.
    CString m_sName;
    DWORD m_nAttributes = 0;
    std::int64_t m_nLastWriteTime = 0;  // seconds since 1970
    ULONGLONG m_nSize = 0;
};

class COXPathSpec : public COXDirSpec, public COXFileSpec {
    DECLARE_DYNAMIC(COXPathSpec)

public:
    COXPathSpec() = default;
    // An invalid path leaves every part empty.
    explicit COXPathSpec(LPCTSTR pszPath);
    // Copy the directory and the file name (not time, length or attributes).
    COXPathSpec(const COXPathSpec& other);
    COXPathSpec& operator=(const COXPathSpec& other);
    ~COXPathSpec() override = default;

    // Directory and file name joined with one '\' (none after the root); "C:" with a name is
    // rooted: "C:\name".
    CString GetPath() const;
    // Cut as _splitpath cuts; stops at the first part refused, keeping the parts set before it.
    BOOL SetPath(LPCTSTR pszPath);
    void SetPathForced(LPCTSTR pszPath);
    BOOL SetDirectoryAndFile(const COXDirSpec& directory, const COXFileSpec& file);

    BOOL IsEmpty() const { return COXDirSpec::IsEmpty() && COXFileSpec::IsEmpty(); }
    void Empty();

    // == holds when both parts are equal; each ordering must hold for both parts.
    BOOL operator==(const COXPathSpec& other) const;
    BOOL operator!=(const COXPathSpec& other) const { return !(*this == other); }
    BOOL operator<(const COXPathSpec& other) const;
    BOOL operator<=(const COXPathSpec& other) const;
    BOOL operator>(const COXPathSpec& other) const;
    BOOL operator>=(const COXPathSpec& other) const;

    // The directory record followed by the file record.
    void Serialize(CArchive& ar) override;

    // The file system, on Windows (path_spec_win32.cpp).
    BOOL Exists() const;
    BOOL MakeAbsolute();
    // "C:\..\LAST\name" for display.
    CString GetCompactPath() const;
    BOOL GetShortPath(CString& rsShortPath) const;
    // A new empty file of a name the system picks in pszDirectory (the temporary folder when
    // empty); without bKeep the file is removed again and only its name is kept.
    BOOL MakeTempFileName(BOOL bKeep = FALSE, LPCTSTR pszPrefix = "tmp", LPCTSTR pszDirectory = "");
    // A base name no entry has yet, "report_2" and on; FALSE when the counter outgrows 8 places.
    BOOL MakeUnique();
    // Looks in the given directory, the program's, the current one, Windows', the system's and
    // PATH's, in that order.
    BOOL SearchFile(COXFileSpec file, COXDirSpec directory = COXDirSpec());
    // Copies through a temporary file beside the destination, moved over it only once complete.
    BOOL CopyFileTo(COXPathSpec destination) const;
    BOOL RenameTo(COXPathSpec newPath) const;
    // bForce removes a read-only file too.
    BOOL RemoveFile(BOOL bForce = FALSE) const;
    BOOL ReadFileInfo();
    BOOL WriteFileTime() const;
    BOOL WriteFileAttributes() const;
    BOOL WriteFileLength() const;
    // Files (not directories, not names beginning with '.') matching the path, "*.*" without a
    // file name.
    BOOL FindFirstEntry(FindContext& context) const;
    COXFileSpec FindNextEntry(FindContext& context) const;
    BOOL FindFirstSubdirectoryEntry(FindContext& context) const;
    COXDirSpec FindNextSubdirectoryEntry(FindContext& context) const;

    // The 8.3 base name MakeUnique tries for nCounter, from the base name padded to 8
    // characters with '_'; empty when the counter needs more than 8 places.
    static CString UniqueBaseName(const CString& sBaseName, unsigned nCounter);
    // GetCompactPath's form of an absolute path.
    static CString CompactForm(const COXPathSpec& absolutePath);
};
