// COXDirSpec's operations on the file system, over the Windows wide-character calls.
#include "platform/win32.h"

#include <direct.h>

#include <utility>
#include <vector>

#include "filespec/name_text.h"
#include "filespec/path_spec.h"
#include "filespec/system_win32.h"

using filespec_system::Wide;

namespace {

// The drive's root, where the volume calls want it: "C:\".
std::wstring RootOf(const CString& sDrive) { return Wide(sDrive + "\\"); }

// "*.*" inside the directory.
CString EverythingIn(const COXDirSpec& directory) {
    COXPathSpec pattern;
    pattern.SetDirectoryAndFile(directory, COXFileSpec("*.*"));
    return pattern.GetPath();
}

CString PathIn(const COXDirSpec& directory, const wchar_t* pszName) {
    COXPathSpec path;
    path.SetDirectoryAndFile(directory, COXFileSpec());
    const CString sDirectory = path.GetPath();
    const CString sName = WideToUtf8(pszName);
    if (sDirectory.IsEmpty())
        return sName;
    return sDirectory[sDirectory.GetLength() - 1] == '\\' ? sDirectory + sName
                                                          : sDirectory + "\\" + sName;
}

// The volume's name (or its file system's) for the drive's root; empty when unknown.
CString VolumeInformation(const CString& sDrive, bool bFileSystem) {
    if (sDrive.IsEmpty())
        return CString();
    wchar_t szName[MAX_PATH + 1] = L"";
    const BOOL bOk = bFileSystem
                         ? GetVolumeInformationW(RootOf(sDrive).c_str(), nullptr, 0, nullptr,
                                                 nullptr, nullptr, szName, MAX_PATH + 1)
                         : GetVolumeInformationW(RootOf(sDrive).c_str(), szName, MAX_PATH + 1,
                                                 nullptr, nullptr, nullptr, nullptr, 0);
    return bOk ? WideToUtf8(szName) : CString();
}

bool IsRootOrEmpty(const CString& sSubdirectory) {
    return sSubdirectory.IsEmpty() || sSubdirectory == "\\";
}

}  // namespace

BOOL COXDirSpec::Exists() const {
    if (IsRootOrEmpty(m_sSubdirectory))
        return TRUE;
    const DWORD nAttributes = GetFileAttributesW(Wide(GetDirectory()).c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL COXDirSpec::HasNoEntries() const {
    BOOL bEmpty = TRUE;
    filespec_system::ForEachEntry(EverythingIn(*this), [&bEmpty](const WIN32_FIND_DATAW& data) {
        bEmpty = filespec_system::IsDotName(data.cFileName);
        return bEmpty != FALSE;
    });
    return bEmpty;
}

BOOL COXDirSpec::SetToCurrentDirectory() {
    const CString sCurrent = filespec_system::CurrentDirectory();
    if (sCurrent.IsEmpty())
        return FALSE;
    SetDrive(sCurrent.Left(2));
    SetSubdirectory(sCurrent.Mid(2));
    return TRUE;
}

BOOL COXDirSpec::SetToTempDirectory() {
    const CString sTemp = filespec_system::TempDirectory();
    if (sTemp.IsEmpty())
        return FALSE;
    SetDirectoryForced(sTemp);
    return TRUE;
}

BOOL COXDirSpec::MakeCurrent() const {
    if (!m_sDrive.IsEmpty() && _chdrive(m_sDrive[0] - 'A' + 1) != 0)
        return FALSE;
    if (!m_sSubdirectory.IsEmpty() && _wchdir(Wide(m_sSubdirectory).c_str()) != 0)
        return FALSE;
    return TRUE;
}

UINT COXDirSpec::QueryDriveType() const {
    return m_sDrive.IsEmpty() ? 0 : GetDriveTypeW(RootOf(m_sDrive).c_str());
}

CString COXDirSpec::GetVolumeLabel() const { return VolumeInformation(m_sDrive, false); }

CString COXDirSpec::GetFileSystemName() const {
    // A drive without a medium must fail quietly, not ask the user to insert one.
    const UINT nOldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const CString sName = VolumeInformation(m_sDrive, true);
    SetErrorMode(nOldMode);
    return sName;
}

ULONGLONG COXDirSpec::QueryFreeSpace() const {
    ULARGE_INTEGER nFree;
    if (m_sDrive.IsEmpty() ||
        !GetDiskFreeSpaceExW(RootOf(m_sDrive).c_str(), nullptr, nullptr, &nFree))
        return 0;
    return nFree.QuadPart;
}

BOOL COXDirSpec::CreateDirectories() const {
    if (IsRootOrEmpty(m_sSubdirectory))
        return TRUE;
    const CString sDirectory = GetDirectory();
    for (const CString& sPrefix : name_text::PrefixesBeforeSeparators(sDirectory))
        CreateDirectoryW(Wide(sPrefix).c_str(), nullptr);
    return CreateDirectoryW(Wide(sDirectory).c_str(), nullptr);
}

BOOL COXDirSpec::RemoveFiles(BOOL bForce) const {
    using filespec_system::Allowed;
    using filespec_system::FileOperation;
    BOOL bOk = TRUE;
    filespec_system::ForEachEntry(EverythingIn(*this), [&](const WIN32_FIND_DATAW& data) {
        if (filespec_system::IsDirectory(data) || filespec_system::IsDotName(data.cFileName))
            return true;
        const std::wstring sPath = Wide(PathIn(*this, data.cFileName));
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            bOk =
                bForce && Allowed(FileOperation::SetAttributes) &&
                SetFileAttributesW(sPath.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        }
        bOk = bOk && Allowed(FileOperation::Remove) && DeleteFileW(sPath.c_str());
        return bOk != FALSE;
    });
    return bOk;
}

BOOL COXDirSpec::Remove(BOOL bRecursive, BOOL bForce) const {
    using filespec_system::Allowed;
    using filespec_system::FileOperation;
    if (m_sSubdirectory.IsEmpty())
        return TRUE;
    // The child folders, each once. A link to a folder (a junction, a symbolic link) may lead
    // anywhere: it is removed as a link and never entered.
    std::vector<std::pair<CString, bool>> children;
    filespec_system::ForEachEntry(EverythingIn(*this), [&](const WIN32_FIND_DATAW& data) {
        if (bRecursive && filespec_system::IsDirectory(data) &&
            !filespec_system::IsDotName(data.cFileName))
            children.emplace_back(WideToUtf8(data.cFileName),
                                  (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
        return true;
    });
    for (const auto& [sName, bLink] : children) {
        if (bLink) {
            if (!Allowed(FileOperation::Remove) ||
                !RemoveDirectoryW(Wide(PathIn(*this, Wide(sName).c_str())).c_str()))
                return FALSE;
            continue;
        }
        // A name this class cannot hold would name this folder again.
        COXDirSpec child(*this);
        if (!child.AppendDirectory(COXDirSpec(sName)) || child == *this ||
            !child.Remove(TRUE, bForce))
            return FALSE;
    }
    return RemoveFiles(bForce) && Allowed(FileOperation::Remove) &&
           RemoveDirectoryW(Wide(GetDirectory()).c_str());
}

BOOL COXDirSpec::MakeUnique() {
    const CString sLast = GetLastSubdirectory().GetSubdirectory();
    COXFileSpec name;
    if (sLast.IsEmpty() || !name.SetFileName(sLast))
        return FALSE;
    COXDirSpec parent(*this);
    if (m_sSubdirectory.Find('\\') < 0)
        parent.m_sSubdirectory.Empty();
    else
        parent.RemoveLastSubdirectory();
    COXPathSpec path;
    path.SetDirectoryAndFile(parent, name);
    if (!path.MakeUnique())
        return FALSE;
    COXDirSpec unique(parent);
    if (!unique.AppendDirectory(COXDirSpec(path.GetFileName())))
        return FALSE;
    *this = unique;
    return TRUE;
}

BOOL COXDirSpec::MakeAbsoluteExisting() {
    COXPathSpec path;
    path.SetDirectoryAndFile(*this, COXFileSpec("dummy.tmp"));
    if (!path.MakeAbsolute()) {
        SetSubdirectory("\\");
        return FALSE;
    }
    *this = path;
    if (Exists())
        return TRUE;
    CString sExisting = "\\";
    const CString sSubdirectory = m_sSubdirectory;
    for (const CString& sPrefix : name_text::PrefixesBeforeSeparators(sSubdirectory)) {
        if (sPrefix.IsEmpty())
            continue;
        if (!COXDirSpec(m_sDrive + sPrefix).Exists())
            break;
        sExisting = sPrefix;
    }
    SetSubdirectory(sExisting);
    return TRUE;
}
