// CArchive: typed, buffered reading or writing of a CFile, with the framework's object records
// (class tags with name and schema, back references) and its string encoding.
#pragma once

#include <map>
#include <vector>

#include "platform/cstring.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/object.h"

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)

public:
    enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };

    explicit CArchiveException(int cause = none, LPCTSTR lpszArchiveName = nullptr)
        : m_cause(cause), m_strFileName(lpszArchiveName) {}

    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

    int m_cause;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName = nullptr);

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    // The file stays the caller's; it must stay open for the archive's life.
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096);
    // An archive not closed is abandoned: bytes still buffered for writing are not written.
    ~CArchive() = default;
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return m_nMode == load; }
    BOOL IsStoring() const { return m_nMode == store; }
    CFile* GetFile() const { return m_pFile; }

    // Fewer bytes than asked only at the end of the file.
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    // Writes what is buffered (storing); the file's own errors arrive as CFileException.
    void Flush();
    // Flushes and lets go of the file, which stays open.
    void Close();
    void Abort();

    // An object with its class record before it (the first time its class occurs) or a back
    // reference to an object written before; NULL is written as such.
    void WriteObject(const CObject* pOb);
    // The object written by WriteObject, created through its run-time class and read with its
    // Serialize. Throws CArchiveException for an unknown class, another schema, a class not
    // derived from pClassRefRequested or a bad back reference.
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);

    CArchive& operator<<(BYTE by) { return Put(by); }
    CArchive& operator<<(WORD w) { return Put(w); }
    CArchive& operator<<(DWORD dw) { return Put(dw); }
    CArchive& operator<<(LONG l) { return Put(static_cast<DWORD>(l)); }
    CArchive& operator<<(const CString& s);
    CArchive& operator<<(const CObject* pOb) {
        WriteObject(pOb);
        return *this;
    }
    CArchive& operator>>(BYTE& by) { return Get(by); }
    CArchive& operator>>(WORD& w) { return Get(w); }
    CArchive& operator>>(DWORD& dw) { return Get(dw); }
    CArchive& operator>>(LONG& l);
    CArchive& operator>>(CString& s);

private:
    template <typename T>
    CArchive& Put(T value);
    template <typename T>
    CArchive& Get(T& value);
    // Exactly nCount bytes, or CArchiveException::endOfFile.
    void ReadExactly(void* lpBuf, UINT nCount);
    void FillBuffer();
    void WriteClass(const CRuntimeClass* pClass);
    // The class of the next record, or NULL with its object reference in rnObjectTag.
    CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested, DWORD& rnObjectTag);
    void WriteTag(DWORD nTag, DWORD nFlag);
    DWORD ReadTag(WORD& rwTag);

    CFile* m_pFile;
    UINT m_nMode;
    std::vector<BYTE> m_buffer;
    std::size_t m_nBufferPos = 0;  // next byte to read, or bytes waiting to be written
    std::size_t m_nBufferEnd = 0;  // bytes in the buffer (loading)
    // Classes and objects in the order they were first written or read; index 0 is NULL.
    std::map<const void*, DWORD> m_storeMap;
    std::vector<std::pair<const CRuntimeClass*, CObject*>> m_loadArray{{nullptr, nullptr}};
};

template <typename T>
inline CArchive& CArchive::Put(T value) {
    BYTE bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<BYTE>(value >> (8 * i));  // little-endian on every system
    Write(bytes, sizeof(T));
    return *this;
}

template <typename T>
inline CArchive& CArchive::Get(T& value) {
    BYTE bytes[sizeof(T)];
    ReadExactly(bytes, sizeof(T));
    T v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v = static_cast<T>(v | (static_cast<T>(bytes[i]) << (8 * i)));
    value = v;
    return *this;
}

// Reads a pointer to class_name's object from an archive; for DECLARE_SERIAL classes.
#define TARNEL_DECLARE_EXTRACTION(class_name)                                     \
    inline CArchive& operator>>(CArchive& ar, class_name*& pOb) {                 \
        pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name))); \
        return ar;                                                                \
    }
