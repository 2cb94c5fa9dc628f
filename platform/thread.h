// Thread and process ids.
#pragma once

#include <cstdint>

namespace qz::platform {

// The operating system's id of the calling thread.
uint32_t currentThreadId();
uint32_t currentProcessId();

}  // namespace qz::platform
