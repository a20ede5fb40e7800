// What a process holds, counted with the Windows API in ways Wine answers
// (it reports neither PrivateUsage nor a handle count): committed private
// memory from VirtualQuery, and open handles by asking each handle value.
#pragma once
#include <windows.h>

// Committed private memory in bytes: every private region of the address
// space that is committed.
inline SIZE_T PrivateCommit() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* at = nullptr;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

// Open kernel handles: handle values are multiples of four, handed out from
// the lowest free one, so the first 16384 hold every handle of a process
// that has fewer.
inline unsigned OpenHandles() {
    unsigned count = 0;
    for (uintptr_t value = 4; value < 4 * 16384; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}
