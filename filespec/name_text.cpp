// Forbidden bytes, UTF-16 lengths and path splitting for the path classes.
#include "filespec/name_text.h"

#include <cstring>

namespace name_text {

const char kFileNameForbidden[] = "<>\"|:/\\";
const char kSubdirectoryForbidden[] = "<>\"|:?*";

namespace {

const int kMaxPartUnits = 255;

bool IsForbidden(unsigned char byte, const char* pszForbidden) {
    return (byte >= 0x01 && byte <= 0x1F) ||
           (byte != 0 && std::strchr(pszForbidden, static_cast<char>(byte)) != nullptr);
}

// Length in bytes of the UTF-8 character that starts at pos, or 1 for a byte that starts none.
int CharacterBytes(const std::string& s, std::size_t pos) {
    const unsigned char lead = static_cast<unsigned char>(s[pos]);
    int nBytes = lead < 0x80                   ? 1
                 : lead >= 0xF0 && lead < 0xF5 ? 4
                 : lead >= 0xE0                ? 3
                 : lead >= 0xC2                ? 2
                                               : 1;
    if (pos + static_cast<std::size_t>(nBytes) > s.size())
        return 1;
    for (int i = 1; i < nBytes; ++i) {
        if ((static_cast<unsigned char>(s[pos + static_cast<std::size_t>(i)]) & 0xC0) != 0x80)
            return 1;
    }
    return nBytes;
}

int Utf16Units(int nCharacterBytes) { return nCharacterBytes == 4 ? 2 : 1; }

int LastSeparator(const std::string& s) {
    const std::size_t pos = s.find_last_of("\\/");
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

}  // namespace

bool HasForbiddenByte(const CString& sText, const char* pszForbidden) {
    for (char ch : sText.str()) {
        if (IsForbidden(static_cast<unsigned char>(ch), pszForbidden))
            return true;
    }
    return false;
}

CString WithoutForbiddenBytes(const CString& sText, const char* pszForbidden) {
    std::string kept;
    for (char ch : sText.str()) {
        if (!IsForbidden(static_cast<unsigned char>(ch), pszForbidden))
            kept += ch;
    }
    return CString(std::move(kept));
}

int Utf16Length(const CString& sText) {
    const std::string& s = sText.str();
    int nUnits = 0;
    for (std::size_t pos = 0; pos < s.size();) {
        const int nBytes = CharacterBytes(s, pos);
        nUnits += Utf16Units(nBytes);
        pos += static_cast<std::size_t>(nBytes);
    }
    return nUnits;
}

CString LeftUtf16(const CString& sText, int nMaxUnits) {
    const std::string& s = sText.str();
    int nUnits = 0;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const int nBytes = CharacterBytes(s, pos);
        if (nUnits + Utf16Units(nBytes) > nMaxUnits)
            break;
        nUnits += Utf16Units(nBytes);
        pos += static_cast<std::size_t>(nBytes);
    }
    return CString(s.substr(0, pos));
}

CString LeftCharacters(const CString& sText, int nCount) {
    const std::string& s = sText.str();
    std::size_t pos = 0;
    for (int i = 0; i < nCount && pos < s.size(); ++i)
        pos += static_cast<std::size_t>(CharacterBytes(s, pos));
    return CString(s.substr(0, pos));
}

int CharacterCount(const CString& sText) {
    const std::string& s = sText.str();
    int nCount = 0;
    for (std::size_t pos = 0; pos < s.size(); ++nCount)
        pos += static_cast<std::size_t>(CharacterBytes(s, pos));
    return nCount;
}

PathParts SplitPath(const CString& sPath) {
    PathParts parts;
    CString sRest = sPath;
    if (sRest.GetLength() >= 2 && sRest[1] == ':') {
        parts.sDrive = sRest.Left(2);
        sRest = sRest.Mid(2);
    }
    const int nSeparator = LastSeparator(sRest.str());
    parts.sDirectory = LeftUtf16(sRest.Left(nSeparator + 1), kMaxPartUnits);
    parts.bDirectoryCut = parts.sDirectory.GetLength() < nSeparator + 1;
    sRest = sRest.Mid(nSeparator + 1);
    const int nDot = sRest.ReverseFind('.');
    if (nDot >= 0) {
        parts.sExtension = LeftUtf16(sRest.Mid(nDot), kMaxPartUnits);
        sRest = sRest.Left(nDot);
    }
    parts.sBaseName = LeftUtf16(sRest, kMaxPartUnits);
    return parts;
}

std::vector<CString> PrefixesBeforeSeparators(const CString& sDirectory) {
    // A network path starts at its share, "\\\\SERVER\\SHARE", which stands for a drive: the
    // server and the share are no directories to look at or create.
    int nPos = sDirectory.Find('\\');
    if (sDirectory.Left(2) == "\\\\") {
        const int nShare = sDirectory.Find('\\', 2);
        nPos = nShare < 0 ? -1 : sDirectory.Find('\\', nShare + 1);
    }
    std::vector<CString> prefixes;
    for (; nPos >= 0; nPos = sDirectory.Find('\\', nPos + 1))
        prefixes.push_back(sDirectory.Left(nPos));
    return prefixes;
}

}  // namespace name_text
