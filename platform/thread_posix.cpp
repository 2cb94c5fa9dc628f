#include <sys/syscall.h>
#include <unistd.h>

#include "platform/thread.h"

namespace qz::platform {

uint32_t currentThreadId() {
  return static_cast<uint32_t>(::syscall(SYS_gettid));
}
uint32_t currentProcessId() {
  return static_cast<uint32_t>(::getpid());
}

namespace {
struct ExitHook {
  void (*onExit)(void*) = nullptr;
  void* value = nullptr;
  ~ExitHook() {
    if (onExit) onExit(value);
  }
};
}  // namespace

void armThreadExit(void (*onExit)(void*), void* value) {
  static thread_local ExitHook hook;
  hook.onExit = onExit;
  hook.value = value;
}

}  // namespace qz::platform
