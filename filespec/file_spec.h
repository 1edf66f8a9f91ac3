// COXFileSpec: the name part of a path (no drive, no directory) with a file's time stamp, length
// and attribute byte.
#pragma once

#include "platform/archive.h"
#include "platform/cstring.h"
#include "platform/ctime.h"
#include "platform/object.h"

class COXFileSpec : public CObject {
    DECLARE_SERIAL(COXFileSpec)

public:
    // The longest file name, in UTF-16 units as Windows counts them.
    static const int kMaxFileNameLength = 255;

    COXFileSpec() = default;
    // An invalid name leaves the name empty.
    explicit COXFileSpec(LPCTSTR pszFileName);
    // Both copy the file name only; the assignment leaves time, length and attributes alone.
    COXFileSpec(const COXFileSpec& other);
    COXFileSpec& operator=(const COXFileSpec& other);

    CString GetFileName() const { return m_sFileName; }
    // FALSE, changing nothing, for a forbidden byte or a name too long; stores it lower case.
    BOOL SetFileName(LPCTSTR pszFileName);
    // The name before (after) its last '.', the dot excluded.
    CString GetBaseName() const;
    BOOL SetBaseName(LPCTSTR pszBaseName);
    CString GetExtension() const;
    // pszExtension comes without its dot; an empty one removes the extension.
    BOOL SetExtension(LPCTSTR pszExtension);

    // Never fail: forbidden bytes are dropped and the name is cut to the longest allowed.
    void SetFileNameForced(LPCTSTR pszFileName);
    void SetBaseNameForced(LPCTSTR pszBaseName);
    void SetExtensionForced(LPCTSTR pszExtension);

    CTime GetTime() const { return m_time; }
    BOOL SetTime(const CTime& time);
    LONG GetLength() const { return m_nLength; }
    // Refuses a negative length.
    BOOL SetLength(LONG nLength);
    BYTE GetAttributes() const { return m_attributes; }
    BOOL SetAttributes(BYTE attributes);

    BOOL IsEmpty() const { return m_sFileName.IsEmpty(); }
    // Clears the name only.
    void Empty() { m_sFileName.Empty(); }

    // Byte order of the names; time, length and attributes take no part.
    BOOL operator==(const COXFileSpec& other) const { return Compare(other) == 0; }
    BOOL operator!=(const COXFileSpec& other) const { return Compare(other) != 0; }
    BOOL operator<(const COXFileSpec& other) const { return Compare(other) < 0; }
    BOOL operator<=(const COXFileSpec& other) const { return Compare(other) <= 0; }
    BOOL operator>(const COXFileSpec& other) const { return Compare(other) > 0; }
    BOOL operator>=(const COXFileSpec& other) const { return Compare(other) >= 0; }

    // The name, the time as 4 bytes, the length as 4 bytes, the attribute byte.
    void Serialize(CArchive& ar) override;

protected:
    int Compare(const COXFileSpec& other) const { return m_sFileName.Compare(other.m_sFileName); }

    CString m_sFileName;
    CTime m_time;
    LONG m_nLength = 0;
    BYTE m_attributes = 0;
};

TARNEL_DECLARE_EXTRACTION(COXFileSpec)
