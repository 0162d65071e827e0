#include <sys/mman.h>

#include <cstdint>

#include "midilib/page_memory.h"

void* AllocatePages(size_t nBytes) {
  void* p = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void* AllocateLargePages(size_t nBytes) {
  // Map a large page more, then give back what lies before the first
  // boundary and after the block.
  size_t nMapped = nBytes + kLargePageBytes;
  void* p = AllocatePages(nMapped);
  if (p == nullptr) return nullptr;
  uintptr_t begin = reinterpret_cast<uintptr_t>(p);
  uintptr_t aligned = (begin + kLargePageBytes - 1) & ~(uintptr_t{kLargePageBytes} - 1);
  if (aligned > begin) munmap(p, aligned - begin);
  uintptr_t end = begin + nMapped;
  if (end > aligned + nBytes) munmap(reinterpret_cast<void*>(aligned + nBytes), end - aligned - nBytes);
  madvise(reinterpret_cast<void*>(aligned), nBytes, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreePages(void* p, size_t nBytes) { munmap(p, nBytes); }

void AdviseLargePages(void* p, size_t nBytes) {
  if (nBytes < 2 * kLargePageBytes) return;
  uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kLargePageBytes - 1) & ~(kLargePageBytes - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(p) + nBytes) & ~(kLargePageBytes - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
