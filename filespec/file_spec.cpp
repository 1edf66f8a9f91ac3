// COXFileSpec's name rules and archive record.
#include "filespec/file_spec.h"

#include "filespec/name_text.h"

IMPLEMENT_SERIAL(COXFileSpec, CObject, 0)

namespace {

bool IsValidFileName(const CString& sName) {
    return !name_text::HasForbiddenByte(sName, name_text::kFileNameForbidden) &&
           name_text::Utf16Length(sName) <= COXFileSpec::kMaxFileNameLength;
}

// Base and extension joined with a dot, or the base alone without an extension.
CString JoinedName(const CString& sBase, const CString& sExtension) {
    return sExtension.IsEmpty() ? sBase : sBase + "." + sExtension;
}

}  // namespace

COXFileSpec::COXFileSpec(LPCTSTR pszFileName) {
    if (!SetFileName(pszFileName))
        SetFileName("");
}

COXFileSpec::COXFileSpec(const COXFileSpec& other) : CObject(), m_sFileName(other.m_sFileName) {}

COXFileSpec& COXFileSpec::operator=(const COXFileSpec& other) {
    m_sFileName = other.m_sFileName;
    return *this;
}

BOOL COXFileSpec::SetFileName(LPCTSTR pszFileName) {
    CString sName(pszFileName);
    if (!IsValidFileName(sName))
        return FALSE;
    sName.MakeLower();
    m_sFileName = sName;
    return TRUE;
}

CString COXFileSpec::GetBaseName() const {
    const int nDot = m_sFileName.ReverseFind('.');
    return nDot < 0 ? m_sFileName : m_sFileName.Left(nDot);
}

CString COXFileSpec::GetExtension() const {
    const int nDot = m_sFileName.ReverseFind('.');
    return nDot < 0 ? CString() : m_sFileName.Mid(nDot + 1);
}

BOOL COXFileSpec::SetBaseName(LPCTSTR pszBaseName) {
    const CString sExtension = GetExtension();
    CString sBase(pszBaseName);
    sBase.MakeLower();
    if (name_text::HasForbiddenByte(sBase, name_text::kFileNameForbidden))
        return FALSE;
    // Unlike the other setters this one never checked the length; the forced setter does.
    m_sFileName = JoinedName(sBase, sExtension);
    return TRUE;
}

BOOL COXFileSpec::SetExtension(LPCTSTR pszExtension) {
    CString sExtension(pszExtension);
    sExtension.MakeLower();
    if (name_text::HasForbiddenByte(sExtension, name_text::kFileNameForbidden))
        return FALSE;
    const CString sName = JoinedName(GetBaseName(), sExtension);
    if (name_text::Utf16Length(sName) > kMaxFileNameLength)
        return FALSE;
    m_sFileName = sName;
    return TRUE;
}

void COXFileSpec::SetFileNameForced(LPCTSTR pszFileName) {
    CString sName = name_text::WithoutForbiddenBytes(pszFileName, name_text::kFileNameForbidden);
    sName = name_text::LeftUtf16(sName, kMaxFileNameLength);
    SetFileName(sName);
}

void COXFileSpec::SetBaseNameForced(LPCTSTR pszBaseName) {
    SetFileNameForced(JoinedName(pszBaseName, GetExtension()));
}

void COXFileSpec::SetExtensionForced(LPCTSTR pszExtension) {
    SetFileNameForced(JoinedName(GetBaseName(), pszExtension));
}

BOOL COXFileSpec::SetTime(const CTime& time) {
    m_time = time;
    return TRUE;
}

BOOL COXFileSpec::SetLength(LONG nLength) {
    if (nLength < 0)
        return FALSE;
    m_nLength = nLength;
    return TRUE;
}

BOOL COXFileSpec::SetAttributes(BYTE attributes) {
    m_attributes = attributes;
    return TRUE;
}

void COXFileSpec::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_sFileName << static_cast<DWORD>(m_time.GetTime()) << m_nLength << m_attributes;
    } else {
        DWORD nSeconds = 0;
        ar >> m_sFileName >> nSeconds;
        // The record holds the 32 bits of a signed count.
        m_time = CTime(static_cast<std::int32_t>(nSeconds));
        ar >> m_nLength >> m_attributes;
    }
}
