// COXCopyTree over the Windows calls: walks the source tree as the current directory, records
// what it writes, and takes it back when asked to.
#include "platform/win32.h"

#include <atomic>
#include <new>

#include "filespec/copy_tree.h"
#include "filespec/name_text.h"
#include "filespec/system_win32.h"
#include "platform/final_path_win32.h"
#include "platform/window_win32.h"

IMPLEMENT_DYNAMIC(COXCopyTree, CObject)

using filespec_system::Allowed;
using filespec_system::FileOperation;
using filespec_system::Wide;

namespace {

const WORD kWaitCursor = 32514;  // IDC_WAIT

// Set while a tree copy runs anywhere in the process.
std::atomic<bool> g_bCopyRunning{false};

const COXDirSpec& ParentDirectory() {
    static const COXDirSpec parent("..");
    return parent;
}

// The directory as an absolute one: the copy moves the current directory through the source
// tree, which a relative destination would otherwise follow.
COXDirSpec Absolute(const COXDirSpec& directory) {
    COXPathSpec path;
    path.SetDirectoryAndFile(directory, COXFileSpec("x"));
    if (!path.MakeAbsolute())
        return directory;
    return path;
}

// A path as the file system tells names apart: without case.
std::wstring NameKey(const CString& sPath) {
    std::wstring s = Wide(sPath);
    if (!s.empty())
        CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// An absolute folder as the file system finds it: links followed as far as the folder exists,
// the rest as written, without case.
std::wstring FolderKey(const COXDirSpec& directory) {
    const CString sDirectory = directory.GetDirectory();
    std::vector<CString> levels = name_text::PrefixesBeforeSeparators(sDirectory);
    levels.push_back(sDirectory);
    for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
        HANDLE h = CreateFileW(Wide(*level).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        CString sFound = FinalPathOf(h);
        CloseHandle(h);
        if (sFound.IsEmpty())
            break;
        return NameKey(sFound + sDirectory.Mid(level->GetLength()));
    }
    return NameKey(sDirectory);
}

// Whether directory is parent or lies below it: a copy there would copy its own copies on and on.
bool IsWithin(const COXDirSpec& directory, const COXDirSpec& parent) {
    const std::wstring sDirectory = FolderKey(directory);
    std::wstring sParent = FolderKey(parent);
    if (sDirectory == sParent)
        return true;
    if (sParent.empty() || sParent.back() != L'\\')
        sParent += L'\\';
    return sDirectory.compare(0, sParent.size(), sParent) == 0;
}

// Whether the folder is there and its entries can be listed.
bool CanList(const COXDirSpec& directory) {
    CString sPattern = directory.GetDirectory();
    if (sPattern.IsEmpty() || sPattern[sPattern.GetLength() - 1] != '\\')
        sPattern += '\\';
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(Wide(sPattern + "*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND && directory.Exists();
    FindClose(hFind);
    return true;
}

// Clears the process's busy flag when the copy leaves, by whatever return.
class CCopyRunningScope {
public:
    CCopyRunningScope() = default;
    ~CCopyRunningScope() { g_bCopyRunning = false; }
    CCopyRunningScope(const CCopyRunningScope&) = delete;
    CCopyRunningScope& operator=(const CCopyRunningScope&) = delete;
};

BOOL MoveOver(const CString& sFrom, const CString& sTo, FileOperation operation) {
    return Allowed(operation) &&
           MoveFileExW(Wide(sFrom).c_str(), Wide(sTo).c_str(), MOVEFILE_REPLACE_EXISTING);
}

// A file this run wrote, removed even when it took a read-only attribute from its source.
BOOL RemoveOwnFile(const CString& sPath) {
    const std::wstring sWide = Wide(sPath);
    const DWORD nAttributes = GetFileAttributesW(sWide.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    if ((nAttributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        !(Allowed(FileOperation::SetAttributes) &&
          SetFileAttributesW(sWide.c_str(), nAttributes & ~FILE_ATTRIBUTE_READONLY)))
        return FALSE;
    return Allowed(FileOperation::Remove) && DeleteFileW(sWide.c_str());
}

BOOL RemoveOwnFolder(const CString& sPath) {
    return Allowed(FileOperation::Remove) && RemoveDirectoryW(Wide(sPath).c_str());
}

// The next entry of a listing; FALSE at its end, or when it failed (*pbFailed).
BOOL NextEntry(HANDLE hFind, WIN32_FIND_DATAW& data, bool* pbFailed) {
    if (Allowed(FileOperation::List) && FindNextFileW(hFind, &data))
        return TRUE;
    *pbFailed = GetLastError() != ERROR_NO_MORE_FILES;
    return FALSE;
}

}  // namespace

int PathList::Append(LPCTSTR pszPath) {
    try {
        m_paths.emplace_back(pszPath);
    } catch (const std::bad_alloc&) {
        return COXCopyTree::errorNoMemory;
    }
    return 0;
}

COXCopyTree::~COXCopyTree() {
    m_copiedFiles.RemoveAll();
    m_createdDirs.RemoveAll();
}

BOOL COXCopyTree::CopyTree(COXDirSpec source, COXDirSpec destination, BOOL bOnlyContents,
                           BOOL bCleanUp, CopyStatusWindow* pStatus) {
    if (g_bCopyRunning.exchange(true))
        return FALSE;
    const CCopyRunningScope running;
    StartAfresh();
    COXDirSpec remembered;
    const BOOL bRemembered = remembered.SetToCurrentDirectory();
    if (!PrepareEnds(source, destination, bOnlyContents)) {
        if (bRemembered)
            remembered.MakeCurrent();
        return FALSE;
    }
    m_nError = errorNone;
    BeginStatus(pStatus);
    CopyLevel(0);
    if (bRemembered)
        remembered.MakeCurrent();
    const bool bRollBack = bCleanUp && m_nError != errorNone;
    if (bRollBack)
        RollBack();
    SettleKeptFiles(bRollBack);
    EndStatus();
    return m_nError == errorNone;
}

void COXCopyTree::StartAfresh() {
    m_copiedFiles.RemoveAll();
    m_createdDirs.RemoveAll();
    m_keptFiles.clear();
    m_writtenFiles.clear();
    m_leftBehind.clear();
    m_bRollBackUnfinished = false;
    m_nError = errorNone;
}

BOOL COXCopyTree::PrepareEnds(const COXDirSpec& source, const COXDirSpec& destination,
                              BOOL bOnlyContents) {
    // "." and ".." name a folder by where the copy starts; its own name is what is copied.
    m_source = source.IsEmpty() ? source : Absolute(source);
    // A destination the directory class refused is empty: never the current folder by default.
    if (destination.IsEmpty()) {
        m_nError = errorDestinationDirectory;
        return FALSE;
    }
    m_dest = Absolute(destination);
    if (m_source.IsEmpty() || !CanList(m_source)) {
        m_nError = errorSourceDirectory;
        return FALSE;
    }
    if (!bOnlyContents) {
        COXDirSpec last = m_source.GetLastSubdirectory();
        last.SetDrive("");
        if (!m_dest.AppendDirectory(last) || IsWithin(m_dest, m_source) ||
            (!m_dest.Exists() && !CreateRecordingDirectories(m_dest))) {
            if (m_nError == errorNone)
                m_nError = errorDestinationDirectory;
            return FALSE;
        }
    } else if (IsWithin(m_dest, m_source)) {
        m_nError = errorDestinationDirectory;
        return FALSE;
    }
    if (!m_source.MakeCurrent()) {
        m_nError = errorSourceDirectory;
        return FALSE;
    }
    return TRUE;
}

void COXCopyTree::CopyLevel(int nLevel) {
    if (!m_source.SetToCurrentDirectory()) {
        m_nError = errorCurrentDirectory;
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE hFind =
        Allowed(FileOperation::List) ? FindFirstFileW(L"*", &data) : INVALID_HANDLE_VALUE;
    if (hFind == INVALID_HANDLE_VALUE) {
        // Only a folder with no entries at all lists nothing; any other failure is one.
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            m_nError = errorSourceDirectory;
        else if (nLevel != 0)
            LeaveLevel();
        return;
    }
    bool bListingFailed = false;
    do {
        // A linked folder may lead anywhere, even back up the tree: it is not entered.
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0 ||
            (filespec_system::IsDirectory(data) &&
             (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0))
            continue;
        if (!CopyEntry(WideToUtf8(data.cFileName), filespec_system::IsDirectory(data), nLevel))
            break;
    } while (NextEntry(hFind, data, &bListingFailed));
    FindClose(hFind);
    if (bListingFailed && m_nError == errorNone)
        m_nError = errorSourceDirectory;
    if (m_nError == errorNone)
        LeaveLevel();
}

void COXCopyTree::LeaveLevel() {
    m_dest.RemoveLastSubdirectory();
    if (!ParentDirectory().MakeCurrent())
        m_nError = errorSourceDirectory;
}

BOOL COXCopyTree::CopyEntry(const CString& sName, BOOL bFolder, int nLevel) {
    if (bFolder)
        return CopySubdirectory(sName, nLevel);
    COXFileSpec file;
    file.SetFileName(sName);
    m_sourceFile.SetDirectoryAndFile(m_source, file);
    m_destFile.SetDirectoryAndFile(m_dest, file);
    if (m_pStatus != nullptr) {
        if (m_pStatus->IsStopRequested()) {
            m_nError = errorStopped;
            return FALSE;
        }
        m_pStatus->ShowStep(CopyStatusWindow::stepCopy, m_sourceFile.GetPath(),
                            m_destFile.GetPath());
    }
    if (!CopyCurrentFile()) {
        if (m_nError == errorNone)
            m_nError = errorCopyFile;
        return FALSE;
    }
    return TRUE;
}

BOOL COXCopyTree::CopySubdirectory(const CString& sName, int nLevel) {
    const COXDirSpec entry(sName);
    if (entry.IsEmpty() || !m_source.AppendDirectory(entry) || !m_source.MakeCurrent()) {
        m_nError = errorSourceDirectory;
        return FALSE;
    }
    m_dest.AppendDirectory(entry);
    m_current.SetToCurrentDirectory();
    if (!m_dest.Exists() && !CreateRecordingDirectories(m_dest)) {
        if (m_nError == errorNone)
            m_nError = errorDestinationDirectory;
        return FALSE;
    }
    m_current.MakeCurrent();
    CopyLevel(nLevel + 1);
    if (m_nError != errorNone)
        return FALSE;
    m_source.RemoveLastSubdirectory();
    return TRUE;
}

BOOL COXCopyTree::CopyCurrentFile() {
    const CString sDestination = m_destFile.GetPath();
    std::wstring sKey;
    try {
        sKey = NameKey(sDestination);
    } catch (const std::bad_alloc&) {
        m_nError = errorNoMemory;
        return FALSE;
    }
    // What this run wrote already is its own to overwrite: the user's file, if there was one,
    // is kept aside once, from the first time.
    if (m_writtenFiles.count(sKey) != 0)
        return m_sourceFile.CopyFileTo(m_destFile);
    const DWORD nAttributes = GetFileAttributesW(Wide(sDestination).c_str());
    BOOL bCopied = FALSE;
    if (nAttributes == INVALID_FILE_ATTRIBUTES) {
        bCopied = m_sourceFile.CopyFileTo(m_destFile);
    } else if ((nAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0) {
        bCopied = ReplaceCurrentFile();  // what a plain copy could not replace, neither does this
    }
    if (!bCopied)
        return FALSE;
    try {
        m_writtenFiles.insert(sKey);
    } catch (const std::bad_alloc&) {
        m_nError = errorNoMemory;
        return FALSE;
    }
    return RecordPath(m_copiedFiles, sDestination);
}

BOOL COXCopyTree::ReplaceCurrentFile() {
    // The file being replaced is kept aside until the whole copy is over, so that a roll-back
    // can give it back.
    COXPathSpec kept;
    if (!Allowed(FileOperation::MoveAside) ||
        !kept.MakeTempFileName(TRUE, "oxk", m_destFile.GetDirectory()))
        return FALSE;
    if (!MoveOver(m_destFile.GetPath(), kept.GetPath(), FileOperation::MoveAside)) {
        kept.RemoveFile();
        return FALSE;
    }
    try {
        m_keptFiles.push_back({m_destFile.GetPath(), kept.GetPath(), false});
    } catch (const std::bad_alloc&) {
        // Unrecorded, it would be found by no one: back it goes, or it stays under its kept name.
        MoveOver(kept.GetPath(), m_destFile.GetPath(), FileOperation::MoveBack);
        m_nError = errorNoMemory;
        return FALSE;
    }
    if (m_sourceFile.CopyFileTo(m_destFile)) {
        m_keptFiles.back().bReplaced = true;
        return TRUE;
    }
    // The destination still holds nothing of the copy; the user's file goes back now, or at
    // the end when it cannot yet.
    if (MoveKeptFileBack(m_keptFiles.back()))
        m_keptFiles.pop_back();
    return FALSE;
}

BOOL COXCopyTree::CreateRecordingDirectories(const COXDirSpec& directory) {
    const CString sDirectory = directory.GetDirectory();
    std::vector<CString> levels = name_text::PrefixesBeforeSeparators(sDirectory);
    levels.push_back(sDirectory);
    for (const CString& sLevel : levels) {
        COXDirSpec level;
        if (sLevel.IsEmpty() || !level.SetDirectory(sLevel) || level.Exists())
            continue;
        if (!Allowed(FileOperation::CreateFolder) ||
            !CreateDirectoryW(Wide(sLevel).c_str(), nullptr))
            return FALSE;
        if (!RecordPath(m_createdDirs, sLevel)) {
            RemoveOwnFolder(sLevel);
            return FALSE;
        }
    }
    return directory.Exists();
}

BOOL COXCopyTree::RecordPath(PathList& list, const CString& sPath) {
    const int nResult = list.Append(sPath);
    if (nResult != 0)
        m_nError = static_cast<short>(nResult);
    return nResult == 0;
}

COXCopyTree::KeptFile* COXCopyTree::FindKeptFile(const CString& sDestination) {
    const std::wstring sKey = NameKey(sDestination);
    for (KeptFile& kept : m_keptFiles)
        if (NameKey(kept.sDestination) == sKey)
            return &kept;
    return nullptr;
}

BOOL COXCopyTree::MoveKeptFileBack(const KeptFile& kept) {
    // A copy that took a read-only attribute from its source would refuse to be replaced.
    const std::wstring sDestination = Wide(kept.sDestination);
    const DWORD nAttributes = GetFileAttributesW(sDestination.c_str());
    if (nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        !(Allowed(FileOperation::SetAttributes) &&
          SetFileAttributesW(sDestination.c_str(), nAttributes & ~FILE_ATTRIBUTE_READONLY)))
        return FALSE;
    return MoveOver(kept.sKept, kept.sDestination, FileOperation::MoveBack);
}

void COXCopyTree::RollBack() {
    m_nError = errorStopped;
    if (m_copiedFiles.GetCount() == 0 && m_createdDirs.GetCount() == 0 && m_keptFiles.empty())
        return;
    m_hOldCursor = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(kWaitCursor)));
    if (m_pStatus != nullptr)
        m_pStatus->SetStatusTitle("Removal Status");
    // Every step is tried; what failed is tried once more at the end, when whatever held a
    // file for a moment may have let it go.
    std::vector<CString> failedFiles;
    bool bFolderLeft = false;
    for (int i = 0; i < m_copiedFiles.GetCount(); ++i) {
        const CString& sPath = m_copiedFiles.GetAt(i);
        if (m_pStatus != nullptr)
            m_pStatus->ShowStep(CopyStatusWindow::stepRemove, sPath, "");
        // A file that replaced another gives way to the one it replaced; a kept file that
        // cannot go back yet is tried again below, with those no copied file stands for.
        if (KeptFile* pKept = FindKeptFile(sPath)) {
            if (MoveKeptFileBack(*pKept))
                m_keptFiles.erase(m_keptFiles.begin() + (pKept - m_keptFiles.data()));
            continue;
        }
        if (!RemoveOwnFile(sPath))
            failedFiles.push_back(sPath);
    }
    for (auto it = m_keptFiles.begin(); it != m_keptFiles.end();)
        it = MoveKeptFileBack(*it) || MoveKeptFileBack(*it) ? m_keptFiles.erase(it) : it + 1;
    std::vector<CString> stillThere;
    for (const CString& sPath : failedFiles)
        if (!RemoveOwnFile(sPath))
            stillThere.push_back(sPath);
    for (int i = m_createdDirs.GetCount() - 1; i >= 0; --i) {
        const CString& sDirectory = m_createdDirs.GetAt(i);
        if (m_pStatus != nullptr)
            m_pStatus->ShowStep(CopyStatusWindow::stepRemove, sDirectory, "");
        if (!RemoveOwnFolder(sDirectory) && !RemoveOwnFolder(sDirectory))
            bFolderLeft = true;
    }
    m_bRollBackUnfinished = !stillThere.empty() || bFolderLeft || !m_keptFiles.empty();
    for (const CString& sPath : stillThere)
        LeaveBehind(sPath);
    m_copiedFiles.RemoveAll();
    m_createdDirs.RemoveAll();
    SetCursor(static_cast<HCURSOR>(m_hOldCursor));
}

void COXCopyTree::SettleKeptFiles(bool bRolledBack) {
    for (const KeptFile& kept : m_keptFiles) {
        if (kept.bReplaced && !bRolledBack) {
            // The copy stands; the old contents are no longer needed.
            if (!(Allowed(FileOperation::Remove) && DeleteFileW(Wide(kept.sKept).c_str())) &&
                !RemoveOwnFile(kept.sKept))
                LeaveBehind(kept.sKept);
            continue;
        }
        if (!MoveKeptFileBack(kept) && !MoveKeptFileBack(kept))
            LeaveBehind(kept.sKept);  // it stays under its kept name
    }
    m_keptFiles.clear();
}

void COXCopyTree::LeaveBehind(const CString& sPath) {
    m_bRollBackUnfinished = true;
    try {
        m_leftBehind.push_back(sPath);
    } catch (const std::bad_alloc&) {
        // The flag still says that something stayed.
    }
}

void COXCopyTree::BeginStatus(CopyStatusWindow* pStatus) {
    if (pStatus == nullptr)
        return;
    CWnd* pMain = AfxGetMainWnd();
    if (pMain != nullptr && pMain->m_hWnd != nullptr) {
        EnableWindow(pMain->m_hWnd, FALSE);
        m_bMainWindowDisabled = true;
    }
    if (pStatus->OpenStatus())
        m_pStatus = pStatus;
}

void COXCopyTree::EndStatus() {
    if (m_pStatus != nullptr)
        m_pStatus->CloseStatus();
    m_pStatus = nullptr;
    CWnd* pMain = AfxGetMainWnd();
    if (m_bMainWindowDisabled && pMain != nullptr && pMain->m_hWnd != nullptr)
        EnableWindow(pMain->m_hWnd, TRUE);
    m_bMainWindowDisabled = false;
}

BOOL COXDirSpec::CopyTo(const COXDirSpec& destination, BOOL bOnlyContents, BOOL bCleanUp,
                        CopyStatusWindow* pStatus) const {
    COXCopyTree copy;
    return copy.CopyTree(*this, destination, bOnlyContents, bCleanUp, pStatus);
}
