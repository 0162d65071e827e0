// Fresh pages straight from the system, for blocks too large for the
// allocator to keep well: a file's bytes while they are read, the slabs of
// an export's keyframes. Given back whole when they go, where a large
// malloc'd block would make the allocator keep the next one of its size for
// good. The pages are zero and untouched until written, so only what is
// written costs memory.
//
// One implementation per OS, chosen by the build: page_memory_posix.cc
// (mmap) and page_memory_win32.cc (VirtualAlloc).
#ifndef SONOMOT_MIDILIB_PAGE_MEMORY_H_
#define SONOMOT_MIDILIB_PAGE_MEMORY_H_

#include <cstddef>

// A large page, where the system has them: blocks of kLargePageBytes or
// more start on such a boundary when AllocateLargePages makes them.
constexpr size_t kLargePageBytes = size_t{2} << 20;

// nBytes (> 0) of fresh zero pages; null if the system has none to give.
void* AllocatePages(size_t nBytes);
// The same, starting on a large-page boundary and asked for large pages,
// where touching memory costs one fault per large page.
void* AllocateLargePages(size_t nBytes);
// Gives back a block of either kind, whole.
// REQUIRES: p and nBytes are those the block was allocated with.
void FreePages(void* p, size_t nBytes);
// Asks for large pages for the whole large pages inside a block of memory
// of any origin (malloc's too) that is about to be filled from its start.
// Only advice: where large pages are not to be had nothing changes.
void AdviseLargePages(void* p, size_t nBytes);

#endif  // SONOMOT_MIDILIB_PAGE_MEMORY_H_
