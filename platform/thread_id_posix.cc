#include <sys/syscall.h>
#include <unistd.h>

#include "platform/thread_id.h"

uint32_t GetSystemThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }
