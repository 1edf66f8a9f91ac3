// COXPathSpec's splitting and joining, comparisons, archive record and the text of its names.
#include "filespec/path_spec.h"

#include <string>

#include "filespec/name_text.h"

IMPLEMENT_DYNAMIC(COXPathSpec, COXDirSpec)

namespace {

const int kShortStemLength = 8;

// _splitpath leaves the separator at the end of the directory; the root keeps it.
CString WithoutTrailingSeparator(const CString& sDirectory) {
    std::string s = sDirectory.str();
    if (s.size() > 1 && (s.back() == '\\' || s.back() == '/'))
        s.pop_back();
    return CString(std::move(s));
}

CString WithoutLeadingDot(const CString& sExtension) {
    return sExtension.IsEmpty() ? sExtension : sExtension.Mid(1);
}

}  // namespace

COXPathSpec::COXPathSpec(LPCTSTR pszPath) {
    if (!SetPath(pszPath))
        SetPath("");
}

COXPathSpec::COXPathSpec(const COXPathSpec& other) : COXDirSpec(other), COXFileSpec(other) {}

COXPathSpec& COXPathSpec::operator=(const COXPathSpec& other) {
    COXDirSpec::operator=(other);
    COXFileSpec::operator=(other);
    return *this;
}

CString COXPathSpec::GetPath() const {
    const CString sDirectory = GetDirectory();
    const CString sName = GetFileName();
    if (sName.IsEmpty())
        return sDirectory;
    if (sDirectory.IsEmpty())
        return sName;
    if (sDirectory[sDirectory.GetLength() - 1] == '\\')
        return sDirectory + sName;
    return sDirectory + "\\" + sName;
}

BOOL COXPathSpec::SetPath(LPCTSTR pszPath) {
    const name_text::PathParts parts = name_text::SplitPath(pszPath);
    if (parts.bDirectoryCut || !SetDrive(parts.sDrive) ||
        !SetSubdirectory(WithoutTrailingSeparator(parts.sDirectory)))
        return FALSE;
    m_sFileName.Empty();
    return SetExtension(WithoutLeadingDot(parts.sExtension)) && SetBaseName(parts.sBaseName);
}

void COXPathSpec::SetPathForced(LPCTSTR pszPath) {
    const name_text::PathParts parts = name_text::SplitPath(pszPath);
    SetDriveForced(parts.sDrive);
    SetSubdirectoryForced(WithoutTrailingSeparator(parts.sDirectory));
    m_sFileName.Empty();
    SetExtensionForced(WithoutLeadingDot(parts.sExtension));
    SetBaseNameForced(parts.sBaseName);
}

BOOL COXPathSpec::SetDirectoryAndFile(const COXDirSpec& directory, const COXFileSpec& file) {
    COXDirSpec::operator=(directory);
    COXFileSpec::operator=(file);
    return TRUE;
}

void COXPathSpec::Empty() {
    COXDirSpec::Empty();
    COXFileSpec::Empty();
}

BOOL COXPathSpec::operator==(const COXPathSpec& other) const {
    return COXDirSpec::operator==(other) && COXFileSpec::operator==(other);
}

BOOL COXPathSpec::operator<(const COXPathSpec& other) const {
    return COXDirSpec::operator<(other) && COXFileSpec::operator<(other);
}

BOOL COXPathSpec::operator<=(const COXPathSpec& other) const {
    return COXDirSpec::operator<=(other) && COXFileSpec::operator<=(other);
}

BOOL COXPathSpec::operator>(const COXPathSpec& other) const {
    return COXDirSpec::operator>(other) && COXFileSpec::operator>(other);
}

BOOL COXPathSpec::operator>=(const COXPathSpec& other) const {
    return COXDirSpec::operator>=(other) && COXFileSpec::operator>=(other);
}

void COXPathSpec::Serialize(CArchive& ar) {
    COXDirSpec::Serialize(ar);
    COXFileSpec::Serialize(ar);
}

CString COXPathSpec::UniqueBaseName(const CString& sBaseName, unsigned nCounter) {
    CString sStem = name_text::LeftCharacters(sBaseName, kShortStemLength);
    for (int n = name_text::CharacterCount(sStem); n < kShortStemLength; ++n)
        sStem += '_';
    const std::string sDigits = std::to_string(nCounter);
    const int nDigits = static_cast<int>(sDigits.size());
    if (nDigits > kShortStemLength)
        return CString();
    return name_text::LeftCharacters(sStem, kShortStemLength - nDigits) + sDigits.c_str();
}

CString COXPathSpec::CompactForm(const COXPathSpec& absolutePath) {
    if (absolutePath.GetPath().IsEmpty())
        return CString();
    const CString sSubdirectory = absolutePath.GetSubdirectory();
    const CString sLast = sSubdirectory.Mid(sSubdirectory.ReverseFind('\\') + 1);
    CString sSeparator = "\\..\\";
    if (sLast.IsEmpty())
        sSeparator.Empty();
    else if ("\\" + sLast == sSubdirectory)
        sSeparator = "\\";
    return absolutePath.GetDrive() + sSeparator + sLast + "\\" + absolutePath.GetFileName();
}
