// Library memory: movable, zero-filled global memory locked for its whole
// life, addressed by the locked pointer.
#ifndef GLOBALMEM_H
#define GLOBALMEM_H

#include <windows.h>

#include <cstddef>

// A zero-filled block of size bytes, locked; nullptr when memory is short.
void* AllocLocked(size_t size);

// Unlocks and frees a block from AllocLocked; nullptr is ignored.
void FreeLocked(void* p);

#endif
