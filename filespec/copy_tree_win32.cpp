// COXCopyTree over the Windows calls: walks the source tree as the current directory, records
// what it writes, and takes it back when asked to.
#include "platform/win32.h"

#include <atomic>
#include <new>

#include "filespec/copy_tree.h"
#include "filespec/name_text.h"
#include "filespec/system_win32.h"
#include "platform/window_win32.h"

IMPLEMENT_DYNAMIC(COXCopyTree, CObject)

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

// Whether directory is parent or lies below it: a copy there would copy its own copies on and on.
bool IsWithin(const COXDirSpec& directory, const COXDirSpec& parent) {
    const CString sDirectory = directory.GetDirectory();
    CString sParent = parent.GetDirectory();
    if (sDirectory == sParent)
        return true;
    if (sParent.IsEmpty() || sParent[sParent.GetLength() - 1] != '\\')
        sParent += '\\';
    return sDirectory.Left(sParent.GetLength()) == sParent;
}

BOOL MoveOver(const CString& sFrom, const CString& sTo) {
    return MoveFileExW(Wide(sFrom).c_str(), Wide(sTo).c_str(), MOVEFILE_REPLACE_EXISTING);
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
    m_source = source;
    m_dest = Absolute(destination);
    COXDirSpec remembered;
    const BOOL bRemembered = remembered.SetToCurrentDirectory();

    if (!bOnlyContents) {
        COXDirSpec last = m_source.GetLastSubdirectory();
        last.SetDrive("");
        if (!m_dest.AppendDirectory(last) || IsWithin(m_dest, Absolute(m_source)) ||
            (!m_dest.Exists() && !CreateRecordingDirectories(m_dest))) {
            if (m_nError == errorNone)
                m_nError = errorDestinationDirectory;
            g_bCopyRunning = false;
            return FALSE;
        }
    } else if (IsWithin(m_dest, Absolute(m_source))) {
        m_nError = errorDestinationDirectory;
        g_bCopyRunning = false;
        return FALSE;
    }
    if (m_source.IsEmpty() || !m_source.MakeCurrent()) {
        m_nError = errorSourceDirectory;
        g_bCopyRunning = false;
        return FALSE;
    }

    m_nError = errorNone;
    BeginStatus(pStatus);
    CopyLevel(0);
    if (bRemembered)
        remembered.MakeCurrent();
    if (bCleanUp)
        RollBack();
    DiscardKeptFiles();
    g_bCopyRunning = false;
    EndStatus();
    return m_nError == errorNone;
}

void COXCopyTree::CopyLevel(int nLevel) {
    if (!m_source.SetToCurrentDirectory()) {
        m_nError = errorCurrentDirectory;
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(L"*", &data);
    if (hFind == INVALID_HANDLE_VALUE) {
        if (nLevel != 0) {
            m_dest.RemoveLastSubdirectory();
            if (!ParentDirectory().MakeCurrent())
                m_nError = errorSourceDirectory;
        }
        return;
    }
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0)
            continue;
        const CString sName = WideToUtf8(data.cFileName);
        if (filespec_system::IsDirectory(data)) {
            const COXDirSpec entry(sName);
            if (!m_source.AppendDirectory(entry) || !m_source.MakeCurrent()) {
                m_nError = errorSourceDirectory;
                break;
            }
            m_dest.AppendDirectory(entry);
            m_current.SetToCurrentDirectory();
            if (!m_dest.Exists() && !CreateRecordingDirectories(m_dest)) {
                if (m_nError == errorNone)
                    m_nError = errorDestinationDirectory;
                break;
            }
            m_current.MakeCurrent();
            CopyLevel(nLevel + 1);
            if (m_nError != errorNone)
                break;
            m_source.RemoveLastSubdirectory();
        } else {
            COXFileSpec file;
            file.SetFileName(sName);
            m_sourceFile.SetDirectoryAndFile(m_source, file);
            m_destFile.SetDirectoryAndFile(m_dest, file);
            if (m_pStatus != nullptr) {
                if (m_pStatus->IsStopRequested()) {
                    m_nError = errorStopped;
                    break;
                }
                m_pStatus->ShowStep(CopyStatusWindow::stepCopy, m_sourceFile.GetPath(),
                                    m_destFile.GetPath());
            }
            if (!CopyCurrentFile()) {
                m_nError = errorCopyFile;
                break;
            }
            if (!RecordPath(m_copiedFiles, m_destFile.GetPath()))
                break;
        }
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    if (m_nError != errorNone)
        return;
    if (!ParentDirectory().MakeCurrent())
        m_nError = errorSourceDirectory;
    m_dest.RemoveLastSubdirectory();
}

BOOL COXCopyTree::CopyCurrentFile() {
    const std::wstring sDestination = Wide(m_destFile.GetPath());
    const DWORD nAttributes = GetFileAttributesW(sDestination.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES)
        return m_sourceFile.CopyFileTo(m_destFile);
    // What a plain copy could not replace, this one does not either.
    if ((nAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return FALSE;
    // The file being replaced is kept aside until the whole copy is over, so that a roll-back
    // can give it back.
    COXPathSpec kept;
    if (!kept.MakeTempFileName(TRUE, "oxk", m_destFile.GetDirectory()) ||
        !MoveOver(m_destFile.GetPath(), kept.GetPath())) {
        kept.RemoveFile();
        return FALSE;
    }
    try {
        m_keptFiles.emplace_back(m_destFile.GetPath(), kept.GetPath());
    } catch (const std::bad_alloc&) {
        MoveOver(kept.GetPath(), m_destFile.GetPath());
        return FALSE;
    }
    if (m_sourceFile.CopyFileTo(m_destFile))
        return TRUE;
    RestoreKeptFile(m_destFile.GetPath());
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
        if (!CreateDirectoryW(Wide(sLevel).c_str(), nullptr))
            return FALSE;
        if (!RecordPath(m_createdDirs, sLevel))
            return FALSE;
    }
    return directory.Exists();
}

BOOL COXCopyTree::RecordPath(PathList& list, const CString& sPath) {
    const int nResult = list.Append(sPath);
    if (nResult != 0)
        m_nError = static_cast<short>(nResult);
    return nResult == 0;
}

BOOL COXCopyTree::RestoreKeptFile(const CString& sPath) {
    for (auto it = m_keptFiles.begin(); it != m_keptFiles.end(); ++it) {
        if (it->first == sPath) {
            if (!MoveOver(it->second, it->first))
                return FALSE;
            m_keptFiles.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

void COXCopyTree::RollBack() {
    if (m_nError == errorNone)
        return;
    m_nError = errorStopped;
    if (m_copiedFiles.GetCount() == 0 && m_createdDirs.GetCount() == 0 && m_keptFiles.empty())
        return;
    m_hOldCursor = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(kWaitCursor)));
    if (m_pStatus != nullptr)
        m_pStatus->SetStatusTitle("Removal Status");
    bool bOk = true;
    for (int i = 0; bOk && i < m_copiedFiles.GetCount(); ++i) {
        const CString& sPath = m_copiedFiles.GetAt(i);
        if (m_pStatus != nullptr)
            m_pStatus->ShowStep(CopyStatusWindow::stepRemove, sPath, "");
        // A file that replaced another gives way to the one it replaced.
        if (RestoreKeptFile(sPath))
            continue;
        COXPathSpec file;
        bOk = file.SetPath(sPath) && file.RemoveFile(FALSE);
    }
    for (int i = m_createdDirs.GetCount() - 1; bOk && i >= 0; --i) {
        const CString& sDirectory = m_createdDirs.GetAt(i);
        if (m_pStatus != nullptr)
            m_pStatus->ShowStep(CopyStatusWindow::stepRemove, sDirectory, "");
        COXDirSpec directory;
        bOk = directory.SetDirectory(sDirectory) && directory.Remove(FALSE, FALSE);
    }
    m_bRollBackUnfinished = !bOk;
    m_copiedFiles.RemoveAll();
    m_createdDirs.RemoveAll();
    SetCursor(static_cast<HCURSOR>(m_hOldCursor));
}

void COXCopyTree::DiscardKeptFiles() {
    // After a roll-back that could not finish, what it did not give back stays on the disk:
    // it is the only copy of the user's old files.
    if (m_bRollBackUnfinished)
        return;
    for (const auto& kept : m_keptFiles)
        DeleteFileW(Wide(kept.second).c_str());
    m_keptFiles.clear();
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
