// Movable global memory blocks: allocated, locked while in use, unlocked, resized and freed, with
// the system's semantics. Windows has its own; elsewhere a block is a length-prefixed heap buffer.
#pragma once

#include <cstddef>

#include "platform/types.h"

// Windows' own headers may have come first.
#ifndef GMEM_MOVEABLE
#define GMEM_MOVEABLE 0x0002U
#define GMEM_ZEROINIT 0x0040U
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#endif

#if defined(_WIN32)
// The system's own, declared as its headers declare them.
extern "C" {
__declspec(dllimport) HGLOBAL __stdcall GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
__declspec(dllimport) HGLOBAL __stdcall GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
__declspec(dllimport) LPVOID __stdcall GlobalLock(HGLOBAL hMem);
__declspec(dllimport) BOOL __stdcall GlobalUnlock(HGLOBAL hMem);
__declspec(dllimport) HGLOBAL __stdcall GlobalFree(HGLOBAL hMem);
__declspec(dllimport) SIZE_T __stdcall GlobalSize(HGLOBAL hMem);
}
#else
using HGLOBAL = void*;
using LPVOID = void*;
using SIZE_T = std::size_t;

// NULL when the memory cannot be had.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// The block at its new size, contents kept (new bytes zeroed with GMEM_ZEROINIT); NULL, and
// the old block untouched, when the memory cannot be had or the block is locked.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
// The block's bytes, valid until the matching GlobalUnlock; locks nest.
LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while the block stays locked, FALSE once it is unlocked.
BOOL GlobalUnlock(HGLOBAL hMem);
// NULL on success.
HGLOBAL GlobalFree(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);
#endif

// A block locked for the length of a scope; Get() is NULL when it could not be locked.
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL h)
        : m_h(h), m_p(h != nullptr ? static_cast<BYTE*>(GlobalLock(h)) : nullptr) {}
    ~CGlobalLock() {
        if (m_p != nullptr)
            GlobalUnlock(m_h);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    BYTE* Get() const { return m_p; }
    // The block has been freed: nothing to unlock.
    void Forget() { m_p = nullptr; }

private:
    HGLOBAL m_h;
    BYTE* m_p;
};

// Owns a global memory block until it is handed on.
class CBlockOwner {
public:
    explicit CBlockOwner(HGLOBAL h) : m_h(h) {}
    ~CBlockOwner() {
        if (m_h != nullptr)
            GlobalFree(m_h);
    }
    CBlockOwner(const CBlockOwner&) = delete;
    CBlockOwner& operator=(const CBlockOwner&) = delete;
    HGLOBAL Get() const { return m_h; }
    HGLOBAL Release() {
        HGLOBAL h = m_h;
        m_h = nullptr;
        return h;
    }

private:
    HGLOBAL m_h;
};
