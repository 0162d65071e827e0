// The calls by which an OutputFile sends what it wrote to the disk. The
// program calls them only through these pointers, which hold the system's
// own; tests may point them at fakes that note each call or make it fail,
// as they do the bound MIDI functions.
#ifndef SONOMOT_FILES_DISK_CALLS_H_
#define SONOMOT_FILES_DISK_CALLS_H_

#include <unistd.h>

namespace disk {

inline int (*Fsync)(int nFd) = ::fsync;
inline int (*Fdatasync)(int nFd) = ::fdatasync;

}  // namespace disk

#endif  // SONOMOT_FILES_DISK_CALLS_H_
