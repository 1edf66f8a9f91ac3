// COXDirSpec: the directory part of a path, a drive ("C:" or empty) and a subdirectory below it.
#pragma once

#include "platform/archive.h"
#include "platform/cstring.h"
#include "platform/object.h"

class CopyStatusWindow;

class COXDirSpec : public CObject {
    DECLARE_SERIAL(COXDirSpec)

public:
    COXDirSpec() = default;
    // An invalid directory leaves both parts empty.
    explicit COXDirSpec(LPCTSTR pszDirectory);
    COXDirSpec(const COXDirSpec& other);
    COXDirSpec& operator=(const COXDirSpec& other);

    CString GetDrive() const { return m_sDrive; }
    // The first character must be a letter; "c:\x", "c" and "cat" all give "C:".
    BOOL SetDrive(LPCTSTR pszDrive);
    CString GetSubdirectory() const { return m_sSubdirectory; }
    // Stored upper case; refuses a trailing '\' (except the root "\") and forbidden bytes.
    BOOL SetSubdirectory(LPCTSTR pszSubdirectory);
    // The drive followed directly by the subdirectory.
    CString GetDirectory() const { return m_sDrive + m_sSubdirectory; }
    // Sets the drive before testing the subdirectory: a refused subdirectory keeps the new drive.
    BOOL SetDirectory(LPCTSTR pszDirectory);

    // Never fail: what cannot be kept is dropped.
    void SetDriveForced(LPCTSTR pszDrive);
    void SetSubdirectoryForced(LPCTSTR pszSubdirectory);
    void SetDirectoryForced(LPCTSTR pszDirectory);

    BOOL IsEmpty() const { return GetDirectory().IsEmpty(); }
    void Empty();

    // == and != compare both parts; the orderings compare the joined directories.
    BOOL operator==(const COXDirSpec& other) const;
    BOOL operator!=(const COXDirSpec& other) const { return !(*this == other); }
    BOOL operator<(const COXDirSpec& other) const { return Compare(other) < 0; }
    BOOL operator<=(const COXDirSpec& other) const { return Compare(other) <= 0; }
    BOOL operator>(const COXDirSpec& other) const { return Compare(other) > 0; }
    BOOL operator>=(const COXDirSpec& other) const { return Compare(other) >= 0; }

    // Appends other's relative subdirectory; FALSE for another drive or an absolute one.
    BOOL AppendDirectory(const COXDirSpec& other);
    // Cuts the last component off ("\A" becomes "\"); without a '\' nothing changes.
    void RemoveLastSubdirectory();
    // The same drive with the last component alone as subdirectory.
    COXDirSpec GetLastSubdirectory() const;

    // The drive, then the subdirectory, each as an archived string.
    void Serialize(CArchive& ar) override;

    // The file system, on Windows (dir_spec_win32.cpp, copy_tree_win32.cpp).
    BOOL Exists() const;
    // TRUE when every entry's name begins with '.', and when there is none.
    BOOL HasNoEntries() const;
    BOOL SetToCurrentDirectory();
    BOOL SetToTempDirectory();
    BOOL MakeCurrent() const;
    // GetDriveType's answer for the drive's root; 0 without a drive.
    UINT QueryDriveType() const;
    CString GetVolumeLabel() const;
    CString GetFileSystemName() const;
    // Free bytes on the drive; 0 without a drive or when the system cannot tell.
    ULONGLONG QueryFreeSpace() const;
    BOOL CreateDirectories() const;
    // Deletes the files (not directories, not names beginning with '.'); bForce clears a
    // read-only attribute first, else a read-only file fails the call.
    BOOL RemoveFiles(BOOL bForce = FALSE) const;
    // Removes the directory, its files and, with bRecursive, its subdirectories.
    BOOL Remove(BOOL bRecursive = FALSE, BOOL bForce = FALSE) const;
    // Gives the last component a name that does not exist yet, in the 8.3 style.
    BOOL MakeUnique();
    // The absolute form, cut back to its longest existing ancestor.
    BOOL MakeAbsoluteExisting();
    // Copies this directory (with bOnlyContents its entries alone) into destination.
    BOOL CopyTo(const COXDirSpec& destination, BOOL bOnlyContents = FALSE, BOOL bCleanUp = FALSE,
                CopyStatusWindow* pStatus = nullptr) const;

protected:
    int Compare(const COXDirSpec& other) const {
        return GetDirectory().Compare(other.GetDirectory());
    }

    CString m_sDrive;
    CString m_sSubdirectory;
};

TARNEL_DECLARE_EXTRACTION(COXDirSpec)
