#include <sys/syscall.h>
#include <unistd.h>

#include "platform/thread.h"

namespace qz::platform {

uint32_t currentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }
uint32_t currentProcessId() { return static_cast<uint32_t>(::getpid()); }

}  // namespace qz::platform
