// COXPathSpec's operations on the file system, over the Windows wide-character calls.
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "filespec/path_spec.h"
#include "filespec/system_win32.h"
#include "platform/file.h"

using filespec_system::Wide;

namespace {

// A block large enough to copy at disk speed, small enough to keep the window alive in between.
const UINT kCopyBlockSize = 64 * 1024;

// dir + '\' + name, without a second '\' after a root or a drive's colon.
CString JoinedWithName(const CString& sDirectory, const CString& sName) {
    if (sDirectory.IsEmpty())
        return sName;
    const char last = sDirectory[sDirectory.GetLength() - 1];
    return last == '\\' || last == ':' ? sDirectory + sName : sDirectory + "\\" + sName;
}

bool MatchesKind(const WIN32_FIND_DATAW& data, bool bDirectories) {
    return !filespec_system::IsDotName(data.cFileName) &&
           filespec_system::IsDirectory(data) == bDirectories;
}

void CloseSearch(FindContext& context) {
    if (context.m_hFind != nullptr)
        FindClose(static_cast<HANDLE>(context.m_hFind));
    context.m_hFind = nullptr;
    context.m_bFound = FALSE;
}

// Moves the search on from data to the first entry of the wanted kind, or closes it.
BOOL SettleOnEntry(FindContext& context, WIN32_FIND_DATAW& data, bool bDirectories) {
    HANDLE hFind = static_cast<HANDLE>(context.m_hFind);
    while (!MatchesKind(data, bDirectories)) {
        if (!FindNextFileW(hFind, &data)) {
            CloseSearch(context);
            return FALSE;
        }
    }
    context.m_bFound = TRUE;
    context.m_sName = WideToUtf8(data.cFileName);
    context.m_nAttributes = data.dwFileAttributes;
    context.m_nLastWriteTime = filespec_system::SecondsFromFileTime(data.ftLastWriteTime);
    context.m_nSize = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return TRUE;
}

BOOL StartSearch(const COXPathSpec& path, FindContext& context, bool bDirectories) {
    CloseSearch(context);
    COXPathSpec pattern(path);
    if (pattern.GetFileName().IsEmpty())
        pattern.SetFileName("*.*");
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(Wide(pattern.GetPath()).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    context.m_hFind = hFind;
    return SettleOnEntry(context, data, bDirectories);
}

void AdvanceSearch(FindContext& context, bool bDirectories) {
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(static_cast<HANDLE>(context.m_hFind), &data)) {
        CloseSearch(context);
        return;
    }
    SettleOnEntry(context, data, bDirectories);
}

}  // namespace

FindContext::~FindContext() { CloseSearch(*this); }

BOOL COXPathSpec::Exists() const {
    return GetFileAttributesW(Wide(GetPath()).c_str()) != INVALID_FILE_ATTRIBUTES;
}

BOOL COXPathSpec::MakeAbsolute() {
    if (GetFileName().IsEmpty())
        return TRUE;
    wchar_t* pszFull = _wfullpath(nullptr, Wide(GetPath()).c_str(), 0);
    if (pszFull == nullptr)
        return FALSE;
    const CString sFull = WideToUtf8(pszFull);
    std::free(pszFull);
    return SetPath(sFull);
}

CString COXPathSpec::GetCompactPath() const {
    if (GetPath().IsEmpty())
        return CString();
    COXPathSpec absolute(*this);
    if (!absolute.MakeAbsolute())
        return GetPath();
    return CompactForm(absolute);
}

BOOL COXPathSpec::GetShortPath(CString& rsShortPath) const {
    rsShortPath = GetPath();
    if (rsShortPath.IsEmpty())
        return FALSE;
    COXPathSpec absolute(*this);
    absolute.MakeAbsolute();
    const std::wstring sLong = Wide(absolute.GetPath());
    const CString sShort = filespec_system::ReadSystemString(
        [&sLong](LPWSTR p, DWORD n) { return GetShortPathNameW(sLong.c_str(), p, n); });
    if (sShort.IsEmpty())
        return FALSE;
    rsShortPath = sShort;
    return TRUE;
}

BOOL COXPathSpec::MakeTempFileName(BOOL bKeep, LPCTSTR pszPrefix, LPCTSTR pszDirectory) {
    CString sDirectory(pszDirectory);
    if (sDirectory.IsEmpty())
        sDirectory = filespec_system::TempDirectory();
    if (sDirectory.IsEmpty())
        return FALSE;
    wchar_t szName[MAX_PATH] = L"";
    if (GetTempFileNameW(Wide(sDirectory).c_str(), Wide(pszPrefix).c_str(), 0, szName) == 0 ||
        szName[0] == L'\0')
        return FALSE;
    const BOOL bNamed = SetPath(WideToUtf8(szName));
    // A file whose name the object cannot hold would be left behind unnamed.
    if (!bKeep || !bNamed)
        DeleteFileW(szName);
    return bNamed;
}

BOOL COXPathSpec::MakeUnique() {
    if (GetBaseName().IsEmpty())
        SetBaseName("unique");
    if (!Exists())
        return TRUE;
    const CString sOriginal = GetFileName();
    const CString sBaseName = GetBaseName();
    for (unsigned nCounter = 2;; ++nCounter) {
        const CString sCandidate = UniqueBaseName(sBaseName, nCounter);
        if (sCandidate.IsEmpty() || !SetBaseName(sCandidate)) {
            SetFileName(sOriginal);
            return FALSE;
        }
        if (!Exists())
            return TRUE;
    }
}

BOOL COXPathSpec::SearchFile(COXFileSpec file, COXDirSpec directory) {
    const CString sName = file.GetFileName();
    std::vector<CString> candidates;
    if (!directory.IsEmpty()) {
        COXPathSpec given;
        given.SetDirectoryAndFile(directory, file);
        candidates.push_back(given.GetPath());
    }
    const CString sCurrent = filespec_system::CurrentDirectory();
    const CString sWindows = filespec_system::ReadSystemString(
        [](LPWSTR p, DWORD n) { return GetWindowsDirectoryW(p, n); });
    const CString sSystem = filespec_system::ReadSystemString(
        [](LPWSTR p, DWORD n) { return GetSystemDirectoryW(p, n); });
    for (const CString& sPlace :
         {filespec_system::ProgramDirectory(), sCurrent, sWindows, sSystem}) {
        if (!sPlace.IsEmpty())
            candidates.push_back(JoinedWithName(sPlace, sName));
    }
    const CString sSearchPath = filespec_system::EnvironmentVariable("PATH");
    for (int nStart = 0; nStart <= sSearchPath.GetLength();) {
        int nEnd = sSearchPath.Find(';', nStart);
        if (nEnd < 0)
            nEnd = sSearchPath.GetLength();
        const CString sEntry = sSearchPath.Mid(nStart, nEnd - nStart);
        if (!sEntry.IsEmpty())
            candidates.push_back(JoinedWithName(sEntry, sName));
        nStart = nEnd + 1;
    }
    for (const CString& sCandidate : candidates) {
        COXPathSpec found;
        if (found.SetPath(sCandidate) && found.Exists()) {
            *this = found;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL COXPathSpec::CopyFileTo(COXPathSpec destination) const {
    if (destination.GetFileName().IsEmpty())
        destination.SetFileName(GetFileName());
    if (!filespec_system::Allowed(filespec_system::FileOperation::Copy))
        return FALSE;
    CFile source;
    CReplaceFile target;
    if (!source.Open(GetPath(), CFile::modeRead | CFile::shareDenyWrite) ||
        !target.Open(destination.GetPath(),
                     CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive))
        return FALSE;
    std::vector<BYTE> block(kCopyBlockSize);
    try {
        // Up to the end of the source, not to the first short read: a pipe or a network file
        // can deliver less than a block before its end.
        for (;;) {
            filespec_system::DispatchPendingMessages();
            const UINT nRead = source.Read(block.data(), kCopyBlockSize);
            if (nRead == 0)
                break;
            target.Write(block.data(), nRead);
        }
        // Only a complete copy moves over the destination; a failure leaves it as it was.
        target.Close();
    } catch (CFileException* e) {
        e->Delete();
        target.Abort();
        return FALSE;
    }
    COXPathSpec info(*this);
    if (info.ReadFileInfo()) {
        destination.SetTime(info.GetTime());
        destination.SetAttributes(info.GetAttributes());
        destination.WriteFileTime();
        destination.WriteFileAttributes();
    }
    return TRUE;
}

BOOL COXPathSpec::RenameTo(COXPathSpec newPath) const {
    if (newPath.GetDrive().IsEmpty())
        newPath.SetDrive(GetDrive());
    if (newPath.GetSubdirectory().IsEmpty())
        newPath.SetSubdirectory(GetSubdirectory());
    if (newPath.GetFileName().IsEmpty())
        newPath.SetFileName(GetFileName());
    if (newPath == *this)
        return TRUE;
    return MoveFileW(Wide(GetPath()).c_str(), Wide(newPath.GetPath()).c_str());
}

BOOL COXPathSpec::RemoveFile(BOOL bForce) const {
    using filespec_system::Allowed;
    using filespec_system::FileOperation;
    const std::wstring sPath = Wide(GetPath());
    if (bForce && !(Allowed(FileOperation::SetAttributes) &&
                    SetFileAttributesW(sPath.c_str(), FILE_ATTRIBUTE_NORMAL)))
        return FALSE;
    return Allowed(FileOperation::Remove) && _wremove(sPath.c_str()) == 0;
}

BOOL COXPathSpec::ReadFileInfo() {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(GetPath()).c_str(), GetFileExInfoStandard, &data))
        return FALSE;
    m_time = CTime(filespec_system::SecondsFromFileTime(data.ftLastWriteTime));
    m_nLength = filespec_system::ClampedLength((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) |
                                               data.nFileSizeLow);
    m_attributes = static_cast<BYTE>(data.dwFileAttributes);
    return TRUE;
}

BOOL COXPathSpec::WriteFileTime() const {
    if (!filespec_system::Allowed(filespec_system::FileOperation::SetTimes))
        return FALSE;
    // Directories open only with backup semantics.
    HANDLE hFile = CreateFileW(Wide(GetPath()).c_str(), FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    const FILETIME fileTime = filespec_system::FileTimeFromSeconds(m_time.GetTime());
    const BOOL bOk = SetFileTime(hFile, &fileTime, &fileTime, &fileTime);
    CloseHandle(hFile);
    return bOk;
}

BOOL COXPathSpec::WriteFileAttributes() const {
    const std::wstring sPath = Wide(GetPath());
    if (GetFileAttributesW(sPath.c_str()) == INVALID_FILE_ATTRIBUTES ||
        !filespec_system::Allowed(filespec_system::FileOperation::SetAttributes))
        return FALSE;
    return SetFileAttributesW(sPath.c_str(),
                              m_attributes != 0 ? m_attributes : FILE_ATTRIBUTE_NORMAL);
}

BOOL COXPathSpec::WriteFileLength() const {
    HANDLE hFile = CreateFileW(Wide(GetPath()).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    LARGE_INTEGER nPosition;
    nPosition.QuadPart = m_nLength;
    const BOOL bOk = SetFilePointerEx(hFile, nPosition, nullptr, FILE_BEGIN) && SetEndOfFile(hFile);
    CloseHandle(hFile);
    return bOk;
}

BOOL COXPathSpec::FindFirstEntry(FindContext& context) const {
    return StartSearch(*this, context, false);
}

COXFileSpec COXPathSpec::FindNextEntry(FindContext& context) const {
    COXFileSpec entry;
    if (!context.m_bFound)
        return entry;
    entry.SetFileName(context.m_sName);
    entry.SetTime(CTime(context.m_nLastWriteTime));
    entry.SetLength(filespec_system::ClampedLength(context.m_nSize));
    entry.SetAttributes(static_cast<BYTE>(context.m_nAttributes));
    AdvanceSearch(context, false);
    return entry;
}

BOOL COXPathSpec::FindFirstSubdirectoryEntry(FindContext& context) const {
    return StartSearch(*this, context, true);
}

COXDirSpec COXPathSpec::FindNextSubdirectoryEntry(FindContext& context) const {
    COXDirSpec entry;
    if (!context.m_bFound)
        return entry;
    entry = *this;
    entry.AppendDirectory(COXDirSpec(context.m_sName));
    AdvanceSearch(context, true);
    return entry;
}
