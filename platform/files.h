// What the platform promises about files beyond the C library.
//
// Thread rule: any thread.
#pragma once

#include <cstdio>

namespace qz::platform {

// Flushes `f` and waits until its data is on the disk; false when either step fails.
bool syncFile(std::FILE* f);

}  // namespace qz::platform
