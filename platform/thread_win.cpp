#include <windows.h>

#include "platform/thread.h"

namespace qz::platform {

uint32_t currentThreadId() {
  return GetCurrentThreadId();
}
uint32_t currentProcessId() {
  return GetCurrentProcessId();
}

namespace {

void (*gOnExit)(void*) = nullptr;

// Fiber-local values reach their callback at thread exit, before the C runtime tears down the
// thread's thread-locals.
VOID NTAPI onFiberLocalExit(PVOID value) {
  if (value && gOnExit) gOnExit(value);
}

}  // namespace

void armThreadExit(void (*onExit)(void*), void* value) {
  static const DWORD index = FlsAlloc(&onFiberLocalExit);
  gOnExit = onExit;
  if (index != FLS_OUT_OF_INDEXES) FlsSetValue(index, value);
}

}  // namespace qz::platform
