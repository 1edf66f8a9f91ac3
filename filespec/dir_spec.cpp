// COXDirSpec's drive and subdirectory rules, joining and splitting, and archive record.
#include "filespec/dir_spec.h"

#include "filespec/name_text.h"

IMPLEMENT_SERIAL(COXDirSpec, CObject, 0)

namespace {

bool IsAsciiLetter(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }

// A trailing '\' is allowed only as the whole root.
bool HasValidShape(const CString& sSubdirectory) {
    const int nLength = sSubdirectory.GetLength();
    return nLength <= 1 || sSubdirectory[nLength - 1] != '\\';
}

bool HasDrivePrefix(const CString& sDirectory) {
    return sDirectory.GetLength() >= 2 && sDirectory[1] == ':';
}

}  // namespace

COXDirSpec::COXDirSpec(LPCTSTR pszDirectory) {
    if (!SetDirectory(pszDirectory))
        Empty();
}

COXDirSpec::COXDirSpec(const COXDirSpec& other)
    : CObject(), m_sDrive(other.m_sDrive), m_sSubdirectory(other.m_sSubdirectory) {}

COXDirSpec& COXDirSpec::operator=(const COXDirSpec& other) {
    m_sDrive = other.m_sDrive;
    m_sSubdirectory = other.m_sSubdirectory;
    return *this;
}

BOOL COXDirSpec::SetDrive(LPCTSTR pszDrive) {
    const CString sDrive(pszDrive);
    if (sDrive.IsEmpty()) {
        m_sDrive.Empty();
        return TRUE;
    }
    if (!IsAsciiLetter(sDrive[0]))
        return FALSE;
    m_sDrive = sDrive.Left(1);
    m_sDrive.MakeUpper();
    m_sDrive += ':';
    return TRUE;
}

BOOL COXDirSpec::SetSubdirectory(LPCTSTR pszSubdirectory) {
    CString sSubdirectory(pszSubdirectory);
    if (!HasValidShape(sSubdirectory))
        return FALSE;
    sSubdirectory.MakeUpper();
    if (name_text::HasForbiddenByte(sSubdirectory, name_text::kSubdirectoryForbidden))
        return FALSE;
    m_sSubdirectory = sSubdirectory;
    return TRUE;
}

BOOL COXDirSpec::SetDirectory(LPCTSTR pszDirectory) {
    const CString sDirectory(pszDirectory);
    if (!HasDrivePrefix(sDirectory)) {
        SetDrive("");
        return SetSubdirectory(sDirectory);
    }
    if (!SetDrive(sDirectory.Left(2)))
        return FALSE;
    return SetSubdirectory(sDirectory.Mid(2));
}

void COXDirSpec::SetDriveForced(LPCTSTR pszDrive) {
    const CString sDrive(pszDrive);
    if (sDrive.IsEmpty() || !IsAsciiLetter(sDrive[0]))
        SetDrive("");
    else
        SetDrive(sDrive);
}

void COXDirSpec::SetSubdirectoryForced(LPCTSTR pszSubdirectory) {
    CString sSubdirectory =
        name_text::WithoutForbiddenBytes(pszSubdirectory, name_text::kSubdirectoryForbidden);
    if (!HasValidShape(sSubdirectory))
        sSubdirectory = sSubdirectory.Left(sSubdirectory.GetLength() - 1);
    SetSubdirectory(sSubdirectory);
}

void COXDirSpec::SetDirectoryForced(LPCTSTR pszDirectory) {
    const CString sDirectory(pszDirectory);
    if (!HasDrivePrefix(sDirectory)) {
        SetDriveForced("");
        SetSubdirectoryForced(sDirectory);
        return;
    }
    SetDriveForced(sDirectory.Left(2));
    SetSubdirectoryForced(sDirectory.Mid(2));
}

void COXDirSpec::Empty() {
    m_sDrive.Empty();
    m_sSubdirectory.Empty();
}

BOOL COXDirSpec::operator==(const COXDirSpec& other) const {
    return m_sDrive == other.m_sDrive && m_sSubdirectory == other.m_sSubdirectory;
}

BOOL COXDirSpec::AppendDirectory(const COXDirSpec& other) {
    if (!other.m_sDrive.IsEmpty() && other.m_sDrive != m_sDrive)
        return FALSE;
    if (!other.m_sSubdirectory.IsEmpty() && other.m_sSubdirectory[0] == '\\')
        return FALSE;
    if (other.m_sSubdirectory.IsEmpty())
        return TRUE;
    CString sJoined = m_sSubdirectory;
    if (!sJoined.IsEmpty() && sJoined[sJoined.GetLength() - 1] != '\\')
        sJoined += '\\';
    return SetSubdirectory(sJoined + other.m_sSubdirectory);
}

void COXDirSpec::RemoveLastSubdirectory() {
    const int nLast = m_sSubdirectory.ReverseFind('\\');
    if (nLast < 0)
        return;
    m_sSubdirectory = nLast == 0 ? CString("\\") : m_sSubdirectory.Left(nLast);
}

COXDirSpec COXDirSpec::GetLastSubdirectory() const {
    COXDirSpec last;
    last.m_sDrive = m_sDrive;
    last.m_sSubdirectory = m_sSubdirectory.Mid(m_sSubdirectory.ReverseFind('\\') + 1);
    return last;
}

void COXDirSpec::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring())
        ar << m_sDrive << m_sSubdirectory;
    else
        ar >> m_sDrive >> m_sSubdirectory;
}
