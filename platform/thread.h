// Thread and process ids.
#pragma once

#include <cstdint>

// For a thread-local read on a hot path of the engine. The engine is loaded with dlopen, where
// the default (general-dynamic) model costs a __tls_get_addr call per access; initial-exec reads
// the slot straight off the thread pointer. Its few bytes come from the static TLS surplus that
// glibc keeps for libraries loaded later. Keep such variables to plain pointers and flags.
#if defined(__ELF__)
#define QZ_HOT_TLS __attribute__((tls_model("initial-exec")))
#else
#define QZ_HOT_TLS
#endif

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
