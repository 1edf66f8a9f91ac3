// The text rules the path classes share: forbidden bytes, lengths as Windows counts them, and
// the C runtime's splitting of a path into drive, directory, base name and extension.
#pragma once

#include <vector>

#include "platform/cstring.h"

namespace name_text {

// Bytes a file name must not hold; '?' and '*' are allowed, so "*.*" is a valid name.
extern const char kFileNameForbidden[];
// Bytes a subdirectory must not hold; '\' and '/' separate its components.
extern const char kSubdirectoryForbidden[];

// Whether any byte of sText is one of pszForbidden or a control byte 0x01 to 0x1F (both sets
// hold those).
bool HasForbiddenByte(const CString& sText, const char* pszForbidden);
// sText without any of those bytes.
CString WithoutForbiddenBytes(const CString& sText, const char* pszForbidden);

// How many UTF-16 units Windows needs for the UTF-8 text: two for a character beyond the basic
// plane, one for every other character and for every byte that is not valid UTF-8.
int Utf16Length(const CString& sText);
// The longest start of sText that needs at most nMaxUnits UTF-16 units; never splits a character.
CString LeftUtf16(const CString& sText, int nMaxUnits);
// The first nCount characters (not bytes) of sText.
CString LeftCharacters(const CString& sText, int nCount);
int CharacterCount(const CString& sText);

// A path cut as the C runtime's _splitpath cuts it: the drive is "X:" when the second byte is a
// colon; the directory runs to the last '\' or '/' inclusive; the extension starts at the last
// '.' after it, dot included; the base name is what is left. Each part keeps at most 255 UTF-16
// units, the drive at most 2 bytes.
struct PathParts {
    CString sDrive;
    CString sDirectory;
    CString sBaseName;
    CString sExtension;
    bool bDirectoryCut = false;  // the directory was longer: what is kept names another
};
PathParts SplitPath(const CString& sPath);

// The directories that lead to sDirectory, from the top: each prefix that ends just before a
// '\' ("C:\A\B" gives "C:" and "C:\A"; "\A\B" gives "" and "\A"). A network path's start is
// its share ("\\\\S\\D\\A\\B" gives "\\\\S\\D" and "\\\\S\\D\\A").
std::vector<CString> PrefixesBeforeSeparators(const CString& sDirectory);

}  // namespace name_text
