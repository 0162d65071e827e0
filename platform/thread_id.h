// The number by which the system tells the calling thread from the others
// of the program. One implementation per OS, chosen by the build:
// thread_id_posix.cc (gettid), thread_id_win32.cc.
#ifndef SONOMOT_PLATFORM_THREAD_ID_H_
#define SONOMOT_PLATFORM_THREAD_ID_H_

#include <cstdint>

uint32_t GetSystemThreadId();

#endif  // SONOMOT_PLATFORM_THREAD_ID_H_
