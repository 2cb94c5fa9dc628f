// What the platform promises about files beyond the C library.
//
// Thread rule: any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace qz::platform {

// Flushes `f` and waits until its data is on the disk; false when either step fails.
bool syncFile(std::FILE* f);

// Files a crash handler may write: the system's own calls, no allocation, no C library locks.
using RawFile = intptr_t;
inline constexpr RawFile kNoRawFile = -1;

// Opens (creating it if need be) `path` so that every write lands at its end; kNoRawFile on
// failure.
RawFile openRawForAppend(const char* path);
// Writes all n bytes, or as many as the system takes before it fails.
void writeRaw(RawFile file, const char* text, size_t n);
void closeRaw(RawFile file);
// The process's standard error, never to be closed.
RawFile rawStandardError();

}  // namespace qz::platform
