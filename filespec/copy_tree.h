// COXCopyTree: copies a directory with everything below it, and undoes a copy that failed.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "filespec/copy_status_window.h"
#include "filespec/path_spec.h"

// An ordered list of paths that owns a copy of each.
class PathList {
public:
    // 0, or 2 when memory runs out.
    int Append(LPCTSTR pszPath);
    int GetCount() const { return static_cast<int>(m_paths.size()); }
    const CString& GetAt(int nIndex) const { return m_paths[static_cast<std::size_t>(nIndex)]; }
    void RemoveAll() { m_paths.clear(); }

private:
    std::vector<CString> m_paths;
};

class COXCopyTree : public CObject {
    DECLARE_DYNAMIC(COXCopyTree)

public:
    // The codes m_nError takes.
    enum Error : short {
        errorNone = 0,
        errorNoMemory = 2,
        errorCurrentDirectory = 8,
        errorSourceDirectory = 9,
        errorDestinationDirectory = 10,
        errorCopyFile = 11,
        errorStopped = 14,  // also what a roll-back leaves
    };

    COXCopyTree() = default;
    ~COXCopyTree() override;

    // Copies source into a new directory of its name inside destination, or with bOnlyContents
    // its entries straight into destination, which must exist. With bCleanUp a failed copy
    // leaves the destination as it was. Only one copy runs in a process at a time.
    BOOL CopyTree(COXDirSpec source, COXDirSpec destination, BOOL bOnlyContents = FALSE,
                  BOOL bCleanUp = FALSE, CopyStatusWindow* pStatus = nullptr);
    short GetError() const { return m_nError; }
    // Whether the copy could not take back, give back or clear away everything: what it left
    // stays on the disk, a user's file under its kept name beside its own; GetLeftBehind names it.
    BOOL IsRollBackUnfinished() const { return m_bRollBackUnfinished; }
    const std::vector<CString>& GetLeftBehind() const { return m_leftBehind; }

private:
    // A file the copy replaced, moved aside until the copy is over.
    struct KeptFile {
        CString sDestination;
        CString sKept;
        bool bReplaced;  // a whole copy stands at the destination
    };

    // Each run starts with nothing recorded, whatever an earlier run on this object left.
    void StartAfresh();
    // Sets m_source and m_dest, makes the destination folder and enters the source; FALSE with
    // the code set when the copy cannot start. A source that cannot be read is found before
    // anything is made.
    BOOL PrepareEnds(const COXDirSpec& source, const COXDirSpec& destination, BOOL bOnlyContents);
    // Copies the current source folder's entries into m_dest and leaves the level.
    void CopyLevel(int nLevel);
    // Back to the parents of the folders just copied, on both sides.
    void LeaveLevel();
    // One entry of the current source folder: a file, or a folder with all below it; FALSE stops
    // the level with the code set.
    BOOL CopyEntry(const CString& sName, BOOL bFolder, int nLevel);
    // A subdirectory of the current source folder, and everything below it.
    BOOL CopySubdirectory(const CString& sName, int nLevel);
    BOOL CopyCurrentFile();
    // The destination exists and is the user's: it is moved aside first.
    BOOL ReplaceCurrentFile();
    // Creates dir and each missing ancestor, recording every one it created.
    BOOL CreateRecordingDirectories(const COXDirSpec& directory);
    BOOL RecordPath(PathList& list, const CString& sPath);
    void RollBack();
    // Puts a replaced file's old contents back over whatever stands there; FALSE when it cannot.
    BOOL MoveKeptFileBack(const KeptFile& kept);
    KeptFile* FindKeptFile(const CString& sDestination);
    // The kept files at the end: deleted where a whole copy replaced them and stays, given back
    // where not; one that cannot be given back stays where it is, the only copy of the user's file.
    void SettleKeptFiles(bool bRolledBack);
    void LeaveBehind(const CString& sPath);
    void BeginStatus(CopyStatusWindow* pStatus);
    void EndStatus();

    PathList m_copiedFiles;
    PathList m_createdDirs;
    short m_nError = errorNone;
    COXDirSpec m_source;
    COXDirSpec m_dest;
    COXDirSpec m_current;
    COXPathSpec m_sourceFile;
    COXPathSpec m_destFile;
    CopyStatusWindow* m_pStatus = nullptr;
    void* m_hOldCursor = nullptr;
    std::vector<KeptFile> m_keptFiles;
    // Every destination this run wrote, as the file system compares names (without case): a
    // second source name that differs only in case writes the same file again.
    std::set<std::wstring> m_writtenFiles;
    bool m_bRollBackUnfinished = false;
    std::vector<CString> m_leftBehind;
    bool m_bMainWindowDisabled = false;
};
