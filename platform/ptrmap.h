// CMapPtrToPtr: a hash map from pointers to pointers.
#pragma once

#include <unordered_map>

#include "platform/object.h"

class CMapPtrToPtr : public CObject {
public:
    // The block size is the framework's allocation granularity; kept for callers that state it.
    explicit CMapPtrToPtr(int nBlockSize = 10) : m_nBlockSize(nBlockSize) {}

    int GetCount() const { return static_cast<int>(m_map.size()); }
    BOOL IsEmpty() const { return m_map.empty(); }
    int GetBlockSize() const { return m_nBlockSize; }

    BOOL Lookup(void* key, void*& rValue) const;
    void SetAt(void* key, void* newValue) { m_map[key] = newValue; }
    void*& operator[](void* key) { return m_map[key]; }
    // FALSE when the key was not there, which is harmless.
    BOOL RemoveKey(void* key) { return m_map.erase(key) != 0; }

private:
    int m_nBlockSize;
    std::unordered_map<void*, void*> m_map;
};

inline BOOL CMapPtrToPtr::Lookup(void* key, void*& rValue) const {
    const auto it = m_map.find(key);
    if (it == m_map.end())
        return FALSE;
    rValue = it->second;
    return TRUE;
}
