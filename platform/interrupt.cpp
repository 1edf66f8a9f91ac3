// The table of temporary files an interruption removes; it takes no lock and allocates nothing,
// so a signal handler may read it while other threads change it.
#include "platform/interrupt.h"

#include <array>
#include <atomic>
#include <cstring>

#include "platform/interrupt_os.h"

namespace {

enum SlotState : int { kFree, kFilling, kReady };

struct Slot {
    std::atomic<int> nState{kFree};
    char szPath[4096] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

std::array<Slot, 64> g_slots;

}  // namespace

int interrupt_cleanup::Register(const CString& sPath) {
    if (static_cast<std::size_t>(sPath.GetLength()) >= sizeof(Slot::szPath))
        return -1;
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        int nFree = kFree;
        if (!g_slots[i].nState.compare_exchange_strong(nFree, kFilling))
            continue;
        std::memcpy(g_slots[i].szPath, static_cast<LPCTSTR>(sPath), sPath.GetLength() + 1);
        g_slots[i].nState.store(kReady);
        return static_cast<int>(i);
    }
    return -1;
}

void interrupt_cleanup::Unregister(int nSlot) {
    if (nSlot >= 0)
        g_slots[static_cast<std::size_t>(nSlot)].nState.store(kFree);
}

void interrupt_cleanup::RemoveAll() {
    for (Slot& slot : g_slots)
        if (slot.nState.load() == kReady)
            interrupt_os::RemoveFile(slot.szPath);
}
