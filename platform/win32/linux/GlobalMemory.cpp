// The blocks behind GlobalAlloc and its companions (win32/WinBase.h).
#include "win32/WinBase.h"

#include "win32/ErrHandlingApi.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct Block {
    bool moveable = false;
    BYTE* data = nullptr;
    SIZE_T size = 0;
    unsigned lockCount = 0;
};

// Movable handles are the addresses of these tokens; they are never
// dereferenced, only looked up.
struct MoveableToken {
    char unused;
};

std::map<HGLOBAL, Block>& blocks()
{
    static std::map<HGLOBAL, Block> all;
    return all;
}

constexpr UINT kKnownFlags = GMEM_MOVEABLE | GMEM_NOCOMPACT | GMEM_NODISCARD | GMEM_ZEROINIT | GMEM_DISCARDABLE |
                             GMEM_NOT_BANKED | GMEM_SHARE;

Block* lookup(HGLOBAL memory)
{
    auto it = blocks().find(memory);
    if (it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    if ((flags & ~kKnownFlags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Block block;
    block.moveable = (flags & GMEM_MOVEABLE) != 0;
    block.size = bytes;
    if (bytes != 0 || !block.moveable) {
        // A fixed block of 0 bytes still needs a distinct address.
        block.data = static_cast<BYTE*>((flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1)
                                                                 : std::malloc(bytes ? bytes : 1));
        if (block.data == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    HGLOBAL handle = block.moveable ? static_cast<HGLOBAL>(new MoveableToken{}) : static_cast<HGLOBAL>(block.data);
    blocks().emplace(handle, block);
    return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags)
{
    Block* block = lookup(memory);
    if (block == nullptr) return nullptr;
    if ((flags & ~kKnownFlags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!block->moveable && bytes > block->size && (flags & GMEM_MOVEABLE) == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!block->moveable && bytes <= block->size && (flags & GMEM_MOVEABLE) == 0) {
        block->size = bytes;
        return memory;
    }
    BYTE* data = nullptr;
    if (bytes != 0 || !block->moveable) {
        data = static_cast<BYTE*>(std::malloc(bytes ? bytes : 1));
        if (data == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        const SIZE_T kept = bytes < block->size ? bytes : block->size;
        if (kept != 0) std::memcpy(data, block->data, kept);
        if (bytes > kept && (flags & GMEM_ZEROINIT)) std::memset(data + kept, 0, bytes - kept);
    }
    std::free(block->data);
    block->data = data;
    block->size = bytes;
    if (block->moveable) return memory;
    // A fixed block that moved: its handle is its new address.
    Block moved = *block;
    blocks().erase(memory);
    blocks().emplace(static_cast<HGLOBAL>(data), moved);
    return data;
}

LPVOID GlobalLock(HGLOBAL memory)
{
    Block* block = lookup(memory);
    if (block == nullptr) return nullptr;
    if (!block->moveable) return block->data;
    if (block->data == nullptr) {
        SetLastError(ERROR_DISCARDED);
        return nullptr;
    }
    if (block->lockCount < GMEM_LOCKCOUNT) ++block->lockCount;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL memory)
{
    Block* block = lookup(memory);
    if (block == nullptr) return FALSE;
    if (!block->moveable) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    if (block->lockCount == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    --block->lockCount;
    if (block->lockCount == 0) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL memory)
{
    if (memory == nullptr) return nullptr;
    auto it = blocks().find(memory);
    if (it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    std::free(it->second.data);
    const bool moveable = it->second.moveable;
    blocks().erase(it);
    if (moveable) delete static_cast<MoveableToken*>(memory);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL memory)
{
    Block* block = lookup(memory);
    return block != nullptr ? block->size : 0;
}

HGLOBAL GlobalHandle(LPCVOID address)
{
    if (address == nullptr) return nullptr;
    for (auto& [handle, block] : blocks()) {
        if (block.data == address) return handle;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

UINT GlobalFlags(HGLOBAL memory)
{
    Block* block = lookup(memory);
    if (block == nullptr) return GMEM_INVALID_HANDLE;
    UINT flags = block->lockCount & GMEM_LOCKCOUNT;
    if (block->moveable && block->data == nullptr) flags |= GMEM_DISCARDED;
    return flags;
}
