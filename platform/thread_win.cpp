#include <windows.h>

#include "platform/thread.h"

namespace qz::platform {

uint32_t currentThreadId() {
  return GetCurrentThreadId();
}
uint32_t currentProcessId() {
  return GetCurrentProcessId();
}

}  // namespace qz::platform
