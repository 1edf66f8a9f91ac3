// Movable global memory over the C heap: a header with the size and lock count before the bytes.
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/global_memory.h"
#include "platform/memory.h"

namespace {

struct Block {
    SIZE_T nSize;
    UINT nLocks;
    alignas(std::max_align_t) unsigned char bytes[1];
};

constexpr SIZE_T kHeaderSize = offsetof(Block, bytes);

Block* BlockOf(HGLOBAL h) { return static_cast<Block*>(h); }

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (dwBytes > static_cast<SIZE_T>(-1) - kHeaderSize)
        return nullptr;
    void* p = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, kHeaderSize + dwBytes)
                                       : std::malloc(kHeaderSize + dwBytes);
    if (p == nullptr)
        return nullptr;
    Block* pBlock = static_cast<Block*>(p);
    pBlock->nSize = dwBytes;
    pBlock->nLocks = 0;
    // Blocks hold whole images, filled from start to end once they are made.
    AdviseBulkWrite(pBlock->bytes, dwBytes);
    return pBlock;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    Block* pBlock = BlockOf(hMem);
    if (pBlock == nullptr || pBlock->nLocks != 0 || dwBytes > static_cast<SIZE_T>(-1) - kHeaderSize)
        return nullptr;
    const SIZE_T nOld = pBlock->nSize;
    void* p = std::realloc(pBlock, kHeaderSize + dwBytes);
    if (p == nullptr)
        return nullptr;
    pBlock = static_cast<Block*>(p);
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > nOld)
        std::memset(pBlock->bytes + nOld, 0, dwBytes - nOld);
    pBlock->nSize = dwBytes;
    return pBlock;
}

LPVOID GlobalLock(HGLOBAL hMem) {
    Block* pBlock = BlockOf(hMem);
    if (pBlock == nullptr)
        return nullptr;
    ++pBlock->nLocks;
    return pBlock->bytes;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    Block* pBlock = BlockOf(hMem);
    if (pBlock == nullptr || pBlock->nLocks == 0)
        return FALSE;
    return --pBlock->nLocks != 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    std::free(hMem);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem) { return hMem != nullptr ? BlockOf(hMem)->nSize : 0; }
