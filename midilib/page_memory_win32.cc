#include <windows.h>

#include "midilib/page_memory.h"

// Committed pages are zero and cost nothing until first touched.
void* AllocatePages(size_t nBytes) {
  return VirtualAlloc(nullptr, nBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

// Large pages need a privilege ordinary users lack, and a block can't be
// given back in parts; ordinary pages on the system's own boundary (64
// KiB) serve as well here.
void* AllocateLargePages(size_t nBytes) { return AllocatePages(nBytes); }

void FreePages(void* p, size_t nBytes) { VirtualFree(p, 0, MEM_RELEASE); }

// Windows takes no advice on memory it has already given.
void AdviseLargePages(void* p, size_t nBytes) {}
