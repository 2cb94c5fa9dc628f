// Thread and process ids.
#pragma once

#include <cstdint>

namespace qz::platform {

// The operating system's id of the calling thread.
uint32_t currentThreadId();
uint32_t currentProcessId();

// Calls onExit(value) when the calling thread ends, while its thread-locals still hold their
// values: MinGW's thread_local destructors run after its thread-locals read as zero (or are
// freed), so they cannot hand a thread's state back. One hook per process; each thread arms
// it once with its own value.
void armThreadExit(void (*onExit)(void* value), void* value);

}  // namespace qz::platform
